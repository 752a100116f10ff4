// The task window over the task table of a real database file: opening from the menu, listing,
// inserting, deleting and editing tasks, the remaining-days text, column widths kept in the registry.
// The main window's header cannot be included beside the list's, so the fixture is a small one of
// its own: a program folder with a copy of the sample database, a registry, a clock, answered dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <functional>

#include "ADODB.h"
#include "Aufgaben1.h"
#include "DBTodoList.h"
#include "GraphicsQt.h"
#include "VclPrivate.h"
#include "Dialogs.h"
#include "Registry.h"
#include "FileRights.h"
#include "HeldLock.h"
#include "TempDir.h"
#include "TodoInplaceEditors.h"

namespace {
const char* const kTasks = "\\Software\\Hallowerk\\Zorbelin\\Aufgaben";

TDateTime D(Word y, Word m, Word d, double hours = 0) {
    return TDateTime(double(SysUtils::EncodeDate(y, m, d)) + hours / 24.0);
}

class TaskWindow : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    TDateTime now;
    std::vector<std::string> dialogs;
    std::string db;
    std::unique_ptr<TAufgaben> window;

    void SetUp() override {
        Application->Initialize();
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program" / "DB");
        SysUtils::SetProgramFolder(ProgramFolder());
        SysUtils::SetClock([this] { return now; });
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            dialogs.push_back(d.Text());
            d.Press("OK");
        });
        std::filesystem::copy_file(ZB_SAMPLE_DATABASE, dir.path() / "program" / "DB" / "zorbelin.mde");
        db = ProgramFolder() + "DB/";
        now = D(2026, 12, 7, 12);
        Execute("DELETE FROM Aufgaben");
        // Due in 2 days 20 hours, later today, earlier today, a day and an hour ago; the last one is done.
        Execute("INSERT INTO Aufgaben (Betreff, Memo, Fertig, Eingefuegt, ProzentFertig, FertigDatum, Prioritaet, "
                "Status, [Key]) VALUES "
                "('Steuer', 'Belege', 0, " + Num(D(2026, 12, 1)) + ", 0, " + Num(D(2026, 12, 10, 8)) + ", 3, 2, 'k1'),"
                "('Brief', '', 0, " + Num(D(2026, 12, 1)) + ", 0, " + Num(D(2026, 12, 7, 18)) + ", 2, 0, 'k2'),"
                "('Anruf', '', 0, " + Num(D(2026, 12, 1)) + ", 0, " + Num(D(2026, 12, 7, 6)) + ", 2, 3, 'k3'),"
                "('Rasen', '', 0, " + Num(D(2026, 12, 1)) + ", 0, " + Num(D(2026, 12, 6, 11)) + ", 1, 0, 'k4'),"
                "('Putzen', '', 1, " + Num(D(2026, 12, 1)) + ", 100, " + Num(D(2026, 12, 2)) + ", 2, 2, 'k5')");
    }
    void TearDown() override {
        window.reset();
        Dialogs::SetDialogAnswerer(nullptr);
        SysUtils::ResetClock();
        SysUtils::SetProgramFolder("");
    }

    std::string ProgramFolder() const { return dir.str() + "program/"; }
    static std::string ZorbelinConnectionString(const std::string& folder) {
        return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + "zorbelin.mde;Persist Security Info=False";
    }
    void WriteUserInteger(const char* key, const char* name, int value) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteInteger(name, value);
    }

    static std::string Num(TDateTime t) {
        // SQL takes the number with '.', whatever the process locale is.
        return SysUtils::FloatToCText(t.Val, 8, true);
    }
    std::string Connection() const { return ZorbelinConnectionString(db); }
    void Execute(const std::string& sql) {
        TADOConnection c(nullptr);
        c.SetConnectionString(Connection());
        c.SetLoginPrompt(false);
        c.Open();
        c.Execute(sql);
    }
    std::string Query(const std::string& sql) {
        TADOQuery q(nullptr);
        q.SetConnectionString(Connection());
        q.SQL()->SetText(sql);
        q.Open();
        return q.IsEmpty() ? "<none>" : q.Fields()->Fields(0)->AsString();
    }
    int Count() { return std::stoi(Query("SELECT COUNT(*) FROM Aufgaben")); }

    TAufgaben* Open() {
        window = std::make_unique<TAufgaben>(nullptr);
        window->ADODataSetAufgaben->SetConnectionString(Connection());
        window->Show();
        return window.get();
    }
    TTodoItem* Item(const std::string& key) {
        TTodoItemCollection* items = window->DBTodoList1->Items();
        for (int i = 0; i < items->Count(); ++i)
            if (items->Items(i)->DBKey == key) return items->Items(i);
        return nullptr;
    }
    std::vector<int> Widths() {
        std::vector<int> w;
        for (int i = 0; i < window->DBTodoList1->Columns()->Count(); ++i)
            w.push_back(window->DBTodoList1->Columns()->Items(i)->Width());
        return w;
    }
    // The window as the main window's menu shows it: modal. Steps run inside its modal loop, as a
    // person's input would; the window closes afterwards.
    void RunModal(const std::function<void(TAufgaben*)>& steps) {
        window = std::make_unique<TAufgaben>(nullptr);
        window->ADODataSetAufgaben->SetConnectionString(Connection());
        Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
            if (d.Form() == window.get()) steps(window.get());
        });
        window->ShowModal();
    }
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            QTest::qWait(5);
        }
        return true;
    }
    // Input goes through the window system's path: to the control's top-level window, where modality
    // and the stacking of windows decide who gets it.
    static QWindow* WindowOf(TControl* c) { return Vcl::Detail::HandleWidget(c)->window()->windowHandle(); }
    static QPoint InWindow(TControl* c, const TPoint& p) {
        QWidget* w = Vcl::Detail::HandleWidget(c);
        return w->mapTo(w->window(), QPoint(p.X, p.Y));
    }
    static TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
    void ClickCell(TAufgaben* w, const std::string& key, int column) {
        TTodoListBox* box = w->DBTodoList1->ListBox();
        const TRect cell = box->CellRect(Item(key)->Index(), column);
        const TPoint at{cell.Left + 10, (cell.Top + cell.Bottom) / 2};
        QTest::mouseClick(WindowOf(box), Qt::LeftButton, {}, InWindow(box, at));
    }
    static void Keys(std::initializer_list<Qt::Key> keys) {
        // Keys go to the window that has the keyboard focus.
        for (Qt::Key k : keys) QTest::keyClick(QGuiApplication::focusWindow(), k);
    }
    int ReadWidth(int i) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(kTasks)) return -1;
        const std::string name = "AGCol" + std::to_string(i);
        return reg.ValueExists(name) ? reg.ReadInteger(name) : -1;
    }
};

} // namespace

TEST_F(TaskWindow, ShowingListsEveryTaskWithTheListsTexts) {
    TAufgaben* w = Open();
    EXPECT_EQ(w->Caption(), "Aufgaben Zorbelin");
    ASSERT_TRUE(w->ADODataSetAufgaben->Active());
    ASSERT_EQ(w->DBTodoList1->Items()->Count(), 5);
    EXPECT_EQ(w->DBTodoList1->SortColumn(), 4);
    EXPECT_TRUE(w->DBTodoList1->Sorted());
    TTodoListBox* box = w->DBTodoList1->ListBox();
    EXPECT_EQ(box->CellText(Item("k1"), 1, false), "Steuer");
    EXPECT_EQ(box->CellText(Item("k1"), 2, false), "10.12.2026");
    EXPECT_EQ(box->CellText(Item("k1"), 3, true), "Hoch");
    EXPECT_EQ(box->CellText(Item("k1"), 4, false), "in Bearbeitung");
    EXPECT_EQ(box->CellText(Item("k3"), 4, false), "fast fertig");
    EXPECT_EQ(box->CellText(Item("k4"), 3, true), "Niedrig");
    EXPECT_EQ(box->CellText(Item("k4"), 4, false), "Noch nicht begonnen");
}

TEST_F(TaskWindow, EditingASubjectWritesItToTheTable) {
    TAufgaben* w = Open();
    const int row = Item("k2")->Index();
    w->DBTodoList1->SetSelected(Item("k2"));
    w->DBTodoList1->ShowEditor(row, 1);
    // The delete button rests while a cell is edited.
    EXPECT_FALSE(w->DeleteButton->Enabled());
    w->DBTodoList1->ListBox()->TextEditor()->SetText("Brief an Oma");
    w->DBTodoList1->HideEditor();
    EXPECT_TRUE(w->DeleteButton->Enabled());
    EXPECT_EQ(Query("SELECT Betreff FROM Aufgaben WHERE [Key] = 'k2'"), "Brief an Oma");
    EXPECT_EQ(Query("SELECT Betreff FROM Aufgaben WHERE [Key] = 'k1'"), "Steuer");
}

TEST_F(TaskWindow, TheInsertButtonAddsATaskDueInFourteenDays) {
    now = D(2026, 12, 7, 10);
    TAufgaben* w = Open();
    w->EinfuegbuttonClick(w->Einfuegbutton);
    EXPECT_EQ(w->StatusText(), "Aufgabe eingefügt");
    ASSERT_EQ(w->DBTodoList1->Items()->Count(), 6);
    w->DBTodoList1->HideEditor();
    w->Close();
    ASSERT_EQ(Count(), 6);
    const std::string key = Query("SELECT [Key] FROM Aufgaben WHERE [Key] NOT LIKE 'k_'");
    EXPECT_TRUE(std::regex_match(key, std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})"))) << key;
    const std::string where = " FROM Aufgaben WHERE [Key] = '" + key + "'";
    EXPECT_EQ(Query("SELECT Betreff" + where), "Betreff");
    EXPECT_EQ(Query("SELECT Memo" + where).rfind("Aufgabenstellung", 0), 0u);
    EXPECT_EQ(Query("SELECT Prioritaet" + where), "2");
    EXPECT_EQ(Query("SELECT Status" + where), "0");
    TADOQuery q(nullptr);
    q.SetConnectionString(Connection());
    q.SQL()->SetText("SELECT FertigDatum, Eingefuegt" + where);
    q.Open();
    EXPECT_NEAR(q.Fields()->Fields(0)->AsFloat(), D(2026, 12, 21, 10).Val, 1e-6);
    EXPECT_NEAR(q.Fields()->Fields(1)->AsFloat(), D(2026, 12, 7, 10).Val, 1e-6);
}

TEST_F(TaskWindow, DeleteNeedsASelectedTask) {
    TAufgaben* w = Open();
    w->DBTodoList1->SetSelected(nullptr);
    w->ShowStatus("vorher");
    w->DeleteButtonClick(w->DeleteButton);
    EXPECT_EQ(Count(), 5);
    EXPECT_EQ(w->StatusText(), "vorher");

    w->DBTodoList1->SetSelected(Item("k4"));
    w->DeleteButtonClick(w->DeleteButton);
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(Query("SELECT Betreff FROM Aufgaben WHERE [Key] = 'k4'"), "<none>");
    EXPECT_EQ(w->StatusText(), "Aufgabe gelöscht");
    EXPECT_TRUE(w->DBTodoList1->Editable());
}

TEST_F(TaskWindow, SelectingATaskTellsTheDaysLeftOrThatItIsOverdue) {
    TAufgaben* w = Open();
    auto select = [&](const char* key) {
        w->ShowStatus("");
        w->DBTodoList1ItemSelect(w->DBTodoList1, Item(key));
        return w->StatusText();
    };
    EXPECT_EQ(select("k1"), "Verbleibende Tage für diese Aufgabe: 2");
    EXPECT_EQ(select("k2"), "Verbleibende Tage für diese Aufgabe: 0");
    // Six hours late is late: not "0 days left".
    EXPECT_EQ(select("k3"), "Achtung, die selektierte Aufgabe ist überfällig");
    EXPECT_EQ(select("k4"), "Achtung, die selektierte Aufgabe ist überfällig");
    // A done task is marked completed in the table and gets no text.
    EXPECT_EQ(select("k5"), "");
    EXPECT_EQ(Item("k5")->Status(), tsCompleted);
    EXPECT_EQ(Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k5'"), "1");
    w->DBTodoList1ItemSelect(w->DBTodoList1, nullptr);
    EXPECT_EQ(w->StatusText(), "");
}

TEST_F(TaskWindow, TheColumnsOwnWidthsShowTheirCaptionsAndTheLongestStatus) {
    TAufgaben* w = Open();
    TCanvas measure;
    measure.Font()->Assign(w->DBTodoList1->HeaderFont());
    for (int i = 0; i < w->DBTodoList1->Columns()->Count(); ++i) {
        TTodoColumnItem* col = w->DBTodoList1->Columns()->Items(i);
        // The header's text box leaves 4 pixels either side, and 16 on a sorted column for its mark.
        EXPECT_LE(measure.TextWidth(col->Caption()) + 8 + 16, col->Width()) << col->Caption();
    }
    TTodoColumnItem* status = w->DBTodoList1->Columns()->Items(4);
    for (TFont* font : {status->Font(), w->DBTodoList1->PriorityFont(), w->DBTodoList1->CompletionFont()}) {
        measure.Font()->Assign(font);
        for (const char* text : {"Noch nicht begonnen", "in Bearbeitung", "fast fertig", "fertig"})
            EXPECT_LE(measure.TextWidth(text), status->Width()) << text;
    }
    // The subject and the date keep their room.
    EXPECT_EQ(Widths()[1], 200);
    EXPECT_EQ(Widths()[2], 100);
}

TEST_F(TaskWindow, ColumnWidthsComeFromTheRegistryUpToTheFirstMissingOne) {
    Open();
    const std::vector<int> own = Widths();
    window.reset();
    WriteUserInteger(kTasks, "AGCol0", 30);
    WriteUserInteger(kTasks, "AGCol1", 250);
    WriteUserInteger(kTasks, "AGCol3", 77);
    // A value beyond the last column is left alone.
    WriteUserInteger(kTasks, "AGCol5", 99);
    Open();
    EXPECT_EQ(Widths(), (std::vector<int>{30, 250, own[2], own[3], own[4]}));
    window.reset();
    // Widths the user set win, also narrower ones.
    for (int i = 0; i < 5; ++i) WriteUserInteger(kTasks, ("AGCol" + std::to_string(i)).c_str(), 20 + i);
    Open();
    EXPECT_EQ(Widths(), (std::vector<int>{20, 21, 22, 23, 24}));
    window.reset();
    // A damaged file: no column wider than the screen, none below nothing.
    WriteUserInteger(kTasks, "AGCol0", 0x7fffffff);
    WriteUserInteger(kTasks, "AGCol1", int(0x80000000u));
    Open();
    EXPECT_EQ(Widths()[0], Screen->Width());
    EXPECT_EQ(Widths()[1], 0);
    EXPECT_EQ(Widths()[2], 22);
}

TEST_F(TaskWindow, WithoutTheFirstWidthAllColumnsKeepTheirOwn) {
    Open();
    const std::vector<int> own = Widths();
    window.reset();
    WriteUserInteger(kTasks, "AGCol1", 250);
    Open();
    EXPECT_EQ(Widths(), own);
}

TEST_F(TaskWindow, ClosingKeepsTheWidthsAndStopsTheBinding) {
    TAufgaben* w = Open();
    w->DBTodoList1->Columns()->Items(2)->SetWidth(140);
    const std::vector<int> shown = Widths();
    w->Close();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadWidth(i), shown[i]) << i;
    EXPECT_EQ(ReadWidth(2), 140);
    EXPECT_FALSE(w->ADODataSetAufgaben->Active());
    EXPECT_FALSE(w->DataSourceAufgaben->Enabled());
    // The placement goes beside the program, not into the current folder.
    window.reset();
    const std::string ini = SysUtils::ReadFileBytes(ProgramFolder() + "Zorbelin.INI");
    EXPECT_NE(ini.find("[Aufgaben]"), std::string::npos) << ini;
}

TEST_F(TaskWindow, ATableThatCannotBeOpenedIsReportedAndTheWindowCloses) {
    window = std::make_unique<TAufgaben>(nullptr);
    window->ADODataSetAufgaben->SetConnectionString(ZorbelinConnectionString(dir.str() + "fehlt/"));
    window->Show();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], "Es ist ein Fehler aufgetreten");
    EXPECT_FALSE(window->Visible());
}

TEST_F(TaskWindow, ToolButtonsShowTheirCaptionsAndTheChosenTasksNotesAreReadable) {
    TAufgaben* w = Open();
    w->SetBounds(0, 0, 633, 480);
    ASSERT_NE(Item("k1"), nullptr);
    Item("k1")->Select();
    Application->ProcessMessages();
    const QImage shot = Vcl::Detail::HandleWidget(w)->grab().toImage();
    const auto dark = [&](TControl* c) {
        const TPoint p = c->ClientToScreen({0, 0});
        const TPoint o = w->ClientToScreen({0, 0});
        int n = 0;
        for (int y = p.Y - o.Y; y < p.Y - o.Y + c->Height(); ++y)
            for (int x = p.X - o.X; x < p.X - o.X + c->Width(); ++x)
                if (qGray(shot.pixel(x, y)) < 90) ++n;
        return n;
    };
    for (TControl* button : std::initializer_list<TControl*>{w->Datei1, w->Einfuegbutton, w->DeleteButton})
        EXPECT_GT(dark(button), 15) << static_cast<TSpeedButton*>(button)->Caption();

    // The chosen row in the selection's colour: its notes band below the cells carries light text.
    const QColor selection = GraphicsQt::ToQColor(clHighlight);
    int top = shot.height(), bottom = -1;
    for (int y = 0; y < shot.height(); ++y)
        if (shot.pixelColor(300, y) == selection) {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    ASSERT_GT(bottom - top, 40);
    int light = 0, blue = 0;
    for (int y = bottom - 30; y <= bottom; ++y)
        for (int x = 0; x < 200; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200) ++light;
            if (c.blue() > 200 && c.red() < 60 && c.green() < 60) ++blue;
        }
    EXPECT_GT(light, 10);
    EXPECT_EQ(blue, 0);
}

TEST_F(TaskWindow, StatusAndPriorityAreChosenFromTheirDropDownWhileTheWindowIsModal) {
    RunModal([&](TAufgaben* w) {
        TTodoListBox* box = w->DBTodoList1->ListBox();
        TForm* popup = box->EditorParent();
        TInplaceListBox* status = box->StatusEditor();
        TInplaceListBox* priority = box->PriorityEditor();
        // A click: "in Bearbeitung" for a task not started.
        ClickCell(w, "k4", 4);
        ASSERT_TRUE(WaitUntil([&] { return popup->Visible() && box->ActiveEditor() == status; }));
        ASSERT_EQ(status->Items()->Get(0), "Noch nicht begonnen");
        // The longest entry fits.
        TCanvas measure;
        measure.Font()->Assign(status->Font());
        EXPECT_LE(measure.TextWidth("Noch nicht begonnen") + 4, status->ClientWidth());
        EXPECT_EQ(popup->Width(), status->Width());
        const TPoint at = Centre(status->ItemRect(2));
        QTest::mouseClick(WindowOf(status), Qt::LeftButton, {}, InWindow(status, at));
        EXPECT_TRUE(WaitUntil([&] { return Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k4'") == "2"; }));
        EXPECT_EQ(int(Item("k4")->Status()), int(tsInProgress));
        EXPECT_FALSE(popup->Visible());

        // Down and Return: one step up from "Niedrig" to "Normal".
        ClickCell(w, "k4", 3);
        ASSERT_TRUE(WaitUntil([&] { return popup->Visible() && box->ActiveEditor() == priority; }));
        EXPECT_EQ(priority->ItemIndex(), 1);
        ASSERT_TRUE(WaitUntil([&] { return QGuiApplication::focusWindow() == WindowOf(priority); }));
        Keys({Qt::Key_Down, Qt::Key_Return});
        EXPECT_TRUE(WaitUntil([&] { return Query("SELECT Prioritaet FROM Aufgaben WHERE [Key] = 'k4'") == "2"; }));
        EXPECT_FALSE(popup->Visible());

        // A double click: "fast fertig". The second press falls on whatever lies under the pointer by
        // then, and opens nothing there.
        ClickCell(w, "k1", 4);
        ASSERT_TRUE(WaitUntil([&] { return popup->Visible() && box->ActiveEditor() == status; }));
        const TPoint entry = Centre(status->ItemRect(3));
        const QPoint global = Vcl::Detail::HandleWidget(status)->mapToGlobal(QPoint(entry.X, entry.Y));
        for (int i = 0; i < 2; ++i) {
            QWindow* under = popup->Visible() ? WindowOf(status) : WindowOf(box);
            QTest::mousePress(under, Qt::LeftButton, {}, under->mapFromGlobal(global));
            QTest::mouseRelease(under, Qt::LeftButton, {}, under->mapFromGlobal(global));
            // Within the double-click time.
            QTest::lastMouseTimestamp -= QTest::mouseDoubleClickInterval;
        }
        EXPECT_TRUE(WaitUntil([&] { return Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k1'") == "3"; }));
        EXPECT_EQ(box->ActiveEditor(), nullptr);
        EXPECT_FALSE(popup->Visible());
    });
    // The table keeps the choices after the window closed.
    EXPECT_EQ(Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k4'"), "2");
    EXPECT_EQ(Query("SELECT Prioritaet FROM Aufgaben WHERE [Key] = 'k4'"), "2");
    EXPECT_EQ(Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k1'"), "3");
}

TEST_F(TaskWindow, AClickOnADueDateChangesNothingAndATypedDayIsStored) {
    // 16.12.2026 18:00 and 17.12.2026 at midnight.
    Execute("UPDATE Aufgaben SET FertigDatum = 46372.75 WHERE [Key] = 'k2'");
    Execute("UPDATE Aufgaben SET FertigDatum = 46373 WHERE [Key] = 'k1'");
    const auto stored = [&](const char* key) {
        TADOQuery q(nullptr);
        q.SetConnectionString(Connection());
        q.SQL()->SetText(std::string("SELECT FertigDatum FROM Aufgaben WHERE [Key] = '") + key + "'");
        q.Open();
        return q.Fields()->Fields(0)->AsFloat();
    };
    RunModal([&](TAufgaben* w) {
        TTodoListBox* box = w->DBTodoList1->ListBox();
        TTodoDateTimePicker* date = box->DateEditor();
        // Elsewhere: the list below its rows.
        const auto elsewhere = [&] {
            const TPoint at{300, box->ClientHeight() - 4};
            ASSERT_LT(box->ItemAtPos(at, true), 0);
            QTest::mouseClick(WindowOf(box), Qt::LeftButton, {}, InWindow(box, at));
            ASSERT_TRUE(WaitUntil([&] { return box->ActiveEditor() == nullptr; }));
        };
        for (const char* key : {"k2", "k1"}) {
            const double before = stored(key);
            for (int click = 0; click < 3; ++click) {
                ClickCell(w, key, 2);
                ASSERT_TRUE(WaitUntil([&] { return box->ActiveEditor() == date; }));
                elsewhere();
                EXPECT_DOUBLE_EQ(stored(key), before) << key << " " << click;
            }
            EXPECT_EQ(box->CellText(Item(key), 2, false), key == std::string("k2") ? "16.12.2026" : "17.12.2026");
        }
        // The click picks the day: what is typed replaces it, and the time of day stays.
        ClickCell(w, "k2", 2);
        ASSERT_TRUE(WaitUntil([&] { return box->ActiveEditor() == date; }));
        ASSERT_TRUE(WaitUntil([&] { return QGuiApplication::focusWindow() == WindowOf(date); }));
        Keys({Qt::Key_2, Qt::Key_0});
        elsewhere();
        EXPECT_EQ(box->CellText(Item("k2"), 2, false), "20.12.2026");
    });
    EXPECT_DOUBLE_EQ(stored("k2"), 46376.75);
    EXPECT_DOUBLE_EQ(stored("k1"), 46373.0);
}

TEST_F(TaskWindow, ATableThatCannotBeChangedOffersNoChangeAndSaysSoOnce) {
    // The database in a folder the user may not write to.
    const std::filesystem::path folder = dir.path() / "program" / "DB";
    std::filesystem::permissions(folder, std::filesystem::perms(0555));
    std::vector<std::string> messages;
    {
        testsupport::ScopedUserFileRights user;
        window = std::make_unique<TAufgaben>(nullptr);
        window->ADODataSetAufgaben->SetConnectionString(Connection());
        Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
            if (d.Form() != window.get()) {
                messages.push_back(d.Text());
                d.Press("OK");
                return;
            }
            TAufgaben* w = window.get();
            TTodoListBox* box = w->DBTodoList1->ListBox();
            EXPECT_TRUE(w->TableReadOnly());
            EXPECT_FALSE(w->Einfuegbutton->Enabled());
            EXPECT_FALSE(w->DeleteButton->Enabled());
            // Clicks on a priority, a subject and a date, keys and the "Neu" button: nothing to edit.
            for (int column : {3, 1, 2, 0}) {
                ClickCell(w, "k4", column);
                EXPECT_EQ(box->ActiveEditor(), nullptr) << column;
                EXPECT_FALSE(box->EditorParent()->Visible()) << column;
            }
            EXPECT_FALSE(Item("k4")->Complete());
            Keys({Qt::Key_F2, Qt::Key_Insert, Qt::Key_A, Qt::Key_Delete});
            EXPECT_EQ(box->ActiveEditor(), nullptr);
            const TPoint button = Centre(w->Einfuegbutton->ClientRect());
            QTest::mouseClick(WindowOf(w->Einfuegbutton), Qt::LeftButton, {}, InWindow(w->Einfuegbutton, button));
            EXPECT_EQ(w->DBTodoList1->Items()->Count(), 5);
            // A done task keeps the status its record has.
            ClickCell(w, "k5", 1);
            EXPECT_EQ(int(Item("k5")->Status()), int(tsInProgress));
            EXPECT_EQ(messages.size(), 1u);
        });
        window->ShowModal();
    }
    std::filesystem::permissions(folder, std::filesystem::perms(0755));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], TAufgaben::ReadOnlyText);
    EXPECT_EQ(Count(), 5);
    EXPECT_EQ(Query("SELECT Prioritaet FROM Aufgaben WHERE [Key] = 'k4'"), "1");
    EXPECT_EQ(Query("SELECT Fertig FROM Aufgaben WHERE [Key] = 'k4'"), "False");
    EXPECT_EQ(Query("SELECT Status FROM Aufgaben WHERE [Key] = 'k5'"), "2");
}

TEST_F(TaskWindow, AChangeAnotherProgramKeepsOutIsUndoneAndTheWindowSaysWhy) {
    TAufgaben* w = Open();
    testsupport::HeldLock held = testsupport::HeldLock::ExclusiveDatabase(db + "zorbelin.mde");
    ASSERT_TRUE(held.Held());
    w->DBTodoList1->SetSelected(Item("k2"));
    w->DBTodoList1->ShowEditor(Item("k2")->Index(), 1);
    w->DBTodoList1->ListBox()->TextEditor()->SetText("Brief an Oma");
    w->DBTodoList1->HideEditor();
    EXPECT_EQ(Item("k2")->Subject(), "Brief");
    EXPECT_EQ(w->StatusText().rfind("Die Änderung wurde nicht gespeichert: ", 0), 0u) << w->StatusText();
    EXPECT_TRUE(w->DeleteButton->Enabled());
    held.Release();
    EXPECT_EQ(Query("SELECT Betreff FROM Aufgaben WHERE [Key] = 'k2'"), "Brief");
}
