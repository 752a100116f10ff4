// The to-do list's rows: the looks they are painted with, their painting, keys and mouse.
#include "TodoListView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ExtCtrls.h"
#include "Resources.h"
#include "TodoListDraw.h"

using TodoListDraw::AlignFlags;
using TodoListDraw::GridGrey;
using TodoListDraw::Line;

namespace {

// A bitmap of the program drawn with its bottom-left colour left out; empty, and so drawn as nothing,
// when the program lacks it.
std::unique_ptr<TBitmap> ProgramGlyph(const AnsiString& name) {
    auto bmp = std::make_unique<TBitmap>();
    Resources::LoadBitmap(bmp.get(), name);
    bmp->SetTransparent(true);
    return bmp;
}

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

} // namespace

// ---- TProgressLook -----------------------------------------------------------------------------------
void TProgressLook::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TProgressLook*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    unCompleteFontColor_ = s->unCompleteFontColor_;
    completeColor_ = s->completeColor_;
    unCompleteColor_ = s->unCompleteColor_;
    completeFontColor_ = s->completeFontColor_;
    if (OnChange) OnChange(this);
}

void TProgressLook::Set(TColor& field, TColor Value) {
    if (field == Value) return;
    field = Value;
    if (OnChange) OnChange(this);
}
void TProgressLook::SetUnCompleteFontColor(TColor Value) { Set(unCompleteFontColor_, Value); }
void TProgressLook::SetCompleteColor(TColor Value) { Set(completeColor_, Value); }
void TProgressLook::SetUnCompleteColor(TColor Value) { Set(unCompleteColor_, Value); }
void TProgressLook::SetCompleteFontColor(TColor Value) { Set(completeFontColor_, Value); }

// ---- TCompleteCheck ----------------------------------------------------------------------------------
TCompleteCheck::TCompleteCheck() : unCompleted_(std::make_unique<TBitmap>()), completed_(std::make_unique<TBitmap>()) {}
TCompleteCheck::~TCompleteCheck() = default;

void TCompleteCheck::Changed() {
    if (OnChange) OnChange(this);
}

void TCompleteCheck::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TCompleteCheck*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    unCompleted_->Assign(s->unCompleted_.get());
    completed_->Assign(s->completed_.get());
    checkType_ = s->checkType_;
    Changed();
}

void TCompleteCheck::SetUnCompletedGlyph(TBitmap* Value) {
    unCompleted_->Assign(Value);
    Changed();
}
void TCompleteCheck::SetCompletedGlyph(TBitmap* Value) {
    completed_->Assign(Value);
    Changed();
}
void TCompleteCheck::SetCheckType(TCheckType Value) {
    checkType_ = Value;
    Changed();
}

// ---- TTodoListBox: rows ----------------------------------------------------------------------------------
TTodoListBox::TTodoListBox(TComponent* AOwner, TCustomTodoList* List)
    : TCustomListBox(AOwner), list_(List),
      previewFont_(std::make_unique<TFont>()), completionFont_(std::make_unique<TFont>()),
      priorityFont_(std::make_unique<TFont>()), progressLook_(std::make_unique<TProgressLook>()) {
    SetStyle(lbOwnerDrawFixed);
    DateFormat = SysUtils::ShortDateFormat;
    previewFont_->SetColor(clBlue);
    completionFont_->SetColor(clGray);
    completionFont_->SetStyle(TFontStyles{fsStrikeOut});
    priorityFont_->SetColor(clRed);
    for (TFont* f : {previewFont_.get(), completionFont_.get(), priorityFont_.get()})
        f->OnChange = [this](TObject*) { Invalidate(); };
    progressLook_->OnChange = [this](TObject*) { Invalidate(); };

    priorityImages_ = new TImageList(this);
    priorityImages_->SetWidth(12);
    priorityImages_->SetHeight(12);
    {
        TBitmap strip;
        if (Resources::LoadBitmap(&strip, "KDVTODO01")) priorityImages_->AddMasked(&strip, clWhite);
    }
    checkedGlyph_ = ProgramGlyph("KDVTODO02");
    uncheckedGlyph_ = ProgramGlyph("KDVTODO03");
    // The row handle shows the program's check mark picture, as the complete mark does.
    handleGlyph_ = ProgramGlyph("KDVTODO02");

    columns_ = std::make_unique<TTodoColumnCollection>(this, this);
    items_ = std::make_unique<TTodoItemCollection>(this, this);

    textEditor_ = new TInplaceEdit(this);
    notesEditor_ = new TInplaceMemo(this);
    dateEditor_ = new TTodoDateTimePicker(this);
    numberEditor_ = new TInplaceSpinEdit(this);
    priorityEditor_ = new TInplaceODListBox(this);
    priorityEditor_->ImageList = priorityImages_;
    statusEditor_ = new TInplaceListBox(this);
    const TEditEndEvent editEnded = [this](TObject* Editor, bool Advance) {
        EditorOnExit(Editor);
        if (Advance) AdvanceEdit();
    };
    textEditor_->OnEditEnd = editEnded;
    notesEditor_->OnEditEnd = editEnded;
    numberEditor_->OnEditEnd = editEnded;
    dateEditor_->OnEditEnd = [this](TObject* Editor, bool) {
        if (CanFocus()) SetFocus();
        EditorOnExit(Editor);
    };
    for (TInplaceListBox* e : {static_cast<TInplaceListBox*>(priorityEditor_), statusEditor_}) {
        e->OnEditEnd = editEnded;
        e->OnChoiceClick = [this](TObject*, const TPoint& Screen) { ChoiceClicked(Screen); };
        e->IsEditing = [this](TObject* Editor) { return activeEditor_ == Editor; };
    }
    editorParent_ = new TForm(this);
    editorParent_->SetBorderStyle(bsNone);
    editorParent_->OnDeactivate = [this](TObject* s) { EditorOnExit(s); };
    choiceClickTimer_ = new TTimer(this);
    choiceClickTimer_->SetEnabled(false);
    choiceClickTimer_->SetInterval(500);
    choiceClickTimer_->OnTimer = [this](TObject*) { choiceClickTimer_->SetEnabled(false); };
    for (TWinControl* e : std::initializer_list<TWinControl*>{textEditor_, notesEditor_, dateEditor_, numberEditor_,
                                                             priorityEditor_, statusEditor_}) {
        e->SetVisible(false);
        e->OnExit = [this](TObject* s) { EditorOnExit(s); };
    }
}

TTodoListBox::~TTodoListBox() {
    // The editors go before the collections they point into.
    activeEditor_ = nullptr;
    editItem_ = nullptr;
    for (TWinControl* e : std::initializer_list<TWinControl*>{textEditor_, notesEditor_, dateEditor_, numberEditor_,
                                                             priorityEditor_, statusEditor_})
        e->OnExit = nullptr;
    editorParent_->OnDeactivate = nullptr;
    for (TFont* f : {previewFont_.get(), completionFont_.get(), priorityFont_.get()}) f->OnChange = nullptr;
    progressLook_->OnChange = nullptr;
    // Items and columns leave without telling a list that is going.
    items_->BeginUpdate();
    columns_->BeginUpdate();
    items_.reset();
    columns_.reset();
}

void TTodoListBox::SetImages(TCustomImageList* Value) {
    images_ = Value;
    Invalidate();
}

void TTodoListBox::SetGridLines(bool Value) {
    gridLines_ = Value;
    Invalidate();
}

void TTodoListBox::SetPreview(bool Value) {
    preview_ = Value;
    Invalidate();
}

void TTodoListBox::SetShowSelection(bool Value) {
    showSelection_ = Value;
    Invalidate();
}

void TTodoListBox::SetSelectionColor(TColor Value) {
    selectionColor_ = Value;
    Invalidate();
}

void TTodoListBox::SetSelectionFontColor(TColor Value) {
    selectionFontColor_ = Value;
    Invalidate();
}

void TTodoListBox::SetEditColumn(int Value) {
    editColumn_ = std::clamp(Value, 0, std::max(0, columns_ ? columns_->Count() - 1 : 0));
    if (ItemIndex() >= 0) RepaintItem(ItemIndex());
}

int TTodoListBox::CellHeight() const { return list_ ? list_->ItemHeight() : ItemHeight(); }

void TTodoListBox::SynchItems() {
    if (HasState(csLoading) || updateCount_ > 0 || !items_) return;
    const int before = ItemIndex();
    {
        UpdateGuard update(*Items());
        while (Count() > items_->Count()) Items()->Delete(Count() - 1);
        while (Count() < items_->Count()) Items()->Add("");
    }
    if (ItemIndex() < 0 && before >= 0 && Count() > 0) SetItemIndex(std::min(before, Count() - 1));
    Invalidate();
}

void TTodoListBox::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SynchItems();
}

void TTodoListBox::RepaintItem(int Index) {
    // The window repaints the row's rectangle later; nothing is erased first.
    if (Index >= 0 && Index < Count()) Invalidate();
}

void TTodoListBox::SetItemIndexEx(int Value) {
    loadedIndex_ = Value;
    SetItemIndex(Value);
}

void TTodoListBox::Loaded() {
    TCustomListBox::Loaded();
    SynchItems();
    SetItemIndex(loadedIndex_);
}

void TTodoListBox::ViewSynchColumns() {
    if (OnColumnsChanged) OnColumnsChanged(this);
}

int TTodoListBox::ColumnAt(int X, int* Left) const {
    int x = ClientRect().Left;
    for (int c = 0; c < columns_->Count(); ++c) {
        const int w = columns_->Items(c)->Width();
        if (X >= x && X < x + w) {
            if (Left) *Left = x;
            return c;
        }
        x += w;
    }
    return -1;
}

TRect TTodoListBox::CellRect(int Row, int Column) const {
    TRect r = ItemRect(Row);
    r.Bottom = r.Top + CellHeight() - 1;
    int x = r.Left;
    for (int c = 0; c < Column && c < columns_->Count(); ++c) x += columns_->Items(c)->Width();
    r.Left = x;
    r.Right = x + (Column >= 0 && Column < columns_->Count() ? columns_->Items(Column)->Width() : 0);
    return r;
}

AnsiString TTodoListBox::CellText(TTodoItem* Item, int Column, bool ForHint) const {
    if (!Item || Column < 0 || Column >= columns_->Count()) return {};
    const bool graphic = list_ && list_->CompletionGraphic();
    switch (columns_->Items(Column)->TodoData()) {
    case tdSubject: return Item->Subject();
    case tdResource: return Item->Resource();
    case tdProject: return Item->Project();
    case tdCompletion:
        if (graphic) return {};
        return Item->Complete() ? AnsiString("100%") : SysUtils::IntToStr(Item->Completion()) + "%";
    case tdNotes:
        if (!ForHint) return Item->GetNotesLine();
        if (preview_) return {};
        return Item->Notes()->Text();
    case tdPriority: return ForHint && list_ ? list_->PriorityToString(Item->Priority()) : AnsiString();
    case tdDueDate: return SysUtils::FormatDateTime(DateFormat, Item->DueDate());
    case tdCompletionDate: return SysUtils::FormatDateTime(DateFormat, Item->CompletionDate());
    case tdCreationDate: return SysUtils::FormatDateTime(DateFormat, Item->CreationDate());
    case tdStatus: return list_ ? list_->StatusToString(Item->Status()) : AnsiString();
    case tdTotalTime: return SysUtils::IntToStr(Item->TotalTime()) + "h";
    case tdImage:
    case tdComplete:
    case tdHandle: return {};
    }
    return {};
}

void TTodoListBox::DrawProgress(TCanvas* C, TRect R, int Value) {
    InflateRect(R, -2, -2);
    const int w = R.Width(), h = R.Height();
    const TFontStyles style = C->Font()->Style();
    C->Font()->SetStyle({});
    const AnsiString text = SysUtils::IntToStr(Value) + "%";
    const int split = R.Left + RoundHalfEven(static_cast<double>(w) * Value / 100.0);
    const int tx = R.Left + (w - C->TextWidth(text)) / 2;
    const int ty = R.Top + (h - C->TextHeight(text)) / 2;
    const TColor oldBrush = C->Brush()->Color();
    C->Brush()->SetStyle(bsSolid);

    C->Brush()->SetColor(progressLook_->CompleteColor());
    C->Pen()->SetColor(progressLook_->CompleteColor());
    const TRect left{R.Left, R.Top, split, R.Bottom};
    if (split > R.Left) C->Rectangle(left);
    C->IntersectClipRect(left);
    C->Font()->SetColor(progressLook_->CompleteFontColor());
    C->Brush()->SetStyle(bsClear);
    C->TextOut(tx, ty, text);
    C->ResetClip();

    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(progressLook_->UnCompleteColor());
    C->Pen()->SetColor(progressLook_->UnCompleteColor());
    const TRect right{split, R.Top, R.Right, R.Bottom};
    if (R.Right > split) C->Rectangle(right);
    C->IntersectClipRect(right);
    C->Font()->SetColor(progressLook_->UnCompleteFontColor());
    C->Brush()->SetStyle(bsClear);
    C->TextOut(tx, ty, text);
    C->ResetClip();

    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(oldBrush);
    TRect frame = R;
    for (int i = 0; i < 2; ++i) {
        InflateRect(frame, 1, 1);
        C->FrameRect(frame);
    }
    C->Font()->SetStyle(style);
}

void TTodoListBox::DrawCheck(TCanvas* C, const TRect& Cell, TAlignment Alignment, bool Complete) {
    int x = Cell.Left + 1;
    if (Alignment == taRightJustify) x = Cell.Right - 15;
    else if (Alignment == taCenter) x = Cell.Left + (Cell.Width() - 14) / 2 + 1;
    const int y = Cell.Top + 1;
    const TCheckType type = list_ ? list_->CompleteCheck()->CheckType() : ctCheckBox;
    if (type == ctCheckMark) {
        C->Draw(x, y, Complete ? checkedGlyph_.get() : uncheckedGlyph_.get());
        return;
    }
    if (type == ctGlyph) {
        TBitmap* g = Complete ? list_->CompleteCheck()->CompletedGlyph() : list_->CompleteCheck()->UnCompletedGlyph();
        if (g && !g->Empty()) C->Draw(x, y, g);
        return;
    }
    // A flat check box.
    const TColor brush = C->Brush()->Color();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clWindow);
    C->FillRect({x, y, x + 14, y + 14});
    C->Brush()->SetColor(clBtnShadow);
    C->FrameRect({x, y, x + 14, y + 14});
    if (Complete) {
        C->Pen()->SetColor(clWindowText);
        for (int i = 0; i < 3; ++i) {
            Line(C, x + 3, y + 5 + i, x + 5, y + 7 + i);
            Line(C, x + 5, y + 7 + i, x + 11, y + 1 + i);
        }
    }
    C->Brush()->SetColor(brush);
}

void TTodoListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (Index < 0 || Index >= items_->Count()) return;
    TCanvas* C = Canvas();
    TTodoItem* item = items_->Items(Index);
    const int cellH = CellHeight();
    const bool selected = State.Contains(odSelected);
    if (Index == items_->Count() - 1) {
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Color());
        C->FillRect({Rect.Left, Rect.Top, Rect.Right, std::max(Rect.Bottom, ClientHeight())});
    }
    int x = Rect.Left;
    TColor lastBrush = Color();
    for (int c = 0; c < columns_->Count(); ++c) {
        TTodoColumnItem* col = columns_->Items(c);
        const TRect cell{x, Rect.Top, x + col->Width(), Rect.Top + cellH};
        TFont* font = col->Font();
        if (item->Complete()) font = completionFont_.get();
        else if (item->Priority() == TTodoPriority::tpHigh || item->Priority() == TTodoPriority::tpHighest)
            font = priorityFont_.get();
        C->Font()->Assign(font);
        TColor brush = col->Color();
        if (selected && showSelection_) {
            brush = selectionColor_;
            C->Font()->SetColor(selectionFontColor_);
        }
        // The notes band below takes the row's colour, not the focused cell's.
        lastBrush = brush;
        const bool focusedCell = c == editColumn_ && Focused() && selected && Editable;
        if (focusedCell) {
            brush = Color();
            C->Font()->SetColor(Font()->Color());
        }
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(brush);
        C->Pen()->SetColor(brush);
        C->FillRect(cell);
        TRect tr = cell;
        if (gridLines_) OffsetRect(tr, 1, 1);
        C->Brush()->SetStyle(bsClear);
        switch (col->TodoData()) {
        case tdCompletion:
            if (list_ && list_->CompletionGraphic()) {
                C->Brush()->SetStyle(bsSolid);
                DrawProgress(C, tr, item->Complete() ? 100 : item->Completion());
                break;
            }
            [[fallthrough]];
        case tdSubject:
        case tdNotes:
        case tdDueDate:
        case tdCompletionDate:
        case tdCreationDate:
        case tdStatus:
        case tdTotalTime:
        case tdResource:
        case tdProject: {
            TRect textRect = tr;
            C->DrawText(CellText(item, c, false), textRect,
                        DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | AlignFlags(col->Alignment()));
            break;
        }
        case tdPriority: {
            const int image = 4 - static_cast<int>(item->Priority());
            priorityImages_->Draw(C, tr.Left, tr.Top, image);
            break;
        }
        case tdImage:
            if (images_ && item->ImageIndex() >= 0) images_->Draw(C, tr.Left, tr.Top, item->ImageIndex());
            break;
        case tdComplete:
            C->Brush()->SetColor(brush);
            DrawCheck(C, tr, col->Alignment(), item->Complete());
            break;
        case tdHandle: {
            int hx = tr.Left + 1;
            if (col->Alignment() == taRightJustify) hx = tr.Right - 15;
            else if (col->Alignment() == taCenter) hx = tr.Left + (tr.Width() - 14) / 2 + 1;
            C->Draw(hx, tr.Top + 1, handleGlyph_.get());
            break;
        }
        }
        C->Brush()->SetStyle(bsSolid);
        // The focused cell in the list's colours carries the focus frame, so it reads as the cell
        // the keys go to and not as a hole in the selected row.
        if (focusedCell && cell.Width() > 2)
            C->DrawFocusRect({cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1});
        x += col->Width();
    }
    // Right of the columns.
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(selected && showSelection_ ? selectionColor_ : Color());
    if (x < Rect.Right) C->FillRect({x, Rect.Top, Rect.Right, Rect.Top + cellH});
    if (preview_) {
        C->Font()->Assign(previewFont_.get());
        // On the selection's colour the notes take its text colour, or blue would stand on navy.
        if (selected && showSelection_ && lastBrush == selectionColor_) C->Font()->SetColor(selectionFontColor_);
        C->Brush()->SetColor(lastBrush);
        const TRect band{Rect.Left, Rect.Top + cellH, Rect.Right, Rect.Bottom};
        C->FillRect(band);
        TRect textRect{band.Left, band.Top + 1, band.Right, band.Bottom};
        C->Brush()->SetStyle(bsClear);
        C->DrawText(item->Notes()->Text(), textRect, DT_WORDBREAK | DT_NOPREFIX);
        C->Brush()->SetStyle(bsSolid);
    }
    if (gridLines_) {
        C->Pen()->SetColor(GridGrey);
        Line(C, Rect.Left, Rect.Bottom - 1, Rect.Right, Rect.Bottom - 1);
        if (!preview_) {
            int gx = Rect.Left;
            for (int c = 0; c + 1 < columns_->Count(); ++c) {
                gx += columns_->Items(c)->Width();
                Line(C, gx, Rect.Top, gx, Rect.Bottom);
            }
        }
    }
    C->Font()->SetColor(clBlack);
    C->Pen()->SetColor(clBlack);
}

// ---- TTodoListBox: input ----------------------------------------------------------------------------------
void TTodoListBox::SelectionChanged() {
    if (OnSelectItem) OnSelectItem(this);
    TCustomListBox::SelectionChanged();
}

void TTodoListBox::ChoiceClicked(const TPoint& Screen) {
    choiceClickAt_ = Screen;
    choiceClickTimer_->SetEnabled(false);
    choiceClickTimer_->SetEnabled(true);
}

void TTodoListBox::WndProc(TMessage& Message) {
    if (Message.Msg == WM_VSCROLL) EditorOnExit();
    if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && choiceClickTimer_->Enabled()) {
        const TPoint p = ClientToScreen({Message.XPos(), Message.YPos()});
        if (std::abs(p.X - choiceClickAt_.X) <= 4 && std::abs(p.Y - choiceClickAt_.Y) <= 4) return;
        choiceClickTimer_->SetEnabled(false);
    }
    TCustomListBox::WndProc(Message);
}

void TTodoListBox::LButtonDown(TMessage& Message) {
    const int x = Message.XPos(), y = Message.YPos();
    const int row = Editable ? ItemAtPos({x, y}, true) : -1;
    if (row < 0) {
        TCustomListBox::LButtonDown(Message);
        return;
    }
    const TRect r = ItemRect(row);
    if (y < r.Top + CellHeight()) {
        const int col = ColumnAt(x);
        if (col < 0) {
            TCustomListBox::LButtonDown(Message);
            return;
        }
        if (col != editColumn_) {
            editColumn_ = col;
            RepaintItem(row);
        }
        if (!columns_->Items(col)->Editable) {
            TCustomListBox::LButtonDown(Message);
            return;
        }
        TCustomListBox::LButtonDown(Message);
        // A press on an editable cell edits it; rows are dragged by the other cells.
        if (DragMode() == dmAutomatic) EndDrag(false);
        StartEdit(row, col, true, Message.Msg, x, y, 0);
        return;
    }
    TCustomListBox::LButtonDown(Message);
    if (preview_ && y < r.Bottom) {
        if (DragMode() == dmAutomatic) EndDrag(false);
        StartNotesPreviewEdit(row, x, y);
    }
}

void TTodoListBox::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_LEFT || Key == VK_RIGHT) {
        if (Key == VK_LEFT && editColumn_ > 0) --editColumn_;
        if (Key == VK_RIGHT && editColumn_ < columns_->Count() - 1) ++editColumn_;
        RepaintItem(ItemIndex());
        Key = 0;
        return;
    }
    TCustomListBox::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (Key == VK_F2 || Key == VK_SPACE) {
        StartEdit(ItemIndex(), editColumn_, false, 0, 0, 0, 0);
    } else if (Key == VK_INSERT && list_ && list_->AutoInsertItem) {
        TTodoItem* item = items_->Add();
        const TDateTime now = SysUtils::Now();
        item->SetCreationDate(now);
        item->SetDueDate(now.Val + 1.0);
        item->SetCompletionDate(item->DueDate());
        bool allowed;
        try {
            allowed = list_->AllowAutoInsert(item);
        } catch (...) {
            // An item its owner could not take (its record refused) does not stay.
            delete item;
            throw;
        }
        if (allowed) {
            SetItemIndex(item->Index());
            for (int c = columns_->Count() - 1; c >= 0; --c)
                if (columns_->Items(c)->TodoData() == tdSubject) {
                    editColumn_ = c;
                    break;
                }
            StartEdit(item->Index(), editColumn_, false, 0, 0, 0, 0);
        } else {
            delete item;
        }
    } else if (Key == VK_DELETE && list_ && list_->AutoDeleteItem) {
        // Nothing to delete without a selected row.
        if (TTodoItem* item = list_->Selected(); item && list_->AllowAutoDelete(item)) {
            if (editItem_ == item) {
                activeEditor_ = nullptr;
                editItem_ = nullptr;
            }
            delete item;
        }
    }
    switch (Key) {
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
        lookup_.clear();
        return;
    case VK_BACK:
        if (!lookup_.empty()) lookup_.pop_back();
        return;
    default:
        break;
    }
    if (Key >= 32 && Key <= 255 && Key != VK_DELETE && Key != VK_INSERT && Key != VK_F2) {
        const char ch = static_cast<char>(Key);
        if (LookupIncr) lookup_ += ch;
        else lookup_ = AnsiString(1, ch);
    }
}

void TTodoListBox::KeyPress(AnsiString& Key) {
    const unsigned char c = Key.empty() ? 0 : static_cast<unsigned char>(Key[0]);
    if (Key.size() == 1 && Editable && ((c >= '0' && c <= '9') || (c >= 65 && c <= 122)))
        StartEdit(ItemIndex(), editColumn_, false, 0, 0, 0, c);
    TCustomListBox::KeyPress(Key);
}

void TTodoListBox::DoEnter() {
    lookup_.clear();
    TCustomListBox::DoEnter();
}

LRESULT TTodoListBox::HintShow(THintInfo& HintInfo) {
    if (!list_ || !list_->HintShowFullText()) return TCustomListBox::HintShow(HintInfo);
    const TPoint p = HintInfo.CursorPos;
    const int row = ItemAtPos(p, true);
    if (row < 0 || row >= items_->Count()) return 1;
    if (p.Y >= ItemRect(row).Top + CellHeight()) return 1;
    const int col = ColumnAt(p.X);
    if (col < 0) return 1;
    const AnsiString text = SysUtils::Trim(CellText(items_->Items(row), col, true));
    if (text.empty()) return 1;
    TCanvas measure;
    measure.Font()->Assign(columns_->Items(col)->Font());
    TRect cell = CellRect(row, col);
    if (measure.TextWidth(text) <= cell.Width()) return 1;
    HintInfo.HintStr = text;
    HintInfo.HintPos = ClientToScreen({cell.Left, cell.Top});
    HintInfo.HintMaxWidth = list_->ClientWidth();
    HintInfo.CursorRect = cell;
    return 0;
}
