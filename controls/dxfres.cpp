#include "dxfres.h"

#include <algorithm>
#include <memory>

#include "Resources.h"

namespace {

// Two 13 by 13 font-kind glyphs from the program's bitmaps, each masked by its bottom-left colour. A
// missing or broken bitmap adds nothing, so the list may be empty but is always there.
void AddGlyph(TImageList* list, const AnsiString& name) {
    TBitmap bmp;
    if (!Resources::LoadBitmap(&bmp, name)) return;
    if (list->Count() == 0) {
        list->SetWidth(bmp.Width());
        list->SetHeight(bmp.Height());
    }
    list->AddMasked(&bmp, bmp.TransparentColor());
}

struct Shared {
    std::unique_ptr<TBitmap> draw = std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> strip = std::make_unique<TBitmap>();
    std::unique_ptr<TImageList> images;
    // The check-box glyphs; without the bitmap the strip stays empty and check boxes show no box.
    Shared() { Resources::LoadBitmap(strip.get(), "CHECKBOX"); }
};

Shared& Get() {
    static Shared shared;
    return shared;
}

} // namespace

namespace dxfres {

TBitmap* DrawBmp() { return Get().draw.get(); }
TBitmap* CBBmp() { return Get().strip.get(); }

TImageList* ImageList() {
    auto& shared = Get();
    if (!shared.images) {
        shared.images = std::make_unique<TImageList>(nullptr);
        AddGlyph(shared.images.get(), "TTFONT");
        AddGlyph(shared.images.get(), "DEVICEFONT");
    }
    return shared.images.get();
}

int StyleCount() {
    const TBitmap* strip = CBBmp();
    // An empty strip would divide by zero: it counts as one style without glyphs.
    if (strip->Height() <= 0) return 1;
    return std::max(1, strip->Width() / (4 * strip->Height()));
}

} // namespace dxfres
