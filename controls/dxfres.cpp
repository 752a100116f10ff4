#include "dxfres.h"

#include <exception>
#include <memory>

#include "Resources.h"

namespace {

constexpr int kCell = 18, kStyles = 14;
// The strip's background: left out when a glyph is drawn.
constexpr TColor kTransparent = clFuchsia;

// Our own glyphs: a 13-pixel box per style (frame colours and fills vary), a tick or a cross when checked.
void DrawCell(TCanvas* c, int style, int state) {
    const int x0 = (style * 4 + state) * kCell + 2, y0 = 2;
    const bool checked = state == 1 || state == 3, disabled = state >= 2;
    static const TColor frames[kStyles] = {clBlack, clNavy,   clGray,  clMaroon, clGreen, clTeal, clPurple,
                                           clBlack, clBlue,   clOlive, clRed,    clBlack, clNavy, clGray};
    const TColor frame = disabled ? clGray : frames[style];
    const TColor inside = disabled ? clSilver : (style % 3 == 1 ? clCream : clWhite);
    c->Brush()->SetColor(inside);
    c->Pen()->SetColor(frame);
    c->Pen()->SetWidth(1);
    if (style % 2 == 0) c->Rectangle(x0, y0 + 0, x0 + 14, y0 + 14);
    else c->RoundRect(x0, y0, x0 + 14, y0 + 14, 5, 5);
    if (!checked) return;
    c->Pen()->SetColor(disabled ? clGray : (style >= 7 ? clRed : clBlack));
    c->Pen()->SetWidth(2);
    if (style % 4 == 3) {
        c->MoveTo(x0 + 4, y0 + 4);
        c->LineTo(x0 + 10, y0 + 10);
        c->MoveTo(x0 + 10, y0 + 4);
        c->LineTo(x0 + 4, y0 + 10);
    } else {
        c->MoveTo(x0 + 3, y0 + 7);
        c->LineTo(x0 + 6, y0 + 10);
        c->LineTo(x0 + 11, y0 + 4);
    }
    c->Pen()->SetWidth(1);
}

// Two 13 by 13 font-kind glyphs from the program's bitmaps, each masked by its bottom-left colour. A
// missing or broken bitmap adds nothing, so the list may be empty but is always there.
void AddGlyph(TImageList* list, const AnsiString& name) {
    std::string bytes;
    if (!Resources::FindResourceData(name, bytes)) return;
    TBitmap bmp;
    try {
        TStringStream stream(bytes);
        bmp.LoadFromStream(&stream);
    } catch (const std::exception&) {
        return;
    }
    if (bmp.Empty()) return;
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
    Shared() {
        strip->SetSize(kCell * 4 * kStyles, kCell);
        strip->SetPixelFormat(pf8bit);
        TCanvas* c = strip->Canvas();
        c->Brush()->SetColor(kTransparent);
        c->FillRect({0, 0, strip->Width(), strip->Height()});
        for (int s = 0; s < kStyles; ++s)
            for (int state = 0; state < 4; ++state) DrawCell(c, s, state);
        strip->SetTransparentColor(kTransparent);
    }
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
