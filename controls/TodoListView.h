#pragma once
// The to-do list control: a container with a column header on top and an owner-drawn list box below
// that paints one row per task and one cell per column, edits cells in place and raises the list's
// events. The model (items, columns, texts, streams) is TodoList.h.
#include <functional>
#include <memory>

#include "EditBoxes.h"
#include "Forms.h"
#include "Headers.h"
#include "ImgList.h"
#include "ListBoxes.h"
#include "TodoList.h"

class TCustomTodoList;
class TTodoListBox;

enum TCheckType { ctCheckBox, ctCheckMark, ctGlyph };
enum THeaderVAlignment { vtaCenter, vtaTop, vtaBottom };
enum TImagePosition { ipLeft, ipRight };
enum THeaderOrientation { hoHorizontal, hoVertical };

using TTodoItemEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem, bool& Allow)>;
using TTodoItemSelectEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem)>;
using THeaderClickEvent = std::function<void(TObject* Sender, int SectionIndex)>;
using THeaderDragDropEvent = std::function<void(TObject* Sender, int FromSection, int ToSection)>;
using TStatusToStringEvent = std::function<void(TObject* Sender, TTodoStatus AValue, AnsiString& AString)>;
using TPriorityToStringEvent = std::function<void(TObject* Sender, TTodoPriority AValue, AnsiString& AString)>;
using TStringToStatusEvent = std::function<void(TObject* Sender, const AnsiString& AString, TTodoStatus& AValue)>;
using TStringToPriorityEvent =
    std::function<void(TObject* Sender, const AnsiString& AString, TTodoPriority& AValue)>;

// ---- looks -------------------------------------------------------------------------------------------
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

// ---- in-place editors ---------------------------------------------------------------------------------
// Subject, resource and project cells. Escape restores the item's text, Enter commits and moves on.
class TInplaceEdit : public TLineEdit {
public:
    TInplaceEdit(TComponent* AOwner, TTodoListBox* List);
    // The item's text when the edit started; Escape brings it back.
    AnsiString OriginalText;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
private:
    TTodoListBox* list_;
};

// Notes. Escape commits and moves on; Tab does the same.
class TInplaceMemo : public TPlainMemo {
public:
    TInplaceMemo(TComponent* AOwner, TTodoListBox* List);
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
private:
    TTodoListBox* list_;
};

// Dates. Enter gives the focus back to the list, which commits.
class TTodoDateTimePicker : public TDateTimePicker {
public:
    TTodoDateTimePicker(TComponent* AOwner, TTodoListBox* List);
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
private:
    TTodoListBox* list_;
};

// Completion (without the progress graphic) and total time. Enter commits and moves on.
class TInplaceSpinEdit : public TIntSpinEdit {
public:
    TInplaceSpinEdit(TComponent* AOwner, TTodoListBox* List);
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
private:
    TTodoListBox* list_;
};

// Status. Enter commits and moves on, Escape restores the row it was given and commits, Tab is Enter,
// and releasing the mouse after a press inside commits.
class TInplaceListBox : public TListBox {
public:
    TInplaceListBox(TComponent* AOwner, TTodoListBox* List);
    int GivenIndex = -1;
    // Client height of all rows (set when the rows are filled).
    int RowsHeight() const;
protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(AnsiString& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    TTodoListBox* list_;
private:
    bool pressed_ = false;
};

// Priority: the status editor's rows with the priority glyphs.
class TInplaceODListBox : public TInplaceListBox {
public:
    TInplaceODListBox(TComponent* AOwner, TTodoListBox* List);
    TCustomImageList* ImageList = nullptr;
protected:
    void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
};

// Back and font colour of one editor. Raises for a control that is no in-place editor.
class TBackForeColors : public TPersistent {
public:
    explicit TBackForeColors(TWinControl* Control) : control_(Control) {}
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    TColor FontColor() const;
    void SetFontColor(TColor Value);
    TWinControl* Control() const { return control_; }
protected:
    TWinControl* control_;
private:
    void Check(const char* what) const;
};

class TDatePickerColors : public TPersistent {
public:
    explicit TDatePickerColors(TTodoDateTimePicker* Picker) : picker_(Picker) {}
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    TColor FontColor() const;
    void SetFontColor(TColor Value);
    TMonthCalColors* CalColors() const;
    void SetCalColors(TMonthCalColors* Value);
private:
    TTodoDateTimePicker* picker_;
};

// The editors' colours; stores nothing itself.
class TEditColors : public TPersistent {
public:
    explicit TEditColors(TTodoListBox* List);
    ~TEditColors() override;
    TBackForeColors* StringEditor() const { return string_.get(); }
    TBackForeColors* MemoEditor() const { return memo_.get(); }
    TBackForeColors* IntegerEditor() const { return integer_.get(); }
    TBackForeColors* PriorityEditor() const { return priority_.get(); }
    TBackForeColors* StatusEditor() const { return status_.get(); }
    TDatePickerColors* DateEditor() const { return date_.get(); }
private:
    std::unique_ptr<TBackForeColors> string_, memo_, integer_, priority_, status_;
    std::unique_ptr<TDatePickerColors> date_;
};

// ---- the column header -----------------------------------------------------------------------------------
class TTodoHeader : public THeader {
public:
    TTodoHeader(TComponent* AOwner, TCustomTodoList* List);
    ~TTodoHeader() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    THeaderVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(THeaderVAlignment Value);
    TColor LineColor() const { return lineColor_; }
    void SetLineColor(TColor Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TImagePosition ImagePosition() const { return imagePosition_; }
    void SetImagePosition(TImagePosition Value);
    THeaderOrientation Orientation() const { return orientation_; }
    void SetOrientation(THeaderOrientation Value);
    bool SectionDragDrop() const { return sectionDragDrop_; }
    void SetSectionDragDrop(bool Value);
    int SortedSection() const { return sortedSection_; }
    void SetSortedSection(int Value);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection Value);
    bool SortShow() const { return sortShow_; }
    void SetSortShow(bool Value);
    bool SectionEdit() const { return sectionEdit_; }
    void SetSectionEdit(bool Value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int Value);
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int Value);
    bool Dragging() const { return dragging_; }

    // The section under a client point: the last one entered, -1 at or before the first's start.
    int XYToSection(int X, int Y) const;
    // The section's rectangle as painting lays it out.
    TRect SectionRect(int Index) const;

    // These replace the control's click: they carry the section.
    THeaderClickEvent OnClick;
    THeaderClickEvent OnRightClick;
    THeaderDragDropEvent OnDragDrop;
    TNotifyEvent OnSectionEditStart;
    TNotifyEvent OnSectionEditEnd;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DrawSortMark(TCanvas* C, int X, int Y);
    void EndSectionEdit();
    TCustomTodoList* list_;
    TAlignment alignment_ = taLeftJustify;
    THeaderVAlignment vAlignment_ = vtaCenter;
    TColor lineColor_ = clBlack;
    bool flat_ = false;
    TCustomImageList* images_ = nullptr;
    TImagePosition imagePosition_ = ipLeft;
    THeaderOrientation orientation_ = hoHorizontal;
    bool sectionDragDrop_ = false;
    bool dragging_ = false;
    int dragSection_ = -1;
    int sortedSection_ = 0;
    TSortDirection sortDirection_ = sdAscending;
    bool sortShow_ = false;
    bool sectionEdit_ = false;
    TPlainMemo* captionEditor_ = nullptr;
    int editSection_ = -1;
    int editSectionWidth_ = 0;
    int itemHeight_ = 16;
    int textHeight_ = 16;
};

// ---- the list box -------------------------------------------------------------------------------------
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
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TCustomTodoList;
    void DrawProgress(TCanvas* C, TRect R, int Value);
    void DrawCheck(TCanvas* C, const TRect& Cell, TAlignment Alignment, bool Complete);
    void ShowEditor(TWinControl* Editor, const TRect& Rect, bool InPopup, TFont* ColumnFont);
    void StartNotesPreviewEdit(int Row, int X, int Y);
    void ClickInto(TWinControl* Editor, int X, int Y);
    void Commit();
    void FillListEditor(TInplaceListBox* Editor, bool Priority);

    TCustomTodoList* list_;
    std::unique_ptr<TTodoColumnCollection> columns_;
    std::unique_ptr<TTodoItemCollection> items_;
    TCustomImageList* images_ = nullptr;
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
};

// ---- the container ---------------------------------------------------------------------------------------
class TCustomTodoList : public TCustomControl {
public:
    explicit TCustomTodoList(TComponent* AOwner);
    ~TCustomTodoList() override;

    TTodoListBox* ListBox() const { return listBox_; }
    TTodoHeader* Header() const { return header_; }
    TTodoItemCollection* Items() const { return listBox_->TodoItems(); }
    TTodoColumnCollection* Columns() const { return listBox_->TodoColumns(); }

    // bsSingle draws a grey one-pixel frame around the list.
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);
    int PreviewHeight() const { return previewHeight_; }
    void SetPreviewHeight(int Value);
    // The cell band of a row; with Preview the rows are PreviewHeight taller.
    int ItemHeight() const;
    void SetItemHeight(int Value);
    bool Preview() const { return listBox_->Preview(); }
    void SetPreview(bool Value);
    TStatusStrings* StatusStrings() const { return statusStrings_.get(); }
    TPriorityStrings* PriorityStrings() const { return priorityStrings_.get(); }
    TEditColors* EditColors() const { return editColors_.get(); }
    TCompleteCheck* CompleteCheck() const { return completeCheck_.get(); }

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int Value);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection Value);
    void Sort();

    bool AutoInsertItem = false;
    bool AutoDeleteItem = false;
    bool CompletionGraphic() const { return completionGraphic_; }
    void SetCompletionGraphic(bool Value);
    bool HintShowFullText() const { return hintShowFullText_; }
    void SetHintShowFullText(bool Value);
    bool HeaderDragDrop() const { return header_->SectionDragDrop(); }
    void SetHeaderDragDrop(bool Value) { header_->SetSectionDragDrop(Value); }
    bool AutoAdvanceEdit = false;

    // Dragging is the list box's: the list hands these on to it.
    void SetDragMode(TDragMode Value) override;
    void SetDragKind(TDragKind Value) override;
    void SetDragCursor(TCursor Value) override;

    // The list box's look.
    TFont* CompletionFont() const { return listBox_->CompletionFont(); }
    TFont* PreviewFont() const { return listBox_->PreviewFont(); }
    TFont* PriorityFont() const { return listBox_->PriorityFont(); }
    TFont* HeaderFont() const { return header_->Font(); }
    TFont* ListFont() const { return listBox_->Font(); }
    AnsiString DateFormat() const { return listBox_->DateFormat; }
    void SetDateFormat(const AnsiString& Value);
    bool Editable() const { return listBox_->Editable; }
    void SetEditable(bool Value) { listBox_->Editable = Value; }
    bool EditSelectAll() const { return listBox_->EditSelectAll; }
    void SetEditSelectAll(bool Value) { listBox_->EditSelectAll = Value; }
    bool GridLines() const { return listBox_->GridLines(); }
    void SetGridLines(bool Value) { listBox_->SetGridLines(Value); }
    TCustomImageList* Images() const { return listBox_->Images(); }
    void SetImages(TCustomImageList* Value) { listBox_->SetImages(Value); }
    TProgressLook* ProgressLook() const { return listBox_->ProgressLook(); }
    TColor SelectionColor() const { return listBox_->SelectionColor(); }
    void SetSelectionColor(TColor Value) { listBox_->SetSelectionColor(Value); }
    TColor SelectionFontColor() const { return listBox_->SelectionFontColor(); }
    void SetSelectionFontColor(TColor Value) { listBox_->SetSelectionFontColor(Value); }
    bool ShowSelection() const { return listBox_->ShowSelection(); }
    void SetShowSelection(bool Value) { listBox_->SetShowSelection(Value); }
    bool ListTabStop() const { return listBox_->TabStop(); }
    void SetListTabStop(bool Value) { listBox_->SetTabStop(Value); }

    int EditColumn() const { return listBox_->EditColumn(); }
    void SetEditColumn(int Value) { listBox_->SetEditColumn(Value); }
    // The item of the selected row, or nullptr.
    TTodoItem* Selected() const;
    void SetSelected(TTodoItem* Item);

    // Texts and conversions.
    virtual AnsiString StatusToString(TTodoStatus Value);
    virtual AnsiString PriorityToString(TTodoPriority Value);
    virtual TTodoStatus StringToStatus(const AnsiString& S);
    virtual TTodoPriority StringToPriority(const AnsiString& S);
    virtual AnsiString StatusCommaText() { return statusStrings_->CommaText(); }
    virtual AnsiString PriorityCommaText() { return priorityStrings_->CommaText(); }

    TTodoColumnItem* AddColumn(TTodoData Data, const AnsiString& Caption);
    void RemoveColumn(TTodoData Data);
    void SaveToStream(TStream* Stream) { Items()->SaveToStream(Stream); }
    void LoadFromStream(TStream* Stream) { Items()->LoadFromStream(Stream); }
    void SaveToFile(const AnsiString& Name) { Items()->SaveToFile(Name); }
    void LoadFromFile(const AnsiString& Name) { Items()->LoadFromFile(Name); }
    void SaveColumns(const AnsiString& Name) { Columns()->SaveToFile(Name); }
    void LoadColumns(const AnsiString& Name);

    // Editing.
    void ShowEditor(int Row, int Column) { listBox_->StartEdit(Row, Column, false, 0, 0, 0, 0); }
    void HideEditor() { listBox_->EditorOnExit(); }
    // Header sections follow the columns: count, captions, widths.
    void ColumnsChanged();
    void Loaded() override;

    TStatusToStringEvent OnStatusToString;
    TPriorityToStringEvent OnPriorityToString;
    TStringToStatusEvent OnStringToStatus;
    TStringToPriorityEvent OnStringToPriority;
    THeaderClickEvent OnHeaderClick;
    THeaderClickEvent OnHeaderRightClick;
    THeaderDragDropEvent OnHeaderDragDrop;
    TTodoItemEvent OnItemInsert;
    TTodoItemEvent OnItemDelete;
    TTodoItemSelectEvent OnItemSelect;
    TNotifyEvent OnEditStart;
    TNotifyEvent OnEditDone;

protected:
    friend class TTodoListBox;
    friend class TTodoHeader;
    virtual void ItemSelect(TTodoItem* Item);
    virtual bool AllowAutoInsert(TTodoItem* Item);
    virtual bool AllowAutoDelete(TTodoItem* Item);
    virtual void EditStart();
    virtual void EditDone(TTodoData Kind, TTodoItem* Item);
    void ListSelect();
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;

private:
    void HeaderSized(int Section, int Width);
    void HeaderDragged(int From, int To);
    TTodoHeader* header_;
    TTodoListBox* listBox_;
    std::unique_ptr<TStatusStrings> statusStrings_;
    std::unique_ptr<TPriorityStrings> priorityStrings_;
    std::unique_ptr<TEditColors> editColors_;
    std::unique_ptr<TCompleteCheck> completeCheck_;
    TBorderStyle borderStyle_ = bsSingle;
    int previewHeight_ = 0;
    bool sorted_ = false;
    int sortColumn_ = 0;
    TSortDirection sortDirection_ = sdAscending;
    bool completionGraphic_ = true;
    bool hintShowFullText_ = false;
};

class TTodoList : public TCustomTodoList {
public:
    explicit TTodoList(TComponent* AOwner) : TCustomTodoList(AOwner) {}
};
