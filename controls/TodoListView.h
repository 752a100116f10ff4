#pragma once
// The to-do list control: a container with a column header on top and an owner-drawn list box below
// that paints one row per task and one cell per column, edits cells in place and raises the list's
// events. The model (items, columns, texts, streams) is TodoList.h; the header, the list box and
// the in-place editors have their own files.
#include <functional>
#include <memory>

#include "TodoHeader.h"
#include "TodoInplaceEditors.h"
#include "TodoListBox.h"

using TTodoItemEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem, bool& Allow)>;
using TTodoItemSelectEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem)>;
using TStatusToStringEvent = std::function<void(TObject* Sender, TTodoStatus AValue, AnsiString& AString)>;
using TPriorityToStringEvent = std::function<void(TObject* Sender, TTodoPriority AValue, AnsiString& AString)>;
using TStringToStatusEvent = std::function<void(TObject* Sender, const AnsiString& AString, TTodoStatus& AValue)>;
using TStringToPriorityEvent =
    std::function<void(TObject* Sender, const AnsiString& AString, TTodoPriority& AValue)>;

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
    virtual void ItemSelect(TTodoItem* Item);
    virtual bool AllowAutoInsert(TTodoItem* Item);
    virtual bool AllowAutoDelete(TTodoItem* Item);
    virtual void EditStart();
    virtual void EditDone(TTodoData Kind, TTodoItem* Item);
    void ListSelect();
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;

private:
    void HeaderPressed(int Section, bool Inside);
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
