// Editing the task table through a data set, as the task window's list does.
#include <vector>

#include "DbFixture.h"

namespace {

class Tasks : public dbtest::Db {
protected:
    void SetUp() override {
        Db::SetUp();
        Sql("insert into Aufgaben (Betreff, Memo, Fertig, Eingefuegt, ProzentFertig, FertigDatum, Prioritaet, Status, \"Key\") values "
            "('Steuer', 'Belege sammeln', 0, 46000, 10, 46014.5, 3, 2, '{A}'),"
            "('Fenster', NULL, 1, 46001, 100, 46002, 1, 1, '{B}'),"
            "('Garten', 'Hecke', 0, 46002, 0, 46030, 2, 0, '{C}')");
        conn.SetConnectionString(connectionString());
        ds.SetConnection(&conn);
        ds.SetCommandType(cmdTable);
        ds.SetCommandText("Aufgaben");
    }

    std::vector<std::string> Keys() {
        std::vector<std::string> out;
        for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName("Key")->AsString());
        return out;
    }

    TADOConnection conn{nullptr};
    TADODataSet ds{nullptr};
};

TEST_F(Tasks, NavigationFlagsFollowTheClassLibrary) {
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Next();
    EXPECT_FALSE(ds.Bof());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{C}");
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Prior();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(-5), -1);
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{A}");
    ds.SetRecNo(2);
    EXPECT_EQ(ds.FieldByName("Betreff")->AsString(), "Fenster");
    EXPECT_THROW(ds.SetRecNo(4), EDatabaseError);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"{A}", "{B}", "{C}"}));

    Sql("delete from Aufgaben");
    ds.Requery();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_EQ(ds.FieldByName("Betreff")->AsString(), "");
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST_F(Tasks, InsertEditDeleteRoundTrip) {
    ds.Open();
    ASSERT_TRUE(ds.CanModify());
    ds.Append();
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName("Key")->SetAsString("{NEU}");
    ds.FieldByName("Betreff")->SetAsString("Betreff");
    ds.FieldByName("Memo")->SetAsString("Aufgabenstellung\r\n");
    ds.FieldByName("Prioritaet")->SetAsInteger(2);
    ds.FieldByName("Fertig")->SetAsBoolean(false);
    ds.FieldByName("FertigDatum")->SetAsDateTime(TDateTime(46010.25));
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(ds.RecNo(), 4);
    // Columns left out take the table's defaults, and the data set shows them.
    EXPECT_EQ(ds.FieldByName("Status")->AsString(), "0");
    EXPECT_EQ(Scalar("select Betreff || '|' || Memo || '|' || Prioritaet || '|' || Fertig from Aufgaben where \"Key\" = '{NEU}'"),
              "Betreff|Aufgabenstellung\r\n|2|0");
    // Dates are numbers in the file, never text.
    EXPECT_EQ(Scalar("select typeof(FertigDatum) || ' ' || FertigDatum from Aufgaben where \"Key\" = '{NEU}'"), "real 46010.25");

    ASSERT_TRUE(ds.Locate("Key", Variant("{B}")));
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    ds.FieldByName("ProzentFertig")->SetAsString("40");
    ds.FieldByName("Fertig")->SetAsBoolean(false);
    ds.Post();
    EXPECT_EQ(Scalar("select ProzentFertig || ',' || Fertig from Aufgaben where \"Key\" = '{B}'"), "40,0");
    EXPECT_EQ(ds.FieldByName("ProzentFertig")->AsInteger(), 40);

    ASSERT_TRUE(ds.Locate("Key", Variant("{A}")));
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{B}");   // the next record becomes current
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "3");
    EXPECT_EQ(Scalar("select count(*) from Aufgaben where \"Key\" = '{A}'"), "0");
    ds.Last();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{C}");   // deleting the last goes to the one before

    // What was written is what a fresh data set reads.
    TADODataSet again(nullptr);
    again.SetConnectionString(connectionString());
    again.SetCommandText("select * from Aufgaben order by [Key] desc");
    again.Open();
    std::vector<std::string> keys;
    for (; !again.Eof(); again.Next()) keys.push_back(again.FieldByName("Key")->AsString());
    EXPECT_EQ(keys, (std::vector<std::string>{"{C}", "{B}"}));
}

TEST_F(Tasks, OnlyChangedFieldsAreWritten) {
    ds.Open();
    ASSERT_TRUE(ds.Locate("Key", Variant("{C}")));
    ds.Edit();
    ds.FieldByName("Betreff")->SetAsString("Garten umgraben");
    // Another program changes another column of the same record meanwhile.
    Sql("update Aufgaben set ProzentFertig = 55 where \"Key\" = '{C}'");
    ds.Post();
    EXPECT_EQ(Scalar("select Betreff || ',' || ProzentFertig from Aufgaben where \"Key\" = '{C}'"), "Garten umgraben,55");
    // The posted record is read back, so the data set shows the other program's change too.
    EXPECT_EQ(ds.FieldByName("ProzentFertig")->AsInteger(), 55);
    // Edit and Post without a change write nothing.
    Sql("update Aufgaben set Betreff = 'anderswo geändert' where \"Key\" = '{C}'");
    ds.Edit();
    ds.Post();
    EXPECT_EQ(Scalar("select Betreff from Aufgaben where \"Key\" = '{C}'"), "anderswo geändert");
}

TEST_F(Tasks, MovingPostsAPendingChangeAndDropsAnUntouchedInsert) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Betreff")->SetAsString("Steuererklärung");
    ds.Next();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Scalar("select Betreff from Aufgaben where \"Key\" = '{A}'"), "Steuererklärung");

    // An inserted record stays unposted until the data set moves.
    ds.Insert();
    ds.FieldByName("Key")->SetAsString("{D}");
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "3");
    EXPECT_TRUE(ds.Locate("Key", Variant("{D}")));
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "4");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"{A}", "{D}", "{B}", "{C}"}));

    ds.Append();
    ds.Next();
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "4");
}

TEST_F(Tasks, CancelRestoresTheRecord) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Betreff")->SetAsString("anders");
    EXPECT_EQ(ds.FieldByName("Betreff")->AsString(), "anders");
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName("Betreff")->AsString(), "Steuer");
    ds.Insert();
    ds.FieldByName("Betreff")->SetAsString("nie");
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{A}");
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "3");
    // Fields can be assigned only while editing.
    EXPECT_THROW(ds.FieldByName("Betreff")->SetAsString("x"), EDatabaseError);
}

TEST_F(Tasks, AFailedPostKeepsTheEdit) {
    ds.Open();
    ds.Append();
    ds.FieldByName("Key")->SetAsString("{A}");   // the key exists already
    try {
        ds.Post();
        FAIL();
    } catch (const EADOError& e) {
        EXPECT_NE(e.Detail.find("UNIQUE"), std::string::npos) << e.Detail;
        EXPECT_NE(std::string(e.what()).find("gibt es in der Datenbank schon"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName("Key")->SetAsString("{E}");
    ds.Post();
    EXPECT_EQ(Scalar("select count(*) from Aufgaben"), "4");

    // A record another program removed cannot be updated; the data set says so.
    ASSERT_TRUE(ds.Locate("Key", Variant("{B}")));
    Sql("delete from Aufgaben where \"Key\" = '{B}'");
    ds.Edit();
    ds.FieldByName("Betreff")->SetAsString("weg");
    EXPECT_THROW(ds.Post(), EDatabaseError);
    ds.Cancel();
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST_F(Tasks, QueriesFindTheirRowsByPrimaryKey) {
    ds.SetCommandType(cmdText);
    ds.SetCommandText("select Betreff, [Key], Status from Aufgaben where Status < 2 order by Betreff");
    ds.Open();
    ASSERT_TRUE(ds.CanModify());
    ASSERT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("Betreff")->AsString(), "Fenster");
    ds.Edit();
    ds.FieldByName("Status")->SetAsInteger(3);
    ds.Post();
    EXPECT_EQ(Scalar("select Status from Aufgaben where \"Key\" = '{B}'"), "3");

    // Without the key among the fields, or with an expression, rows cannot be found again.
    ds.SetCommandText("select Betreff, Status from Aufgaben");
    ds.Open();
    EXPECT_FALSE(ds.CanModify());
    EXPECT_THROW(ds.Edit(), EDatabaseError);
    ds.SetCommandText("select count(*) as n from Aufgaben");
    ds.Open();
    EXPECT_FALSE(ds.CanModify());
    EXPECT_EQ(ds.FieldByName("n")->AsString(), "3");

    ds.SetCommandText("select * from Aufgaben");
    ds.SetLockType(ltReadOnly);
    ds.Open();
    EXPECT_FALSE(ds.CanModify());
}

TEST_F(Tasks, LocateAndBookmarks) {
    ds.Open();
    EXPECT_TRUE(ds.Locate("betreff", Variant("Garten")));
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{C}");
    EXPECT_FALSE(ds.Locate("Betreff", Variant("garten")));
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{C}");   // not found: the cursor stays
    EXPECT_TRUE(ds.Locate("Betreff", Variant("garten"), loCaseInsensitive));
    EXPECT_TRUE(ds.Locate("Betreff", Variant("Fen"), loPartialKey));
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{B}");
    EXPECT_TRUE(ds.Locate("Prioritaet", Variant(3)));
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{A}");
    EXPECT_TRUE(ds.Locate("Memo", Variant()));
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{B}");
    EXPECT_THROW(ds.Locate("Nichtda", Variant(1)), EDatabaseError);

    TBookmark mark = ds.GetBookmark();
    ds.First();
    ds.Insert();   // records before it move; the bookmark still names its record
    ds.FieldByName("Key")->SetAsString("{0}");
    ds.Post();
    ds.GotoBookmark(mark);
    EXPECT_EQ(ds.FieldByName("Key")->AsString(), "{B}");
    ds.Delete();
    EXPECT_FALSE(ds.BookmarkValid(mark));
    EXPECT_THROW(ds.GotoBookmark(mark), EDatabaseError);
    ds.FreeBookmark(mark);
}

class CountingLink : public TDataLink {
public:
    int active = 0, editing = 0, changed = 0, scrolled = 0, recordChanged = 0;
    TField* lastField = nullptr;
    int lastDistance = 0;

protected:
    void ActiveChanged() override { ++active; }
    void EditingChanged() override { ++editing; }
    void DataSetChanged() override { ++changed; TDataLink::DataSetChanged(); }
    void DataSetScrolled(int Distance) override { ++scrolled; lastDistance = Distance; }
    void RecordChanged(TField* Field) override { ++recordChanged; lastField = Field; }
};

TEST_F(Tasks, DataSourceTellsItsLinks) {
    TDataSource source(nullptr);
    CountingLink link;
    link.SetDataSource(&source);
    source.SetDataSet(&ds);
    EXPECT_FALSE(link.Active());
    std::vector<std::string> events;
    ds.AfterScroll = [&](TDataSet*) { events.push_back("scroll"); };
    ds.AfterPost = [&](TDataSet*) { events.push_back("post"); };
    ds.BeforeDelete = [&](TDataSet* d) { events.push_back("delete " + d->FieldByName("Key")->AsString()); };

    ds.Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(link.active, 1);
    ds.Next();
    ds.Next();
    EXPECT_EQ(link.scrolled, 2);
    EXPECT_EQ(link.lastDistance, 1);
    ds.First();
    EXPECT_EQ(link.lastDistance, -2);

    ds.Edit();
    EXPECT_TRUE(link.Editing());
    ds.FieldByName("Betreff")->SetAsString("x");
    EXPECT_EQ(link.lastField, ds.FieldByName("Betreff"));
    int changedBefore = link.changed;
    ds.Post();
    EXPECT_FALSE(link.Editing());
    EXPECT_EQ(link.editing, 2);
    EXPECT_GT(link.changed, changedBefore);
    ds.Delete();

    // While controls are disabled nothing reaches the links; enabling reports one change.
    int scrolledBefore = link.scrolled;
    changedBefore = link.changed;
    ds.DisableControls();
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next()) {}
    ds.EnableControls();
    EXPECT_EQ(link.changed, changedBefore);
    ds.EnableControls();
    EXPECT_EQ(link.scrolled, scrolledBefore);
    EXPECT_EQ(link.changed, changedBefore + 1);

    // A disabled data source makes its links inactive.
    source.SetEnabled(false);
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(link.active, 2);
    ds.Next();
    EXPECT_EQ(link.scrolled, scrolledBefore);
    source.SetEnabled(true);
    EXPECT_TRUE(link.Active());

    // AutoEdit lets a link start editing; without it the link cannot.
    EXPECT_TRUE(link.Edit());
    ds.Cancel();
    source.SetAutoEdit(false);
    EXPECT_FALSE(link.Edit());
    EXPECT_EQ(ds.State(), dsBrowse);

    ds.Close();
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(events.front(), "scroll");
    EXPECT_NE(std::find(events.begin(), events.end(), "post"), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "delete {A}"), events.end());
}

TEST_F(Tasks, ClosingAndFreeingInAnyOrder) {
    auto* source = new TDataSource(nullptr);
    auto* link = new CountingLink;
    link->SetDataSource(source);
    {
        TADODataSet local(nullptr);
        local.SetConnection(&conn);
        local.SetCommandText("select * from Aufgaben");
        source->SetDataSet(&local);
        local.Open();
        EXPECT_TRUE(link->Active());
    }
    EXPECT_EQ(source->DataSet(), nullptr);
    EXPECT_FALSE(link->Active());
    delete source;
    EXPECT_EQ(link->DataSource(), nullptr);
    delete link;
}

} // namespace
