// The to-do list's column header: sections after the columns, sorting clicks, sizing, dragging
// sections, and the sort mark.
#include <vector>

#include "TodoListViewSupport.h"

using namespace todoview;

using TodoHeader = ListFixture;

TEST_F(TodoHeader, SectionsFollowTheColumns) {
    TTodoHeader* h = list->Header();
    ASSERT_EQ(h->Sections()->Count(), 3);
    EXPECT_EQ(h->Sections()->Get(1), "Betreff");
    EXPECT_EQ(h->SectionWidth(1), 200);
    list->Columns()->Items(1)->SetCaption("Aufgabe");
    list->Columns()->Items(1)->SetWidth(150);
    EXPECT_EQ(h->Sections()->Get(1), "Aufgabe");
    EXPECT_EQ(h->SectionWidth(1), 150);
    // A fourth section that no column backs goes when the header is rebuilt.
    h->Sections()->Add("extra");
    list->ColumnsChanged();
    EXPECT_EQ(h->Sections()->Count(), 3);
    list->RemoveColumn(tdCompletion);
    EXPECT_EQ(h->Sections()->Count(), 2);
}

TEST_F(TodoHeader, SectionUnderAPoint) {
    TTodoHeader* h = list->Header();
    const std::vector<std::pair<int, int>> cases = {{0, -1}, {1, 0}, {25, 0}, {26, 1}, {225, 1}, {226, 2}, {1000, 2}};
    for (auto [x, section] : cases) EXPECT_EQ(h->XYToSection(x, 5), section) << x;
}

TEST_F(TodoHeader, ClicksSortAwayFromTheEdgesAndReportTheSection) {
    TTodoHeader* h = list->Header();
    for (const char* s : {"b", "c", "a"}) AddItem(s);
    list->SetSorted(true);
    list->SetSortColumn(1);
    ASSERT_EQ(list->Items()->Items(0)->Subject(), "a");
    std::vector<int> clicks;
    list->OnHeaderClick = [&](TObject* s, int section) {
        EXPECT_EQ(s, list);
        clicks.push_back(section);
    };
    Click(h, 29, 5);   // within 4 pixels of the left edge
    EXPECT_EQ(list->SortDirection(), sdAscending);
    Click(h, 30, 5);
    EXPECT_EQ(list->SortDirection(), sdDescending);
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "c");
    Click(h, 220, 5);
    EXPECT_EQ(list->SortDirection(), sdAscending);
    Click(h, 221, 5);   // within 4 pixels of the right edge
    EXPECT_EQ(list->SortDirection(), sdAscending);
    Click(h, 0, 5);
    EXPECT_EQ(clicks, (std::vector<int>{1, 1, 1, 1, -1}));
    EXPECT_EQ(list->SortColumn(), 1);
    Click(h, 275, 5);
    EXPECT_EQ(list->SortColumn(), 2);
    EXPECT_EQ(h->SortedSection(), 2);
}

TEST_F(TodoHeader, HandleColumnsDoNotSort) {
    list->AddColumn(tdHandle, "")->SetWidth(30);
    Click(list->Header(), 340, 5);
    EXPECT_EQ(list->SortColumn(), 0);
}

TEST_F(TodoHeader, RightClickReportsTheSection) {
    int section = -5;
    list->OnHeaderRightClick = [&](TObject*, int s) { section = s; };
    Click(list->Header(), 100, 5, Qt::RightButton);
    EXPECT_EQ(section, 1);
}

TEST_F(TodoHeader, DraggingADividerSizesTheColumn) {
    TTodoHeader* h = list->Header();
    Mouse(h, QEvent::MouseButtonPress, 225, 5);
    Mouse(h, QEvent::MouseMove, 180, 5);
    EXPECT_EQ(list->Columns()->Items(1)->Width(), 155);
    Mouse(h, QEvent::MouseButtonRelease, 170, 5);
    EXPECT_EQ(list->Columns()->Items(1)->Width(), 145);
    EXPECT_EQ(h->SectionWidth(1), 145);
}

TEST_F(TodoHeader, DraggedSectionsReorderTheColumns) {
    TTodoHeader* h = list->Header();
    list->SetHeaderDragDrop(true);
    list->SetSortColumn(0);
    std::vector<std::pair<int, int>> drops;
    list->OnHeaderDragDrop = [&](TObject*, int from, int to) { drops.emplace_back(from, to); };
    Mouse(h, QEvent::MouseButtonPress, 10, 5);
    EXPECT_TRUE(h->Dragging());
    Mouse(h, QEvent::MouseButtonRelease, 12, 5);
    EXPECT_TRUE(drops.empty());
    Mouse(h, QEvent::MouseButtonPress, 10, 5);
    Mouse(h, QEvent::MouseButtonRelease, 300, 5);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0], std::make_pair(0, 2));
    EXPECT_EQ(list->Columns()->Items(0)->TodoData(), tdSubject);
    EXPECT_EQ(list->Columns()->Items(1)->TodoData(), tdCompletion);
    EXPECT_EQ(list->Columns()->Items(2)->TodoData(), tdComplete);
    EXPECT_EQ(h->Sections()->Get(2), "Ok");
    // The sort mark went with its column.
    EXPECT_EQ(list->SortColumn(), 2);
    EXPECT_FALSE(h->Dragging());
}

TEST_F(TodoHeader, SortMarkPointsUpOrDown) {
    TTodoHeader* h = list->Header();
    h->SetSortShow(true);
    h->SetSortedSection(1);
    list->Columns()->Items(1)->SetCaption("Ab");
    // Centre: 8 right of the caption (text box from 25 + 4), 6 below the caption's top; the caption is
    // centred in the 16 pixels of text box that start 2 below the header's top.
    TCanvas measure;
    measure.Font()->Assign(h->Font());
    const int x = 25 + 4 + measure.TextWidth("Ab") + 8;
    const int y = 2 + (16 - measure.TextHeight("Ab")) / 2 + 6;
    QImage img = Grab(h);
    // Up: a white base line under the centre, grey on the left flank.
    for (int dx = -4; dx < 4; ++dx) EXPECT_TRUE(Same(img, x + dx, y + 4, clWhite)) << dx;
    EXPECT_FALSE(Same(img, x - 4, y - 4, 0x808080));
    int grey = 0;
    for (int yy = y - 4; yy <= y + 4; ++yy)
        for (int xx = x - 4; xx <= x; ++xx) grey += Same(img, xx, yy, 0x808080);
    EXPECT_GE(grey, 5);
    // Down: a grey top line over the centre, no white base line.
    h->SetSortDirection(sdDescending);
    img = Grab(h);
    for (int dx = -4; dx < 4; ++dx) EXPECT_TRUE(Same(img, x + dx, y - 4, 0x808080)) << dx;
    EXPECT_FALSE(Same(img, x - 4, y + 4, clWhite));
    // A caption cut off with an ellipsis keeps the mark inside its section.
    list->Columns()->Items(1)->SetCaption(std::string(60, 'W'));
    img = Grab(h);
    int rightmost = -1;
    for (int xx = 100; xx < 222; ++xx)   // the section's shadow edge is grey too
        if (Same(img, xx, y - 4, 0x808080)) rightmost = xx;
    EXPECT_GT(rightmost, 195);
    EXPECT_LT(rightmost, 225 - 8);
}

TEST_F(TodoHeader, ClickingTheHeaderClosesAnOpenEditor) {
    AddItem("a");
    list->SetSelected(list->Items()->Items(0));
    list->ShowEditor(0, 1);
    ASSERT_EQ(box->ActiveEditor(), box->TextEditor());
    Click(list->Header(), 100, 5);
    EXPECT_EQ(box->ActiveEditor(), nullptr);
}
