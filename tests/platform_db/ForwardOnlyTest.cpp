// A forward-only cursor on the server: rows read from SQLite as the data set moves on.
#include <string>
#include <vector>

#include "DbFixture.h"

namespace {

class ForwardOnly : public dbtest::Db {
protected:
    void SetUp() override {
        Db::SetUp();
        // Odd values as other programs leave them: a date as text, a real in an integer column, and
        // an expression whose first value comes late and whose type a later value does not have.
        Sql("insert into termine (StartTime, EndTime, Subject, Notes, Terminart, Alarm, Adressnummer, Benutzer) values "
            "(39146.25, 39146.5, 'eins', NULL, 0, 0, NULL, 'anna'),"
            "('2007-03-06 14:00', 39147.0, 'zwei', 'Notiz', 5, 1, 12, 'alle'),"
            "(39148.75, 'kein Datum', NULL, '', 4.5, 0, NULL, 'anna'),"
            "(39149.0, 39149.0, 'vier', 'x', 6, 2, 7, 'anna')");
        conn.SetConnectionString(connectionString());
    }

    static constexpr const char* kQuery =
        "select StartTime, EndTime, Subject, Notes, Terminart, Alarm, Adressnummer, "
        "case when Terminart = 5 then Adressnummer when Terminart = 6 then 'sechs' end as Extra "
        "from termine order by rowid";

    void Prepare(TADODataSet& ds, bool forwardOnly) {
        ds.SetConnection(&conn);
        ds.SetCommandText(kQuery);
        if (forwardOnly) {
            ds.SetCursorLocation(clUseServer);
            ds.SetCursorType(ctOpenForwardOnly);
        }
    }

    // Every field of the current record as each conversion reads it, an error by its message.
    static std::string Reading(TDataSet& ds) {
        std::string out;
        for (int i = 0; i < ds.FieldCount(); ++i) {
            TField* f = ds.Fields()->Fields(i);
            out += f->FieldName() + (f->IsNull() ? "=null" : "=");
            try {
                out += f->AsString();
            } catch (const std::exception& e) {
                out += std::string("<") + e.what() + ">";
            }
            try {
                out += " / " + SysUtils::FloatToStr(f->AsFloat());
            } catch (const std::exception& e) {
                out += std::string(" / <") + e.what() + ">";
            }
            out += "; ";
        }
        return out;
    }

    TADOConnection conn{nullptr};
};

TEST_F(ForwardOnly, ReadsEachRecordAsTheWholeResultHoldsIt) {
    TADODataSet whole(nullptr), cursor(nullptr);
    Prepare(whole, false);
    Prepare(cursor, true);
    EXPECT_FALSE(whole.IsUniDirectional());
    EXPECT_TRUE(cursor.IsUniDirectional());
    whole.Open();
    cursor.Open();
    ASSERT_EQ(whole.RecordCount(), 4);

    std::vector<std::string> expected, read;
    for (whole.First(); !whole.Eof(); whole.Next()) expected.push_back(Reading(whole));
    int records = 0;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) {
        read.push_back(Reading(cursor));
        // It counts what it has read, not what is still to come.
        EXPECT_EQ(cursor.RecordCount(), ++records);
        EXPECT_EQ(cursor.RecNo(), records);
    }
    EXPECT_EQ(read, expected);
    // The expression took its type from its first value, as the whole result gives it.
    for (int i = 0; i < whole.FieldCount(); ++i)
        EXPECT_EQ(cursor.Fields()->Fields(i)->DataType(), whole.Fields()->Fields(i)->DataType())
            << whole.Fields()->Fields(i)->FieldName();
    // At the end the last record stays the current one.
    EXPECT_EQ(cursor.FieldByName("Subject")->AsString(), "vier");
    EXPECT_EQ(cursor.MoveBy(1), 0);
    EXPECT_TRUE(cursor.Eof());

    // Opened again, it reads from the start.
    cursor.Close();
    cursor.Open();
    EXPECT_EQ(cursor.FieldByName("Subject")->AsString(), "eins");
    cursor.Next();
    cursor.Refresh();
    EXPECT_EQ(cursor.FieldByName("Subject")->AsString(), "eins");
    EXPECT_EQ(cursor.RecordCount(), 1);
}

TEST_F(ForwardOnly, NeverGoesBackAndChangesNothing) {
    TADODataSet cursor(nullptr);
    Prepare(cursor, true);
    cursor.SetCommandText("select * from termine order by rowid");
    cursor.Open();
    EXPECT_TRUE(cursor.Bof());
    EXPECT_FALSE(cursor.Eof());
    cursor.First();   // still on the first record
    EXPECT_FALSE(cursor.CanModify());
    EXPECT_THROW(cursor.Edit(), EDatabaseError);
    EXPECT_THROW(cursor.Append(), EDatabaseError);
    EXPECT_THROW(cursor.Delete(), EDatabaseError);
    EXPECT_EQ(cursor.MoveBy(2), 2);
    EXPECT_FALSE(cursor.Bof());
    EXPECT_EQ(cursor.FieldByName("Subject")->IsNull(), true);
    EXPECT_THROW(cursor.First(), EDatabaseError);
    EXPECT_THROW(cursor.Prior(), EDatabaseError);
    EXPECT_THROW(cursor.Last(), EDatabaseError);
    EXPECT_THROW(cursor.SetRecNo(1), EDatabaseError);
    EXPECT_THROW(cursor.Locate("Subject", Variant("eins")), EDatabaseError);
    // A refused move leaves the record where it was.
    EXPECT_EQ(cursor.RecNo(), 3);
    EXPECT_EQ(Scalar("select count(*) from termine"), "4");

    // Without rows it is empty at once.
    cursor.SetCommandText("select * from termine where Subject = 'keiner'");
    cursor.Open();
    EXPECT_TRUE(cursor.IsEmpty());
    EXPECT_TRUE(cursor.Eof() && cursor.Bof());
    EXPECT_EQ(cursor.RecordCount(), 0);
    EXPECT_EQ(cursor.RecNo(), 0);
    EXPECT_EQ(cursor.FieldByName("Subject")->AsString(), "");
}

TEST_F(ForwardOnly, ClosedHalfwayItLetsOtherProgramsWriteAgain) {
    // The file keeps its rollback journal: a statement still reading holds a lock that keeps
    // writers out. Closing the data set ends the statement, whatever it had left to read.
    ASSERT_EQ(Scalar("pragma journal_mode"), "delete");
    TADODataSet cursor(nullptr);
    Prepare(cursor, true);
    cursor.Open();
    cursor.Next();
    ASSERT_FALSE(cursor.Eof());
    cursor.Close();
    ASSERT_TRUE(conn.Connected());
    Sql("update termine set Subject = 'geändert' where Subject = 'eins'");
    EXPECT_EQ(Scalar("select Subject from termine where rowid = 1"), "geändert");
}

} // namespace
