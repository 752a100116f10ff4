#pragma once
// Lists of equally sized images, drawn by index.
#include "Graphics.h"

// ---- image lists -------------------------------------------------------------------------------------
class TCustomImageList;

// Lets a control hear when the images of a list change.
class TChangeLink : public TObject {
public:
    ~TChangeLink() override;
    TCustomImageList* Sender = nullptr;
    TNotifyEvent OnChange;
};

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* AOwner);
    ~TCustomImageList() override;
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size empties the list.
    void SetWidth(int Value);
    void SetHeight(int Value);
    int Count() const { return static_cast<int>(images_.size()); }
    // A bitmap wider than the list's Width adds one image per Width columns. Mask: white = left out.
    int Add(TBitmap* Image, TBitmap* Mask);
    // Pixels of MaskColor are left out.
    int AddMasked(TBitmap* Image, TColor MaskColor);
    void Delete(int Index);
    void Clear();
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    bool GetBitmap(int Index, TBitmap* Image);
    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);

    TNotifyEvent OnChange;
private:
    int AddImages(TGraphicImage* Source);
    void Changed();
    int width_ = 16, height_ = 16;
    std::vector<std::unique_ptr<TGraphicImage>> images_;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
public:
    explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
