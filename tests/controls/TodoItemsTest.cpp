#include <gtest/gtest.h>

#include "FakeTodoView.h"
#include "TodoList.h"

namespace {

struct ListFixture : ::testing::Test {
    FakeTodoView view;
    TTodoItemCollection items{nullptr, &view};
    ListFixture() { view.items = &items; }

    TTodoItem* AddWithNotes(std::initializer_list<const char*> lines) {
        TTodoItem* item = items.Add();
        for (const char* l : lines) item->Notes()->Add(l);
        return item;
    }
};

} // namespace

TEST(TodoItem, OutOfRangeValuesAreClampedOrRefused) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    item->SetCompletion(250);
    EXPECT_EQ(item->Completion(), 100);
    item->SetCompletion(-3);
    EXPECT_EQ(item->Completion(), 0);
    item->SetPriority(static_cast<TTodoPriority>(9));
    EXPECT_EQ(item->Priority(), TTodoPriority::tpHighest);
    item->SetStatus(tsDeferred);
    EXPECT_THROW(item->SetStatus(static_cast<TTodoStatus>(4)), SysUtils::EOutOfRange);
    EXPECT_EQ(item->Status(), tsDeferred);
}

TEST(TodoItem, DisplayNameAndFirstNotesLine) {
    TTodoItemCollection items;
    items.Add();
    items.Add();
    TTodoItem* third = items.Add();
    EXPECT_EQ(third->DisplayName(), "Item2");
    third->SetSubject("Steuer");
    EXPECT_EQ(third->DisplayName(), "Steuer");
    EXPECT_EQ(third->GetNotesLine(), "");
    third->Notes()->SetText("erste\r\nzweite\r\n");
    EXPECT_EQ(third->GetNotesLine(), "erste");
}

TEST(TodoItem, AssignCopiesEverythingButKeyAndEvent) {
    TTodoItemCollection items;
    TTodoItem* src = items.Add();
    src->SetImageIndex(3);
    src->Notes()->SetText("a\r\nb");
    src->SetSubject("Subject");
    src->SetComplete(true);
    src->SetCompletion(40);
    src->SetCompletionDate(45001.0);
    src->SetCreationDate(45002.0);
    src->SetDueDate(45003.25);
    src->SetPriority(TTodoPriority::tpHigh);
    src->SetResource("Anna");
    src->SetStatus(tsInProgress);
    src->Tag = 17;
    src->SetTotalTime(5);
    src->SetProject("Haus");
    src->DBKey = "{KEY}";
    int srcEvents = 0;
    src->OnChange = [&](TObject*) { ++srcEvents; };

    TTodoItem* dst = items.Add();
    dst->Assign(src);
    EXPECT_EQ(dst->ImageIndex(), 3);
    EXPECT_EQ(dst->Notes()->Text(), "a\r\nb\r\n");
    EXPECT_EQ(dst->Subject(), "Subject");
    EXPECT_TRUE(dst->Complete());
    EXPECT_EQ(dst->Completion(), 40);
    EXPECT_EQ(dst->CompletionDate().Val, 45001.0);
    EXPECT_EQ(dst->CreationDate().Val, 45002.0);
    EXPECT_EQ(dst->DueDate().Val, 45003.25);
    EXPECT_EQ(dst->Priority(), TTodoPriority::tpHigh);
    EXPECT_EQ(dst->Resource(), "Anna");
    EXPECT_EQ(dst->Status(), tsInProgress);
    EXPECT_EQ(dst->Tag, 17);
    EXPECT_EQ(dst->TotalTime(), 5);
    EXPECT_EQ(dst->Project(), "Haus");
    EXPECT_EQ(dst->DBKey, "");
    EXPECT_FALSE(dst->OnChange);

    // Any other source is ignored without an error.
    TStringList other;
    dst->Assign(&other);
    EXPECT_EQ(dst->Subject(), "Subject");
    EXPECT_EQ(srcEvents, 0);   // the list never raises an item's OnChange
}

TEST_F(ListFixture, SettersRepaintTheirRowOnlyWhenTheValueChanges) {
    items.Add();
    TTodoItem* item = items.Add();
    view.Reset();
    item->SetSubject("x");
    item->SetSubject("x");
    item->SetCompletion(10);
    item->Tag = 4;   // stored directly, nothing repaints
    EXPECT_EQ(view.repainted, (std::vector<int>{1, 1}));

    // A row the list box does not have yet is not asked for.
    view.rows = 1;
    view.Reset();
    item->SetProject("p");
    EXPECT_TRUE(view.repainted.empty());
}

TEST_F(ListFixture, RowsFollowItemsComingAndGoing) {
    items.Add();
    items.Add();
    TTodoItem* last = items.Add();
    EXPECT_EQ(view.rows, 3);
    view.selected = 2;
    delete last;
    // The item left the collection before the rows were brought in step: no stale row stays, and
    // the selection moves to the new last row.
    EXPECT_EQ(view.rows, 2);
    EXPECT_EQ(view.selected, 1);
    items.Clear();
    EXPECT_EQ(view.rows, 0);
}

TEST_F(ListFixture, NotesChangeResynchsAndKeepsTheSelectedRow) {
    items.Add();
    TTodoItem* item = items.Add();
    view.selected = 1;
    view.Reset();
    item->Notes()->Add("neu");
    EXPECT_GE(view.synchItems, 1);
    EXPECT_EQ(view.selected, 1);

    TStringList lines;
    lines.Add("eins");
    lines.Add("zwei");
    view.Reset();
    item->SetNotes(&lines);
    EXPECT_EQ(item->Notes()->Count(), 2);
    EXPECT_EQ(view.repainted, (std::vector<int>{1}));   // SetNotes repaints even for equal notes
    item->SetNotes(&lines);
    EXPECT_EQ(view.repainted.size(), 2u);
}

TEST_F(ListFixture, SelectMakesTheItemsRowSelected) {
    items.Add();
    items.Add()->Select();
    EXPECT_EQ(view.selected, 1);
}

TEST_F(ListFixture, LookupsCompareNotesLinesExactly) {
    AddWithNotes({"a", "x"});
    AddWithNotes({"x"});
    AddWithNotes({"X", "y"});

    EXPECT_EQ(items.IndexOf("x"), TPoint(0, 1));   // the last item holding the line wins
    EXPECT_EQ(items.IndexOf("y"), TPoint(1, 2));
    EXPECT_EQ(items.IndexOf("z"), TPoint(-1, -1));

    EXPECT_EQ(items.IndexInTodoOf(1, "x"), 0);
    EXPECT_EQ(items.IndexInTodoOf(0, "x"), 1);
    EXPECT_EQ(items.IndexInTodoOf(1, "y"), 2);
    EXPECT_EQ(items.IndexInTodoOf(2, "x"), -1);   // no item has a third line
    EXPECT_EQ(items.IndexInTodoOf(-1, "x"), -1);

    EXPECT_EQ(items.IndexInRowOf(0, "x"), 1);
    EXPECT_EQ(items.IndexInRowOf(2, "x"), -1);    // case-sensitive
    EXPECT_EQ(items.IndexInRowOf(5, "x"), -1);
    EXPECT_EQ(items.IndexInRowOf(-1, "x"), -1);
}

TEST(TodoStrings, DefaultsAndCommaTexts) {
    TStatusStrings status;
    TPriorityStrings priority;
    EXPECT_EQ(status.CommaText(), "\"Not started\",\"Completed\",\"In progress\",\"Deferred\"");
    EXPECT_EQ(priority.CommaText(), "\"Lowest\",\"Low\",\"Normal\",\"High\",\"Highest\"");
    EXPECT_EQ(status.Text(tsInProgress), "In progress");
    EXPECT_EQ(priority.Text(TTodoPriority::tpNormal), "Normal");

    int changes = 0;
    status.OnChange = [&](TObject*) { ++changes; };
    status.SetDeferred("Später");
    EXPECT_EQ(status.Deferred(), "Später");
    EXPECT_EQ(changes, 1);

    TStatusStrings copy;
    copy.Assign(&status);
    EXPECT_EQ(copy.Deferred(), "Später");
}

TEST(TodoStrings, TextToValueIgnoresCaseAndPrefersTheHigherOrdinal) {
    TPriorityStrings priority;
    EXPECT_EQ(priority.StringToPriority("HIGH"), TTodoPriority::tpHigh);
    EXPECT_EQ(priority.StringToPriority("lowest"), TTodoPriority::tpLowest);

    TStatusStrings status;
    status.SetNotStarted("X");
    status.SetCompleted("X");
    status.SetInProgress("X");
    status.SetDeferred("X");
    EXPECT_EQ(status.StringToStatus("x"), tsDeferred);

    // German display texts lower-case with their umlauts.
    status.SetCompleted("ERLEDIGT ÄÖÜ");
    EXPECT_EQ(status.StringToStatus("erledigt äöü"), tsCompleted);
}

TEST(TodoStrings, UnknownTextRaisesWithTheLowerCasedText) {
    TPriorityStrings priority;
    try {
        priority.StringToPriority("Urgent");
        FAIL() << "no exception";
    } catch (const EConversionFunctionException& e) {
        EXPECT_EQ(e.Message, "TodoPriorityFromString error. The parameter \"urgent\" is not a valid priority string.");
    }
    TStatusStrings status;
    try {
        status.StringToStatus("Offen");
        FAIL() << "no exception";
    } catch (const EConversionFunctionException& e) {
        EXPECT_EQ(e.Message, "TodoStatusFromString error. The parameter \"offen\" is not a valid status string.");
    }
}
