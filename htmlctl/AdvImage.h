#pragma once
// A picture file's raw bytes shown through their decoded image, drawn stretched into any rectangle.
// Loading errors are exceptions with the texts "Could not load image. Invalid format" and
// "Could not load image".
#include <memory>

#include "Classes.h"
#include "Graphics.h"
#include "PictureContainer.h"
#include "WinApi.h"

class TAdvImage : public TPictureBytes {
public:
    TAdvImage();
    ~TAdvImage() override;

    void Assign(TPersistent* Source) override;
    TGraphic* NewEmpty() const override { return new TAdvImage; }

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    void LoadPicture() override;
};
