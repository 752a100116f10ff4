#pragma once
// The to-do list's model: tasks and their collection, columns and theirs, the display texts of
// statuses and priorities, sorting by a column, and the binary forms of items and column layouts.
// The list control shows this model; the model talks to it only through ITodoListView.
#include <cstdint>
#include <string>
#include <string_view>

#include "Classes.h"
#include "Colors.h"
#include "Graphics.h"
#include "SysUtils.h"
#include "Types.h"

// Classes.h already has tpLowest, tpNormal and tpHighest for thread priorities, so the task
// priority's names are scoped: TTodoPriority::tpHigh.
enum class TTodoPriority : Byte { tpLowest, tpLow, tpNormal, tpHigh, tpHighest };
enum TTodoStatus : Byte { tsNotStarted, tsCompleted, tsInProgress, tsDeferred };
enum TTodoData : Byte {
    tdSubject, tdCompletion, tdNotes, tdPriority, tdDueDate, tdStatus, tdImage, tdComplete,
    tdTotalTime, tdCompletionDate, tdCreationDate, tdResource, tdHandle, tdProject
};
enum TSortDirection : Byte { sdAscending, sdDescending };
using TCompletion = Byte;   // percent, 0..100

constexpr int TodoPriorityCount = 5;
constexpr int TodoStatusCount = 4;
constexpr int TodoDataCount = 14;

// Raised by the conversions from display text to status or priority.
class EConversionFunctionException : public SysUtils::Exception { using Exception::Exception; };
// A to-do stream or columns file that cannot be read: a value out of its range, a negative count.
// A stream that simply ends too early raises the platform's EReadError.
class ETodoStreamError : public EReadError { using EReadError::EReadError; };

// What the collections ask of the list box that shows them. The list box implements it; without
// one (a collection on its own, a test) the model works alone and nothing is shown.
class ITodoListView {
public:
    virtual ~ITodoListView() = default;
    // The list box window exists (rows and header are kept in step only then).
    virtual bool ViewHandleAllocated() const = 0;
    virtual int ViewRowCount() const = 0;
    virtual void ViewRepaintRow(int Row) = 0;
    virtual void ViewInvalidate() = 0;
    // Brings the row count in step with the item count.
    virtual void ViewSynchItems() = 0;
    // The selected row, -1 for none; setting it selects without reporting a selection.
    virtual int ViewItemIndex() const = 0;
    virtual void ViewSetItemIndex(int Row) = 0;
    // Brings the header sections in step with the columns and raises OnColumnsChanged.
    virtual void ViewSynchColumns() = 0;
    // The list box's font, which new columns copy; nullptr keeps the font's defaults.
    virtual const TFont* ViewFont() const = 0;
};

class TTodoItemCollection;
class TTodoColumnCollection;

// ---- one task ----------------------------------------------------------------------------------------
class TTodoItem : public TCollectionItem {
public:
    explicit TTodoItem(TCollection* Collection);
    ~TTodoItem() override;
    TTodoItem(const TTodoItem&) = delete;
    TTodoItem& operator=(const TTodoItem&) = delete;

    // Copies every published field but DBKey and OnChange from another TTodoItem; any other source
    // is ignored.
    void Assign(TPersistent* Source) override;
    // Subject, or "Item" followed by the index.
    AnsiString DisplayName() const override;
    // The first line of Notes, or empty.
    AnsiString GetNotesLine() const;
    // Makes this item's row the selected row.
    void Select();

    // Reads and writes one item in the item stream form (LoadFromStream keeps what it read so far
    // when the stream turns out to be truncated or malformed).
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream);

    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int Value);
    TStringList* Notes() const { return notes_; }
    // Copies Value's lines into Notes.
    void SetNotes(TStrings* Value);
    int Tag = 0;
    int TotalTime() const { return totalTime_; }
    void SetTotalTime(int Value);
    const AnsiString& Subject() const { return subject_; }
    void SetSubject(const AnsiString& Value);
    TCompletion Completion() const { return completion_; }
    // Values above 100 are stored as 100.
    void SetCompletion(int Value);
    TDateTime DueDate() const { return dueDate_; }
    void SetDueDate(TDateTime Value);
    TTodoPriority Priority() const { return priority_; }
    // An ordinal beyond tpHighest is stored as tpHighest.
    void SetPriority(TTodoPriority Value);
    TTodoStatus Status() const { return status_; }
    // Raises SysUtils::EOutOfRange for an ordinal that is no status.
    void SetStatus(TTodoStatus Value);
    bool Complete() const { return complete_; }
    void SetComplete(bool Value);
    TDateTime CreationDate() const { return creationDate_; }
    void SetCreationDate(TDateTime Value);
    TDateTime CompletionDate() const { return completionDate_; }
    void SetCompletionDate(TDateTime Value);
    const AnsiString& Resource() const { return resource_; }
    void SetResource(const AnsiString& Value);
    const AnsiString& Project() const { return project_; }
    void SetProject(const AnsiString& Value);
    // The record key when the list is bound to a data set; not streamed, not copied by Assign.
    AnsiString DBKey;

    // Kept for the caller; the list does not raise it.
    TNotifyEvent OnChange;

protected:
    // Asks the list to repaint this item's row.
    virtual void Changed();

private:
    TTodoItemCollection* TodoCollection() const;
    void NotesChanged();

    int imageIndex_ = -1;
    TStringList* notes_;
    int totalTime_ = 0;
    AnsiString subject_;
    TCompletion completion_ = 0;
    TDateTime dueDate_;
    TTodoPriority priority_ = TTodoPriority::tpLowest;
    TTodoStatus status_ = tsNotStarted;
    bool complete_ = false;
    TDateTime creationDate_;
    TDateTime completionDate_;
    AnsiString resource_;
    AnsiString project_;
};

// ---- what both collections of a list share -----------------------------------------------------------
// A collection of Item for a list: AOwner is what GetOwner names (the list box); View is told about
// changes and may be nullptr. Derived supplies LoadFromStream and SaveToStream.
template <class Derived, class Item>
class TTodoCollectionOf : public TCollection {
public:
    explicit TTodoCollectionOf(TPersistent* AOwner, ITodoListView* View)
        : TCollection([](TCollection* c) { return new Item(c); }), owner_(AOwner), view_(View) {}

    Item* Add() { return static_cast<Item*>(TCollection::Add()); }
    Item* Items(int Index) const { return static_cast<Item*>(TCollection::Items(Index)); }
    // Copies Value into item Index.
    void SetItems(int Index, Item* Value) { Items(Index)->Assign(Value); }
    TPersistent* GetOwner() const override { return owner_; }
    ITodoListView* View() const { return view_; }

    void SaveToFile(const AnsiString& FileName) const {
        TFileStream f(FileName, fmCreate);
        static_cast<const Derived*>(this)->SaveToStream(&f);
    }
    void LoadFromFile(const AnsiString& FileName) {
        TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
        static_cast<Derived*>(this)->LoadFromStream(&f);
    }

protected:
    TPersistent* owner_;
    ITodoListView* view_;
};

// ---- the tasks of a list -------------------------------------------------------------------------------
class TTodoItemCollection : public TTodoCollectionOf<TTodoItemCollection, TTodoItem> {
public:
    explicit TTodoItemCollection(TPersistent* AOwner = nullptr, ITodoListView* View = nullptr)
        : TTodoCollectionOf(AOwner, View) {}

    // Invalidates the list.
    void Changed();
    // Repaints row Index when it exists.
    void ItemChanged(int Index);

    // Index of the first item whose notes line Line equals S (case-sensitive); -1 when none.
    int IndexInTodoOf(int Line, const AnsiString& S) const;
    // Index of the first line of item ItemIndex's notes equal to S; -1 when none or no such item.
    int IndexInRowOf(int ItemIndex, const AnsiString& S) const;
    // The last item holding a line S (Y) and its first such line (X); (-1, -1) when none.
    TPoint IndexOf(const AnsiString& S) const;

    // -1, 0 or 1 for the order of items I and J by a column kind, negated when descending.
    // Status, total time and handle columns do not order the list (always 0).
    int CompareItems(int I, int J, TTodoData Kind, TSortDirection Direction) const;
    // Exchanges the contents of items I and J (DBKey included); the items keep their positions.
    void SwapItems(int I, int J);
    // Orders the items by a column kind. Selected is a row index and is moved along with its item.
    void Sort(TTodoData Kind, TSortDirection Direction, int& Selected);
    // Orders the items by column SortColumn of Columns; a column index outside Columns sorts nothing
    // and returns false.
    bool SortByColumn(const TTodoColumnCollection& Columns, int SortColumn, TSortDirection Direction,
                      int& Selected);

    // The list stream: Int32 item count, then every item's stream. Loading replaces the items only
    // when the whole stream has been read; on an error the items stay as they were.
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream);

protected:
    void Update(TCollectionItem* Item) override;

private:
    friend class TTodoItem;
    void NotesChanged();
};

// ---- one column --------------------------------------------------------------------------------------
class TTodoColumnItem : public TCollectionItem {
public:
    explicit TTodoColumnItem(TCollection* Collection);
    ~TTodoColumnItem() override;
    TTodoColumnItem(const TTodoColumnItem&) = delete;
    TTodoColumnItem& operator=(const TTodoColumnItem&) = delete;

    // Copies Alignment, Caption, Color, Editable, Font, TodoData and Width from another column.
    void Assign(TPersistent* Source) override;
    // Caption, or "Column" followed by the index.
    AnsiString DisplayName() const override;

    int Width() const { return width_; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    TFont* Font() const { return font_; }
    // Copies Value.
    void SetFont(const TFont* Value);
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TTodoData TodoData() const { return todoData_; }
    // A handle column is never editable. Raises SysUtils::EOutOfRange for an ordinal that is no kind.
    void SetTodoData(TTodoData Value);
    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& Value);
    bool Editable = true;

    // Raised by every property change, before the list is invalidated.
    TNotifyEvent OnChange;

    // Reads and writes one column in the columns file form.
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream);

protected:
    virtual void Changed();

private:
    TTodoColumnCollection* ColumnCollection() const;
    void SynchHeader();

    int width_ = 100;
    TAlignment alignment_ = taLeftJustify;
    TFont* font_;
    TColor color_ = clWindow;
    TTodoData todoData_ = tdSubject;
    AnsiString caption_;
};

// ---- the columns of a list -----------------------------------------------------------------------------
class TTodoColumnCollection : public TTodoCollectionOf<TTodoColumnCollection, TTodoColumnItem> {
public:
    explicit TTodoColumnCollection(TPersistent* AOwner = nullptr, ITodoListView* View = nullptr)
        : TTodoCollectionOf(AOwner, View) {}

    // Exchanges the properties of columns A and B; the columns keep their positions.
    void Swap(TTodoColumnItem* A, TTodoColumnItem* B);
    // Invalidates the list when its window exists.
    void Changed();

    // The first column of a kind, nullptr when none.
    TTodoColumnItem* FindKind(TTodoData Kind) const;

    // The columns file: Int32 column count, then every column's records (width, caption, kind).
    // Loading replaces the columns only when the whole stream has been read.
    void SaveToStream(TStream* Stream) const;
    void LoadFromStream(TStream* Stream);

protected:
    void Update(TCollectionItem* Item) override;

private:
    friend class TTodoColumnItem;
};

// ---- display texts --------------------------------------------------------------------------------------
// The four status texts. OnChange tells the owning list to repaint.
class TStatusStrings : public TPersistent {
public:
    explicit TStatusStrings(TPersistent* AOwner = nullptr) : owner_(AOwner) {}
    void Assign(TPersistent* Source) override;
    TPersistent* Owner() const { return owner_; }

    // The text of a status; empty for an ordinal that is no status.
    AnsiString Text(TTodoStatus Value) const;
    void SetText(TTodoStatus Value, const AnsiString& S);
    AnsiString NotStarted() const { return Text(tsNotStarted); }
    void SetNotStarted(const AnsiString& S) { SetText(tsNotStarted, S); }
    AnsiString Completed() const { return Text(tsCompleted); }
    void SetCompleted(const AnsiString& S) { SetText(tsCompleted, S); }
    AnsiString InProgress() const { return Text(tsInProgress); }
    void SetInProgress(const AnsiString& S) { SetText(tsInProgress, S); }
    AnsiString Deferred() const { return Text(tsDeferred); }
    void SetDeferred(const AnsiString& S) { SetText(tsDeferred, S); }

    // Every text in double quotes, in ordinal order, joined by commas.
    AnsiString CommaText() const;
    // The status whose text equals S ignoring case (the higher ordinal when two texts are equal);
    // raises EConversionFunctionException when none does.
    TTodoStatus StringToStatus(const AnsiString& S) const;

    TNotifyEvent OnChange;

private:
    TPersistent* owner_;
    AnsiString texts_[TodoStatusCount] = {"Not started", "Completed", "In progress", "Deferred"};
};

// The five priority texts. OnChange tells the owning list to repaint.
class TPriorityStrings : public TPersistent {
public:
    explicit TPriorityStrings(TPersistent* AOwner = nullptr) : owner_(AOwner) {}
    void Assign(TPersistent* Source) override;
    TPersistent* Owner() const { return owner_; }

    AnsiString Text(TTodoPriority Value) const;
    void SetText(TTodoPriority Value, const AnsiString& S);
    AnsiString Lowest() const { return Text(TTodoPriority::tpLowest); }
    void SetLowest(const AnsiString& S) { SetText(TTodoPriority::tpLowest, S); }
    AnsiString Low() const { return Text(TTodoPriority::tpLow); }
    void SetLow(const AnsiString& S) { SetText(TTodoPriority::tpLow, S); }
    AnsiString Normal() const { return Text(TTodoPriority::tpNormal); }
    void SetNormal(const AnsiString& S) { SetText(TTodoPriority::tpNormal, S); }
    AnsiString High() const { return Text(TTodoPriority::tpHigh); }
    void SetHigh(const AnsiString& S) { SetText(TTodoPriority::tpHigh, S); }
    AnsiString Highest() const { return Text(TTodoPriority::tpHighest); }
    void SetHighest(const AnsiString& S) { SetText(TTodoPriority::tpHighest, S); }

    AnsiString CommaText() const;
    TTodoPriority StringToPriority(const AnsiString& S) const;

    TNotifyEvent OnChange;

private:
    TPersistent* owner_;
    AnsiString texts_[TodoPriorityCount] = {"Lowest", "Low", "Normal", "High", "Highest"};
};

// Entry points that read raw bytes, for tools that feed the readers arbitrary input. Each raises
// EReadError (or ETodoStreamError) for input it cannot read and never reads outside the bytes.
namespace TodoList {
void LoadItemFromBytes(TTodoItem& Item, std::string_view Bytes);
void LoadItemsFromBytes(TTodoItemCollection& Items, std::string_view Bytes);
void LoadColumnsFromBytes(TTodoColumnCollection& Columns, std::string_view Bytes);
} // namespace TodoList
