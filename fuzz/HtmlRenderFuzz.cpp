// The mini-HTML renderer on an offscreen bitmap: any markup lays out, measures, draws and hit-tests
// without harm, leaves the canvas as it was, and the three ways of asking agree with each other.
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "HTMLDrawEx.h"
#include "TextEncoding.h"

namespace {

struct World {
    TBitmap bitmap;
    TImageList images{nullptr};
    TPictureContainer pictures{nullptr};
};
World* g_world = nullptr;

std::string Describe(const THTMLDrawResult& r) {
    return "OnAnchor=" + std::to_string(r.OnAnchor) + " AnchorVal=\"" + r.AnchorVal + "\" MouseLink=" +
           std::to_string(r.MouseLink) + " HyperLinks=" + std::to_string(r.HyperLinks) +
           " XSize=" + std::to_string(r.XSize) + " YSize=" + std::to_string(r.YSize);
}

struct CanvasState {
    AnsiString fontName;
    int fontHeight;
    TFontStyles fontStyle;
    TColor fontColor, brushColor;
    TBrushStyle brushStyle;
    explicit CanvasState(TCanvas* c)
        : fontName(c->Font()->Name()), fontHeight(c->Font()->Height()), fontStyle(c->Font()->Style()),
          fontColor(c->Font()->Color()), brushColor(c->Brush()->Color()), brushStyle(c->Brush()->Style()) {}
    bool operator==(const CanvasState& o) const {
        return fontName == o.fontName && fontHeight == o.fontHeight && fontStyle == o.fontStyle &&
               fontColor == o.fontColor && brushColor == o.brushColor && brushStyle == o.brushStyle;
    }
};

void CheckResult(const THTMLDrawResult& r, int lineHeight, const std::string& what) {
    FUZZ_CHECK(r.HyperLinks >= 0, what + ": " + Describe(r));
    FUZZ_CHECK(r.MouseLink == -1 || (r.MouseLink >= 1 && r.MouseLink <= r.HyperLinks), what + ": " + Describe(r));
    FUZZ_CHECK(r.XSize >= 0 && r.YSize >= lineHeight, what + ": " + Describe(r));
    FUZZ_CHECK(!r.OnAnchor || r.HyperLinks > 0, what + ": on an anchor where there is none: " + Describe(r));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(*argc, *argv);
    g_world = new World;
    g_world->bitmap.SetSize(240, 160);
    // Two 16x16 images for "IDX:" pictures.
    g_world->images.SetWidth(16);
    g_world->images.SetHeight(16);
    TBitmap strip;
    strip.SetSize(32, 16);
    strip.Canvas()->Brush()->SetColor(clRed);
    strip.Canvas()->FillRect(TRect(0, 0, 32, 16));
    g_world->images.AddMasked(&strip, clWhite);
    // A named GIF picture from the default design.
    {
        std::ifstream in(ZB_FUZZ_GIF, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        TStringStream s(bytes);
        TPictureItem* item = g_world->pictures.Items()->Add();
        item->SetName("back");
        try {
            item->Picture()->LoadFromStream(&s);
        } catch (const std::exception&) {
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AnsiString text(reinterpret_cast<const char*>(data), size);
    TCanvas* c = g_world->bitmap.Canvas();
    c->Brush()->SetColor(clWhite);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(TRect(0, 0, 240, 160));
    c->Font()->SetName("DejaVu Sans");
    c->Font()->SetSize(9);
    c->Font()->SetStyle({});
    c->Font()->SetColor(clBlack);
    const int lineHeight = c->TextHeight("gh");
    const CanvasState before(c);
    const TRect r(4, 4, 236, 156);
    const bool validText = TextEncoding::IsValidUtf8(text);

    THTMLDrawParams p;
    p.Images = &g_world->images;
    p.PictureContainer = &g_world->pictures;

    // Measuring, with and without wrapping.
    for (bool wrap : {true, false}) {
        THTMLDrawParams m = p;
        m.CheckHeight = true;
        m.WordWrap = wrap;
        THTMLDrawResult res;
        HTMLDrawEx(c, text, r, m, res);
        FUZZ_CHECK(CanvasState(c) == before, "measuring changed the canvas");
        CheckResult(res, lineHeight, wrap ? "measure" : "measure without wrapping");
        if (validText) FUZZ_CHECK(TextEncoding::IsValidUtf8(res.StripVal), "plain text cut inside a character");
    }

    // Drawing at a point, with a focus and a hovered anchor; then the same point hit-tested.
    const int x = size > 0 ? r.Left + data[0] % (r.Right - r.Left) : 10;
    const int y = size > 1 ? r.Top + data[1] % (r.Bottom - r.Top) : 10;
    THTMLDrawParams d = p;
    d.X = x;
    d.Y = y;
    d.FocusLink = 0;
    d.HoverLink = 1;
    d.HoverStyle = size > 2 && (data[2] & 1);
    d.HoverColor = clYellow;
    THTMLDrawResult drawn;
    HTMLDrawEx(c, text, r, d, drawn);
    FUZZ_CHECK(CanvasState(c) == before, "drawing changed the canvas");
    CheckResult(drawn, lineHeight, "draw");

    auto same = [](const THTMLDrawResult& a, const THTMLDrawResult& b) {
        return a.HyperLinks == b.HyperLinks && a.XSize == b.XSize && a.YSize == b.YSize &&
               a.OnAnchor == b.OnAnchor && a.AnchorVal == b.AnchorVal && a.MouseLink == b.MouseLink;
    };
    // Laying out without drawing finds what drawing finds.
    THTMLDrawParams checkOnly = d;
    checkOnly.CheckOnly = true;
    THTMLDrawResult checked;
    HTMLDrawEx(c, text, r, checkOnly, checked);
    FUZZ_CHECK(same(checked, drawn), "check only: " + Describe(checked) + "\ndraw:       " + Describe(drawn));

    // The hit test knows no images; it agrees with drawing without them.
    const THTMLDrawResult hit = HTMLHitTest(c, text, r, x, y);
    FUZZ_CHECK(CanvasState(c) == before, "hit-testing changed the canvas");
    CheckResult(hit, lineHeight, "hit test");
    THTMLDrawParams plain;
    plain.X = x;
    plain.Y = y;
    THTMLDrawResult plainDrawn;
    HTMLDrawEx(c, text, r, plain, plainDrawn);
    FUZZ_CHECK(same(hit, plainDrawn), "hit test: " + Describe(hit) + "\ndraw:     " + Describe(plainDrawn));

    // The status bar's older reading of the same text.
    THTMLDrawResult bar;
    HTMLDraw(c, text, r, &g_world->images, x, y, false, size > 3 && (data[3] & 1), 1.0, clBlue, bar);
    FUZZ_CHECK(CanvasState(c) == before, "the status bar's drawing changed the canvas");
    CheckResult(bar, lineHeight, "status bar");

    // A printer's resolution and a rectangle with no room at all.
    THTMLDrawParams pr = p;
    pr.Print = true;
    pr.ResFactor = 3.0;
    THTMLDrawResult printed;
    HTMLDrawEx(c, text, r, pr, printed);
    THTMLDrawResult none;
    HTMLDrawEx(c, text, TRect(10, 10, 10, 10), p, none);
    FUZZ_CHECK(CanvasState(c) == before, "printing changed the canvas");

    // The tokens and the entity decoder on their own.
    for (auto variant : {THTMLVariant::Full, THTMLVariant::StatusBar}) {
        for (const THTMLToken& t : HTMLTokenize(text, true, variant)) {
            FUZZ_CHECK(t.Kind != THTMLToken::tkTag || t.Upper.size() == t.Text.size());
            (void)t.Attr("HREF");
            (void)t.Attr("COLOR", true, 2);
        }
        const AnsiString decoded = HTMLDecodeEntities(text, variant);
        if (validText) FUZZ_CHECK(TextEncoding::IsValidUtf8(decoded), "entities decoded to invalid UTF-8");
    }
    return 0;
}
