// Values bound to a statement's placeholders: they reach the database as values, whatever they hold.
#include "DbFixture.h"
#include "JetSql.h"

namespace {

using dbtest::Db;

const std::string kHostile = "O'Brien'; drop table termine; --";

} // namespace

TEST(JetSqlParameters, PlaceholdersAreLeftAlone) {
    EXPECT_EQ(JetSql::Translate("where a = ? and b > #3/7/2007# and c = :name"),
              "where a = ? and b > 39148 and c = :name");
    // Inside a literal a question mark is text.
    EXPECT_EQ(JetSql::Translate("where a = \"?\" or b = '?'"), "where a = '?' or b = '?'");
}

TEST_F(Db, BoundValuesAreValuesNotSql) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    const TDateTime start(39148.75);
    EXPECT_EQ(c.Execute("insert into termine (StartTime, Subject, Benutzer, Alarm) values (?, ?, ?, true)",
                        {Variant(start), Variant(kHostile), Variant("anna")}),
              1);
    EXPECT_EQ(Scalar("select count(*) from sqlite_master where name = 'termine'"), "1");
    EXPECT_EQ(Scalar("select Subject from termine"), kHostile);
    // A date goes in as its day number, as a field writes it.
    EXPECT_EQ(Scalar("select typeof(StartTime) || ' ' || StartTime from termine"), "real 39148.75");

    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select Subject, StartTime from termine where Subject = ? and StartTime > #3/7/2007# "
                      "and StartTime < :upper and Benutzer = :user and Alarm = 1 and :upper > 0");
    ds.SetParameters({Variant(kHostile), Variant(TDateTime(39149)), Variant("ANNA")});
    ds.Open();
    ASSERT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("Subject")->AsString(), kHostile);
    EXPECT_EQ(double(ds.FieldByName("StartTime")->AsDateTime()), double(start));

    // New values take effect at the next opening.
    ds.SetParameters({Variant("O'Brien"), Variant(TDateTime(39149)), Variant("anna")});
    EXPECT_FALSE(ds.Active());
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 0);
}

TEST_F(Db, CommandAndQueryBindTheirParameters) {
    Sql("insert into BenutzerEinstellungen (Benutzer, NeedUpdate) values ('o''brien', 1), ('anna', 1)");
    TADOCommand cmd(nullptr);
    cmd.SetConnectionString(connectionString());
    cmd.SetCommandText("update BenutzerEinstellungen set NeedUpdate = false where Benutzer = ?");
    cmd.SetParameters({Variant("O'Brien")});
    EXPECT_EQ(cmd.Execute(), 1);
    EXPECT_EQ(Scalar("select group_concat(x) from (select Benutzer || NeedUpdate as x from BenutzerEinstellungen "
                     "order by Benutzer)"),
              "anna1,o'brien0");

    TADOQuery query(nullptr);
    query.SetConnectionString(connectionString());
    query.SQL()->Add("delete from BenutzerEinstellungen where Benutzer = :user or Benutzer = :user || 'x'");
    query.SetParameters({Variant("anna")});
    EXPECT_EQ(query.ExecSQL(), 1);
    EXPECT_EQ(Scalar("select count(*) from BenutzerEinstellungen"), "1");
}

TEST_F(Db, PlaceholdersAndValuesMustAgree) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    // A placeholder without a value is refused as it always was, and so is a value without one.
    EXPECT_THROW(c.Execute("delete from termine where Benutzer = ?"), EDatabaseError);
    EXPECT_THROW(c.Execute("delete from termine where Benutzer = ?", {Variant("a"), Variant("b")}), EDatabaseError);
    EXPECT_THROW(c.Execute("delete from termine", {Variant("a")}), EDatabaseError);
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select * from termine where Benutzer = ?");
    EXPECT_THROW(ds.Open(), EDatabaseError);
    EXPECT_FALSE(ds.Active());
}
