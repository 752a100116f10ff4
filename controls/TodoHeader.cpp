// The to-do list's column header.
#include "TodoHeader.h"

#include "EditBoxes.h"
#include "ExtCtrls.h"
#include "TodoListDraw.h"

using TodoListDraw::AlignFlags;
using TodoListDraw::GridGrey;
using TodoListDraw::Line;

TTodoHeader::TTodoHeader(TComponent* AOwner) : THeader(AOwner) {
    SetColor(clBtnFace);
    captionEditor_ = new TPlainMemo(this);
    captionEditor_->SetVisible(false);
    captionEditor_->SetBorderSingle(false);
    captionEditor_->OnExit = [this](TObject*) { EndSectionEdit(); };
}

TTodoHeader::~TTodoHeader() { captionEditor_->OnExit = nullptr; }

void TTodoHeader::SetAlignment(TAlignment Value) { alignment_ = Value; Invalidate(); }
void TTodoHeader::SetVAlignment(THeaderVAlignment Value) { vAlignment_ = Value; Invalidate(); }
void TTodoHeader::SetLineColor(TColor Value) { lineColor_ = Value; Invalidate(); }
void TTodoHeader::SetFlat(bool Value) { flat_ = Value; Invalidate(); }
void TTodoHeader::SetImages(TCustomImageList* Value) {
    images_ = Value;
    Invalidate();
}
void TTodoHeader::SetImagePosition(TImagePosition Value) { imagePosition_ = Value; Invalidate(); }
void TTodoHeader::SetOrientation(THeaderOrientation Value) { orientation_ = Value; Invalidate(); }
void TTodoHeader::SetSectionDragDrop(bool Value) { sectionDragDrop_ = Value; Invalidate(); }
void TTodoHeader::SetSortedSection(int Value) { sortedSection_ = Value; Invalidate(); }
void TTodoHeader::SetSortDirection(TSortDirection Value) { sortDirection_ = Value; Invalidate(); }
void TTodoHeader::SetSortShow(bool Value) { sortShow_ = Value; Invalidate(); }
void TTodoHeader::SetSectionEdit(bool Value) { sectionEdit_ = Value; Invalidate(); }
void TTodoHeader::SetItemHeight(int Value) { itemHeight_ = Value; Invalidate(); }
void TTodoHeader::SetTextHeight(int Value) { textHeight_ = Value; Invalidate(); }

int TTodoHeader::XYToSection(int X, int Y) const {
    const int p = orientation_ == hoHorizontal ? X : Y;
    int pos = 0, result = -1;
    for (int i = 0; i < Sections()->Count(); ++i) {
        if (pos >= p) break;
        result = i;
        pos += SectionWidth(i);
    }
    return result;
}

TRect TTodoHeader::SectionRect(int Index) const {
    const TRect client = ClientRect();
    const int extent = orientation_ == hoHorizontal ? client.Right : client.Bottom;
    int pos = 0;
    for (int i = 0; i < Sections()->Count(); ++i) {
        int end = pos + SectionWidth(i);
        const bool last = i == Sections()->Count() - 1 || extent - end < 2;
        if (last) end = extent;
        if (i == Index) {
            return orientation_ == hoHorizontal ? TRect{pos, client.Top, end, client.Bottom}
                                                : TRect{client.Left, pos, client.Right, end};
        }
        if (last) break;
        pos = end;
    }
    return {};
}

void TTodoHeader::DrawSortMark(TCanvas* C, int X, int Y) {
    C->Pen()->SetWidth(1);
    if (sortDirection_ == sdAscending) {
        C->Pen()->SetColor(clWhite);
        C->MoveTo(X - 4, Y + 4);
        C->LineTo(X + 4, Y + 4);
        C->LineTo(X, Y - 4);
        C->Pen()->SetColor(GridGrey);
        C->LineTo(X - 4, Y + 4);
    } else {
        C->Pen()->SetColor(clWhite);
        C->MoveTo(X + 4, Y - 4);
        C->LineTo(X, Y + 4);
        C->Pen()->SetColor(GridGrey);
        C->LineTo(X - 4, Y - 4);
        C->LineTo(X + 4, Y - 4);
    }
    C->Pen()->SetColor(clBlack);
}

void TTodoHeader::Paint() {
    TCanvas* C = Canvas();
    C->Font()->Assign(Font());
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    C->Pen()->SetColor(lineColor_ == clNone ? Color() : lineColor_);
    const TRect client = ClientRect();
    if (Sections()->Count() == 0) C->FillRect(client);
    for (int i = 0; i < Sections()->Count(); ++i) {
        const TRect r = SectionRect(i);
        if (r.Width() <= 0 && r.Height() <= 0) break;
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect(r);
        TRect text = r;
        InflateRect(text, -4, -2);
        text.Bottom = text.Top + textHeight_;
        const bool mark = i == sortedSection_ && sortShow_;
        if (mark) text.Right -= 16;
        const AnsiString caption = Sections()->Get(i);
        unsigned flags = AlignFlags(alignment_) | DT_NOPREFIX | DT_END_ELLIPSIS;
        if (caption.find('\r') == AnsiString::npos) {
            flags |= DT_SINGLELINE;
            flags |= vAlignment_ == vtaCenter ? DT_VCENTER : vAlignment_ == vtaBottom ? DT_BOTTOM : DT_TOP;
        } else {
            flags |= DT_WORDBREAK;
        }
        C->Brush()->SetStyle(bsClear);
        TRect drawn = text;
        C->DrawText(caption, drawn, flags);
        C->Brush()->SetStyle(bsSolid);
        if (mark) {
            TRect measured = text;
            C->DrawText(caption, measured, (flags & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
            const int tw = std::min(measured.Width(), text.Width());
            const int th = measured.Height();
            int textLeft = text.Left;
            if (alignment_ == taRightJustify) textLeft = text.Right - tw;
            else if (alignment_ == taCenter) textLeft = text.Left + (text.Width() - tw) / 2;
            int textTop = text.Top;
            if (flags & DT_VCENTER) textTop = text.Top + (text.Height() - th) / 2;
            else if (flags & DT_BOTTOM) textTop = text.Bottom - th;
            // Beside the caption, but never past the section's own edge.
            const int x = std::min(textLeft + tw + 8, r.Right - 8);
            DrawSortMark(C, x, textTop + 6);
        }
        if (flat_) {
            if (i > 0 && lineColor_ != clNone) {
                C->Pen()->SetColor(lineColor_);
                if (orientation_ == hoHorizontal) Line(C, r.Left + 1, r.Top + 2, r.Left + 1, r.Bottom - 2);
                else Line(C, r.Left + 2, r.Top + 2, r.Right - 2, r.Top + 2);
            }
        } else {
            TRect edge = r;
            ExtCtrls::Frame3D(C, edge, clBtnHighlight, clBtnShadow, 1);
        }
    }
}

void TTodoHeader::EndSectionEdit() {
    if (!captionEditor_->Visible() || editSection_ < 0) return;
    const int section = editSection_;
    editSection_ = -1;
    AnsiString text = captionEditor_->Lines()->Count() > 0 ? captionEditor_->Lines()->Get(0) : AnsiString();
    if (section < Sections()->Count()) {
        Sections()->Put(section, text);
        SetSectionWidth(section, editSectionWidth_);
    }
    captionEditor_->SetVisible(false);
    if (OnSectionEditEnd) OnSectionEditEnd(this);
}

void TTodoHeader::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const int section = XYToSection(X, Y);
    if (Button == mbRight) {
        THeader::MouseDown(Button, Shift, X, Y);
        if (OnRightClick) OnRightClick(this, section);
        return;
    }
    if (Button != mbLeft) {
        THeader::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (sectionDragDrop_ && !dragging_) {
        dragSection_ = section;
        dragging_ = true;
        SetCursor(crDrag);
        SetMouseCapture(true);
    }
    if (sectionEdit_) {
        EndSectionEdit();
        if (section >= 0) {
            TRect r = SectionRect(section);
            InflateRect(r, -2, -2);
            OffsetRect(r, 2, 2);
            captionEditor_->SetParent(this);
            captionEditor_->SetBoundsRect(r);
            captionEditor_->SetColor(Color());
            captionEditor_->SetFont(Font());
            captionEditor_->Lines()->SetText(Sections()->Get(section));
            editSection_ = section;
            editSectionWidth_ = SectionWidth(section);
            captionEditor_->SetVisible(true);
            captionEditor_->SelectAll();
            if (captionEditor_->CanFocus()) captionEditor_->SetFocus();
        }
    }
    THeader::MouseDown(Button, Shift, X, Y);
    if (OnPress) {
        bool inside = false;
        if (section >= 0) {
            const TRect r = SectionRect(section);
            const int p = orientation_ == hoHorizontal ? X : Y;
            const int lo = orientation_ == hoHorizontal ? r.Left : r.Top;
            inside = p - lo > 4 && lo + SectionWidth(section) - p > 4;
        }
        OnPress(this, section, inside);
    }
    // Raised once per click, on the press that sorted.
    if (OnClick) OnClick(this, section);
}

void TTodoHeader::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    THeader::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !dragging_) return;
    dragging_ = false;
    SetCursor(crDefault);
    SetMouseCapture(false);
    const int to = XYToSection(X, Y);
    if (to >= 0 && to != dragSection_ && dragSection_ >= 0 && OnDragDrop) OnDragDrop(this, dragSection_, to);
}
