#pragma once
// The to-do list's rows: an owner-drawn list box that paints one row per task and one cell per
// column, starts the in-place editors and writes their values back; and the looks it paints with.
// Painting, keys and mouse are in TodoListBox.cpp, editing in TodoListBoxEdit.cpp.
#include <memory>

#include "Forms.h"
#include "ImgList.h"
#include "ListBoxes.h"
#include "TodoList.h"

class TCustomTodoList;
class TInplaceEdit;
class TInplaceMemo;
class TTodoDateTimePicker;
class TInplaceSpinEdit;
class TInplaceListBox;
class TInplaceODListBox;
class TTimer;

enum TCheckType { ctCheckBox, ctCheckMark, ctGlyph };

// Colours of the completion progress bars.
class TProgressLook : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    TColor UnCompleteFontColor() const { return unCompleteFontColor_; }
    void SetUnCompleteFontColor(TColor Value);
    TColor CompleteColor() const { return completeColor_; }
    void SetCompleteColor(TColor Value);
    TColor UnCompleteColor() const { return unCompleteColor_; }
    void SetUnCompleteColor(TColor Value);
    TColor CompleteFontColor() const { return completeFontColor_; }
    void SetCompleteFontColor(TColor Value);
    TNotifyEvent OnChange;
private:
    void Set(TColor& field, TColor Value);
    TColor unCompleteFontColor_ = clWindowText;
    TColor completeColor_ = clRed;
    TColor unCompleteColor_ = clWindow;
    TColor completeFontColor_ = clWhite;
};

// The look of the cells that show whether a task is complete.
class TCompleteCheck : public TPersistent {
public:
    TCompleteCheck();
    ~TCompleteCheck() override;
    void Assign(TPersistent* Source) override;
    TBitmap* UnCompletedGlyph() const { return unCompleted_.get(); }
    void SetUnCompletedGlyph(TBitmap* Value);
    TBitmap* CompletedGlyph() const { return completed_.get(); }
    void SetCompletedGlyph(TBitmap* Value);
    TCheckType CheckType() const { return checkType_; }
    void SetCheckType(TCheckType Value);
    TNotifyEvent OnChange;
private:
    void Changed();
    std::unique_ptr<TBitmap> unCompleted_, completed_;
    TCheckType checkType_ = ctCheckBox;
};

class TTodoListBox : public TCustomListBox, public ITodoListView {
public:
    TTodoListBox(TComponent* AOwner, TCustomTodoList* List);
    ~TTodoListBox() override;

    TCustomTodoList* List() const { return list_; }
    TTodoColumnCollection* TodoColumns() const { return columns_.get(); }
    TTodoItemCollection* TodoItems() const { return items_.get(); }

    AnsiString DateFormat;
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* PriorityImages() const { return priorityImages_; }
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool Value);
    bool Preview() const { return preview_; }
    void SetPreview(bool Value);
    TFont* PreviewFont() const { return previewFont_.get(); }
    TFont* CompletionFont() const { return completionFont_.get(); }
    TFont* PriorityFont() const { return priorityFont_.get(); }
    TProgressLook* ProgressLook() const { return progressLook_.get(); }
    bool ShowSelection() const { return showSelection_; }
    void SetShowSelection(bool Value);
    bool Editable = true;
    bool EditSelectAll = false;
    TColor SelectionColor() const { return selectionColor_; }
    void SetSelectionColor(TColor Value);
    TColor SelectionFontColor() const { return selectionFontColor_; }
    void SetSelectionFontColor(TColor Value);
    int EditColumn() const { return editColumn_; }
    void SetEditColumn(int Value);
    bool LookupIncr = false;
    int LookupTodo = 0;
    int SortTodo = 0;
    const AnsiString& LookupText() const { return lookup_; }

    TNotifyEvent OnColumnsChanged;
    TNotifyEvent OnSelectItem;

    // Rows follow the items: surplus rows go from the end, missing ones are appended; a selection
    // lost on the way goes to the previous index, or the last row.
    void SynchItems();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void RepaintItem(int Index);
    int GetItemIndexEx() const { return ItemIndex(); }
    // Selects a row by code: no selection is reported.
    void SetItemIndexEx(int Value);
    void Loaded() override;
    // The height of a row's cell band (without the preview band).
    int CellHeight() const;
    // The column at a client x, -1 when none; Left receives the column's left edge.
    int ColumnAt(int X, int* Left = nullptr) const;
    TRect CellRect(int Row, int Column) const;
    // The cell's text as painting and hints show it ("" for glyph cells).
    AnsiString CellText(TTodoItem* Item, int Column, bool ForHint) const;

    // ---- editing ----
    void StartEdit(int Row, int Column, bool FromMouse, UINT Msg, int X, int Y, unsigned Key);
    // Commits and closes the active editor; nothing when none is active.
    void EditorOnExit(TObject* Sender = nullptr);
    void AdvanceEdit();
    // A status or priority list chose its entry by a click at Screen: the second press of a double
    // click there falls on the rows beneath, and opens nothing.
    void ChoiceClicked(const TPoint& Screen);
    TWinControl* ActiveEditor() const { return activeEditor_; }
    TTodoItem* EditedItem() const { return editItem_; }
    TInplaceEdit* TextEditor() const { return textEditor_; }
    TInplaceMemo* NotesEditor() const { return notesEditor_; }
    TTodoDateTimePicker* DateEditor() const { return dateEditor_; }
    TInplaceSpinEdit* NumberEditor() const { return numberEditor_; }
    TInplaceODListBox* PriorityEditor() const { return priorityEditor_; }
    TInplaceListBox* StatusEditor() const { return statusEditor_; }
    TForm* EditorParent() const { return editorParent_; }

    // ITodoListView
    bool ViewHandleAllocated() const override { return true; }
    int ViewRowCount() const override { return Count(); }
    void ViewRepaintRow(int Row) override { RepaintItem(Row); }
    void ViewInvalidate() override { Invalidate(); }
    void ViewSynchItems() override { SynchItems(); }
    int ViewItemIndex() const override { return ItemIndex(); }
    void ViewSetItemIndex(int Row) override { SetItemIndexEx(Row); }
    void ViewSynchColumns() override;
    const TFont* ViewFont() const override { return Font(); }

protected:
    void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
    void SelectionChanged() override;
    void LButtonDown(TMessage& Message) override;
    void WndProc(TMessage& Message) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
    void DoEnter() override;
    LRESULT HintShow(THintInfo& HintInfo) override;

private:
    friend class TCustomTodoList;
    void DrawProgress(TCanvas* C, TRect R, int Value);
    void DrawCheck(TCanvas* C, const TRect& Cell, TAlignment Alignment, bool Complete);
    void ShowEditor(TWinControl* Editor, const TRect& Rect, bool InPopup, TFont* ColumnFont);
    void StartNotesPreviewEdit(int Row, int X, int Y);
    void ClickInto(TWinControl* Editor, int X, int Y);
    void Commit();
    void FillListEditor(TInplaceListBox* Editor, bool Priority);
    // The width of a status or priority list; Indent is where its entries' text starts.
    int ListEditorWidth(TInplaceListBox* Editor, TFont* ColumnFont, int Indent) const;

    TCustomTodoList* list_;
    std::unique_ptr<TTodoColumnCollection> columns_;
    std::unique_ptr<TTodoItemCollection> items_;
    TComponentRef<TCustomImageList> images_{this};
    TImageList* priorityImages_;
    std::unique_ptr<TBitmap> handleGlyph_, checkedGlyph_, uncheckedGlyph_;
    bool gridLines_ = false;
    bool preview_ = false;
    std::unique_ptr<TFont> previewFont_, completionFont_, priorityFont_;
    std::unique_ptr<TProgressLook> progressLook_;
    bool showSelection_ = true;
    TColor selectionColor_ = clHighlight;
    TColor selectionFontColor_ = clHighlightText;
    int editColumn_ = 0;
    int updateCount_ = 0;
    int loadedIndex_ = -1;
    AnsiString lookup_;

    TInplaceEdit* textEditor_;
    TInplaceMemo* notesEditor_;
    TTodoDateTimePicker* dateEditor_;
    TInplaceSpinEdit* numberEditor_;
    TInplaceODListBox* priorityEditor_;
    TInplaceListBox* statusEditor_;
    TForm* editorParent_;
    TWinControl* activeEditor_ = nullptr;
    int editColumnIndex_ = -1;    // the edited column, -1 for the notes of the preview band
    TTodoData editKind_ = tdSubject;
    TTodoItem* editItem_ = nullptr;
    bool committing_ = false;
    // Runs for a double click's time after a list editor's choice by click.
    TTimer* choiceClickTimer_;
    TPoint choiceClickAt_;
};
