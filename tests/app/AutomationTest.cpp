// What the page's buttons and day links do to the main window.
#include "AppFixture.h"

#include <thread>

using namespace apptest;

namespace {
const char* const kZorbelin = "\\Software\\Hallowerk\\Zorbelin";
const char* const kTarvolin = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

std::string Text(TDateTime d) { return SysUtils::FormatDateTime("dd.mm.yyyy", d); }

class Automation : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        LayOutDesign();
        db = LayOutDatabase();
        WriteUserString(kZorbelin, "BENUTZER", "hans");
    }
    std::string db;

    // A window showing Shown in View, as the builder leaves it.
    void Show(TForm1& form, int view, TDateTime shown) {
        WriteUserInteger(kTarvolin, "VORLAGE", view);
        form.ADOConnection1->SetConnectionString(ZorbelinConnectionString(db));
        form.ViewParameters.ViewMode = static_cast<Byte>(view);
        form.ViewParameters.CalendarDate = shown;
    }

    std::string WaitForPlanner(const std::string& out) {
        for (int i = 0; i < testsupport::Scaled(500) && !std::filesystem::exists(out); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return dir.read(out.substr(dir.str().size()));
    }
};
} // namespace

TEST(MovedDate, MonthViewClampsTheDay) {
    using M = TAccessToTarvolinImpl;
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 31), vmMonth, -1)), "28.02.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2008, 3, 31), vmMonth, -1)), "29.02.2008");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 1, 31), vmMonth, 1)), "28.02.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 12, 15), vmMonth, 1)), "15.01.2008");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 1, 15), vmMonth, -1)), "15.12.2006");
}

TEST(MovedDate, WeekViewMovesSevenDaysAnyOtherViewOne) {
    using M = TAccessToTarvolinImpl;
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 10), vmWeek, -1)), "03.03.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 30), vmWeek, 1)), "06.04.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 10), vmXDays, 1)), "11.03.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 1), vmXDays, -1)), "28.02.2007");
    EXPECT_EQ(Text(M::MovedDate(D(2007, 3, 10), 7, 1)), "11.03.2007");
}

TEST_F(Automation, BackInMonthViewShowsTheEndOfFebruaryAndWaitsForThePage) {
    TForm1 form(nullptr);
    Show(form, vmMonth, D(2007, 3, 31));
    TAccessToTarvolinImpl access(form);
    access.BackClicked();
    EXPECT_EQ(form.BuildCount(), 1);
    ASSERT_NE(form.RunningBuilder(), nullptr);
    EXPECT_TRUE(form.RunningBuilder()->Finished());
    EXPECT_EQ(Text(form.CalendarDate()), "28.02.2007");
}

TEST_F(Automation, ForwardMovesByTheShownView) {
    TForm1 form(nullptr);
    TAccessToTarvolinImpl access(form);
    Show(form, vmWeek, D(2007, 3, 10));
    access.ForwardClicked();
    EXPECT_EQ(Text(form.CalendarDate()), "17.03.2007");
    // The page starts on the Monday of the week shown.
    EXPECT_EQ(Text(form.ViewParameters.StartDate), "12.03.2007");
    Show(form, vmXDays, D(2007, 3, 10));
    access.ForwardClicked();
    EXPECT_EQ(Text(form.CalendarDate()), "11.03.2007");
    access.BackClicked();
    access.BackClicked();
    EXPECT_EQ(Text(form.CalendarDate()), "09.03.2007");
    EXPECT_EQ(form.BuildCount(), 4);
}

TEST_F(Automation, HomeReturnsToToday) {
    TForm1 form(nullptr);
    Show(form, vmMonth, D(2001, 5, 5));
    TAccessToTarvolinImpl access(form);
    access.HomeClicked();
    EXPECT_EQ(Text(form.CalendarDate()), "10.03.2007");
    EXPECT_TRUE(form.RunningBuilder()->Finished());
}

TEST_F(Automation, OpenDateStartsThePlannerWithOneArgument) {
    const std::string out = LayOutPlanner();
    TForm1 form(nullptr);
    TAccessToTarvolinImpl access(form);
    access.SetZBNOpenDate("05.03.2007");
    EXPECT_EQ(WaitForPlanner(out), "TAG05.03.2007\n");
    EXPECT_EQ(form.BuildCount(), 0);
    EXPECT_EQ(access.ZBNOpenDate(), "");
}

TEST_F(Automation, OpenDateWithEmptyOrOddTextStaysOneArgument) {
    const std::string out = LayOutPlanner();
    TForm1 form(nullptr);
    TAccessToTarvolinImpl access(form);
    access.SetZBNOpenDate("");
    EXPECT_EQ(WaitForPlanner(out), "TAG\n");
    std::filesystem::remove(out);
    access.SetZBNOpenDate("5. 3. \"2007\" \\");
    EXPECT_EQ(WaitForPlanner(out), "TAG5. 3. \"2007\" \\\n");
}

TEST_F(Automation, ResizeTogglesTheFrameAndRedrawsToday) {
    TForm1 form(nullptr);
    Show(form, vmWeek, D(2007, 1, 1));
    TAccessToTarvolinImpl access(form);
    access.Resize();
    EXPECT_FALSE(form.Frame().FrameVisible);
    EXPECT_EQ(form.BorderStyle(), bsNone);
    EXPECT_EQ(form.BuildCount(), 1);
    EXPECT_EQ(Text(form.CalendarDate()), "10.03.2007");
    access.Resize();
    EXPECT_TRUE(form.Frame().FrameVisible);
    EXPECT_EQ(form.BorderStyle(), bsSizeToolWin);
}
