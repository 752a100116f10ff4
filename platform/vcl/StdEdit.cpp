// The one-line edit: its own text model and painting, so that nothing changes the text beside the
// messages a derived control can see first.
#include "StdEdit.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>

#include <algorithm>

#include "Clipbrd.h"
#include "GraphicsQt.h"
#include "SysUtils.h"
#include "TextEncoding.h"
#include "VclPrivate.h"

namespace {

bool IsWordChar(char32_t c) {
    return c > 0x7F || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

constexpr int BorderWidth = 2;

} // namespace

struct TCustomEdit::State {
    int anchor = 0;             // the fixed end of the selection
    int caret = 0;              // the moving end, where the caret stands
    int scroll = 0;             // pixels the text is scrolled to the left
    bool formatRectSet = false;
    TRect formatRect;
    bool userEdit = false;      // the text is being changed through the edit's own input
    bool mouseSelecting = false;
    bool hasUndo = false;
    std::string undoText;
    int undoAnchor = 0, undoCaret = 0;
};

TCustomEdit::TCustomEdit(TComponent* AOwner)
    : TWinControl(AOwner), d_(std::make_unique<State>()), canvas_(std::make_unique<TCanvas>()) {
    ControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetCursor(crIBeam);
    Vcl::Detail::HandleWidget(this)->setFocusPolicy(Qt::StrongFocus);
}

TCustomEdit::~TCustomEdit() = default;

// ---- properties ------------------------------------------------------------------------------------------
int TCustomEdit::SelStart() const { return std::min(d_->anchor, d_->caret); }
int TCustomEdit::SelLength() const { return std::abs(d_->caret - d_->anchor); }
int TCustomEdit::CaretIndex() const { return d_->caret; }

void TCustomEdit::SetSelStart(int Value) { Perform(EM_SETSEL, static_cast<WPARAM>(std::max(0, Value)), std::max(0, Value)); }

void TCustomEdit::SetSelLength(int Value) {
    const int start = SelStart();
    Perform(EM_SETSEL, static_cast<WPARAM>(start), start + std::max(0, Value));
}

AnsiString TCustomEdit::SelText() const {
    const std::u32string text = TextEncoding::ToUtf32(Text());
    const int start = std::min<int>(SelStart(), static_cast<int>(text.size()));
    return TextEncoding::ToUtf8(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(SelLength())));
}

void TCustomEdit::SetSelText(const AnsiString& Value) {
    Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

void TCustomEdit::SetReadOnly(bool Value) { Perform(EM_SETREADONLY, Value ? 1 : 0); }
void TCustomEdit::SetMaxLength(int Value) { Perform(EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, Value))); }
void TCustomEdit::SetPasswordChar(char Value) { Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(Value)); }

void TCustomEdit::SetHideSelection(bool Value) {
    hideSelection_ = Value;
    Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle_ == Value) return;
    borderStyle_ = Value;
    RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
    if (charCase_ == Value) return;
    charCase_ = Value;
    if (Value == ecUpperCase) SetText(SysUtils::AnsiUpperCase(Text()));
    else if (Value == ecLowerCase) SetText(SysUtils::AnsiLowerCase(Text()));
}

void TCustomEdit::SetPaintBackground(bool Value) {
    paintBackground_ = Value;
    Invalidate();
}

DWORD TCustomEdit::EditStyle() const {
    DWORD style = ES_AUTOHSCROLL;
    if (readOnly_) style |= ES_READONLY;
    if (passwordChar_) style |= ES_PASSWORD;
    return style;
}

void TCustomEdit::RecreateWnd() {
    // The window keeps its text, selection and focus; only the look follows the new style.
    d_->scroll = 0;
    EnsureCaretVisible();
    Invalidate();
}

TRect TCustomEdit::FormatRect() const {
    if (d_->formatRectSet) return d_->formatRect;
    TRect r = ClientRect();
    const int b = borderStyle_ == bsSingle ? BorderWidth : 0;
    InflateRect(r, -(b + 1), -(b + 1));
    return r;
}

void TCustomEdit::FontChanged() {
    TWinControl::FontChanged();
    EnsureCaretVisible();
}

// ---- geometry ----------------------------------------------------------------------------------------------
std::vector<int> TCustomEdit::Boundaries() const {
    std::u32string shown = TextEncoding::ToUtf32(Text());
    if (passwordChar_) shown.assign(shown.size(), static_cast<char32_t>(static_cast<unsigned char>(passwordChar_)));
    const QFontMetricsF fm(GraphicsQt::ToQFont(*Font()));
    std::vector<int> xs;
    xs.reserve(shown.size() + 1);
    QString prefix;
    xs.push_back(0);
    for (char32_t c : shown) {
        prefix += QString::fromUcs4(&c, 1);
        xs.push_back(static_cast<int>(fm.horizontalAdvance(prefix) + 0.5));
    }
    return xs;
}

namespace {
// Where the text starts in the format rectangle for the alignment.
int TextOrigin(const TRect& r, int textWidth, DWORD style, int scroll) {
    if (style & ES_RIGHT) return textWidth <= r.Width() ? r.Right - textWidth : r.Left - scroll;
    if (style & ES_CENTER) return textWidth <= r.Width() ? r.Left + (r.Width() - textWidth) / 2 : r.Left - scroll;
    return r.Left - scroll;
}
} // namespace

int TCustomEdit::CharFromPoint(TPoint P) const {
    const std::vector<int> xs = Boundaries();
    const int origin = TextOrigin(FormatRect(), xs.back(), EditStyle(), d_->scroll);
    const int x = P.X - origin;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        if (x < (xs[i] + xs[i + 1]) / 2) return static_cast<int>(i);
    }
    return static_cast<int>(xs.size()) - 1;
}

TPoint TCustomEdit::PointFromChar(int Index) const {
    const std::vector<int> xs = Boundaries();
    const TRect r = FormatRect();
    const int origin = TextOrigin(r, xs.back(), EditStyle(), d_->scroll);
    Index = std::clamp(Index, 0, static_cast<int>(xs.size()) - 1);
    return {origin + xs[static_cast<std::size_t>(Index)], r.Top};
}

void TCustomEdit::EnsureCaretVisible() {
    const TRect r = FormatRect();
    const std::vector<int> xs = Boundaries();
    const DWORD style = EditStyle();
    if ((style & (ES_RIGHT | ES_CENTER)) && xs.back() <= r.Width()) {
        d_->scroll = 0;
        return;
    }
    const int caretX = xs[static_cast<std::size_t>(std::clamp(d_->caret, 0, static_cast<int>(xs.size()) - 1))];
    const int width = std::max(1, r.Width() - 1);
    if (caretX - d_->scroll > width) d_->scroll = caretX - width;
    if (caretX - d_->scroll < 0) d_->scroll = std::max(0, caretX - width / 4);
    // No empty room right of the text while it could show more.
    d_->scroll = std::max(0, std::min(d_->scroll, std::max(0, xs.back() - width)));
}

// ---- editing ---------------------------------------------------------------------------------------------
void TCustomEdit::NotifyChange() {
    Perform(CN_COMMAND, MAKEWPARAM(0, EN_CHANGE), 0);
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::ReplaceRange(int From, int To, const std::u32string& Insert, bool User) {
    std::u32string text = TextEncoding::ToUtf32(Text());
    const int n = static_cast<int>(text.size());
    From = std::clamp(From, 0, n);
    To = std::clamp(To, From, n);
    std::u32string ins = Insert;
    if (charCase_ == ecUpperCase) ins = TextEncoding::ToUtf32(SysUtils::AnsiUpperCase(TextEncoding::ToUtf8(ins)));
    else if (charCase_ == ecLowerCase) ins = TextEncoding::ToUtf32(SysUtils::AnsiLowerCase(TextEncoding::ToUtf8(ins)));
    if (maxLength_ > 0) {
        const int room = maxLength_ - (n - (To - From));
        if (room < static_cast<int>(ins.size())) {
            ins.resize(static_cast<std::size_t>(std::max(0, room)));
            if (ins.empty() && To == From) {
                MessageBeep(0);
                return;
            }
        }
    }
    if (User) {
        d_->hasUndo = true;
        d_->undoText = Text();
        d_->undoAnchor = d_->anchor;
        d_->undoCaret = d_->caret;
    }
    text.replace(static_cast<std::size_t>(From), static_cast<std::size_t>(To - From), ins);
    const int caret = From + static_cast<int>(ins.size());
    d_->userEdit = true;
    try {
        SetText(TextEncoding::ToUtf8(text));
    } catch (...) {
        d_->userEdit = false;
        throw;
    }
    d_->userEdit = false;
    d_->anchor = d_->caret = caret;
    if (User) modified_ = true;
    EnsureCaretVisible();
    Invalidate();
    NotifyChange();
}

void TCustomEdit::MoveCaret(int Pos, bool Extend) {
    const int n = static_cast<int>(TextEncoding::ToUtf32(Text()).size());
    d_->caret = std::clamp(Pos, 0, n);
    if (!Extend) d_->anchor = d_->caret;
    EnsureCaretVisible();
    Invalidate();
}

void TCustomEdit::DefaultChar(TMessage& Message) {
    const char32_t c = static_cast<char32_t>(Message.WParam);
    switch (c) {
    case 3: Perform(WM_COPY); return;
    case 22: Perform(WM_PASTE); return;
    case 24: Perform(WM_CUT); return;
    case 26: Perform(WM_UNDO); return;
    case 8:
        if (readOnly_) return;
        if (SelLength() > 0) ReplaceRange(SelStart(), SelStart() + SelLength(), U"", true);
        else if (d_->caret > 0) ReplaceRange(d_->caret - 1, d_->caret, U"", true);
        return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F || readOnly_) return;
    ReplaceRange(SelStart(), SelStart() + SelLength(), std::u32string(1, c), true);
}

void TCustomEdit::DefaultKeyDown(Word Key, TShiftState Shift) {
    const std::u32string text = TextEncoding::ToUtf32(Text());
    const int n = static_cast<int>(text.size());
    const bool shift = Shift.Contains(ssShift);
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_LEFT: {
        int p = d_->caret;
        if (!shift && SelLength() > 0 && !ctrl) p = SelStart();
        else if (ctrl) {
            while (p > 0 && !IsWordChar(text[static_cast<std::size_t>(p - 1)])) --p;
            while (p > 0 && IsWordChar(text[static_cast<std::size_t>(p - 1)])) --p;
        } else if (p > 0) {
            --p;
        }
        MoveCaret(p, shift);
        break;
    }
    case VK_RIGHT: {
        int p = d_->caret;
        if (!shift && SelLength() > 0 && !ctrl) p = SelStart() + SelLength();
        else if (ctrl) {
            while (p < n && IsWordChar(text[static_cast<std::size_t>(p)])) ++p;
            while (p < n && !IsWordChar(text[static_cast<std::size_t>(p)])) ++p;
        } else if (p < n) {
            ++p;
        }
        MoveCaret(p, shift);
        break;
    }
    case VK_HOME: MoveCaret(0, shift); break;
    case VK_END: MoveCaret(n, shift); break;
    case VK_DELETE:
        if (shift) Perform(WM_CUT);
        else if (SelLength() > 0) Perform(WM_CLEAR);
        else if (!readOnly_ && d_->caret < n) ReplaceRange(d_->caret, d_->caret + 1, U"", true);
        break;
    case VK_INSERT:
        if (ctrl) Perform(WM_COPY);
        else if (shift) Perform(WM_PASTE);
        break;
    case VK_TAB:
        // A Tab that reaches the edit as a message (posted by the program) moves on as the key would.
        StdEdit::SelectNext(this, !shift);
        break;
    default: break;
    }
}

void TCustomEdit::DefaultMouse(TMessage& Message) {
    const TPoint p{Message.XPos(), Message.YPos()};
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: {
        if (!Focused() && CanFocus()) {
            mouseDownFocus_ = true;
            SetFocus();
            mouseDownFocus_ = false;
        }
        const int pos = CharFromPoint(p);
        MoveCaret(pos, (Message.WParam & MK_SHIFT) != 0);
        d_->mouseSelecting = true;
        break;
    }
    case WM_MOUSEMOVE:
        if (d_->mouseSelecting && (Message.WParam & MK_LBUTTON)) MoveCaret(CharFromPoint(p), true);
        break;
    case WM_LBUTTONUP: d_->mouseSelecting = false; break;
    case WM_LBUTTONDBLCLK: {
        const std::u32string text = TextEncoding::ToUtf32(Text());
        const int n = static_cast<int>(text.size());
        int a = std::min(CharFromPoint(p), n), b = a;
        while (a > 0 && IsWordChar(text[static_cast<std::size_t>(a - 1)])) --a;
        while (b < n && IsWordChar(text[static_cast<std::size_t>(b)])) ++b;
        d_->anchor = a;
        MoveCaret(b, true);
        break;
    }
    default: break;
    }
}

void TCustomEdit::DoEnter() {
    if (autoSelect_ && !mouseDownFocus_) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CHAR:
        if (DoKeyPress(Message)) return;
        DefaultChar(Message);
        return;
    case WM_KEYDOWN: {
        const Word key = Message.CharCode();
        // Return and Escape the edit does not want itself go to the form's buttons.
        const bool special = key == VK_RETURN || key == VK_ESCAPE;
        const bool wanted = special && Perform(CM_WANTSPECIALKEY, key, Message.LParam) != 0;
        if (DoKeyDown(Message)) return;
        DefaultKeyDown(Message.CharCode(), KeyShiftState());
        if (special && !wanted) {
            if (TCustomForm* form = GetParentForm(this))
                form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam);
        }
        return;
    }
    case CM_WANTSPECIALKEY: Message.Result = 0; return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: {
        QPointer<QWidget> alive(Vcl::Detail::HandleWidget(this));
        DefaultMouse(Message);
        if (alive) TWinControl::WndProc(Message);
        return;
    }
    case WM_COPY:
        if (SelLength() > 0 && !passwordChar_) Clipboard()->SetAsText(SelText());
        return;
    case WM_CUT:
        if (SelLength() > 0 && !passwordChar_ && !readOnly_) {
            Clipboard()->SetAsText(SelText());
            ReplaceRange(SelStart(), SelStart() + SelLength(), U"", true);
        }
        return;
    case WM_CLEAR:
        if (SelLength() > 0 && !readOnly_) ReplaceRange(SelStart(), SelStart() + SelLength(), U"", true);
        return;
    case WM_PASTE:
        if (!readOnly_ && Clipboard()->HasFormat(CF_TEXT)) {
            // One line: the text up to the first line break.
            std::string text = Clipboard()->AsText();
            text = text.substr(0, text.find_first_of("\r\n"));
            ReplaceRange(SelStart(), SelStart() + SelLength(), TextEncoding::ToUtf32(text), true);
        }
        return;
    case WM_UNDO:
    case EM_UNDO:
        if (d_->hasUndo && !readOnly_) {
            const std::string text = d_->undoText;
            const int anchor = d_->undoAnchor, caret = d_->undoCaret;
            d_->undoText = Text();
            d_->undoAnchor = d_->anchor;
            d_->undoCaret = d_->caret;
            d_->userEdit = true;
            SetText(text);
            d_->userEdit = false;
            d_->anchor = anchor;
            d_->caret = caret;
            modified_ = true;
            EnsureCaretVisible();
            NotifyChange();
            Message.Result = 1;
        }
        return;
    case EM_CANUNDO: Message.Result = d_->hasUndo ? 1 : 0; return;
    case EM_EMPTYUNDOBUFFER: d_->hasUndo = false; return;
    case EM_GETSEL: {
        const DWORD start = static_cast<DWORD>(SelStart()), end = static_cast<DWORD>(SelStart() + SelLength());
        if (Message.WParam) *reinterpret_cast<DWORD*>(Message.WParam) = start;
        if (Message.LParam) *reinterpret_cast<DWORD*>(Message.LParam) = end;
        Message.Result = MAKELPARAM(static_cast<int>(start), static_cast<int>(end));
        return;
    }
    case EM_SETSEL: {
        const int n = static_cast<int>(TextEncoding::ToUtf32(Text()).size());
        int start = static_cast<int>(static_cast<std::intptr_t>(Message.WParam));
        int end = static_cast<int>(Message.LParam);
        if (start < 0) {
            // -1 removes the selection and leaves the caret.
            d_->anchor = d_->caret;
        } else {
            if (end < 0 || end > n) end = n;
            start = std::min(start, n);
            d_->anchor = start;
            d_->caret = end;
        }
        EnsureCaretVisible();
        Invalidate();
        return;
    }
    case EM_REPLACESEL:
        if (Message.LParam)
            ReplaceRange(SelStart(), SelStart() + SelLength(),
                         TextEncoding::ToUtf32(reinterpret_cast<const char*>(Message.LParam)), true);
        return;
    case EM_GETMODIFY: Message.Result = modified_ ? 1 : 0; return;
    case EM_SETMODIFY: modified_ = Message.WParam != 0; return;
    case EM_SETREADONLY:
        readOnly_ = Message.WParam != 0;
        Invalidate();
        Message.Result = 1;
        return;
    case EM_LIMITTEXT: maxLength_ = static_cast<int>(Message.WParam); return;
    case EM_SETPASSWORDCHAR:
        passwordChar_ = static_cast<char>(Message.WParam);
        EnsureCaretVisible();
        Invalidate();
        return;
    case EM_GETPASSWORDCHAR: Message.Result = static_cast<unsigned char>(passwordChar_); return;
    case EM_SETRECT:
    case EM_SETRECTNP:
        if (Message.LParam) {
            d_->formatRect = *reinterpret_cast<const TRect*>(Message.LParam);
            d_->formatRectSet = true;
        } else {
            d_->formatRectSet = false;
        }
        EnsureCaretVisible();
        Invalidate();
        return;
    case EM_GETRECT:
        if (Message.LParam) *reinterpret_cast<TRect*>(Message.LParam) = FormatRect();
        return;
    case EM_CHARFROMPOS: {
        const int i = CharFromPoint({GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        Message.Result = MAKELPARAM(i, 0);
        return;
    }
    case EM_POSFROMCHAR: {
        const int n = static_cast<int>(TextEncoding::ToUtf32(Text()).size());
        const int i = static_cast<int>(Message.WParam);
        // Past the end the platform answers nothing.
        if (i > n) {
            Message.Result = -1;
            return;
        }
        const TPoint p = PointFromChar(i);
        Message.Result = MAKELPARAM(p.X, p.Y);
        return;
    }
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE) Change();
        return;
    case CM_TEXTCHANGED:
        if (!d_->userEdit) {
            // Text set by the program: the caret goes to the start and nothing counts as modified.
            d_->anchor = d_->caret = 0;
            d_->scroll = 0;
            d_->hasUndo = false;
            modified_ = false;
            Invalidate();
            if (!(EditStyle() & ES_MULTILINE)) NotifyChange();
        }
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        d_->mouseSelecting = false;
        Invalidate();
        TWinControl::WndProc(Message);
        return;
    default: TWinControl::WndProc(Message); return;
    }
}

// ---- painting ----------------------------------------------------------------------------------------------
void TCustomEdit::EraseBackground(TMessage& Message) {
    // The edit fills its own background when it paints.
    Message.Result = 1;
}

void TCustomEdit::PaintMessage(TMessage& Message) {
    auto* painter = reinterpret_cast<QPainter*>(Message.WParam);
    if (!painter) {
        TWinControl::PaintMessage(Message);
        return;
    }
    GraphicsQt::CanvasPaintScope scope(canvas_.get(), painter);
    DefaultPaint();
    Paint();
}

void TCustomEdit::DefaultPaint() {
    QPainter* p = canvas_->Private()->Painter();
    if (!p) return;
    const TRect client = ClientRect();
    p->save();
    if (paintBackground_) p->fillRect(GraphicsQt::ToQRect(client), GraphicsQt::ToQColor(Color()));
    if (borderStyle_ == bsSingle) {
        // The sunken edge of the classic edit: shadow and dark shadow above and left, light below.
        const int r = client.Right - 1, b = client.Bottom - 1;
        auto line = [&](int x1, int y1, int x2, int y2, TColor c) {
            p->setPen(GraphicsQt::ToQColor(c));
            p->drawLine(x1, y1, x2, y2);
        };
        line(0, 0, r - 1, 0, clBtnShadow);
        line(0, 0, 0, b - 1, clBtnShadow);
        line(0, b, r, b, clBtnHighlight);
        line(r, 0, r, b, clBtnHighlight);
        line(1, 1, r - 2, 1, cl3DDkShadow);
        line(1, 1, 1, b - 2, cl3DDkShadow);
        line(1, b - 1, r - 1, b - 1, clBtnFace);
        line(r - 1, 1, r - 1, b - 1, clBtnFace);
    }
    const TRect fr = FormatRect();
    p->setClipRect(GraphicsQt::ToQRect(fr));
    const QFont font = GraphicsQt::ToQFont(*Font());
    p->setFont(font);
    const QFontMetrics fm(font);
    std::u32string shown = TextEncoding::ToUtf32(Text());
    if (passwordChar_) shown.assign(shown.size(), static_cast<char32_t>(static_cast<unsigned char>(passwordChar_)));
    const std::vector<int> xs = Boundaries();
    const int origin = TextOrigin(fr, xs.back(), EditStyle(), d_->scroll);
    const int baseline = fr.Top + fm.ascent();
    const QColor textColor = GraphicsQt::ToQColor(Enabled() ? Font()->Color() : clGrayText);
    p->setPen(textColor);
    p->drawText(origin, baseline, QString::fromUcs4(shown.data(), static_cast<int>(shown.size())));
    const bool focused = Focused();
    if (SelLength() > 0 && (focused || !hideSelection_)) {
        const int s = SelStart(), e = SelStart() + SelLength();
        const QRect sel(origin + xs[static_cast<std::size_t>(s)], fr.Top,
                        xs[static_cast<std::size_t>(e)] - xs[static_cast<std::size_t>(s)], fm.height());
        p->fillRect(sel, GraphicsQt::ToQColor(clHighlight));
        p->setPen(GraphicsQt::ToQColor(clHighlightText));
        const std::u32string part = shown.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s));
        p->drawText(sel.left(), baseline, QString::fromUcs4(part.data(), static_cast<int>(part.size())));
    }
    if (focused && Enabled()) {
        const int x = origin + xs[static_cast<std::size_t>(std::clamp(d_->caret, 0, static_cast<int>(xs.size()) - 1))];
        p->fillRect(QRect(x, fr.Top, 1, fm.height()), GraphicsQt::ToQColor(Font()->Color()));
    }
    p->restore();
}

// ---- focus movement ----------------------------------------------------------------------------------------
void StdEdit::SelectNext(TWinControl* Control, bool Forward) {
    QWidget* from = Vcl::Detail::HandleWidget(Control);
    if (!from) return;
    QWidget* w = from;
    for (;;) {
        w = Forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from) return;
        if (w->window() == from->window() && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(Forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}
