// The to-do list's rows, painting, keys, mouse, hints and events, on a shown form offscreen.
#include <vector>

#include "TodoListViewSupport.h"

using namespace todoview;

using TodoListView = ListFixture;

TEST_F(TodoListView, RowsFollowItemsAndALostSelectionMovesToTheNewLastRow) {
    AddItem("a");
    AddItem("b");
    TTodoItem* last = AddItem("c");
    EXPECT_EQ(box->Count(), 3);
    list->SetSelected(last);
    EXPECT_EQ(box->ItemIndex(), 2);
    delete last;
    EXPECT_EQ(box->Count(), 2);
    EXPECT_EQ(box->ItemIndex(), 1);
    list->Items()->Clear();
    EXPECT_EQ(box->Count(), 0);
    EXPECT_EQ(list->Selected(), nullptr);
}

TEST_F(TodoListView, UpdatesAreBatchedUntilTheLastEndUpdate) {
    box->BeginUpdate();
    box->BeginUpdate();
    AddItem("a");
    AddItem("b");
    box->EndUpdate();
    EXPECT_EQ(box->Count(), 0);
    box->EndUpdate();
    EXPECT_EQ(box->Count(), 2);
}

TEST_F(TodoListView, ItemHeightCountsWithoutThePreviewBand) {
    list->SetItemHeight(18);
    list->SetPreviewHeight(32);
    list->SetPreview(true);
    EXPECT_EQ(box->ItemHeight(), 50);
    EXPECT_EQ(list->ItemHeight(), 18);
    list->SetPreviewHeight(10);
    EXPECT_EQ(box->ItemHeight(), 28);
    list->SetPreview(false);
    EXPECT_EQ(box->ItemHeight(), 18);
    EXPECT_EQ(list->ItemHeight(), 18);
}

TEST_F(TodoListView, ProgressBarSplitsAtTheRoundedShareOfTheInnerWidth) {
    // Completion column: x 225..325; inner box 227..323 (96 wide), 10 % splits at 227 + 10.
    TTodoItem* item = AddItem("x");
    item->SetCompletion(10);
    QImage img = Grab(box);
    const int top = 2;   // the inner box's first row, above the text
    EXPECT_TRUE(Same(img, 227, top, clRed));
    EXPECT_TRUE(Same(img, 236, top, clRed));
    EXPECT_TRUE(Same(img, 237, top, clWindow));
    EXPECT_TRUE(Same(img, 322, top, clWindow));

    // 50 px wide, 75 %: 46 * 0.75 = 34.5 rounds to 34 (half to even).
    list->Columns()->Items(2)->SetWidth(50);
    item->SetCompletion(75);
    img = Grab(box);
    EXPECT_TRUE(Same(img, 227 + 33, top, clRed));
    EXPECT_TRUE(Same(img, 227 + 34, top, clWindow));

    // A complete item shows a full bar, whatever its completion.
    item->SetComplete(true);
    img = Grab(box);
    EXPECT_TRUE(Same(img, 227 + 45, top, clRed));

    list->ProgressLook()->SetCompleteColor(clBlue);
    img = Grab(box);
    EXPECT_TRUE(Same(img, 227 + 10, top, clBlue));
}

TEST_F(TodoListView, WithoutTheGraphicCompletionIsText) {
    TTodoItem* item = AddItem("x");
    item->SetCompletion(37);
    list->SetCompletionGraphic(false);
    EXPECT_EQ(box->CellText(item, 2, false), "37%");
    item->SetComplete(true);
    EXPECT_EQ(box->CellText(item, 2, false), "100%");
    const QImage img = Grab(box);
    EXPECT_FALSE(Same(img, 230, 2, clRed));
}

namespace {
// How many pixels of a cell carry exactly the colour.
int CountColor(const QImage& img, const TRect& r, TColor c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (Same(img, x, y, c)) ++n;
    return n;
}
} // namespace

TEST_F(TodoListView, CompletionFontWinsOverPriorityFont) {
    list->CompletionFont()->SetColor(clLime);
    list->PriorityFont()->SetColor(clRed);
    for (TFont* f : {list->CompletionFont(), list->PriorityFont()}) {
        f->SetStyle({fsBold});
        f->SetHeight(-14);
    }
    TTodoItem* item = AddItem("MMMMMMMM");
    item->SetPriority(TTodoPriority::tpHighest);
    const TRect subject{25, 0, 225, 18};
    QImage img = Grab(box);
    EXPECT_GT(CountColor(img, subject, clRed), 10);
    EXPECT_EQ(CountColor(img, subject, clLime), 0);
    item->SetComplete(true);
    img = Grab(box);
    EXPECT_GT(CountColor(img, subject, clLime), 10);
    EXPECT_EQ(CountColor(img, subject, clRed), 0);
}

TEST_F(TodoListView, SelectedRowAndFocusedCell) {
    AddItem("a");
    AddItem("b");
    list->SetSelectionColor(clNavy);
    list->SetSelected(list->Items()->Items(1));
    QImage img = Grab(box);
    // Row 1 is 18..36; the subject cell in the selection colour, and right of the columns too.
    EXPECT_TRUE(Same(img, 200, 20, clNavy));
    EXPECT_TRUE(Same(img, 400, 20, clNavy));
    EXPECT_TRUE(Same(img, 200, 2, clWindow));
    // With the focus, the focused column of the selected row stands out in the list's colours.
    FocusList();
    list->SetEditColumn(1);
    img = Grab(box);
    EXPECT_TRUE(Same(img, 200, 20, clWindow));
    EXPECT_TRUE(Same(img, 12, 34, clNavy));
    // It carries a dotted focus frame a pixel inside (cell 25..225, 18..36): every other pixel.
    const auto dark = [&](const QImage& shot, int y) {
        int n = 0;
        for (int x = 60; x < 220; ++x) n += qGray(shot.pixel(x, y)) < 60;
        return n;
    };
    EXPECT_EQ(dark(img, 19), 80);
    EXPECT_EQ(dark(img, 20), 0);
    // The notes band of the selected row stays in the selection's colour, also below the last
    // column when that is the focused one.
    list->SetPreviewHeight(20);
    list->SetPreview(true);
    const TRect row = box->ItemRect(1);
    const int band = row.Top + 18 + (row.Height() - 18) / 2;
    for (int column : {1, 2}) {
        list->SetEditColumn(column);
        img = Grab(box);
        EXPECT_TRUE(Same(img, 200, band, clNavy)) << column;
        EXPECT_TRUE(Same(img, 300, band, clNavy)) << column;
    }
    list->SetPreview(false);
    list->SetShowSelection(false);
    img = Grab(box);
    EXPECT_FALSE(Same(img, 400, 20, clNavy));
}

TEST_F(TodoListView, CheckBoxSitsByTheColumnAlignment) {
    AddItem("a")->SetComplete(true);
    TTodoColumnItem* ok = list->Columns()->Items(0);
    list->Columns()->Items(0)->SetColor(clYellow);
    struct Case { TAlignment a; int x; };
    for (Case c : {Case{taCenter, 6}, Case{taLeftJustify, 1}, Case{taRightJustify, 10}}) {
        ok->SetAlignment(c.a);
        const QImage img = Grab(box);
        EXPECT_TRUE(Same(img, c.x, 1, clBtnShadow)) << c.x;
        EXPECT_TRUE(Same(img, c.x - 1, 1, clYellow)) << c.x;
        EXPECT_TRUE(Same(img, c.x + 13, 14, clBtnShadow)) << c.x;
    }
}

TEST_F(TodoListView, GridLinesAndTheEmptyList) {
    QImage img = Grab(box);
    EXPECT_TRUE(Same(img, 100, 10, clWindow));
    EXPECT_TRUE(Same(img, 300, 100, clWindow));
    AddItem("a");
    list->SetGridLines(true);
    img = Grab(box);
    EXPECT_TRUE(Same(img, 100, 17, 0x808080));
    EXPECT_TRUE(Same(img, 25, 5, 0x808080));
    EXPECT_TRUE(Same(img, 225, 5, 0x808080));
    EXPECT_FALSE(Same(img, 325, 5, 0x808080));   // none after the last column
}

TEST_F(TodoListView, PreviewBandShowsTheNotesInThePreviewFont) {
    TTodoItem* item = AddItem("a");
    TStringList notes;
    notes.SetText("IIIIIIIIIIII IIIIIIIIIIIIIII");
    item->SetNotes(&notes);
    list->PreviewFont()->SetColor(clFuchsia);
    list->PreviewFont()->SetStyle({fsBold});
    list->SetPreviewHeight(20);
    list->SetPreview(true);
    const QImage img = Grab(box);
    EXPECT_GT(CountColor(img, {0, 18, 300, 38}, clFuchsia), 10);
    EXPECT_EQ(CountColor(img, {0, 0, 300, 18}, clFuchsia), 0);
}

TEST_F(TodoListView, ContainerDrawsAGreyFrame) {
    QImage img = Grab(list);
    EXPECT_TRUE(Same(img, 0, 100, 0x808080));
    EXPECT_TRUE(Same(img, 419, 100, 0x808080));
    EXPECT_TRUE(Same(img, 200, 199, 0x808080));
    EXPECT_EQ(list->Header()->Top(), 1);
    EXPECT_EQ(list->Header()->Height(), 18);
    EXPECT_EQ(box->Top(), 19);
    list->SetBorderStyle(bsNone);
    EXPECT_EQ(list->Header()->Top(), 0);
}

TEST_F(TodoListView, LeftAndRightMoveTheFocusedColumnWithinTheColumns) {
    AddItem("a");
    FocusList();
    Key(box, Qt::Key_Left);
    EXPECT_EQ(list->EditColumn(), 0);
    Key(box, Qt::Key_Right);
    Key(box, Qt::Key_Right);
    Key(box, Qt::Key_Right);
    EXPECT_EQ(list->EditColumn(), 2);
    Key(box, Qt::Key_Left);
    EXPECT_EQ(list->EditColumn(), 1);
}

TEST_F(TodoListView, ArrowKeysSelectAndReportOnlyTheUsersSelection) {
    AddItem("a");
    AddItem("b");
    std::vector<TTodoItem*> selected;
    list->OnItemSelect = [&](TObject* s, TTodoItem* i) {
        EXPECT_EQ(s, list);
        selected.push_back(i);
    };
    list->SetSelected(list->Items()->Items(0));
    EXPECT_TRUE(selected.empty());
    FocusList();
    Key(box, Qt::Key_Down);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0], list->Items()->Items(1));
    Click(box, 100, 5);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[1], list->Items()->Items(0));
}

TEST_F(TodoListView, InsertKeyAddsAnItemAndEditsItsSubject) {
    list->AutoInsertItem = true;
    int inserts = 0;
    list->OnItemInsert = [&](TObject*, TTodoItem* item, bool& allow) {
        ++inserts;
        EXPECT_EQ(item->CreationDate().Val, 45000.25);
        allow = inserts == 1;
    };
    FocusList();
    Key(box, Qt::Key_Insert);
    ASSERT_EQ(list->Items()->Count(), 1);
    TTodoItem* item = list->Items()->Items(0);
    EXPECT_DOUBLE_EQ(item->DueDate().Val, 45001.25);
    EXPECT_DOUBLE_EQ(item->CompletionDate().Val, 45001.25);
    EXPECT_EQ(list->EditColumn(), 1);
    EXPECT_EQ(box->ActiveEditor(), box->TextEditor());
    EXPECT_TRUE(box->TextEditor()->Visible());
    list->HideEditor();
    // Refused: the item goes again.
    FocusList();
    Key(box, Qt::Key_Insert);
    EXPECT_EQ(inserts, 2);
    EXPECT_EQ(list->Items()->Count(), 1);
    EXPECT_EQ(box->Count(), 1);
}

TEST_F(TodoListView, DeleteKeyAsksAndNeedsASelectedRow) {
    list->AutoDeleteItem = true;
    AddItem("a");
    AddItem("b");
    int asked = 0;
    bool allow = false;
    list->OnItemDelete = [&](TObject*, TTodoItem* item, bool& a) {
        ++asked;
        EXPECT_NE(item, nullptr);
        a = allow;
    };
    FocusList();
    Key(box, Qt::Key_Delete);
    EXPECT_EQ(asked, 0);   // no row selected
    list->SetSelected(list->Items()->Items(1));
    Key(box, Qt::Key_Delete);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(list->Items()->Count(), 2);
    allow = true;
    Key(box, Qt::Key_Delete);
    EXPECT_EQ(list->Items()->Count(), 1);
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "a");
    EXPECT_EQ(box->ItemIndex(), 0);
}

TEST_F(TodoListView, LookupTextCollectsTypedKeys) {
    AddItem("a");
    FocusList();
    list->SetEditable(false);
    Key(box, Qt::Key_B, "b");
    EXPECT_EQ(box->LookupText(), "B");
    box->LookupIncr = true;
    Key(box, Qt::Key_C, "c");
    EXPECT_EQ(box->LookupText(), "BC");
    Key(box, Qt::Key_Backspace);
    EXPECT_EQ(box->LookupText(), "B");
    Key(box, Qt::Key_Home);
    EXPECT_EQ(box->LookupText(), "");
}

TEST_F(TodoListView, EventsOfTheListBoxCarryTheContainer) {
    AddItem("a");
    std::vector<std::string> log;
    list->OnClick = [&](TObject* s) { log.push_back(s == list ? "click" : "click?"); };
    list->OnMouseDown = [&](TObject* s, TMouseButton, TShiftState, int X, int) {
        log.push_back(s == list ? "down " + std::to_string(X) : "down?");
    };
    list->OnKeyDown = [&](TObject* s, Word& Key, TShiftState) {
        if (Key == VK_DOWN) log.push_back(s == list ? "key" : "key?");
    };
    list->SetEditable(false);
    Click(box, 30, 5);
    FocusList();
    Key(box, Qt::Key_Down);
    EXPECT_EQ(log, (std::vector<std::string>{"click", "down 30", "key"}));
}

TEST_F(TodoListView, HintShowsTheFullTextOfACutOffCell) {
    AddItem("short");
    AddItem(std::string(80, 'W'));
    list->SetHintShowFullText(true);
    THintInfo info;
    info.CursorPos = {50, 5};
    EXPECT_NE(box->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    info.CursorPos = {50, 20};
    ASSERT_EQ(box->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, std::string(80, 'W'));
    EXPECT_EQ(info.HintMaxWidth, list->ClientWidth());
    EXPECT_EQ(info.CursorRect.Left, 25);
    EXPECT_EQ(info.CursorRect.Top, 18);
    const TPoint origin = box->ClientToScreen({25, 18});
    EXPECT_EQ(info.HintPos.X, origin.X);
    EXPECT_EQ(info.HintPos.Y, origin.Y);
    // The check column has no text.
    info.CursorPos = {5, 20};
    EXPECT_NE(box->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
}

TEST_F(TodoListView, StatusAndPriorityTextsGoThroughTheEvents) {
    list->OnStatusToString = [](TObject*, TTodoStatus v, AnsiString& s) {
        if (v == tsDeferred) s = "Später";
    };
    EXPECT_EQ(list->StatusToString(tsDeferred), "Später");
    EXPECT_EQ(list->StatusToString(tsCompleted), "Completed");
    list->OnStringToPriority = [](TObject*, const AnsiString& s, TTodoPriority& v) {
        EXPECT_EQ(s, "high");
        v = TTodoPriority::tpLow;
    };
    EXPECT_EQ(list->StringToPriority("HIGH"), TTodoPriority::tpLow);
    EXPECT_THROW(list->StringToStatus("Urgent"), EConversionFunctionException);
}

TEST_F(TodoListView, SortingKeepsTheSelectedItemAndReportsIt) {
    for (const char* s : {"c", "a", "b"}) AddItem(s);
    list->SetSelected(list->Items()->Items(0));
    int reported = 0;
    list->OnItemSelect = [&](TObject*, TTodoItem* i) {
        ++reported;
        EXPECT_EQ(i->Subject(), "c");
    };
    list->SetSortColumn(1);
    EXPECT_EQ(reported, 0);   // not sorted yet
    list->SetSorted(true);
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "a");
    EXPECT_EQ(box->ItemIndex(), 2);
    list->SetSortDirection(sdDescending);
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "c");
    EXPECT_EQ(box->ItemIndex(), 0);
    // A sort column beyond the columns sorts nothing.
    list->SetSortColumn(7);
    EXPECT_EQ(list->Items()->Items(0)->Subject(), "c");
}
