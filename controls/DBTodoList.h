#pragma once
// The to-do list bound to a data set: one item per record, fields named by TodoFields, a text key
// column that finds an item's record. The list follows the data set's cursor and records, and writes
// inserts, deletions and in-place edits back.
#include <memory>

#include "DB.h"
#include "TodoListView.h"

class TDBTodoList;

using TCreateDBKeyEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem, AnsiString& DBKey)>;
// A change the data set refused (Message says why).
using TDBErrorEvent = std::function<void(TObject* Sender, const AnsiString& Message)>;

// The names of the fields that feed the item properties; an empty name leaves a property unbound.
class TTodoFields : public TPersistent {
public:
    void Assign(TPersistent* Source) override;
    AnsiString SubjectField, NotesField, CompleteField, DueDateField, CreationDateField, CompletionField,
        CompletionDateField, ResourceField, PriorityField, StatusField, ImageField, KeyField, ProjectField;
};

class TDBTodoListDataLink : public TDataLink {
public:
    explicit TDBTodoListDataLink(TDBTodoList* List) : list_(List) {}
protected:
    void ActiveChanged() override;
    void DataSetScrolled(int Distance) override;
    void RecordChanged(TField* Field) override;
private:
    TDBTodoList* list_;
};

class TDBTodoList : public TCustomTodoList {
public:
    explicit TDBTodoList(TComponent* AOwner);
    ~TDBTodoList() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TTodoFields* TodoFields() const { return fields_.get(); }
    bool DBBusy() const { return busy_; }

    // The data source is set, its data set open and the link active.
    bool DataSetUsable() const;
    void DBRead(TDataSet* DataSet, TTodoItem* Item);
    void DBWrite(TDataSet* DataSet, TTodoItem* Item);
    // Starts a record for the item (left in insert state); makes its key when it has none.
    // Both answer false when the data set refused the change (with OnDBError assigned).
    bool DBInsert(TTodoItem* Item);
    bool DBDelete(TTodoItem* Item);
    void DBUpdate(TTodoItem* Item);
    // Reloads the items from the data set (or empties the list when it is not usable).
    void SyncItems();
    // Selects the item of the current record; answers it, or nullptr when no item has its key.
    TTodoItem* SyncCursor();
    // Reads the current record into its item.
    void SyncRecord();

    // The new item, or nullptr when the data set refused its record.
    TTodoItem* CreateItem();
    void FreeItem(TTodoItem* Item);
    void UpdateItem(TTodoItem* Item) { DBUpdate(Item); }

    TCreateDBKeyEvent OnCreateDBKey;
    // A write the data set refused leaves no trace in the list: the data set drops the change, the
    // item shows its record again (a new item that has none goes) and the error goes on to the
    // caller, or to this event when it is assigned.
    TDBErrorEvent OnDBError;

protected:
    void ItemSelect(TTodoItem* Item) override;
    bool AllowAutoInsert(TTodoItem* Item) override;
    bool AllowAutoDelete(TTodoItem* Item) override;
    void EditDone(TTodoData Kind, TTodoItem* Item) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TDBTodoListDataLink;
    TDataSet* UsableDataSet() const;
    // Finds the item's record; false (and nothing moved) when it is not there.
    bool LocateItem(TDataSet* DataSet, TTodoItem* Item);
    // Runs a change of the data set; false when it was refused (see OnDBError).
    template <class Change> bool Write(TDataSet* DataSet, TTodoItem* Item, Change&& Run);
    void WriteFailed(TDataSet* DataSet, TTodoItem* Item);
    // Locates the item's record and posts the field of the edited kind.
    void WriteEdit(TDataSet* DataSet, TTodoData Kind, TTodoItem* Item);
    // The item whose record the data set still holds unposted (inserted, not yet edited).
    TTodoItem* unposted_ = nullptr;
    std::unique_ptr<TDBTodoListDataLink> link_;
    std::unique_ptr<TTodoFields> fields_;
    bool busy_ = false;
};
