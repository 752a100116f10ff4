// The data-bound to-do list.
#include "DBTodoList.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>

namespace {

// The busy flag is set for the list's own moves and changes of the data set; an error on the way
// clears it too, or the list would stop following the data set for good.
using BusyScope = ScopedFlag;

// A new GUID in its text form: braces, 8-4-4-4-12 upper-case hex digits (random, version 4).
AnsiString NewGuidText() {
    static std::mt19937_64 rng{std::random_device{}()};
    std::uint64_t hi = rng(), lo = rng();
    hi = (hi & ~0xF000ull) | 0x4000ull;
    lo = (lo & ~(0xC0ull << 56)) | (0x80ull << 56);
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(hi >> 32),
                  static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                  static_cast<unsigned>(lo >> 48), static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFull));
    return buf;
}

// Notes as one text: lines joined by CR LF, without a break after the last one.
AnsiString NotesText(const TStrings* notes) {
    AnsiString s;
    for (int i = 0; i < notes->Count(); ++i) {
        if (i > 0) s += "\r\n";
        s += notes->Get(i);
    }
    return s;
}

} // namespace

void TTodoFields::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TTodoFields*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    *this = *s;
}

// ---- the data link ---------------------------------------------------------------------------------------
void TDBTodoListDataLink::ActiveChanged() {
    TDataLink::ActiveChanged();
    list_->SyncItems();
}

void TDBTodoListDataLink::DataSetScrolled(int Distance) {
    TDataLink::DataSetScrolled(Distance);
    if (!list_->busy_) list_->SyncCursor();
}

void TDBTodoListDataLink::RecordChanged(TField* Field) {
    TDataLink::RecordChanged(Field);
    if (!list_->busy_) list_->SyncRecord();
}

// ---- TDBTodoList ---------------------------------------------------------------------------------------------
TDBTodoList::TDBTodoList(TComponent* AOwner)
    : TCustomTodoList(AOwner), link_(std::make_unique<TDBTodoListDataLink>(this)),
      fields_(std::make_unique<TTodoFields>()) {}

TDBTodoList::~TDBTodoList() {
    link_->SetDataSource(nullptr);
    link_.reset();
    fields_.reset();
}

void TDBTodoList::SetDataSource(TDataSource* Value) {
    if (Value == link_->DataSource()) return;
    if (Value) Value->FreeNotification(this);
    link_->SetDataSource(Value);
}

void TDBTodoList::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomTodoList::Notification(AComponent, Operation);
    if (Operation == opRemove && link_ && AComponent == link_->DataSource()) {
        link_->SetDataSource(nullptr);
        Items()->Clear();
    }
}

TDataSet* TDBTodoList::UsableDataSet() const {
    if (!link_ || !link_->DataSource() || !link_->Active()) return nullptr;
    TDataSet* ds = link_->DataSource()->DataSet();
    return ds && ds->Active() ? ds : nullptr;
}

bool TDBTodoList::DataSetUsable() const { return UsableDataSet() != nullptr; }

void TDBTodoList::DBRead(TDataSet* DataSet, TTodoItem* Item) {
    const TTodoFields& f = *fields_;
    const auto field = [&](const AnsiString& name) { return DataSet->FieldByName(name); };
    if (!f.KeyField.empty()) Item->DBKey = field(f.KeyField)->AsString();
    if (!f.SubjectField.empty()) Item->SetSubject(field(f.SubjectField)->AsString());
    if (!f.NotesField.empty()) Item->Notes()->SetText(field(f.NotesField)->AsString());
    // Ordinals outside their range (another program's values) read as the defaults.
    if (!f.StatusField.empty()) {
        const int v = field(f.StatusField)->AsInteger();
        Item->SetStatus(v >= 0 && v < TodoStatusCount ? static_cast<TTodoStatus>(v) : tsNotStarted);
    }
    if (!f.PriorityField.empty()) {
        const int v = field(f.PriorityField)->AsInteger();
        Item->SetPriority(v >= 0 && v < TodoPriorityCount ? static_cast<TTodoPriority>(v) : TTodoPriority::tpNormal);
    }
    if (!f.CreationDateField.empty()) Item->SetCreationDate(field(f.CreationDateField)->AsDateTime());
    if (!f.DueDateField.empty()) Item->SetDueDate(field(f.DueDateField)->AsDateTime());
    if (!f.CompletionDateField.empty()) Item->SetCompletionDate(field(f.CompletionDateField)->AsDateTime());
    if (!f.CompleteField.empty()) Item->SetComplete(field(f.CompleteField)->AsBoolean());
    if (!f.CompletionField.empty()) Item->SetCompletion(field(f.CompletionField)->AsInteger());
    if (!f.ResourceField.empty()) Item->SetResource(field(f.ResourceField)->AsString());
    if (!f.ProjectField.empty()) Item->SetProject(field(f.ProjectField)->AsString());
}

void TDBTodoList::DBWrite(TDataSet* DataSet, TTodoItem* Item) {
    const TTodoFields& f = *fields_;
    const auto field = [&](const AnsiString& name) { return DataSet->FieldByName(name); };
    if (!f.KeyField.empty()) field(f.KeyField)->SetAsString(Item->DBKey);
    if (!f.SubjectField.empty()) field(f.SubjectField)->SetAsString(Item->Subject());
    if (!f.NotesField.empty()) field(f.NotesField)->SetAsString(NotesText(Item->Notes()));
    if (!f.StatusField.empty()) field(f.StatusField)->SetAsInteger(Item->Status());
    if (!f.PriorityField.empty()) field(f.PriorityField)->SetAsInteger(static_cast<int>(Item->Priority()));
    if (!f.CreationDateField.empty()) field(f.CreationDateField)->SetAsDateTime(Item->CreationDate());
    if (!f.DueDateField.empty()) field(f.DueDateField)->SetAsDateTime(Item->DueDate());
    if (!f.CompletionDateField.empty()) field(f.CompletionDateField)->SetAsDateTime(Item->CompletionDate());
    if (!f.CompleteField.empty()) field(f.CompleteField)->SetAsBoolean(Item->Complete());
    if (!f.CompletionField.empty()) field(f.CompletionField)->SetAsInteger(Item->Completion());
    if (!f.ResourceField.empty()) field(f.ResourceField)->SetAsString(Item->Resource());
    if (!f.ProjectField.empty()) field(f.ProjectField)->SetAsString(Item->Project());
}

bool TDBTodoList::LocateItem(TDataSet* DataSet, TTodoItem* Item) {
    return DataSet->Locate(fields_->KeyField, Variant(Item->DBKey));
}

template <class Change> bool TDBTodoList::Write(TDataSet* DataSet, TTodoItem* Item, Change&& Run) {
    try {
        Run();
    } catch (const SysUtils::Exception& e) {
        WriteFailed(DataSet, Item);
        if (!OnDBError) throw;
        OnDBError(this, e.Message);
        return false;
    }
    if (DataSet->State() != dsInsert) unposted_ = nullptr;
    return true;
}

void TDBTodoList::WriteFailed(TDataSet* DataSet, TTodoItem* Item) {
    BusyScope busy(busy_);
    try {
        DataSet->Cancel();
        // A new item whose record never reached the table goes; it would only look stored.
        if (TTodoItem* gone = std::exchange(unposted_, nullptr)) {
            bool held = false;
            for (int i = 0; i < Items()->Count() && !held; ++i) held = Items()->Items(i) == gone;
            if (gone == Item) Item = nullptr;
            if (held) delete gone;
        }
        // The item shows what its record holds.
        if (Item && !Item->DBKey.empty() && !fields_->KeyField.empty() && LocateItem(DataSet, Item))
            DBRead(DataSet, Item);
    } catch (const SysUtils::Exception&) {
        // The data set's own trouble: the caller hears of the first error.
    }
    ListBox()->Invalidate();
}

void TDBTodoList::SyncItems() {
    unposted_ = nullptr;
    TDataSet* ds = UsableDataSet();
    if (!ds) {
        Items()->Clear();
        return;
    }
    ds->DisableControls();
    const TBookmark mark = ds->GetBookmark();
    try {
        BusyScope busy(busy_);
        {
            UpdateGuard update(*ListBox());
            ds->First();
            while (!ds->Eof()) {
                DBRead(ds, Items()->Add());
                ds->Next();
            }
        }
        if (mark && ds->BookmarkValid(mark)) ds->GotoBookmark(mark);
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    ds->FreeBookmark(mark);
}

TTodoItem* TDBTodoList::SyncCursor() {
    TDataSet* ds = UsableDataSet();
    if (!ds || fields_->KeyField.empty() || ds->IsEmpty()) return nullptr;
    const AnsiString key = ds->FieldByName(fields_->KeyField)->AsString();
    for (int i = 0; i < Items()->Count(); ++i) {
        if (Items()->Items(i)->DBKey == key) {
            ListBox()->SetItemIndexEx(i);
            return Items()->Items(i);
        }
    }
    return nullptr;
}

void TDBTodoList::SyncRecord() {
    TDataSet* ds = UsableDataSet();
    if (!ds) return;
    // Only the item that holds the record's key takes its data; another selected item must not.
    if (TTodoItem* item = SyncCursor()) DBRead(ds, item);
}

bool TDBTodoList::DBInsert(TTodoItem* Item) {
    TDataSet* ds = UsableDataSet();
    if (!ds || !Item) return true;
    if (Item->DBKey.empty()) {
        if (OnCreateDBKey) {
            AnsiString key;
            OnCreateDBKey(this, Item, key);
            Item->DBKey = key;
        } else {
            Item->DBKey = NewGuidText();
        }
    }
    BusyScope busy(busy_);
    // The caller removes an item whose record the data set refused.
    if (unposted_ == Item) unposted_ = nullptr;
    if (!Write(ds, nullptr, [&] {
            ds->Insert();
            DBWrite(ds, Item);
        }))
        return false;
    unposted_ = Item;
    return true;
}

bool TDBTodoList::DBDelete(TTodoItem* Item) {
    TDataSet* ds = UsableDataSet();
    if (!ds || !Item || Item->DBKey.empty() || fields_->KeyField.empty()) return true;
    ds->FieldByName(fields_->KeyField);
    BusyScope busy(busy_);
    // A record that another program removed is not replaced by whatever record is current.
    return Write(ds, Item, [&] {
        if (LocateItem(ds, Item)) ds->Delete();
        if (unposted_ == Item) unposted_ = nullptr;
    });
}

void TDBTodoList::DBUpdate(TTodoItem* Item) {
    TDataSet* ds = UsableDataSet();
    if (!ds || !Item || Item->DBKey.empty() || fields_->KeyField.empty()) return;
    BusyScope busy(busy_);
    Write(ds, Item, [&] {
        if (!LocateItem(ds, Item)) return;
        ds->Edit();
        DBWrite(ds, Item);
        ds->Post();
    });
}

TTodoItem* TDBTodoList::CreateItem() {
    TTodoItem* item = Items()->Add();
    try {
        if (DBInsert(item)) return item;
    } catch (...) {
        delete item;
        throw;
    }
    delete item;
    return nullptr;
}

void TDBTodoList::FreeItem(TTodoItem* Item) {
    if (!Item || !DBDelete(Item)) return;
    if (unposted_ == Item) unposted_ = nullptr;
    delete Item;
}

void TDBTodoList::ItemSelect(TTodoItem* Item) {
    TCustomTodoList::ItemSelect(Item);
    TDataSet* ds = UsableDataSet();
    if (!Item || !ds || fields_->KeyField.empty()) return;
    BusyScope busy(busy_);
    // Moving on posts a new item's record: it may be refused there.
    Write(ds, nullptr, [&] { LocateItem(ds, Item); });
}

bool TDBTodoList::AllowAutoInsert(TTodoItem* Item) {
    return TCustomTodoList::AllowAutoInsert(Item) && DBInsert(Item);
}

bool TDBTodoList::AllowAutoDelete(TTodoItem* Item) {
    if (!TCustomTodoList::AllowAutoDelete(Item) || !DBDelete(Item)) return false;
    if (unposted_ == Item) unposted_ = nullptr;
    return true;
}

void TDBTodoList::EditDone(TTodoData Kind, TTodoItem* Item) {
    TCustomTodoList::EditDone(Kind, Item);
    TDataSet* ds = UsableDataSet();
    const TTodoFields& f = *fields_;
    if (!ds || !Item || Item->DBKey.empty() || f.KeyField.empty() || !ds->FindField(f.KeyField)) return;
    BusyScope busy(busy_);
    Write(ds, Item, [&] { WriteEdit(ds, Kind, Item); });
}

void TDBTodoList::WriteEdit(TDataSet* ds, TTodoData Kind, TTodoItem* Item) {
    const TTodoFields& f = *fields_;
    if (!LocateItem(ds, Item)) return;
    ds->Edit();
    const auto write = [&](const AnsiString& name, const auto& set) {
        if (!name.empty()) set(ds->FieldByName(name));
    };
    switch (Kind) {
    case tdSubject: write(f.SubjectField, [&](TField* x) { x->SetAsString(Item->Subject()); }); break;
    case tdCompletion:
        write(f.CompletionField, [&](TField* x) { x->SetAsInteger(Item->Completion()); });
        // The completion edit changes Complete too; the record keeps both in step.
        write(f.CompleteField, [&](TField* x) { x->SetAsBoolean(Item->Complete()); });
        break;
    case tdNotes: write(f.NotesField, [&](TField* x) { x->SetAsString(NotesText(Item->Notes())); }); break;
    case tdPriority: write(f.PriorityField, [&](TField* x) { x->SetAsInteger(static_cast<int>(Item->Priority())); }); break;
    case tdDueDate: write(f.DueDateField, [&](TField* x) { x->SetAsDateTime(Item->DueDate()); }); break;
    case tdStatus: write(f.StatusField, [&](TField* x) { x->SetAsInteger(Item->Status()); }); break;
    case tdComplete: write(f.CompleteField, [&](TField* x) { x->SetAsBoolean(Item->Complete()); }); break;
    case tdCompletionDate: write(f.CompletionDateField, [&](TField* x) { x->SetAsDateTime(Item->CompletionDate()); }); break;
    case tdCreationDate: write(f.CreationDateField, [&](TField* x) { x->SetAsDateTime(Item->CreationDate()); }); break;
    case tdResource: write(f.ResourceField, [&](TField* x) { x->SetAsString(Item->Resource()); }); break;
    case tdProject: write(f.ProjectField, [&](TField* x) { x->SetAsString(Item->Project()); }); break;
    case tdImage:
    case tdTotalTime:
    case tdHandle: break;
    }
    ds->Post();
}
