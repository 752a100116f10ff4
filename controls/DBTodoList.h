#pragma once
// The to-do list bound to a data set: one item per record, fields named by TodoFields, a text key
// column that finds an item's record. The list follows the data set's cursor and records, and writes
// inserts, deletions and in-place edits back.
#include <memory>

#include "DB.h"
#include "TodoListView.h"

class TDBTodoList;

using TCreateDBKeyEvent = std::function<void(TObject* Sender, TTodoItem* ATodoItem, AnsiString& DBKey)>;

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
    void DBInsert(TTodoItem* Item);
    void DBDelete(TTodoItem* Item);
    void DBUpdate(TTodoItem* Item);
    // Reloads the items from the data set (or empties the list when it is not usable).
    void SyncItems();
    // Selects the item of the current record; answers it, or nullptr when no item has its key.
    TTodoItem* SyncCursor();
    // Reads the current record into its item.
    void SyncRecord();

    TTodoItem* CreateItem();
    void FreeItem(TTodoItem* Item);
    void UpdateItem(TTodoItem* Item) { DBUpdate(Item); }

    TCreateDBKeyEvent OnCreateDBKey;

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
    std::unique_ptr<TDBTodoListDataLink> link_;
    std::unique_ptr<TTodoFields> fields_;
    bool busy_ = false;
};
