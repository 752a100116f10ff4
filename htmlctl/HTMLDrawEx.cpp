#include "HTMLDrawEx.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <memory>

#include "ShellApi.h"
#include "SysUtils.h"

namespace {

// Runs are single lines sitting on the bottom of their box; "&" is an ordinary character, since
// entities are decoded once by the markup layer.
constexpr unsigned kTextFlags = DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS | DT_EXTERNALLEADING | DT_NOPREFIX;
constexpr int kListIndent = 12;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct FontState {
    AnsiString name;
    int height = 0;
    TFontStyles style;
    TColor color = clBlack;
    int orientation = 0;
};

FontState ReadFont(const TFont* f) {
    FontState s;
    s.name = f->Name();
    s.height = f->Height();
    s.style = f->Style();
    s.color = f->Color();
    s.orientation = f->Orientation();
    return s;
}

// Everything a tag can change; saved at the start of a line so both passes see the same state.
struct State {
    FontState font;
    TColor brush = clNone;
    bool inAnchor = false, error = false, hidden = false, shadow = false, sub = false, sup = false;
    bool parBg = false, hi = false;
    TColor anchorBrush = clNone, anchorFont = clBlack, fontBg = clNone, hiFont = clBlack, hiBrush = clNone;
    TColor parBrush = clNone;
    int align = 0, indent = 0, level = 0, anchors = 0, images = 0;
    AnsiString href;
};

enum class Pass { Measure, Place };

struct Line {
    int left = 0, right = 0, top = 0, bottom = 0;
    int x = 0, width = 0, height = 0;
    int subOff = 0, supOff = 0, imgOff = 0;
    int trailing = 0;
    bool endsSpace = false, content = false, li = false;
    bool done = false, full = false;
    std::size_t cutAt = kNone;   // the run at which a line without word wrap passed the edge
    bool textHit = false, imgHit = false;
};

class Renderer {
public:
    Renderer(TCanvas* canvas, const TRect& r, const THTMLDrawParams& p, THTMLDrawResult& res)
        : c_(canvas), fr_(r), p_(p), r_(res), full_(p.Variant == THTMLVariant::Full) {}

    bool Run(const AnsiString& text);

private:
    bool Drawing() const { return !p_.CheckOnly; }
    void ApplyFont();
    int TextHeight(const AnsiString& s) { ApplyFont(); return c_->TextHeight(s); }
    int RunWidth(const AnsiString& s);
    std::size_t RunLine(Pass pass, std::size_t i, std::size_t end, Line& ln);
    bool DoRun(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln);
    bool DoTag(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln);
    void OpenTag(Pass pass, const THTMLToken& t, Line& ln, bool& consumed, std::size_t idx);
    void CloseTag(Pass pass, const THTMLToken& t, Line& ln);
    void DoImage(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln, bool& consumed);
    void DoBody(const THTMLToken& t);
    void DrawRun(const AnsiString& run, const Line& ln, int x, int w, int bottom, int h, bool cut);
    THTMLPicture* FindPicture(const AnsiString& upper, const AnsiString& raw);
    // The desktop's icon of an "SSYS:" or "LSYS:" source, loaded once per call.
    TGraphic* SystemIcon(const AnsiString& upper, const AnsiString& raw);
    TGraphic* StatusBitmap(const AnsiString& upper, const AnsiString& raw);
    // The status bar counts anchor hits only in the band of a text line above the line's baseline.
    bool InHitBand(const Line& ln) {
        const int base = ln.bottom - ln.imgOff;
        return p_.Y > base - TextHeight("gh") && p_.Y < base;
    }
    void SetStyle(TFontStyle st, bool on) { if (on) s_.font.style << st; else s_.font.style >> st; }
    void Fill(const TRect& r, TColor color);

    TCanvas* c_;
    const TRect fr_;
    const THTMLDrawParams& p_;
    THTMLDrawResult& r_;
    const bool full_;
    std::vector<THTMLToken> tokens_;
    State s_;
    FontState entry_;
    TColor entryBrush_ = clNone;
    // Anchors and the focus rectangle can span lines, so these live outside the per-line state.
    bool pointOnAnchor_ = false;
    bool focusOpen_ = false;
    int focusLeft_ = 0;
    int anchorLeft_ = 0, anchorTop_ = 0, anchorLine_ = -1;
    int lineNo_ = 0;
    int lastHoverImage_ = -1;
    // The status bar's own pictures, loaded once per call (both passes use them).
    std::map<AnsiString, std::unique_ptr<TGraphic>> bitmaps_;
};

void Renderer::ApplyFont() {
    TFont* f = c_->Font();
    const FontState& s = s_.font;
    if (f->Name() != s.name) f->SetName(s.name);
    if (f->Height() != s.height) f->SetHeight(s.height);
    if (f->Style() != s.style) f->SetStyle(s.style);
    if (f->Color() != s.color) f->SetColor(s.color);
    if (f->Orientation() != s.orientation) f->SetOrientation(s.orientation);
}

int Renderer::RunWidth(const AnsiString& s) {
    ApplyFont();
    TRect r(0, 0, 0, 0);
    c_->DrawText(s, r, kTextFlags | DT_CALCRECT);
    return r.Width();
}

void Renderer::Fill(const TRect& r, TColor color) {
    if (color == clNone || r.IsEmpty()) return;
    c_->Brush()->SetColor(color);
    c_->FillRect(r);
}

bool Renderer::Run(const AnsiString& text) {
    entry_ = ReadFont(c_->Font());
    const TColor oldBrushColor = c_->Brush()->Color();
    const TBrushStyle oldBrushStyle = c_->Brush()->Style();
    entryBrush_ = oldBrushStyle == bsClear ? clNone : oldBrushColor;
    const TColor oldPen = c_->Pen()->Color();
    s_.font = entry_;
    s_.brush = clNone;
    r_ = THTMLDrawResult();
    tokens_ = HTMLTokenize(text, p_.WordWrap || !full_, p_.Variant);

    int top = fr_.Top;
    std::size_t i = 0;
    const std::size_t n = tokens_.size();
    while (i < n) {
        const State snap = s_;
        Line m;
        m.left = m.x = fr_.Left;
        m.right = fr_.Right;
        m.top = top;
        m.height = TextHeight("gh");
        std::size_t j = RunLine(Pass::Measure, i, n, m);
        if (j == i) j = i + 1;   // never stall on a token that cannot be placed
        m.width = std::max(0, m.width - m.trailing);
        r_.XSize = std::max(r_.XSize, m.width);

        int lineX = fr_.Left;
        const int free = fr_.Right - fr_.Left - m.width;
        if (s_.align == 1) {
            if (!full_ || fr_.Right - m.width > fr_.Left) lineX = fr_.Right - m.width;
        } else if (s_.align == 2) {
            if (free > 0) lineX = fr_.Left + free / 2;
        }
        if (full_) lineX += s_.indent;
        const int lineH = m.height + m.subOff + m.supOff;

        if (!p_.CheckHeight) {
            s_ = snap;
            Line d = m;
            d.left = d.x = lineX;
            d.width = 0;
            d.bottom = top + lineH;
            d.trailing = 0;
            d.endsSpace = d.content = d.li = d.done = d.full = false;
            if (s_.parBg && Drawing()) Fill(TRect(fr_.Left, top, fr_.Right, d.bottom), s_.brush);
            RunLine(Pass::Place, i, j, d);
            if (focusOpen_) {
                // The focus anchor goes on past this line: frame this part, go on at the next line.
                const int bottom = d.bottom - d.subOff - d.imgOff;
                if (Drawing())
                    c_->DrawFocusRect(TRect(focusLeft_ - 1, bottom - TextHeight("gh"), d.x + 1, bottom));
                focusLeft_ = fr_.Left + 1;
            }
            if (d.textHit || d.imgHit) r_.OnAnchor = true;
        }
        top += lineH;
        r_.YSize += lineH;
        ++lineNo_;
        i = j;
        if (!p_.CheckHeight) {
            if (full_ && top > fr_.Bottom) break;
            if (!full_ && top + lineH > fr_.Bottom) break;
        }
    }
    r_.HyperLinks = s_.anchors;
    if (r_.YSize == 0) {
        s_.font = entry_;
        r_.YSize = TextHeight("gh");
    }
    s_.font = entry_;
    ApplyFont();
    c_->Brush()->SetColor(oldBrushColor);
    c_->Brush()->SetStyle(oldBrushStyle);
    c_->Pen()->SetColor(oldPen);
    return r_.OnAnchor;
}

std::size_t Renderer::RunLine(Pass pass, std::size_t i, std::size_t end, Line& ln) {
    while (i < end && !ln.done && !ln.full) {
        const THTMLToken& t = tokens_[i];
        const bool consumed = t.Kind == THTMLToken::tkRun ? DoRun(pass, t, i, ln) : DoTag(pass, t, i, ln);
        if (!consumed) break;
        ++i;
    }
    return i;
}

bool Renderer::DoRun(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln) {
    const AnsiString& run = t.Text;
    const bool measure = pass == Pass::Measure;
    if (ln.cutAt != kNone && idx > ln.cutAt) {
        // The rest of a line that passed the edge without word wrap: text, but not shown.
        if (measure) r_.StripVal += run;
        return true;
    }
    const int h = TextHeight(run);
    if (measure) {
        if (s_.sub) ln.subOff = std::max(ln.subOff, h / 4);
        if (s_.sup) ln.supOff = std::max(ln.supOff, h / 4);
    }
    if (s_.hidden) {
        if (measure) {
            ln.height = std::max(ln.height, h);
            r_.StripVal += run;
        }
        return true;
    }
    int w = RunWidth(run);
    const int space = t.EndsWithSpace() ? c_->TextWidth(" ") : 0;
    const int avail = fr_.Right - fr_.Left;
    if (measure) {
        if (full_ && !p_.WordWrap) {
            if (ln.width + w > avail) {
                ln.cutAt = idx;
                w = std::max(0, avail - ln.width);
            }
        } else {
            // A run fits when its visible part ends inside the rectangle; a run that begins the
            // line, or follows a run without a space between them, stays on the line regardless.
            const bool fits = ln.width + w - space <= avail || !ln.content || !ln.endsSpace;
            if (!fits) {
                ln.done = true;
                return false;
            }
        }
        ln.height = std::max(ln.height, h);
        r_.StripVal += run;
    } else {
        const bool cut = idx == ln.cutAt;
        if (cut) w = std::max(0, ln.right - ln.x);
        int bottom = ln.bottom - ln.imgOff;
        if (!s_.sub) bottom -= ln.subOff;
        if (s_.sup) bottom -= ln.supOff;
        const bool yHit = full_ ? p_.Y >= bottom - h && p_.Y < bottom : InHitBand(ln);
        if (s_.inAnchor && p_.X >= ln.x && p_.X < ln.x + w && yHit) {
            ln.textHit = true;
            r_.AnchorVal = s_.href;
            pointOnAnchor_ = true;
        }
        if (Drawing()) DrawRun(run, ln, ln.x, w, bottom, h, cut);
        ln.x += w;
    }
    ln.width += w;
    ln.trailing = space;
    ln.endsSpace = t.EndsWithSpace();
    ln.content = true;
    return true;
}

void Renderer::DrawRun(const AnsiString& run, const Line& ln, int x, int w, int bottom, int h, bool cut) {
    if (s_.font.color == clNone) return;   // blinking text in its dark phase over a clear brush
    const unsigned flags = kTextFlags | (cut ? DT_END_ELLIPSIS : 0u);
    ApplyFont();
    if (s_.font.orientation != 0) {
        c_->Brush()->SetColor(s_.brush);
        c_->TextOut(x, bottom - h, run);
        return;
    }
    if (s_.shadow) {
        c_->Font()->SetColor(p_.ShadowColor);
        c_->Brush()->SetStyle(bsClear);
        const int o = p_.ShadowOffset;
        TRect sr(x + o, ln.top + o, ln.right + o, bottom + o);
        if (cut) sr.Right = x + w + o;
        c_->DrawText(run, sr, flags);
        c_->Font()->SetColor(s_.font.color);
    }
    c_->Brush()->SetColor(s_.brush);
    TRect rr(x, ln.top, ln.right, bottom);
    c_->DrawText(run, rr, flags);
    if (s_.error) {
        // A red zig-zag under the run, in steps of two pixels.
        const int x0 = x & ~1;
        int phase = (x0 % 4 == 0) ? 2 : 0;
        std::vector<TPoint> pts;
        for (int px = x0; px <= x + w; px += 2) {
            pts.push_back(TPoint(px, ln.bottom - ln.subOff + phase - 1));
            phase = 2 - phase;
        }
        if (pts.size() > 1) {
            c_->Pen()->SetColor(clRed);
            c_->Pen()->SetWidth(1);
            c_->Polyline(pts);
        }
    }
}

bool Renderer::DoTag(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln) {
    bool consumed = true;
    if (t.Closing) CloseTag(pass, t, ln);
    else OpenTag(pass, t, ln, consumed, idx);
    return consumed;
}

namespace {
AnsiString FirstQuoted(const AnsiString& tag) {
    const std::size_t q1 = tag.find('"');
    if (q1 == std::string::npos) return {};
    const std::size_t q2 = tag.find('"', q1 + 1);
    if (q2 == std::string::npos) return {};
    return HTMLDecodeEntities(tag.substr(q1 + 1, q2 - q1 - 1));
}

// The number after "SIZE", its "=" and an opening quote.
int SizeValue(const THTMLToken& t) {
    std::size_t p = t.Upper.find("SIZE");
    if (p == std::string::npos) return 0;
    p = t.Upper.find('=', p);
    if (p == std::string::npos) return 0;
    ++p;
    if (p < t.Upper.size() && t.Upper[p] == '"') ++p;
    return IStrToInt(t.Upper.substr(p));
}
} // namespace

void Renderer::OpenTag(Pass pass, const THTMLToken& t, Line& ln, bool& consumed, std::size_t idx) {
    const bool place = pass == Pass::Place;
    const bool draw = place && Drawing();
    switch (t.Tag) {
    case THTMLTagKind::A: {
        const bool focus = s_.anchors == p_.FocusLink;
        ++s_.anchors;
        const bool hovered = s_.anchors == p_.HoverLink;
        if (!p_.HoverStyle || hovered) {
            SetStyle(fsUnderline, true);
            if (p_.HoverColor != clNone) { s_.anchorBrush = s_.brush; s_.brush = p_.HoverColor; }
            if (p_.HoverFontColor != clNone) { s_.anchorFont = s_.font.color; s_.font.color = p_.HoverFontColor; }
        }
        if (!p_.Selected && !(p_.HoverStyle && hovered && p_.HoverFontColor != clNone)) s_.font.color = p_.URLColor;
        s_.href = full_ ? FirstQuoted(t.Text) : t.Attr("HREF");
        s_.inAnchor = true;
        if (place) {
            anchorLeft_ = ln.x;
            anchorTop_ = ln.top;
            anchorLine_ = lineNo_;
            pointOnAnchor_ = false;
            if (focus) {
                focusOpen_ = true;
                focusLeft_ = ln.x;
                r_.FocusAnchor = s_.href;
            }
        }
        break;
    }
    case THTMLTagKind::B: SetStyle(fsBold, true); break;
    case THTMLTagKind::BR:
        ln.done = true;
        if (!place) r_.StripVal += "\r";
        break;
    case THTMLTagKind::Blink:
        if (!p_.Blink) s_.font.color = entryBrush_;
        break;
    case THTMLTagKind::Body:
        if (draw) DoBody(t);
        break;
    case THTMLTagKind::E: s_.error = true; break;
    case THTMLTagKind::Font: {
        const AnsiString face = t.Attr("FACE");
        if (!face.empty()) s_.font.name = face;
        const AnsiString color = t.Attr(" COLOR", true);
        if (!p_.Selected && !color.empty()) s_.font.color = HTMLAttrColor(color);
        const AnsiString bg = t.Attr("BGCOLOR", true);
        if (!p_.Selected && !bg.empty()) {
            s_.fontBg = s_.brush;
            s_.brush = HTMLAttrColor(bg);
        }
        if (t.HasAttr("SIZE")) {
            const int pt = HTMLFontSize(SizeValue(t), p_.Variant);
            s_.font.height = pt == 0 ? 0 : -Graphics::MulDiv(pt, 96, 72);
        }
        break;
    }
    case THTMLTagKind::HI:
        s_.hi = true;
        s_.hiFont = s_.font.color;
        s_.hiBrush = s_.brush;
        s_.brush = clHighlight;
        s_.font.color = clHighlightText;
        break;
    case THTMLTagKind::HR:
        ln.done = true;
        if (draw) {
            c_->Pen()->SetColor(clBlack);
            c_->Pen()->SetWidth(1);
            c_->MoveTo(ln.left, ln.bottom);
            c_->LineTo(fr_.Right, ln.bottom);
        }
        break;
    case THTMLTagKind::I: SetStyle(fsItalic, true); break;
    case THTMLTagKind::Ind: {
        const int n = MarkupLength(IStrToInt(t.Attr("X", false, 2)));
        if (n > ln.width) {
            ln.x = ln.left + n;
            ln.width = n;
        }
        break;
    }
    case THTMLTagKind::Img: DoImage(pass, t, idx, ln, consumed); break;
    case THTMLTagKind::LI: {
        if (ln.li) {   // a second item starts the next line
            ln.full = true;
            consumed = false;
            break;
        }
        ln.li = true;
        const int level = std::max(1, s_.level);
        ln.width += level * kListIndent;
        ln.x += (level - 1) * kListIndent;
        if (draw) {
            // Bullets of odd levels are dots, of even levels rings.
            const AnsiString bullet = level % 2 ? "\xE2\x80\xA2" : "\xE2\x97\xA6";
            const int h = TextHeight(bullet);
            int bottom = ln.bottom - ln.imgOff - ln.subOff;
            c_->Brush()->SetStyle(bsClear);
            TRect br(ln.x, bottom - h, ln.x + kListIndent, bottom);
            c_->DrawText(bullet, br, kTextFlags | DT_NOCLIP);
        }
        ln.x += kListIndent;
        break;
    }
    case THTMLTagKind::P: {
        const AnsiString align = t.Attr("ALIGN", true);
        if (align.find("RIGHT") != std::string::npos) s_.align = 1;
        if (align.find("LEFT") != std::string::npos) s_.align = 0;
        if (align.find("CENTER") != std::string::npos) s_.align = 2;
        if (full_ && t.HasAttr("INDENT")) s_.indent = MarkupLength(IStrToInt(t.Attr("INDENT")));
        if (t.HasAttr("BGCOLOR")) {
            const AnsiString v = t.Attr("BGCOLOR", true);
            const TColor col = v.empty() ? clNone : HTMLAttrColor(v);
            if (col != clNone) {
                s_.parBg = true;
                s_.parBrush = s_.brush;
                s_.brush = col;
                if (draw) Fill(TRect(fr_.Left, ln.top, fr_.Right, ln.bottom), col);
            }
        }
        break;
    }
    // A turn by a whole circle is no turn.
    case THTMLTagKind::R: s_.font.orientation = IStrToInt(t.Attr("A", false, 2)) % 360 * 10; break;
    case THTMLTagKind::S: SetStyle(fsStrikeOut, true); break;
    case THTMLTagKind::Shad: s_.shadow = true; break;
    case THTMLTagKind::Sub: s_.sub = true; break;
    case THTMLTagKind::Sup: s_.sup = true; break;
    case THTMLTagKind::U: SetStyle(fsUnderline, true); break;
    case THTMLTagKind::UL: s_.level = std::min(s_.level + 1, MaxMarkupListLevel); break;
    case THTMLTagKind::Z: s_.hidden = true; break;
    case THTMLTagKind::Unknown: break;
    }
}

void Renderer::CloseTag(Pass pass, const THTMLToken& t, Line& ln) {
    const bool place = pass == Pass::Place;
    switch (t.Tag) {
    case THTMLTagKind::A: {
        if (!p_.HoverStyle || s_.anchors == p_.HoverLink) {
            SetStyle(fsUnderline, false);
            if (p_.HoverColor != clNone) s_.brush = s_.anchorBrush;
            if (p_.HoverFontColor != clNone) s_.font.color = s_.anchorFont;
        }
        if (!p_.Selected) s_.font.color = entry_.color;
        if (place && s_.inAnchor) {
            if (pointOnAnchor_) {
                const bool sameLine = anchorLine_ == lineNo_;
                r_.HoverRect = TRect(sameLine ? anchorLeft_ : ln.left, sameLine ? anchorTop_ : ln.top, ln.x, ln.bottom);
                r_.MouseLink = s_.anchors;
                pointOnAnchor_ = false;
            }
            if (focusOpen_ && s_.anchors - 1 == p_.FocusLink) {
                const int bottom = ln.bottom - ln.subOff - ln.imgOff;
                if (Drawing())
                    c_->DrawFocusRect(TRect(focusLeft_ - 1, bottom - TextHeight("gh"), ln.x + 1, bottom));
                focusOpen_ = false;
            }
        }
        s_.inAnchor = false;
        break;
    }
    case THTMLTagKind::B: SetStyle(fsBold, false); break;
    case THTMLTagKind::Blink: s_.font.color = entry_.color; break;
    case THTMLTagKind::E: s_.error = false; break;
    case THTMLTagKind::Font:
        s_.font.name = entry_.name;
        s_.font.height = entry_.height;
        if (!p_.Selected) {
            s_.font.color = entry_.color;
            s_.brush = s_.fontBg;
        }
        break;
    case THTMLTagKind::HI:
        if (s_.hi) {
            s_.font.color = s_.hiFont;
            s_.brush = s_.hiBrush;
            s_.hi = false;
        }
        break;
    case THTMLTagKind::I: SetStyle(fsItalic, false); break;
    case THTMLTagKind::P:
        ln.done = true;
        if (s_.parBg) {
            s_.brush = s_.parBrush;
            s_.parBg = false;
        }
        break;
    case THTMLTagKind::R: s_.font.orientation = entry_.orientation; break;
    case THTMLTagKind::Sub:
    case THTMLTagKind::Sup: s_.sub = s_.sup = false; break;
    case THTMLTagKind::Shad: s_.shadow = false; break;
    case THTMLTagKind::S: SetStyle(fsStrikeOut, false); break;
    case THTMLTagKind::U: SetStyle(fsUnderline, false); break;
    case THTMLTagKind::UL:
        if (s_.level > 0) --s_.level;
        else SetStyle(fsUnderline, false);
        break;
    case THTMLTagKind::Z: s_.hidden = false; break;
    default: break;
    }
}

THTMLPicture* Renderer::FindPicture(const AnsiString& upper, const AnsiString& raw) {
    if (upper.find(':') == std::string::npos)
        return p_.PictureContainer ? p_.PictureContainer->FindPicture(upper) : nullptr;
    if (upper.find("://") == std::string::npos || !p_.PictureCache) return nullptr;
    THTMLPicture* pic = p_.PictureCache->FindPicture(upper);
    if (!pic) {
        pic = p_.PictureCache->AddPicture();
        pic->SetAsynch(false);
        try {
            pic->LoadFromURL(raw);
        } catch (const std::exception&) {
            // A missing or broken picture stays in the cache as an empty one and shows nothing.
        }
    }
    return pic;
}

TGraphic* Renderer::SystemIcon(const AnsiString& upper, const AnsiString& raw) {
    auto it = bitmaps_.find(upper);
    if (it == bitmaps_.end()) {
        auto icon = std::make_unique<TIcon>();
        if (!ShellApi::GetSystemIcon(raw.substr(5), upper[0] == 'L', icon.get())) icon.reset();
        it = bitmaps_.emplace(upper, std::move(icon)).first;
    }
    TGraphic* g = it->second.get();
    return g && !g->Empty() ? g : nullptr;
}

TGraphic* Renderer::StatusBitmap(const AnsiString& upper, const AnsiString& raw) {
    auto it = bitmaps_.find(upper);
    if (it == bitmaps_.end()) {
        std::unique_ptr<TGraphic> g;
        try {
            if (upper.rfind("RES://", 0) == 0) {
                std::string bytes;
                if (PictureContainer::FindResource(raw.substr(6), bytes)) {
                    g = std::make_unique<TGraphic>();
                    TStringStream s(bytes);
                    g->LoadFromStream(&s);
                }
            } else if (upper.rfind("FILE://", 0) == 0 && SysUtils::FileExists(raw.substr(7))) {
                g = std::make_unique<TGraphic>();
                TStringStream s(PictureContainer::ReadPictureFile(raw.substr(7)));
                g->LoadFromStream(&s);
            }
        } catch (const std::exception&) {
            g.reset();   // a broken file shows nothing
        }
        it = bitmaps_.emplace(upper, std::move(g)).first;
    }
    TGraphic* g = it->second.get();
    return g && !g->Empty() && g->Width() > 0 && g->Height() > 0 ? g : nullptr;
}

void Renderer::DoImage(Pass pass, const THTMLToken& t, std::size_t idx, Line& ln, bool& consumed) {
    const bool place = pass == Pass::Place;
    ++s_.images;
    if (ln.cutAt != kNone && idx > ln.cutAt) return;
    AnsiString src = t.Attr("SRC", true), raw = t.Attr("SRC");
    const int boxW = MarkupLength(IStrToInt(t.Attr("WIDTH"))), boxH = MarkupLength(IStrToInt(t.Attr("HEIGHT")));
    const bool stretch = boxW > 0 && boxH > 0;
    int iw = 0, ih = 0, listIndex = -1;
    THTMLPicture* pic = nullptr;
    TGraphic* bitmap = nullptr;
    TGraphic* sysIcon = nullptr;
    // Pictures take room by the device's resolution: their pixels are meant for 96 dots per inch.
    const int dpiX = GetDeviceCaps(c_, LOGPIXELSX), dpiY = GetDeviceCaps(c_, LOGPIXELSY);
    const auto scaleX = [&](int v) { return Graphics::MulDiv(v, dpiX, 96); };
    const auto scaleY = [&](int v) { return Graphics::MulDiv(v, dpiY, 96); };
    bool scaled = false;   // drawn stretched into the room it takes
    // The picture a source names, and the room it takes.
    const auto resolve = [&] {
        iw = ih = 0;
        listIndex = -1;
        pic = nullptr;
        bitmap = sysIcon = nullptr;
        scaled = false;
        if (src.rfind("IDX:", 0) == 0) {
            const int n = IStrToInt(src.substr(4));
            if (p_.Images && n < p_.Images->Count()) {
                listIndex = n;
                iw = scaleX(p_.Images->Width());
                ih = scaleY(p_.Images->Height());
                scaled = iw != p_.Images->Width() || ih != p_.Images->Height();
            }
        } else if (src.rfind("SSYS:", 0) == 0 || src.rfind("LSYS:", 0) == 0) {
            sysIcon = SystemIcon(src, raw);
            if (sysIcon) {
                iw = scaleX(sysIcon->Width());
                ih = scaleY(sysIcon->Height());
            }
        } else if (!full_) {
            bitmap = StatusBitmap(src, raw);
            if (bitmap) {
                iw = stretch ? boxW : bitmap->Width();
                ih = stretch ? boxH : bitmap->Height();
            }
        } else {
            pic = FindPicture(src, raw);
            if (pic && !pic->Empty()) {
                const int nw = stretch ? boxW : pic->GetMaxWidth(), nh = stretch ? boxH : pic->GetMaxHeight();
                iw = scaleX(nw);
                ih = scaleY(nh);
                scaled = iw != nw || ih != nh;
            }
        }
    };
    resolve();
    if (iw <= 0 || ih <= 0) return;   // nothing to show takes no room

    const int avail = fr_.Right - fr_.Left;
    if (!place) {
        if (ln.width + iw > avail && iw < avail && ln.content) {
            ln.full = true;
            consumed = false;
            --s_.images;
            return;
        }
    } else {
        // The point is looked for on the picture as laid out, before the picture to draw is chosen:
        // the one under the mouse shows its ALT picture in this very paint.
        const bool yHit = p_.Y >= ln.top && p_.Y < ln.top + ih && (full_ || InHitBand(ln));
        if (s_.inAnchor && p_.X >= ln.x && p_.X < ln.x + iw && yHit) {
            ln.imgHit = true;
            r_.AnchorVal = s_.href;
            lastHoverImage_ = s_.images;
            pointOnAnchor_ = true;
        }
        if (full_ && t.HasAttr("ALT") && s_.images == lastHoverImage_) {
            src = t.Attr("ALT", true);
            raw = t.Attr("ALT");
            resolve();
            if (iw <= 0 || ih <= 0) return;
        }
        if (Drawing()) {
            const TRect box(ln.x, ln.top, ln.x + iw, ln.top + ih);
            const TRect printed(ln.x, ln.top, ln.x + static_cast<int>(std::lround(iw * p_.ResFactor)),
                                ln.top + static_cast<int>(std::lround(ih * p_.ResFactor)));
            if (sysIcon) {
                c_->StretchDraw(p_.Print ? printed : box, sysIcon);
            } else if (listIndex >= 0 && scaled && !p_.Print) {
                TBitmap bmp;
                p_.Images->GetBitmap(listIndex, &bmp);
                c_->StretchDraw(box, &bmp);
            } else if (listIndex >= 0) {
                if (p_.Print) {
                    TBitmap bmp;
                    p_.Images->GetBitmap(listIndex, &bmp);
                    c_->StretchDraw(TRect(ln.x, ln.top, ln.x + static_cast<int>(std::lround(iw * p_.ResFactor)),
                                          ln.top + static_cast<int>(std::lround(ih * p_.ResFactor))),
                                    &bmp);
                } else {
                    p_.Images->Draw(c_, ln.x, ln.top, listIndex);
                }
            } else if (bitmap) {
                const bool res = src.rfind("RES://", 0) == 0;
                if (stretch) c_->StretchDraw(TRect(ln.x, ln.top, ln.x + iw, ln.top + ih), bitmap);
                else if (res && p_.Print)
                    c_->StretchDraw(TRect(ln.x, ln.top, ln.x + static_cast<int>(std::lround(iw * p_.ResFactor)),
                                          ln.top + static_cast<int>(std::lround(ih * p_.ResFactor))),
                                    bitmap);
                else c_->Draw(ln.x, ln.top, bitmap);
            } else if (stretch || scaled) {
                const bool old = pic->Stretch();
                pic->SetStretch(true);
                c_->StretchDraw(TRect(ln.x, ln.top, ln.x + iw, ln.top + ih), pic);
                pic->SetStretch(old);
            } else {
                // An animated picture repaints its whole area before the frame goes on top.
                if (pic->GetFrameCount() > 1) Fill(TRect(ln.x, ln.top, ln.x + iw, ln.top + ih), entryBrush_);
                c_->Draw(ln.x, ln.top, pic);
            }
        }
    }
    if (!place) {
        ln.height = std::max(ln.height, ih);
        const int th = TextHeight("gh");
        if (t.Upper.find("\"TOP") != std::string::npos) ln.imgOff = ln.height - th;
        else if (t.Upper.find("\"MIDDLE") != std::string::npos) ln.imgOff = (ln.height - th) / 2;
        else ln.imgOff = 0;
    }
    ln.width += iw;
    ln.x += iw;
    ln.content = true;
    ln.trailing = 0;
    ln.endsSpace = false;
}

void Renderer::DoBody(const THTMLToken& t) {
    const AnsiString bg = t.Attr("BACKGROUND", true);
    if (!bg.empty()) {
        TGraphic* pic = full_ ? static_cast<TGraphic*>(FindPicture(bg, t.Attr("BACKGROUND")))
                              : (bg.rfind("FILE://", 0) == 0 ? StatusBitmap(bg, t.Attr("BACKGROUND")) : nullptr);
        if (pic && !pic->Empty() && pic->Width() > 0 && pic->Height() > 0) {
            const TRect saved = c_->ClipRect();
            c_->IntersectClipRect(fr_);
            for (int y = fr_.Top; y < fr_.Bottom; y += pic->Height())
                for (int x = fr_.Left; x < fr_.Right; x += pic->Width()) c_->Draw(x, y, pic);
            c_->ResetClip();
            c_->IntersectClipRect(saved);
        }
    }
    const AnsiString col = t.Attr("BGCOLOR", true);
    if (!col.empty()) {
        TColor color = clNone;
        if (col.find("CL") != std::string::npos) color = Text2Color(col);
        else if (col.find('#') != std::string::npos) color = Hex2Color(col);
        if (color != clNone) {
            s_.brush = color;
            s_.fontBg = color;
            Fill(fr_, color);
        }
    }
}

} // namespace

bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& R, const THTMLDrawParams& Params,
                THTMLDrawResult& Result) {
    Renderer renderer(Canvas, R, Params, Result);
    return renderer.Run(Text);
}

THTMLDrawResult HTMLHitTest(TCanvas* Canvas, const AnsiString& Text, const TRect& R, int X, int Y, bool WordWrap) {
    THTMLDrawParams p;
    p.X = X;
    p.Y = Y;
    p.CheckOnly = true;
    p.WordWrap = WordWrap;
    THTMLDrawResult r;
    HTMLDrawEx(Canvas, Text, R, p, r);
    return r;
}

bool HTMLDraw(TCanvas* Canvas, const AnsiString& Text, const TRect& R, TCustomImageList* Images, int X, int Y,
              bool CheckOnly, bool Blink, double ResFactor, TColor URLColor, THTMLDrawResult& Result) {
    THTMLDrawParams p;
    p.Variant = THTMLVariant::StatusBar;
    p.Images = Images;
    p.X = X;
    p.Y = Y;
    p.CheckOnly = CheckOnly;
    p.Blink = Blink;
    p.ResFactor = ResFactor;
    p.URLColor = URLColor;
    p.ShadowColor = 0x808080;
    p.HoverColor = clNone;
    p.HoverFontColor = clNone;
    p.ShadowOffset = 1;
    p.HoverLink = -1;
    p.FocusLink = -1;
    p.WordWrap = true;
    return HTMLDrawEx(Canvas, Text, R, p, Result);
}
