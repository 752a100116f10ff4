// The to-do list control: the container of header and rows, and its events.
#include "TodoListView.h"

#include "TodoListDraw.h"

using TodoListDraw::GridGrey;

// ---- TCustomTodoList ------------------------------------------------------------------------------------------
TCustomTodoList::TCustomTodoList(TComponent* AOwner)
    : TCustomControl(AOwner), statusStrings_(std::make_unique<TStatusStrings>(this)),
      priorityStrings_(std::make_unique<TPriorityStrings>(this)), completeCheck_(std::make_unique<TCompleteCheck>()) {
    ControlStyle = ControlStyle + TControlStyle{csOpaque};
    listBox_ = new TTodoListBox(this, this);
    listBox_->SetParent(this);
    listBox_->SetAlign(alClient);
    header_ = new TTodoHeader(this);
    header_->SetParent(this);
    header_->SetHeight(18);
    header_->SetAlign(alTop);
    editColors_ = std::make_unique<TEditColors>(listBox_->TextEditor(), listBox_->NotesEditor(), listBox_->NumberEditor(),
                                               listBox_->PriorityEditor(), listBox_->StatusEditor(),
                                               listBox_->DateEditor());

    statusStrings_->OnChange = [this](TObject*) { listBox_->Invalidate(); };
    priorityStrings_->OnChange = [this](TObject*) { listBox_->Invalidate(); };
    completeCheck_->OnChange = [this](TObject*) { listBox_->Invalidate(); };

    // The list box's events are the list's, with the list as Sender.
    listBox_->OnClick = [this](TObject*) { if (OnClick) OnClick(this); };
    listBox_->OnDblClick = [this](TObject*) { if (OnDblClick) OnDblClick(this); };
    listBox_->OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { if (OnKeyDown) OnKeyDown(this, Key, Shift); };
    listBox_->OnKeyUp = [this](TObject*, Word& Key, TShiftState Shift) { if (OnKeyUp) OnKeyUp(this, Key, Shift); };
    listBox_->OnKeyPress = [this](TObject*, AnsiString& Key) { if (OnKeyPress) OnKeyPress(this, Key); };
    listBox_->OnMouseDown = [this](TObject*, TMouseButton B, TShiftState S, int X, int Y) {
        if (OnMouseDown) OnMouseDown(this, B, S, X, Y);
    };
    listBox_->OnMouseUp = [this](TObject*, TMouseButton B, TShiftState S, int X, int Y) {
        if (OnMouseUp) OnMouseUp(this, B, S, X, Y);
    };
    listBox_->OnMouseMove = [this](TObject*, TShiftState S, int X, int Y) { if (OnMouseMove) OnMouseMove(this, S, X, Y); };
    listBox_->OnEnter = [this](TObject*) { if (OnEnter) OnEnter(this); };
    listBox_->OnExit = [this](TObject*) { if (OnExit) OnExit(this); };
    listBox_->OnStartDrag = [this](TObject*, TDragObject*& D) { if (OnStartDrag) OnStartDrag(this, D); };
    listBox_->OnDragOver = [this](TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
        if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
        else Accept = false;
    };
    listBox_->OnDragDrop = [this](TObject*, TObject* Source, int X, int Y) { if (OnDragDrop) OnDragDrop(this, Source, X, Y); };
    listBox_->OnEndDrag = [this](TObject*, TObject* Target, int X, int Y) { if (OnEndDrag) OnEndDrag(this, Target, X, Y); };
    listBox_->OnSelectItem = [this](TObject*) { ListSelect(); };
    listBox_->OnColumnsChanged = [this](TObject*) { ColumnsChanged(); };

    header_->OnClick = [this](TObject*, int Section) { if (OnHeaderClick) OnHeaderClick(this, Section); };
    header_->OnRightClick = [this](TObject*, int Section) { if (OnHeaderRightClick) OnHeaderRightClick(this, Section); };
    header_->OnPress = [this](TObject*, int Section, bool Inside) { HeaderPressed(Section, Inside); };
    header_->OnDragDrop = [this](TObject*, int From, int To) { HeaderDragged(From, To); };
    header_->OnSizing = [this](TObject*, int Section, int Width) { HeaderSized(Section, Width); };
    header_->OnSized = [this](TObject*, int Section, int Width) { HeaderSized(Section, Width); };

    SetItemHeight(18);
    SetBounds(Left(), Top(), 100, 100);
    SetTabStop(false);
    listBox_->SetTabStop(true);
}

TCustomTodoList::~TCustomTodoList() {
    statusStrings_->OnChange = nullptr;
    priorityStrings_->OnChange = nullptr;
    completeCheck_->OnChange = nullptr;
    editColors_.reset();
    listBox_->OnColumnsChanged = nullptr;
    listBox_->OnSelectItem = nullptr;
    delete listBox_;
    listBox_ = nullptr;
    delete header_;
    header_ = nullptr;
}

void TCustomTodoList::SetDragMode(TDragMode Value) {
    TCustomControl::SetDragMode(Value);
    listBox_->SetDragMode(Value);
}
void TCustomTodoList::SetDragKind(TDragKind Value) {
    TCustomControl::SetDragKind(Value);
    listBox_->SetDragKind(Value);
}
void TCustomTodoList::SetDragCursor(TCursor Value) {
    TCustomControl::SetDragCursor(Value);
    listBox_->SetDragCursor(Value);
}

void TCustomTodoList::SetBorderStyle(TBorderStyle Value) {
    borderStyle_ = Value;
    Realign();
    Invalidate();
}

void TCustomTodoList::AdjustClientRect(TRect& Rect) {
    if (borderStyle_ == bsSingle) InflateRect(Rect, -1, -1);
}

void TCustomTodoList::Paint() {
    TCanvas* C = Canvas();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(listBox_->Color());
    C->FillRect(ClientRect());
    if (borderStyle_ != bsSingle) return;
    const int w = Width(), h = Height();
    C->Pen()->SetColor(GridGrey);
    C->MoveTo(0, h - 1);
    C->LineTo(0, 0);
    C->LineTo(w - 1, 0);
    C->LineTo(w - 1, h - 1);
    C->LineTo(0, h - 1);
}

int TCustomTodoList::ItemHeight() const {
    return listBox_->ItemHeight() - (listBox_->Preview() ? previewHeight_ : 0);
}

void TCustomTodoList::SetItemHeight(int Value) {
    listBox_->SetItemHeight(listBox_->Preview() ? previewHeight_ + Value : Value);
}

void TCustomTodoList::SetPreview(bool Value) {
    // The cell band keeps its height: read it before the band's meaning changes.
    const int h = ItemHeight();
    listBox_->SetPreview(Value);
    SetItemHeight(h);
}

void TCustomTodoList::SetPreviewHeight(int Value) {
    const int h = ItemHeight();
    previewHeight_ = Value;
    SetItemHeight(h);
}

void TCustomTodoList::SetDateFormat(const AnsiString& Value) {
    listBox_->DateFormat = Value;
    listBox_->Invalidate();
}

void TCustomTodoList::SetCompletionGraphic(bool Value) {
    completionGraphic_ = Value;
    listBox_->Invalidate();
}

void TCustomTodoList::SetHintShowFullText(bool Value) {
    hintShowFullText_ = Value;
    listBox_->SetShowHint(Value);
}

TTodoItem* TCustomTodoList::Selected() const {
    const int i = listBox_->ItemIndex();
    return i >= 0 && i < Items()->Count() ? Items()->Items(i) : nullptr;
}

void TCustomTodoList::SetSelected(TTodoItem* Item) {
    listBox_->SetItemIndexEx(Item ? Item->Index() : -1);
}

AnsiString TCustomTodoList::StatusToString(TTodoStatus Value) {
    AnsiString s = statusStrings_->Text(Value);
    if (OnStatusToString) OnStatusToString(this, Value, s);
    return s;
}

AnsiString TCustomTodoList::PriorityToString(TTodoPriority Value) {
    AnsiString s = priorityStrings_->Text(Value);
    if (OnPriorityToString) OnPriorityToString(this, Value, s);
    return s;
}

TTodoStatus TCustomTodoList::StringToStatus(const AnsiString& S) {
    TTodoStatus v = statusStrings_->StringToStatus(S);
    if (OnStringToStatus) OnStringToStatus(this, SysUtils::AnsiLowerCase(S), v);
    return v;
}

TTodoPriority TCustomTodoList::StringToPriority(const AnsiString& S) {
    TTodoPriority v = priorityStrings_->StringToPriority(S);
    if (OnStringToPriority) OnStringToPriority(this, SysUtils::AnsiLowerCase(S), v);
    return v;
}

TTodoColumnItem* TCustomTodoList::AddColumn(TTodoData Data, const AnsiString& Caption) {
    TTodoColumnItem* c = Columns()->Add();
    c->SetTodoData(Data);
    c->SetCaption(Caption);
    return c;
}

void TCustomTodoList::RemoveColumn(TTodoData Data) {
    TTodoColumnItem* c = Columns()->FindKind(Data);
    if (!c) return;
    HideEditor();
    delete c;
    // The focused column and the sort column stay within the columns.
    listBox_->SetEditColumn(listBox_->EditColumn());
}

void TCustomTodoList::LoadColumns(const AnsiString& Name) {
    HideEditor();
    Columns()->LoadFromFile(Name);
    listBox_->SetEditColumn(listBox_->EditColumn());
    ColumnsChanged();
}

void TCustomTodoList::SetSorted(bool Value) {
    sorted_ = Value;
    header_->SetSortShow(Value);
    if (Value) Sort();
}

void TCustomTodoList::SetSortColumn(int Value) {
    if (Value == sortColumn_) return;
    sortColumn_ = Value;
    header_->SetSortedSection(Value);
    if (sorted_) Sort();
}

void TCustomTodoList::SetSortDirection(TSortDirection Value) {
    if (Value == sortDirection_) return;
    sortDirection_ = Value;
    header_->SetSortDirection(Value);
    if (sorted_) Sort();
}

void TCustomTodoList::Sort() {
    int selected = listBox_->ItemIndex();
    // A sort column that is no column sorts nothing.
    if (!Items()->SortByColumn(*Columns(), sortColumn_, sortDirection_, selected)) return;
    listBox_->SetItemIndexEx(selected);
    listBox_->Invalidate();
    ListSelect();
}

void TCustomTodoList::ListSelect() { ItemSelect(Selected()); }

void TCustomTodoList::ItemSelect(TTodoItem* Item) {
    if (OnItemSelect) OnItemSelect(this, Item);
}

bool TCustomTodoList::AllowAutoInsert(TTodoItem* Item) {
    bool allow = true;
    if (OnItemInsert) OnItemInsert(this, Item, allow);
    return allow;
}

bool TCustomTodoList::AllowAutoDelete(TTodoItem* Item) {
    bool allow = true;
    if (OnItemDelete) OnItemDelete(this, Item, allow);
    return allow;
}

void TCustomTodoList::EditStart() {
    if (OnEditStart) OnEditStart(this);
}

void TCustomTodoList::EditDone(TTodoData, TTodoItem*) {
    if (OnEditDone) OnEditDone(this);
}

void TCustomTodoList::ColumnsChanged() {
    if (HasState(csLoading) || !header_) return;
    TStrings* sections = header_->Sections();
    {
        UpdateGuard update(*sections);
        while (sections->Count() > Columns()->Count()) sections->Delete(sections->Count() - 1);
        while (sections->Count() < Columns()->Count()) sections->Add("");
        for (int i = 0; i < Columns()->Count(); ++i) sections->Put(i, Columns()->Items(i)->Caption());
    }
    for (int i = 0; i < Columns()->Count(); ++i) header_->SetSectionWidth(i, Columns()->Items(i)->Width());
}

void TCustomTodoList::Loaded() {
    TCustomControl::Loaded();
    listBox_->SynchItems();
    ColumnsChanged();
}

void TCustomTodoList::HeaderPressed(int Section, bool Inside) {
    HideEditor();
    // A press away from a section's edges sorts by its column; the row handle sorts nothing.
    if (!Inside || Section < 0 || Section >= Columns()->Count() || Columns()->Items(Section)->TodoData() == tdHandle)
        return;
    if (Section == SortColumn())
        SetSortDirection(SortDirection() == sdAscending ? sdDescending : sdAscending);
    else
        SetSortColumn(Section);
}

void TCustomTodoList::HeaderSized(int Section, int Width) {
    if (Section >= 0 && Section < Columns()->Count()) Columns()->Items(Section)->SetWidth(Width);
}

void TCustomTodoList::HeaderDragged(int From, int To) {
    if (From < 0 || From >= Columns()->Count() || To < 0 || To >= Columns()->Count()) return;
    HideEditor();
    // The sort mark and the focused cell stay with their columns.
    const auto follow = [From, To](int index) {
        if (index == From) return To;
        if (From < To && index > From && index <= To) return index - 1;
        if (To < From && index >= To && index < From) return index + 1;
        return index;
    };
    const int sortColumn = follow(sortColumn_);
    const int editColumn = follow(listBox_->EditColumn());
    Columns()->Items(From)->SetIndex(To);
    sortColumn_ = sortColumn;
    header_->SetSortedSection(sortColumn);
    listBox_->SetEditColumn(editColumn);
    ColumnsChanged();
    listBox_->Invalidate();
    if (OnHeaderDragDrop) OnHeaderDragDrop(this, From, To);
}
