// The data-bound to-do list over the task table of a real SQLite file.
#include <regex>
#include <vector>

#include "ADODB.h"
#include "DBTodoList.h"
#include "EmptyDatabase.h"
#include "HeldLock.h"
#include "TempDir.h"
#include "TodoListViewSupport.h"

using namespace todoview;

namespace {

class DBTodoListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override {
        SysUtils::SetClock([] { return TDateTime(45000.25); });
        testsupport::CreateEmptyDatabase(dir.file("zorbelin.mde"));
        conn = std::make_unique<TADOConnection>(nullptr);
        conn->SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file("zorbelin.mde"));
        conn->SetLoginPrompt(false);
        conn->Open();
        // The task table as the program's schema makes it.
        const std::string schema = SysUtils::ReadFileBytes(ZB_SCHEMA_FILE);
        const auto start = schema.find("CREATE TABLE IF NOT EXISTS Aufgaben");
        ASSERT_NE(start, std::string::npos);
        conn->Execute(schema.substr(start, schema.find(");", start) + 1 - start));
        for (const char* row : {"('Einkaufen', 'Milch', 0, 45000, 10, 45001, 2, 0, 'k1')",
                                "('Kochen', '', 1, 45000, 100, 45002, 3, 1, 'k2')",
                                "('Putzen', NULL, 0, 45000, 0, 45003, 9, 2, 'k3')"})
            conn->Execute(std::string("INSERT INTO Aufgaben (Betreff, Memo, Fertig, Eingefuegt, ProzentFertig, "
                                      "FertigDatum, Prioritaet, Status, \"Key\") VALUES ") + row);

        form = new TForm(nullptr);
        form->SetBounds(0, 0, 500, 300);
        table = new TADODataSet(form);
        table->SetConnection(conn.get());
        table->SetCommandType(cmdTable);
        table->SetCommandText("Aufgaben");
        source = new TDataSource(form);
        source->SetDataSet(table);
        list = new TDBTodoList(form);
        list->SetParent(form);
        list->SetBounds(0, 0, 450, 200);
        list->AddColumn(tdComplete, "Ok")->SetWidth(25);
        list->AddColumn(tdSubject, "Betreff")->SetWidth(200);
        list->AddColumn(tdCompletion, "Fertig")->SetWidth(100);
        TTodoFields* f = list->TodoFields();
        f->SubjectField = "Betreff";
        f->NotesField = "Memo";
        f->CompleteField = "Fertig";
        f->CreationDateField = "Eingefuegt";
        f->CompletionField = "ProzentFertig";
        f->CompletionDateField = "FertigDatum";
        f->PriorityField = "Prioritaet";
        f->StatusField = "Status";
        f->KeyField = "Key";
        list->SetDataSource(source);
        form->Show();
    }

    void TearDown() override {
        delete form;
        conn.reset();
        SysUtils::SetClock(nullptr);
    }

    // A value in the file, read through a connection of its own.
    std::string Stored(const std::string& column, const std::string& key) {
        TADOQuery q(nullptr);
        q.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file("zorbelin.mde"));
        q.SQL()->SetText("SELECT " + column + " FROM Aufgaben WHERE [Key] = '" + key + "'");
        q.Open();
        return q.IsEmpty() ? "<none>" : q.Fields()->Fields(0)->AsString();
    }
    int StoredCount() {
        TADOQuery q(nullptr);
        q.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir.file("zorbelin.mde"));
        q.SQL()->SetText("SELECT COUNT(*) FROM Aufgaben");
        q.Open();
        return q.Fields()->Fields(0)->AsInteger();
    }

    testsupport::TempDir dir;
    std::unique_ptr<TADOConnection> conn;
    TForm* form = nullptr;
    TADODataSet* table = nullptr;
    TDataSource* source = nullptr;
    TDBTodoList* list = nullptr;
};

} // namespace

TEST_F(DBTodoListTest, OpeningLoadsEveryRecordAndKeepsTheCursor) {
    int selections = 0;
    list->OnItemSelect = [&](TObject*, TTodoItem*) { ++selections; };
    table->Open();
    table->SetRecNo(2);
    table->Close();
    EXPECT_EQ(list->Items()->Count(), 0);
    table->Open();
    table->SetRecNo(2);
    list->Items()->Clear();
    list->SyncItems();
    ASSERT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(selections, 0);
    TTodoItem* a = list->Items()->Items(0);
    EXPECT_EQ(a->Subject(), "Einkaufen");
    EXPECT_EQ(a->DBKey, "k1");
    EXPECT_EQ(a->GetNotesLine(), "Milch");
    EXPECT_EQ(a->Completion(), 10);
    EXPECT_EQ(a->Priority(), TTodoPriority::tpNormal);
    TTodoItem* b = list->Items()->Items(1);
    EXPECT_TRUE(b->Complete());
    EXPECT_EQ(b->Status(), tsCompleted);
    EXPECT_DOUBLE_EQ(b->CompletionDate().Val, 45002.0);
    // A priority beyond the five reads as normal.
    EXPECT_EQ(list->Items()->Items(2)->Priority(), TTodoPriority::tpNormal);
    EXPECT_EQ(list->Items()->Items(2)->Status(), tsInProgress);
    table->Close();
    EXPECT_EQ(list->Items()->Count(), 0);
}

TEST_F(DBTodoListTest, SelectionAndCursorFollowEachOther) {
    table->Open();
    ASSERT_EQ(list->Items()->Count(), 3);
    list->ListBox()->SetFocus();
    RunUntil([&] { return list->ListBox()->Focused(); });
    list->SetEditable(false);
    Click(list->ListBox(), 100, 18 * 2 + 5);
    EXPECT_EQ(table->FieldByName("Key")->AsString(), "k3");
    table->First();
    EXPECT_EQ(list->ListBox()->ItemIndex(), 0);
    table->Locate("Key", Variant("k2"));
    EXPECT_EQ(list->Selected()->DBKey, "k2");
}

TEST_F(DBTodoListTest, ASubjectEditWritesOnlyThatField) {
    table->Open();
    list->SetSelected(list->Items()->Items(1));
    conn->Execute("UPDATE Aufgaben SET ProzentFertig = 55 WHERE [Key] = 'k2'");
    list->ShowEditor(1, 1);
    list->ListBox()->TextEditor()->SetText("Backen");
    list->HideEditor();
    EXPECT_EQ(Stored("Betreff", "k2"), "Backen");
    EXPECT_EQ(Stored("ProzentFertig", "k2"), "55");   // the other program's value stays
    EXPECT_EQ(Stored("Betreff", "k1"), "Einkaufen");
}

TEST_F(DBTodoListTest, ACompletionClickWritesCompletionAndComplete) {
    table->Open();
    list->ListBox()->StartEdit(0, 2, true, WM_LBUTTONDOWN, 324, 5, 0);
    EXPECT_EQ(Stored("ProzentFertig", "k1"), "100");
    EXPECT_EQ(Stored("Fertig", "k1"), "True");
}

TEST_F(DBTodoListTest, InsertMakesAGuidKeyAndTheFirstEditPostsTheRecord) {
    table->Open();
    list->AutoInsertItem = true;
    list->ListBox()->SetFocus();
    RunUntil([&] { return list->ListBox()->Focused(); });
    Key(list->ListBox(), Qt::Key_Insert);
    ASSERT_EQ(list->Items()->Count(), 4);
    TTodoItem* item = list->Items()->Items(3);
    EXPECT_TRUE(std::regex_match(item->DBKey, std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})")))
        << item->DBKey;
    EXPECT_EQ(table->State(), dsInsert);
    ASSERT_EQ(list->ListBox()->ActiveEditor(), list->ListBox()->TextEditor());
    list->ListBox()->TextEditor()->SetText("Neu");
    Key(list->ListBox()->TextEditor(), Qt::Key_Return);
    EXPECT_EQ(StoredCount(), 4);
    EXPECT_EQ(Stored("Betreff", item->DBKey), "Neu");
    EXPECT_EQ(Stored("Eingefuegt", item->DBKey), "15.03.2023 06:00:00");
}

TEST_F(DBTodoListTest, AKeyFromTheEventIsUsed) {
    table->Open();
    list->OnCreateDBKey = [](TObject*, TTodoItem*, AnsiString& key) { key = "4711"; };
    TTodoItem* item = list->CreateItem();
    EXPECT_EQ(item->DBKey, "4711");
    table->Post();
    EXPECT_EQ(Stored("[Key]", "4711"), "4711");
}

TEST_F(DBTodoListTest, DeleteRemovesTheRecordByItsKey) {
    table->Open();
    list->AutoDeleteItem = true;
    list->SetSelected(list->Items()->Items(0));
    list->ListBox()->SetFocus();
    RunUntil([&] { return list->ListBox()->Focused(); });
    Key(list->ListBox(), Qt::Key_Delete);
    EXPECT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(StoredCount(), 2);
    EXPECT_EQ(Stored("Betreff", "k1"), "<none>");
}

TEST_F(DBTodoListTest, ARecordGoneElsewhereIsNotReplacedByTheCurrentOne) {
    table->Open();
    TTodoItem* ghost = list->Items()->Items(0);
    ghost->DBKey = "gone";
    table->Locate("Key", Variant("k2"));
    list->UpdateItem(ghost);
    list->FreeItem(list->Items()->Items(0));
    EXPECT_EQ(StoredCount(), 3);
    EXPECT_EQ(Stored("Betreff", "k2"), "Kochen");
}

TEST_F(DBTodoListTest, WithoutAKeyFieldNothingIsWrittenBack) {
    list->TodoFields()->KeyField = "";
    table->Open();
    ASSERT_EQ(list->Items()->Count(), 3);
    list->AutoDeleteItem = true;
    list->SetSelected(list->Items()->Items(0));
    list->ListBox()->SetFocus();
    RunUntil([&] { return list->ListBox()->Focused(); });
    Key(list->ListBox(), Qt::Key_Delete);
    EXPECT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(StoredCount(), 3);
}

TEST_F(DBTodoListTest, AChangedRecordReachesOnlyItsOwnItem) {
    table->Open();
    list->SetSelected(list->Items()->Items(0));
    // A record whose key no item holds must not overwrite the selected item.
    table->Locate("Key", Variant("k3"));
    list->Items()->Items(2)->DBKey = "other";
    table->Edit();
    table->FieldByName("Betreff")->SetAsString("Fenster");
    table->Post();
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "Einkaufen");
    EXPECT_EQ(list->Items()->Items(0)->DBKey, "k1");
    // The item that holds the key follows.
    table->Locate("Key", Variant("k2"));
    table->Edit();
    table->FieldByName("Betreff")->SetAsString("Braten");
    table->Post();
    EXPECT_EQ(list->Items()->Items(1)->Subject(), "Braten");
}

TEST_F(DBTodoListTest, AnErrorLeavesTheListFollowingTheDataSet) {
    list->TodoFields()->ResourceField = "Ressource";   // no such column
    EXPECT_THROW(table->Open(), EDatabaseError);
    list->TodoFields()->ResourceField = "";
    EXPECT_FALSE(list->DBBusy());
    table->Close();
    table->Open();
    EXPECT_EQ(list->Items()->Count(), 3);
    table->Locate("Key", Variant("k2"));
    EXPECT_EQ(list->Selected()->DBKey, "k2");
}

TEST_F(DBTodoListTest, ChangesTheTableRefusesLeaveNoTrace) {
    table->Open();
    list->AutoInsertItem = true;
    testsupport::HeldLock held = testsupport::HeldLock::ExclusiveDatabase(dir.file("zorbelin.mde"));
    ASSERT_TRUE(held.Held());
    // Another program holds the file: the edit's error goes to the caller, the item shows its record.
    TTodoItem* cooking = list->Items()->Items(1);
    list->SetSelected(cooking);
    list->ShowEditor(1, 1);
    list->ListBox()->TextEditor()->SetText("Backen");
    EXPECT_THROW(list->HideEditor(), EDatabaseError);
    EXPECT_EQ(cooking->Subject(), "Kochen");
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_FALSE(list->DBBusy());
    // With a handler it hears why; a new task whose record the table refused goes.
    std::vector<std::string> errors;
    list->OnDBError = [&](TObject* sender, const AnsiString& message) {
        EXPECT_EQ(sender, list);
        errors.push_back(message);
    };
    list->ListBox()->SetFocus();
    RunUntil([&] { return list->ListBox()->Focused(); });
    Key(list->ListBox(), Qt::Key_Insert);
    ASSERT_EQ(list->Items()->Count(), 4);
    list->ListBox()->TextEditor()->SetText("Neu");
    Key(list->ListBox()->TextEditor(), Qt::Key_Return);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_FALSE(errors[0].empty());
    EXPECT_EQ(list->Items()->Count(), 3);
    EXPECT_EQ(table->State(), dsBrowse);
    // Free again, the table takes the next change.
    held.Release();
    list->ShowEditor(1, 1);
    list->ListBox()->TextEditor()->SetText("Backen");
    list->HideEditor();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(Stored("Betreff", "k2"), "Backen");
    EXPECT_EQ(StoredCount(), 3);
}

TEST_F(DBTodoListTest, RemovingTheDataSourceEmptiesTheList) {
    table->Open();
    ASSERT_EQ(list->Items()->Count(), 3);
    delete source;
    source = nullptr;
    EXPECT_EQ(list->DataSource(), nullptr);
    EXPECT_EQ(list->Items()->Count(), 0);
}
