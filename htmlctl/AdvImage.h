#pragma once
// A picture file's raw bytes shown through their decoded image, drawn stretched into any rectangle.
// Loading errors are exceptions with the texts "Could not load image. Invalid format" and
// "Could not load image".
#include <memory>

#include "Classes.h"
#include "Graphics.h"
#include "WinApi.h"

class TAdvImage : public TGraphic {
public:
    TAdvImage();
    ~TAdvImage() override;

    // Without a decoded image there is nothing to show, whatever bytes are kept.
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromFile(const AnsiString& FileName);
    void ReadData(TStream* Stream) { LoadFromStream(Stream); }
    void WriteData(TStream* Stream) { SaveToStream(Stream); }
    // The program's own resources; a name that is not there is ignored.
    void LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName);
    void LoadFromResourceID(HINSTANCE Instance, int ResID);
    void Assign(TPersistent* Source) override;
    TGraphic* NewEmpty() const override { return new TAdvImage; }

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    void LoadPicture();
    TMemoryStream data_;
    bool dataEmpty_ = true;
    std::unique_ptr<TGraphic> picture_;
};
