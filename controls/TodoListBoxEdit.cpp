// In-place editing of the to-do list's cells: which editor serves which column, starting an edit,
// writing the value back.
#include <algorithm>

#include "TextEncoding.h"
#include "TodoListView.h"

namespace {

AnsiString Utf8Of(unsigned c) { return TextEncoding::ToUtf8(std::u32string(1, static_cast<char32_t>(c))); }

} // namespace

// ---- starting an edit -----------------------------------------------------------------------------------------
void TTodoListBox::ClickInto(TWinControl* Editor, int X, int Y) {
    // From the list box's client area into the editor's.
    const TPoint screen = ClientToScreen({X, Y});
    const TPoint p = Editor->ScreenToClient(screen);
    Editor->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.X, p.Y));
    Editor->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.X, p.Y));
}

void TTodoListBox::ShowEditor(TWinControl* Editor, const TRect& Rect, bool InPopup, TFont* ColumnFont) {
    activeEditor_ = Editor;
    if (InPopup) {
        // The popup belongs to the list's window, so it takes the mouse and the keys also while that
        // window is modal.
        editorParent_->SetPopupParent(GetParentForm(this));
        while (editorParent_->ControlCount() > 0) editorParent_->Controls(0)->SetParent(nullptr);
        Editor->SetParent(editorParent_);
        Editor->SetBounds(0, 0, Rect.Width(), Rect.Height());
        const TPoint screen = ClientToScreen({Rect.Left, Rect.Top});
        editorParent_->SetBounds(screen.X, screen.Y, Rect.Width(), Rect.Height());
    } else {
        Editor->SetParent(this);
        Editor->SetBoundsRect(Rect);
    }
    if (ColumnFont) {
        // The column's font, but the editor keeps its own colour (EditColors).
        const TColor keep = Editor->Font()->Color();
        Editor->Font()->Assign(ColumnFont);
        Editor->Font()->SetColor(keep);
    }
    Editor->SetVisible(true);
    if (InPopup) editorParent_->Show();
    if (Editor->CanFocus()) Editor->SetFocus();
}

void TTodoListBox::FillListEditor(TInplaceListBox* Editor, bool Priority) {
    // Filled on every use, straight from the texts, so changed texts reach the editor.
    TStrings* rows = Editor->Items();
    {
        UpdateGuard update(*rows);
        rows->Clear();
        if (Priority) {
            for (int i = 0; i < TodoPriorityCount; ++i)
                rows->Add(list_->PriorityStrings()->Text(static_cast<TTodoPriority>(i)));
        } else {
            for (int i = 0; i < TodoStatusCount; ++i) rows->Add(list_->StatusStrings()->Text(static_cast<TTodoStatus>(i)));
        }
    }
    Editor->Tag = Editor->RowsHeight();
}

int TTodoListBox::ListEditorWidth(TInplaceListBox* Editor, TFont* ColumnFont, int Indent) const {
    // At least the usual 70 pixels, and wide enough for the longest entry in the font it shows.
    TCanvas measure;
    measure.Font()->Assign(ColumnFont ? ColumnFont : Editor->Font());
    int widest = 0;
    for (int i = 0; i < Editor->Count(); ++i) widest = std::max(widest, measure.TextWidth(Editor->Items()->Get(i)));
    return std::max(70, Indent + 2 + widest + 6);
}

void TTodoListBox::StartEdit(int Row, int Column, bool FromMouse, UINT, int X, int Y, unsigned Key) {
    if (!Editable || !list_ || Row < 0 || Row >= items_->Count()) return;
    if (Row != ItemIndex()) {
        SetItemIndex(Row);
        list_->ListSelect();
    }
    const bool valid = Column >= 0 && Column < columns_->Count();
    if (valid && !columns_->Items(Column)->Editable) return;
    if (!valid && !preview_) return;
    TTodoColumnItem* col = valid ? columns_->Items(Column) : nullptr;
    const TTodoData kind = valid ? col->TodoData() : tdNotes;
    // Image and handle cells have nothing to edit.
    if (kind == tdImage || kind == tdHandle) return;
    // The previous edit ends before the next one is announced.
    EditorOnExit();
    list_->EditStart();
    const TRect cell = valid ? CellRect(Row, Column) : TRect{};
    TTodoItem* item = items_->Items(Row);
    editColumnIndex_ = valid ? Column : -1;
    editKind_ = kind;
    editItem_ = item;
    TFont* font = col ? col->Font() : nullptr;

    switch (kind) {
    case tdSubject:
    case tdResource:
    case tdProject: {
        const AnsiString& text = kind == tdSubject ? item->Subject() : kind == tdResource ? item->Resource() : item->Project();
        textEditor_->OriginalText = text;
        textEditor_->SetText(Key ? Utf8Of(Key) : text);
        ShowEditor(textEditor_, cell, false, font);
        if (EditSelectAll && !Key) textEditor_->SelectAll();
        else if (!FromMouse) textEditor_->SetSelStart(static_cast<int>(textEditor_->Text().size()));
        else ClickInto(textEditor_, X, Y);
        break;
    }
    case tdCompletion:
        if (list_->CompletionGraphic()) {
            // A keyboard start has no position to take a value from: the value stays.
            if (FromMouse) {
                const int w = cell.Width();
                int value;
                if (w <= 1) value = X >= cell.Left ? 100 : 0;
                else value = (X - cell.Left) * 100 / (w - 1);
                value = std::clamp(value, 0, 100);
                item->SetComplete(value == 100);
                item->SetCompletion(value);
            }
            editItem_ = nullptr;
            list_->EditDone(tdCompletion, item);
        } else {
            numberEditor_->SetValue(item->Completion());
            ShowEditor(numberEditor_, cell, false, font);
        }
        break;
    case tdNotes:
        if (!valid) {
            StartNotesPreviewEdit(Row, X, Y);
            break;
        }
        notesEditor_->SetBorderSingle(true);
        notesEditor_->Lines()->Assign(item->Notes());
        if (item->Notes()->Count() == 0 && Key) notesEditor_->Lines()->SetText(Utf8Of(Key));
        {
            const TRect square{cell.Left, cell.Top, cell.Right, cell.Top + cell.Width()};
            ShowEditor(notesEditor_, square, true, font);
        }
        if (item->Notes()->Count() == 0 && Key) notesEditor_->SetSelStart(1);
        break;
    case tdPriority: {
        FillListEditor(priorityEditor_, true);
        const int index = priorityEditor_->Items()->IndexOf(list_->PriorityToString(item->Priority()));
        priorityEditor_->SetItemIndex(index);
        priorityEditor_->GivenIndex = index;
        // The entries' text starts right of their 16-pixel glyph.
        const int width = ListEditorWidth(priorityEditor_, font, 16);
        ShowEditor(priorityEditor_,
                   {cell.Left, cell.Top, cell.Left + width, cell.Top + static_cast<int>(priorityEditor_->Tag)}, true, font);
        break;
    }
    case tdStatus: {
        FillListEditor(statusEditor_, false);
        const int index = statusEditor_->Items()->IndexOf(list_->StatusToString(item->Status()));
        statusEditor_->SetItemIndex(index);
        statusEditor_->GivenIndex = index;
        const int width = ListEditorWidth(statusEditor_, font, 0);
        ShowEditor(statusEditor_, {cell.Left, cell.Top, cell.Left + width, cell.Top + static_cast<int>(statusEditor_->Tag)},
                   true, font);
        break;
    }
    case tdDueDate:
    case tdCompletionDate:
    case tdCreationDate: {
        const TDateTime d = kind == tdDueDate ? item->DueDate() : kind == tdCompletionDate ? item->CompletionDate()
                                                                                          : item->CreationDate();
        dateEditor_->SetDateTime(d);
        ShowEditor(dateEditor_, cell, false, font);
        if (FromMouse) ClickInto(dateEditor_, X, Y);
        break;
    }
    case tdTotalTime:
        numberEditor_->SetValue(item->TotalTime());
        ShowEditor(numberEditor_, cell, false, font);
        break;
    case tdComplete:
        item->SetComplete(!item->Complete());
        editItem_ = nullptr;
        list_->EditDone(tdComplete, item);
        break;
    case tdImage:
    case tdHandle:
        break;
    }
}

void TTodoListBox::StartNotesPreviewEdit(int Row, int X, int Y) {
    if (!list_ || Row < 0 || Row >= items_->Count()) return;
    EditorOnExit();
    if (!activeEditor_ && !editItem_) list_->EditStart();
    TTodoItem* item = items_->Items(Row);
    editItem_ = item;
    editColumnIndex_ = -1;
    editKind_ = tdNotes;
    activeEditor_ = notesEditor_;
    const TRect row = ItemRect(Row);
    notesEditor_->SetParent(list_);
    notesEditor_->SetBorderSingle(false);
    notesEditor_->Font()->Assign(previewFont_.get());
    notesEditor_->Lines()->Assign(item->Notes());
    notesEditor_->SetBounds(Left() + row.Left, Top() + row.Top + CellHeight() + 1, row.Width(), list_->PreviewHeight());
    notesEditor_->SetVisible(true);
    if (notesEditor_->CanFocus()) notesEditor_->SetFocus();
    ClickInto(notesEditor_, X, Y);
    if (EditSelectAll) notesEditor_->SelectAll();
}

// ---- ending an edit -------------------------------------------------------------------------------------------
void TTodoListBox::EditorOnExit(TObject*) {
    if (committing_ || !activeEditor_) return;
    ScopedFlag guard(committing_);
    Commit();
}

void TTodoListBox::Commit() {
    TWinControl* editor = activeEditor_;
    TTodoItem* item = editItem_;
    const TTodoData kind = editKind_;
    // An item freed meanwhile gets nothing written.
    bool present = false;
    for (int i = 0; item && i < items_->Count(); ++i) present = present || items_->Items(i) == item;
    const auto close = [&] {
        if (editor->Parent() == editorParent_) editorParent_->Hide();
        editor->SetVisible(false);
        activeEditor_ = nullptr;
        editItem_ = nullptr;
    };
    bool written = false;
    try {
        if (present) {
            if (editor == textEditor_) {
                const AnsiString text = textEditor_->Text();
                if (kind == tdSubject) item->SetSubject(text);
                else if (kind == tdResource) item->SetResource(text);
                else if (kind == tdProject) item->SetProject(text);
                written = true;
            } else if (editor == dateEditor_) {
                // The picked day with the time of day the value had; before 1899 the time of day
                // counts away from zero, as the day does.
                const auto keepTime = [&](TDateTime old) {
                    const double day = SysUtils::DateOf(dateEditor_->Date()).Val;
                    const double time = SysUtils::TimeOfDayMSecs(old) / SysUtils::MSecsPerDay;
                    return TDateTime(day < 0 ? day - time : day + time);
                };
                if (kind == tdDueDate) item->SetDueDate(keepTime(item->DueDate()));
                else if (kind == tdCompletionDate) item->SetCompletionDate(keepTime(item->CompletionDate()));
                else if (kind == tdCreationDate) item->SetCreationDate(keepTime(item->CreationDate()));
                written = true;
            } else if (editor == numberEditor_) {
                if (kind == tdTotalTime) {
                    item->SetTotalTime(numberEditor_->Value());
                } else {
                    item->SetCompletion(std::clamp(numberEditor_->Value(), 0, 100));
                    item->SetComplete(item->Completion() == 100);
                }
                written = true;
            } else if (editor == notesEditor_) {
                item->SetNotes(notesEditor_->Lines());
                written = true;
            } else if (editor == priorityEditor_) {
                const int row = priorityEditor_->ItemIndex();
                if (row >= 0) {
                    item->SetPriority(list_->StringToPriority(priorityEditor_->Items()->Get(row)));
                    written = true;
                }
            } else if (editor == statusEditor_) {
                const int row = statusEditor_->ItemIndex();
                if (row >= 0) {
                    item->SetStatus(list_->StringToStatus(statusEditor_->Items()->Get(row)));
                    written = true;
                }
            }
        }
    } catch (...) {
        // The item keeps its value and the editor goes, so a bad text cannot lock the list.
        close();
        throw;
    }
    close();
    if (written) list_->EditDone(kind, item);
    if (CanFocus()) SetFocus();
}

void TTodoListBox::AdvanceEdit() {
    if (!list_ || !list_->AutoAdvanceEdit || editColumn_ >= columns_->Count() - 1) return;
    ++editColumn_;
    PostMessage(Handle(), WM_KEYDOWN, VK_F2, 0);
}
