#include "TodoList.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

template <typename T>
int CompareValues(T a, T b) { return (a > b) - (a < b); }

// Dates are doubles; a NaN read from somewhere must not break the order, so it sorts first.
int CompareDates(double a, double b) {
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb) return CompareValues<int>(!na, !nb);
    return CompareValues(a, b);
}

} // namespace

// ---- TTodoItem ---------------------------------------------------------------------------------------

TTodoItem::TTodoItem(TCollection* Collection) : TCollectionItem(Collection), notes_(new TStringList) {
    notes_->OnChange = [this](TObject*) { NotesChanged(); };
    // Already counted by the collection, so the rows can follow now.
    if (auto* c = TodoCollection(); c && c->UpdateCount() == 0 && c->View() && c->View()->ViewHandleAllocated())
        c->View()->ViewSynchItems();
}

TTodoItem::~TTodoItem() {
    notes_->OnChange = nullptr;
    delete notes_;
    // Leave the collection before the rows are brought in step, so no row is left for this item.
    SetCollection(nullptr);
}

TTodoItemCollection* TTodoItem::TodoCollection() const { return dynamic_cast<TTodoItemCollection*>(Collection()); }

void TTodoItem::Changed() {
    // Finding the item's index is a search; while the list is updating nobody repaints, so skip it.
    if (auto* c = TodoCollection(); c && c->View() && c->UpdateCount() == 0) c->ItemChanged(Index());
}

void TTodoItem::NotesChanged() {
    if (auto* c = TodoCollection()) c->NotesChanged();
}

void TTodoItem::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TTodoItem*>(Source);
    if (!src) return;
    if (src == this) return;
    SetImageIndex(src->ImageIndex());
    notes_->Assign(src->Notes());
    SetSubject(src->Subject());
    SetComplete(src->Complete());
    SetCompletion(src->Completion());
    SetCompletionDate(src->CompletionDate());
    SetCreationDate(src->CreationDate());
    SetDueDate(src->DueDate());
    SetPriority(src->Priority());
    SetResource(src->Resource());
    SetStatus(src->Status());
    Tag = src->Tag;
    SetTotalTime(src->TotalTime());
    SetProject(src->Project());
}

AnsiString TTodoItem::DisplayName() const {
    if (!subject_.empty()) return subject_;
    return "Item" + std::to_string(Index());
}

AnsiString TTodoItem::GetNotesLine() const { return notes_->Count() > 0 ? notes_->Get(0) : AnsiString(); }

void TTodoItem::Select() {
    auto* c = TodoCollection();
    if (c && c->View()) c->View()->ViewSetItemIndex(Index());
}

void TTodoItem::SetImageIndex(int Value) {
    if (Value == imageIndex_) return;
    imageIndex_ = Value;
    Changed();
}

void TTodoItem::SetNotes(TStrings* Value) {
    notes_->Assign(Value);
    Changed();
}

void TTodoItem::SetTotalTime(int Value) {
    if (Value == totalTime_) return;
    totalTime_ = Value;
    Changed();
}

void TTodoItem::SetSubject(const AnsiString& Value) {
    if (Value == subject_) return;
    subject_ = Value;
    Changed();
}

void TTodoItem::SetCompletion(int Value) {
    const auto v = static_cast<TCompletion>(std::clamp(Value, 0, 100));
    if (v == completion_) return;
    completion_ = v;
    Changed();
}

void TTodoItem::SetDueDate(TDateTime Value) {
    if (Value.Val == dueDate_.Val) return;
    dueDate_ = Value;
    Changed();
}

void TTodoItem::SetPriority(TTodoPriority Value) {
    if (static_cast<int>(Value) >= TodoPriorityCount) Value = TTodoPriority::tpHighest;
    if (Value == priority_) return;
    priority_ = Value;
    Changed();
}

void TTodoItem::SetStatus(TTodoStatus Value) {
    if (static_cast<int>(Value) >= TodoStatusCount)
        throw SysUtils::EOutOfRange("Invalid task status " + std::to_string(static_cast<int>(Value)));
    if (Value == status_) return;
    status_ = Value;
    Changed();
}

void TTodoItem::SetComplete(bool Value) {
    if (Value == complete_) return;
    complete_ = Value;
    Changed();
}

void TTodoItem::SetCreationDate(TDateTime Value) {
    if (Value.Val == creationDate_.Val) return;
    creationDate_ = Value;
    Changed();
}

void TTodoItem::SetCompletionDate(TDateTime Value) {
    if (Value.Val == completionDate_.Val) return;
    completionDate_ = Value;
    Changed();
}

void TTodoItem::SetResource(const AnsiString& Value) {
    if (Value == resource_) return;
    resource_ = Value;
    Changed();
}

void TTodoItem::SetProject(const AnsiString& Value) {
    if (Value == project_) return;
    project_ = Value;
    Changed();
}

// ---- TTodoItemCollection -------------------------------------------------------------------------------

void TTodoItemCollection::Update(TCollectionItem* Item) {
    if (Item) ItemChanged(Item->Index());
    else Changed();
}

void TTodoItemCollection::Changed() {
    if (!view_ || UpdateCount() > 0) return;
    // Items may have come or gone; the rows follow before the list repaints.
    if (view_->ViewHandleAllocated()) view_->ViewSynchItems();
    view_->ViewInvalidate();
}

void TTodoItemCollection::ItemChanged(int Index) {
    if (!view_ || UpdateCount() > 0) return;
    if (Index >= 0 && Index < view_->ViewRowCount()) view_->ViewRepaintRow(Index);
}

void TTodoItemCollection::NotesChanged() {
    if (!view_ || UpdateCount() > 0) return;
    const int selected = view_->ViewItemIndex();
    view_->ViewSynchItems();
    view_->ViewSetItemIndex(selected);
}

int TTodoItemCollection::IndexInTodoOf(int Line, const AnsiString& S) const {
    if (Line < 0) return -1;
    for (int i = 0; i < Count(); ++i) {
        const TStringList* notes = Items(i)->Notes();
        if (notes->Count() > Line && notes->Get(Line) == S) return i;
    }
    return -1;
}

int TTodoItemCollection::IndexInRowOf(int ItemIndex, const AnsiString& S) const {
    if (ItemIndex < 0 || ItemIndex >= Count()) return -1;
    const TStringList* notes = Items(ItemIndex)->Notes();
    for (int i = 0; i < notes->Count(); ++i)
        if (notes->Get(i) == S) return i;
    return -1;
}

TPoint TTodoItemCollection::IndexOf(const AnsiString& S) const {
    TPoint result(-1, -1);
    for (int i = 0; i < Count(); ++i) {
        const int line = IndexInRowOf(i, S);
        if (line >= 0) result = TPoint(line, i);
    }
    return result;
}

// ---- sorting ----------------------------------------------------------------------------------------------

namespace {

// The sort key of one item for one column kind, worked out once per sort rather than per comparison.
struct SortKey {
    SysUtils::AnsiSortKey Text;
    double Number = 0;
};

bool IsTextKind(TTodoData Kind) {
    return Kind == tdSubject || Kind == tdResource || Kind == tdProject || Kind == tdNotes;
}

SortKey KeyOf(const TTodoItem* item, TTodoData Kind) {
    SortKey k;
    switch (Kind) {
    case tdSubject: k.Text = SysUtils::MakeAnsiSortKey(item->Subject()); break;
    case tdResource: k.Text = SysUtils::MakeAnsiSortKey(item->Resource()); break;
    case tdProject: k.Text = SysUtils::MakeAnsiSortKey(item->Project()); break;
    case tdNotes: k.Text = SysUtils::MakeAnsiSortKey(item->Notes()->Text()); break;
    case tdCompletion: k.Number = item->Completion(); break;
    case tdPriority: k.Number = static_cast<Byte>(item->Priority()); break;
    case tdImage: k.Number = item->ImageIndex(); break;
    case tdDueDate: k.Number = item->DueDate(); break;
    case tdCompletionDate: k.Number = item->CompletionDate(); break;
    case tdCreationDate: k.Number = item->CreationDate(); break;
    case tdComplete: k.Number = item->Complete(); break;
    case tdStatus:
    case tdTotalTime:
    case tdHandle:
        break;
    }
    return k;
}

int CompareKeys(const SortKey& a, const SortKey& b, TTodoData Kind, TSortDirection Direction) {
    int r = 0;
    if (IsTextKind(Kind)) r = SysUtils::CompareAnsiSortKeys(a.Text, b.Text);
    else if (Kind == tdDueDate || Kind == tdCompletionDate || Kind == tdCreationDate) r = CompareDates(a.Number, b.Number);
    else if (Kind == tdStatus || Kind == tdTotalTime || Kind == tdHandle) r = 0;
    else r = CompareValues(a.Number, b.Number);
    r = Sign(r);
    return Direction == sdDescending ? -r : r;
}

// A Hoare partition over positions. The pivot is the item first found at the middle position; when
// an exchange moves it, P follows it, or items passing through the middle would change the pivot
// halfway and leave the range unsorted. It orders the positions of Order; the items move once, after.
struct OrderSorter {
    const std::vector<SortKey>& Keys;
    std::vector<int>& Order;
    TTodoData Kind;
    TSortDirection Direction;
    int& Selected;

    int Compare(int I, int J) const { return CompareKeys(Keys[Order[I]], Keys[Order[J]], Kind, Direction); }

    void Sort(int L, int R) {
        while (L < R) {
            int I = L, J = R, P = L + (R - L) / 2;
            do {
                while (Compare(P, I) > 0 && I < R) ++I;
                while (Compare(P, J) < 0 && J > L) --J;
                if (I <= J) {
                    if (I != J && Compare(I, J) != 0) {
                        if (Selected == I) Selected = J;
                        else if (Selected == J) Selected = I;
                        std::swap(Order[I], Order[J]);
                        if (P == I) P = J;
                        else if (P == J) P = I;
                    }
                    ++I;
                    --J;
                }
            } while (I <= J);
            // Recursing into the smaller part keeps the depth logarithmic.
            if (J - L < R - I) {
                if (L < J) Sort(L, J);
                L = I;
            } else {
                if (I < R) Sort(I, R);
                R = J;
            }
        }
    }
};

} // namespace

int TTodoItemCollection::CompareItems(int I, int J, TTodoData Kind, TSortDirection Direction) const {
    return CompareKeys(KeyOf(Items(I), Kind), KeyOf(Items(J), Kind), Kind, Direction);
}

void TTodoItemCollection::SwapItems(int I, int J) {
    if (I == J) return;
    TTodoItem* a = Items(I);
    TTodoItem* b = Items(J);
    // A detached item holds the contents in between, so no row is added for it.
    TTodoItem temp(nullptr);
    temp.Assign(a);
    std::string key = std::move(a->DBKey);
    a->Assign(b);
    a->DBKey = std::move(b->DBKey);
    b->Assign(&temp);
    b->DBKey = std::move(key);
}

void TTodoItemCollection::Sort(TTodoData Kind, TSortDirection Direction, int& Selected) {
    const int n = Count();
    if (n < 2) return;
    UpdateGuard guard(*this);
    std::vector<SortKey> keys;
    keys.reserve(n);
    for (int i = 0; i < n; ++i) keys.push_back(KeyOf(Items(i), Kind));
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    OrderSorter{keys, order, Kind, Direction, Selected}.Sort(0, n - 1);
    // The items keep their places and take over the contents the order gives them, one cycle of the
    // permutation at a time, so each item's contents move once.
    std::vector<bool> done(n, false);
    for (int start = 0; start < n; ++start) {
        if (done[start] || order[start] == start) {
            done[start] = true;
            continue;
        }
        TTodoItem held(nullptr);
        held.Assign(Items(start));
        std::string heldKey = std::move(Items(start)->DBKey);
        int to = start;
        while (true) {
            done[to] = true;
            const int from = order[to];
            if (from == start) {
                Items(to)->Assign(&held);
                Items(to)->DBKey = std::move(heldKey);
                break;
            }
            Items(to)->Assign(Items(from));
            Items(to)->DBKey = std::move(Items(from)->DBKey);
            to = from;
        }
    }
}

bool TTodoItemCollection::SortByColumn(const TTodoColumnCollection& Columns, int SortColumn,
                                       TSortDirection Direction, int& Selected) {
    if (SortColumn < 0 || SortColumn >= Columns.Count()) return false;
    Sort(Columns.Items(SortColumn)->TodoData(), Direction, Selected);
    return true;
}

// ---- TTodoColumnItem ------------------------------------------------------------------------------------

TTodoColumnItem::TTodoColumnItem(TCollection* Collection) : TCollectionItem(Collection), font_(new TFont) {
    if (auto* c = ColumnCollection(); c && c->View())
        if (const TFont* f = c->View()->ViewFont()) font_->Assign(const_cast<TFont*>(f));
    SynchHeader();
}

TTodoColumnItem::~TTodoColumnItem() {
    delete font_;
    TTodoColumnCollection* c = ColumnCollection();
    SetCollection(nullptr);
    if (c && c->UpdateCount() == 0 && c->View() && c->View()->ViewHandleAllocated()) c->View()->ViewSynchColumns();
}

TTodoColumnCollection* TTodoColumnItem::ColumnCollection() const {
    return dynamic_cast<TTodoColumnCollection*>(Collection());
}

void TTodoColumnItem::SynchHeader() {
    auto* c = ColumnCollection();
    if (c && c->UpdateCount() == 0 && c->View() && c->View()->ViewHandleAllocated()) c->View()->ViewSynchColumns();
}

void TTodoColumnItem::Changed() {
    if (OnChange) OnChange(this);
    if (auto* c = ColumnCollection()) c->Changed();
}

void TTodoColumnItem::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TTodoColumnItem*>(Source);
    if (!src || src == this) return;
    SetAlignment(src->Alignment());
    SetCaption(src->Caption());
    SetColor(src->Color());
    Editable = src->Editable;
    SetFont(src->Font());
    SetTodoData(src->TodoData());
    // After the kind: a handle column clears Editable, the source's value wins.
    Editable = src->Editable;
    SetWidth(src->Width());
}

AnsiString TTodoColumnItem::DisplayName() const {
    if (!caption_.empty()) return caption_;
    return "Column" + std::to_string(Index());
}

void TTodoColumnItem::SetWidth(int Value) {
    width_ = Value;
    Changed();
    SynchHeader();
}

void TTodoColumnItem::SetAlignment(TAlignment Value) {
    alignment_ = Value;
    Changed();
}

void TTodoColumnItem::SetFont(const TFont* Value) {
    font_->Assign(const_cast<TFont*>(Value));
    Changed();
}

void TTodoColumnItem::SetColor(TColor Value) {
    color_ = Value;
    Changed();
}

void TTodoColumnItem::SetTodoData(TTodoData Value) {
    if (static_cast<int>(Value) >= TodoDataCount)
        throw SysUtils::EOutOfRange("Invalid column kind " + std::to_string(static_cast<int>(Value)));
    todoData_ = Value;
    if (Value == tdHandle) Editable = false;
    Changed();
}

void TTodoColumnItem::SetCaption(const AnsiString& Value) {
    caption_ = Value;
    Changed();
    SynchHeader();
}

// ---- TTodoColumnCollection ------------------------------------------------------------------------------

void TTodoColumnCollection::Update(TCollectionItem*) { Changed(); }

void TTodoColumnCollection::Changed() {
    if (view_ && UpdateCount() == 0 && view_->ViewHandleAllocated()) view_->ViewInvalidate();
}

void TTodoColumnCollection::Swap(TTodoColumnItem* A, TTodoColumnItem* B) {
    if (!A || !B || A == B) return;
    TTodoColumnItem temp(nullptr);
    temp.Assign(A);
    A->Assign(B);
    B->Assign(&temp);
}

TTodoColumnItem* TTodoColumnCollection::FindKind(TTodoData Kind) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->TodoData() == Kind) return Items(i);
    return nullptr;
}

// ---- display texts ---------------------------------------------------------------------------------------

namespace {

template <std::size_t N>
AnsiString QuotedList(const AnsiString (&texts)[N]) {
    AnsiString out;
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0) out += ',';
        out += '"' + texts[i] + '"';
    }
    return out;
}

// The ordinal whose text equals S ignoring case; the last one wins when texts repeat.
template <std::size_t N>
int FindText(const AnsiString (&texts)[N], const AnsiString& lowered) {
    int found = -1;
    for (std::size_t i = 0; i < N; ++i)
        if (SysUtils::AnsiLowerCase(texts[i]) == lowered) found = static_cast<int>(i);
    return found;
}

} // namespace

void TStatusStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TStatusStrings*>(Source)) {
        for (int i = 0; i < TodoStatusCount; ++i) texts_[i] = src->texts_[i];
        if (OnChange) OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

AnsiString TStatusStrings::Text(TTodoStatus Value) const {
    const int i = static_cast<int>(Value);
    return i < TodoStatusCount ? texts_[i] : AnsiString();
}

void TStatusStrings::SetText(TTodoStatus Value, const AnsiString& S) {
    const int i = static_cast<int>(Value);
    if (i >= TodoStatusCount) return;
    texts_[i] = S;
    if (OnChange) OnChange(this);
}

AnsiString TStatusStrings::CommaText() const { return QuotedList(texts_); }

TTodoStatus TStatusStrings::StringToStatus(const AnsiString& S) const {
    const AnsiString lowered = SysUtils::AnsiLowerCase(S);
    const int found = FindText(texts_, lowered);
    if (found < 0)
        throw EConversionFunctionException("TodoStatusFromString error. The parameter \"" + lowered +
                                           "\" is not a valid status string.");
    return static_cast<TTodoStatus>(found);
}

void TPriorityStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TPriorityStrings*>(Source)) {
        for (int i = 0; i < TodoPriorityCount; ++i) texts_[i] = src->texts_[i];
        if (OnChange) OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

AnsiString TPriorityStrings::Text(TTodoPriority Value) const {
    const int i = static_cast<int>(Value);
    return i < TodoPriorityCount ? texts_[i] : AnsiString();
}

void TPriorityStrings::SetText(TTodoPriority Value, const AnsiString& S) {
    const int i = static_cast<int>(Value);
    if (i >= TodoPriorityCount) return;
    texts_[i] = S;
    if (OnChange) OnChange(this);
}

AnsiString TPriorityStrings::CommaText() const { return QuotedList(texts_); }

TTodoPriority TPriorityStrings::StringToPriority(const AnsiString& S) const {
    const AnsiString lowered = SysUtils::AnsiLowerCase(S);
    const int found = FindText(texts_, lowered);
    if (found < 0)
        throw EConversionFunctionException("TodoPriorityFromString error. The parameter \"" + lowered +
                                           "\" is not a valid priority string.");
    return static_cast<TTodoPriority>(found);
}
