// The sample database a first start finds in the program folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "ADODB.h"
#include "DbFixture.h"
#include "FileRights.h"
#include "TempDir.h"

namespace {

int MakeSample(const std::string& target) {
    std::string cmd = std::string("'") + ZB_SAMPLE_TOOL + "' '" + ZB_SCHEMA_FILE + "' '" + ZB_SAMPLE_FILE + "' '" +
                      target + "' >/dev/null 2>&1";
    return std::system(cmd.c_str());
}

TEST(SampleDatabase, IsMadeWithAppointmentsAroundTodayAndNeverOverwritten) {
    testsupport::TempDir dir;
    std::string file = dir.file("bin/DB/zorbelin.mde");
    ASSERT_EQ(MakeSample(file), 0);
    ASSERT_TRUE(std::filesystem::exists(file));
    {
        // With a rollback journal a user without write rights to the program folder still reads it.
        std::filesystem::permissions(dir.path() / "bin/DB", std::filesystem::perms(0555));
        testsupport::ScopedUserFileRights user;
        TADOConnection c(nullptr);
        c.SetConnectionString(dbtest::JetConnectionString(dir.str() + "bin/DB/"));
        c.SetMode(cmRead);
        TADODataSet ds(nullptr);
        ds.SetConnection(&c);
        ds.SetCommandText("select count(*) as n from termine");
        ds.Open();
        EXPECT_GT(ds.FieldByName("n")->AsInteger(), 0);
    }
    std::filesystem::permissions(dir.path() / "bin/DB", std::filesystem::perms(0755));

    TADOConnection c(nullptr);
    c.SetConnectionString(dbtest::JetConnectionString(dir.str() + "bin/DB/"));
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    Word y, m, d;
    TDateTime today = SysUtils::Date();
    SysUtils::DecodeDate(today, y, m, d);
    ds.SetCommandText("select * from termine where (Benutzer = 'alle' OR Benutzer = 'anna') AND  MONTH(StartTime) > " +
                      std::to_string(m - 1) + " AND MONTH(StartTime) < " + std::to_string(m + 1) +
                      " AND YEAR(StartTime) = " + std::to_string(y) + " order by StartTime");
    ds.Open();
    EXPECT_GE(ds.RecordCount(), 5);
    int allDay = 0, timed = 0, birthdays = 0, onToday = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        double start = ds.FieldByName("StartTime")->AsDateTime(), end = ds.FieldByName("EndTime")->AsDateTime();
        double length = (end - std::floor(end)) - (start - std::floor(start));
        if (length == 0) ++allDay;
        else if (length > 0 && length <= 0.8) ++timed;
        if (std::floor(start) == today.Val) ++onToday;
        if (ds.FieldByName("Terminart")->AsInteger() != 5) continue;
        ++birthdays;
        EXPECT_NE(std::floor(start), today.Val) << "a birthday today would send a mail at the first start";
        TADODataSet address(nullptr);
        address.SetConnection(&c);
        address.SetCommandText("select * from adressen where AdressenNr = " + ds.FieldByName("Adressnummer")->AsString());
        address.Open();
        EXPECT_NE(address.FieldByName("EmailAdresse1")->AsString(), "");
    }
    EXPECT_GE(allDay, 1);
    EXPECT_GE(timed, 2);
    EXPECT_EQ(birthdays, 1);
    EXPECT_GE(onToday, 1);
    ds.Close();

    ds.SetCommandType(cmdTable);
    ds.SetCommandText("Aufgaben");
    ds.Open();
    EXPECT_GE(ds.RecordCount(), 3);
    EXPECT_EQ(ds.FieldByName("Key")->AsString().size(), 38u);
    ds.Delete();
    int left = ds.RecordCount();
    ds.Close();
    c.Close();

    // A second build keeps the user's data.
    EXPECT_EQ(MakeSample(file), 0);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), left);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "bin/DB"))
        EXPECT_EQ(entry.path().filename().string().find(".new-"), std::string::npos) << entry.path();
}

TEST(SampleDatabase, AFailureLeavesNothingBehind) {
    testsupport::TempDir dir;
    dir.write("broken.sql", "create table x (;");
    std::string cmd = std::string("'") + ZB_SAMPLE_TOOL + "' '" + dir.file("broken.sql") + "' '" + ZB_SAMPLE_FILE +
                      "' '" + dir.file("DB/zorbelin.mde") + "' >/dev/null 2>&1";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "DB"));
}

} // namespace
