#include <gtest/gtest.h>

#include "FakeTodoView.h"
#include "TodoList.h"

namespace {

struct ColumnFixture : ::testing::Test {
    FakeTodoView view;
    TTodoColumnCollection columns{nullptr, &view};
};

} // namespace

TEST(TodoColumn, StartsWithTheDocumentedDefaults) {
    TTodoColumnCollection columns;
    TTodoColumnItem* c = columns.Add();
    EXPECT_EQ(c->Width(), 100);
    EXPECT_EQ(c->Alignment(), taLeftJustify);
    EXPECT_EQ(c->Color(), clWindow);
    EXPECT_EQ(c->TodoData(), tdSubject);
    EXPECT_EQ(c->Caption(), "");
    EXPECT_TRUE(c->Editable);
    EXPECT_EQ(c->DisplayName(), "Column0");
    c->SetCaption("Betreff");
    EXPECT_EQ(c->DisplayName(), "Betreff");
}

TEST(TodoColumn, AHandleColumnIsNeverEditable) {
    TTodoColumnCollection columns;
    TTodoColumnItem* c = columns.Add();
    c->SetTodoData(tdHandle);
    EXPECT_FALSE(c->Editable);
    EXPECT_THROW(c->SetTodoData(static_cast<TTodoData>(TodoDataCount)), SysUtils::EOutOfRange);
    EXPECT_EQ(c->TodoData(), tdHandle);
}

TEST(TodoColumn, NewColumnsCopyTheListFont) {
    FakeTodoView view;
    TFont listFont;
    listFont.SetName("DejaVu Sans");
    listFont.SetSize(11);
    view.font = &listFont;
    TTodoColumnCollection columns(nullptr, &view);
    TTodoColumnItem* c = columns.Add();
    EXPECT_EQ(c->Font()->Name(), "DejaVu Sans");
    EXPECT_EQ(c->Font()->Size(), 11);
    EXPECT_NE(c->Font(), &listFont);   // a copy of its own

    // Columns read from a file start from the list font too.
    TMemoryStream s;
    columns.SaveToStream(&s);
    listFont.SetSize(14);
    s.SetPosition(0);
    columns.LoadFromStream(&s);
    EXPECT_EQ(columns.Items(0)->Font()->Size(), 14);
}

TEST_F(ColumnFixture, ChangesRaiseOnChangeAndTellTheList) {
    TTodoColumnItem* c = columns.Add();
    int changes = 0;
    c->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, c);
        ++changes;
    };
    view.Reset();
    c->SetAlignment(taRightJustify);
    c->SetColor(clYellow);
    c->SetAlignment(taRightJustify);   // stored without comparing: raised again
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(view.invalidates, 3);
    EXPECT_EQ(view.synchColumns, 0);
    // Width and caption also bring the header in step.
    c->SetWidth(40);
    c->SetCaption("Fällig");
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(view.synchColumns, 2);

    // Without a window the header and list are left alone.
    view.handle = false;
    view.Reset();
    c->SetWidth(41);
    EXPECT_EQ(view.synchColumns, 0);
    EXPECT_EQ(view.invalidates, 0);
    EXPECT_EQ(changes, 6);
}

TEST_F(ColumnFixture, CreatingAndDeletingColumnsSynchsTheHeader) {
    columns.Add();
    TTodoColumnItem* second = columns.Add();
    EXPECT_EQ(view.synchColumns, 2);
    delete second;
    EXPECT_EQ(columns.Count(), 1);
    EXPECT_EQ(view.synchColumns, 3);
}

TEST_F(ColumnFixture, SwapExchangesPropertiesNotPositions) {
    TTodoColumnItem* a = columns.Add();
    a->SetCaption("Ok");
    a->SetWidth(25);
    a->SetTodoData(tdComplete);
    a->SetAlignment(taCenter);
    a->SetColor(clRed);
    a->Font()->SetSize(7);
    TTodoColumnItem* b = columns.Add();
    b->SetCaption("Griff");
    b->SetTodoData(tdHandle);
    int aEvents = 0;
    a->OnChange = [&](TObject*) { ++aEvents; };

    columns.Swap(a, b);
    EXPECT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns.Items(0), a);
    EXPECT_EQ(a->Caption(), "Griff");
    EXPECT_EQ(a->TodoData(), tdHandle);
    EXPECT_FALSE(a->Editable);
    EXPECT_EQ(a->Width(), 100);
    EXPECT_EQ(a->Alignment(), taLeftJustify);
    EXPECT_EQ(b->Caption(), "Ok");
    EXPECT_EQ(b->Width(), 25);
    EXPECT_EQ(b->TodoData(), tdComplete);
    EXPECT_TRUE(b->Editable);
    EXPECT_EQ(b->Alignment(), taCenter);
    EXPECT_EQ(b->Color(), clRed);
    EXPECT_EQ(b->Font()->Size(), 7);
    EXPECT_GT(aEvents, 0);
    EXPECT_TRUE(a->OnChange);   // the event stays with its column
    EXPECT_FALSE(b->OnChange);
}

TEST(TodoColumn, FindKindFindsTheFirstColumnOfAKind) {
    TTodoColumnCollection columns;
    columns.Add()->SetTodoData(tdSubject);
    TTodoColumnItem* due = columns.Add();
    due->SetTodoData(tdDueDate);
    columns.Add()->SetTodoData(tdDueDate);
    EXPECT_EQ(columns.FindKind(tdDueDate), due);
    EXPECT_EQ(columns.FindKind(tdNotes), nullptr);
}

TEST(TodoSortColumn, AColumnOutsideTheColumnsSortsNothing) {
    TTodoColumnCollection columns;
    columns.Add()->SetTodoData(tdSubject);
    columns.Add()->SetTodoData(tdCompletion);
    TTodoItemCollection items;
    const int values[] = {30, 10, 20};
    for (int v : values) {
        TTodoItem* it = items.Add();
        it->SetCompletion(v);
        it->SetSubject(std::string(1, static_cast<char>('a' + v / 10)));
    }
    int selected = 0;
    for (int bad : {-1, 2, 1000}) {
        EXPECT_FALSE(items.SortByColumn(columns, bad, sdAscending, selected));
        EXPECT_EQ(items.Items(0)->Completion(), 30);
        EXPECT_EQ(selected, 0);
    }
    EXPECT_TRUE(items.SortByColumn(columns, 1, sdAscending, selected));
    EXPECT_EQ(items.Items(0)->Completion(), 10);
    EXPECT_EQ(items.Items(2)->Completion(), 30);
    EXPECT_EQ(selected, 2);
    EXPECT_TRUE(items.SortByColumn(columns, 0, sdDescending, selected));
    EXPECT_EQ(items.Items(0)->Subject(), "d");
    EXPECT_EQ(items.Items(0)->Completion(), 30);
    EXPECT_EQ(selected, 0);
}
