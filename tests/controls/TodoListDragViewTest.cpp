// Rows of the to-do list dragged with the mouse through Qt: the drag starts from the handle column,
// the control under the pointer is asked, the cursor shows its answer, and the release drops.
#include <QTest>

#include <algorithm>

#include "ExtCtrls.h"
#include "Resources.h"
#include "TodoListViewSupport.h"

using namespace todoview;

namespace {

class TodoListDrag : public ListFixture {
protected:
    void SetUp() override {
        ListFixture::SetUp();
        list->Columns()->Clear();
        list->AddColumn(tdHandle, "")->SetWidth(20);
        list->AddColumn(tdSubject, "Betreff")->SetWidth(200);
        for (const char* s : {"Anna", "Berta", "Clara"}) AddItem(s);
        target = new TPanel(form);
        target->SetParent(form);
        target->SetBounds(10, 220, 200, 60);
        target->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
            log.push_back("over " + Name(Sender) + " " + Name(Source) + " " + std::to_string(State) + " " +
                          std::to_string(X) + "," + std::to_string(Y));
            Accept = Source == box;
        };
        target->OnDragDrop = [this](TObject* Sender, TObject* Source, int X, int Y) {
            log.push_back("drop " + Name(Sender) + " " + Name(Source) + " " + std::to_string(X) + "," + std::to_string(Y));
        };
        list->OnStartDrag = [this](TObject* Sender, TDragObject*&) { log.push_back("start " + Name(Sender)); };
        list->OnEndDrag = [this](TObject* Sender, TObject* Target, int X, int Y) {
            log.push_back("end " + Name(Sender) + " " + Name(Target) + " " + std::to_string(X) + "," + std::to_string(Y));
        };
        list->SetDragMode(dmAutomatic);
        list->SetDragCursor(crHandPoint);
    }
    std::string Name(TObject* o) {
        if (!o) return "-";
        if (o == list) return "list";
        if (o == box) return "box";
        if (o == target) return "panel";
        return "?";
    }
    QWidget* Box() { return WidgetOf(box); }
    // A point of the target panel, in the list box's coordinates (the pressed widget keeps the mouse).
    QPoint OverTarget(int x, int y) { return Box()->mapFromGlobal(WidgetOf(target)->mapToGlobal(QPoint(x, y))); }
    Qt::CursorShape DragCursor() {
        return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
    }
    TPanel* target = nullptr;
    std::vector<std::string> log;
};

} // namespace

TEST_F(TodoListDrag, HandleDragsARowOntoAControlThatAcceptsIt) {
    // Row 1's handle cell.
    QTest::mousePress(Box(), Qt::LeftButton, {}, QPoint(8, 27));
    EXPECT_EQ(list->Selected(), list->Items()->Items(1));
    EXPECT_EQ(log, (std::vector<std::string>{"start list"}));
    // A twitch below the desktop's drag distance is no drag yet.
    QTest::mouseMove(Box(), QPoint(9, 28));
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::mouseMove(Box(), OverTarget(20, 10));
    EXPECT_EQ(log.at(1), "over panel box 0 20,10");   // enter
    EXPECT_EQ(log.at(2), "over panel box 2 20,10");   // move
    EXPECT_EQ(DragCursor(), Qt::PointingHandCursor);
    // Over the form, which takes nothing: the no-drop cursor, and the panel hears the mouse leave.
    QTest::mouseMove(Box(), OverTarget(250, 10));
    EXPECT_EQ(log.at(3), "over panel box 1 250,10");
    EXPECT_EQ(DragCursor(), Qt::ForbiddenCursor);
    QTest::mouseMove(Box(), OverTarget(30, 40));
    QTest::mouseRelease(Box(), Qt::LeftButton, {}, OverTarget(30, 40));
    ASSERT_GE(log.size(), 4u);
    const std::vector<std::string> tail(log.end() - 3, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"over panel box 1 30,40", "drop panel box 30,40", "end list panel 30,40"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(box->Dragging());
}

TEST_F(TodoListDrag, EscapeAndARefusingPlaceEndTheDragWithoutTarget) {
    QTest::mousePress(Box(), Qt::LeftButton, {}, QPoint(8, 9));
    QTest::mouseMove(Box(), OverTarget(20, 10));
    Key(box, Qt::Key_Escape);
    EXPECT_EQ(log.back(), "end list - 0,0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The mouse is free again: the release is an ordinary one.
    QTest::mouseRelease(Box(), Qt::LeftButton, {}, OverTarget(20, 10));
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& s) { return s.rfind("drop", 0) == 0; }), 0);
    // Released where nothing accepts: no drop, no target.
    log.clear();
    QTest::mousePress(Box(), Qt::LeftButton, {}, QPoint(8, 9));
    QTest::mouseMove(Box(), QPoint(8, 150));
    QTest::mouseRelease(Box(), Qt::LeftButton, {}, QPoint(8, 150));
    EXPECT_EQ(log.front(), "start list");
    EXPECT_EQ(log.back(), "end list - 0,0");
}

TEST_F(TodoListDrag, PressOnAnEditableCellEditsAndEndsTheStartingDrag) {
    QTest::mousePress(Box(), Qt::LeftButton, {}, QPoint(60, 27));
    EXPECT_EQ(log, (std::vector<std::string>{"start list", "end list - 0,0"}));
    EXPECT_NE(box->ActiveEditor(), nullptr);
    QTest::mouseMove(Box(), OverTarget(20, 10));
    QTest::mouseRelease(Box(), Qt::LeftButton, {}, OverTarget(20, 10));
    EXPECT_EQ(log.size(), 2u);
    // With a manual drag mode nothing drags at all.
    list->HideEditor();
    log.clear();
    list->SetDragMode(dmManual);
    QTest::mousePress(Box(), Qt::LeftButton, {}, QPoint(8, 27));
    QTest::mouseMove(Box(), OverTarget(20, 10));
    QTest::mouseRelease(Box(), Qt::LeftButton, {}, OverTarget(20, 10));
    EXPECT_TRUE(log.empty());
}

TEST_F(TodoListDrag, HandleCellShowsTheProgramsCheckMarkPictureOnTheCellColour) {
    list->Columns()->Items(0)->SetColor(clYellow);
    const QImage img = Grab(box);
    TBitmap mark;
    ASSERT_TRUE(Resources::LoadBitmap(&mark, "KDVTODO02"));
    const TColor seeThrough = mark.Canvas()->Pixels(0, mark.Height() - 1);
    // The 16-pixel picture at (1, 1) of the cell, its see-through colour showing the cell's.
    int differing = 0, yellow = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const TColor want = mark.Canvas()->Pixels(x, y) == seeThrough ? clYellow : mark.Canvas()->Pixels(x, y);
            differing += !Same(img, x + 1, y + 1, want);
            yellow += want == clYellow;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(yellow, 0);
    EXPECT_LT(yellow, 16 * 16);
}
