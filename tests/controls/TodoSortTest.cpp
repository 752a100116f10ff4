#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "FakeTodoView.h"
#include "TodoList.h"

namespace {

// Items whose Tag numbers them in their original order, so each item can be followed.
struct SortFixture : ::testing::Test {
    TTodoItemCollection items;

    void Fill(int n, const std::function<void(TTodoItem*, int)>& set) {
        items.Clear();
        for (int i = 0; i < n; ++i) {
            TTodoItem* item = items.Add();
            item->Tag = i;
            set(item, i);
        }
    }
    std::vector<int> Tags() const {
        std::vector<int> t;
        for (int i = 0; i < items.Count(); ++i) t.push_back(items.Items(i)->Tag);
        return t;
    }
    bool Ordered(TTodoData kind, TSortDirection dir) const {
        for (int i = 0; i + 1 < items.Count(); ++i)
            if (items.CompareItems(i, i + 1, kind, dir) > 0) return false;
        return true;
    }
    // Sorts, and checks the order and that the items are the same ones, only rearranged.
    void SortAndCheck(TTodoData kind, TSortDirection dir, const std::string& what) {
        std::vector<int> before = Tags();
        int selected = -1;
        items.Sort(kind, dir, selected);
        ASSERT_TRUE(Ordered(kind, dir)) << what;
        std::vector<int> after = Tags();
        std::sort(before.begin(), before.end());
        std::sort(after.begin(), after.end());
        ASSERT_EQ(before, after) << what;
    }
};

const TSortDirection Directions[] = {sdAscending, sdDescending};

} // namespace

TEST_F(SortFixture, EveryKeyColumnOrdersBothWaysWithEqualKeys) {
    // Keys 0..3, each used twice, in a shuffled order.
    const int keys[] = {2, 0, 3, 1, 2, 3, 0, 1};
    const char* texts[] = {"a", "A", "ab-c", "Äpfel"};
    struct Case {
        TTodoData kind;
        std::function<void(TTodoItem*, int)> set;
    };
    const Case cases[] = {
        {tdSubject, [&](TTodoItem* it, int k) { it->SetSubject(texts[k]); }},
        {tdResource, [&](TTodoItem* it, int k) { it->SetResource(texts[k]); }},
        {tdProject, [&](TTodoItem* it, int k) { it->SetProject(texts[k]); }},
        {tdNotes, [&](TTodoItem* it, int k) { it->Notes()->SetText(texts[k]); }},
        {tdCompletion, [](TTodoItem* it, int k) { it->SetCompletion(k * 30); }},
        {tdPriority, [](TTodoItem* it, int k) { it->SetPriority(static_cast<TTodoPriority>(k)); }},
        {tdImage, [](TTodoItem* it, int k) { it->SetImageIndex(k - 1); }},
        {tdDueDate, [](TTodoItem* it, int k) { it->SetDueDate(45000.0 + k * 0.5); }},
        {tdCompletionDate, [](TTodoItem* it, int k) { it->SetCompletionDate(-1.0 + k); }},
        {tdCreationDate, [](TTodoItem* it, int k) { it->SetCreationDate(44000.0 + k); }},
        {tdComplete, [](TTodoItem* it, int k) { it->SetComplete(k % 2 == 1); }},
    };
    for (const Case& c : cases) {
        for (TSortDirection dir : Directions) {
            Fill(8, [&](TTodoItem* it, int i) { c.set(it, keys[i]); });
            SortAndCheck(c.kind, dir, "kind " + std::to_string(c.kind) + " dir " + std::to_string(dir));
            // The extremes land at the ends.
            const int first = keys[items.Items(0)->Tag], last = keys[items.Items(7)->Tag];
            if (c.kind != tdComplete) {
                EXPECT_EQ(first, dir == sdAscending ? 0 : 3) << c.kind;
                EXPECT_EQ(last, dir == sdAscending ? 3 : 0) << c.kind;
            }
        }
    }
}

TEST_F(SortFixture, TextsSortWithTheLocaleRules) {
    const char* words[] = {"Zebra", "b", "Äpfel", "zebra", "a", "B", "A", "Apfel"};
    Fill(8, [&](TTodoItem* it, int i) { it->SetSubject(words[i]); });
    int selected = -1;
    items.Sort(tdSubject, sdAscending, selected);
    std::vector<std::string> got;
    for (int i = 0; i < items.Count(); ++i) got.push_back(items.Items(i)->Subject());
    EXPECT_EQ(got, (std::vector<std::string>{"a", "A", "Apfel", "Äpfel", "b", "B", "zebra", "Zebra"}));
}

TEST_F(SortFixture, CompleteAscendingPutsUnfinishedItemsFirst) {
    const bool done[] = {true, false, true, false};
    Fill(4, [&](TTodoItem* it, int i) { it->SetComplete(done[i]); });
    int selected = -1;
    items.Sort(tdComplete, sdAscending, selected);
    std::vector<bool> flags;
    for (int i = 0; i < 4; ++i) flags.push_back(items.Items(i)->Complete());
    EXPECT_EQ(flags, (std::vector<bool>{false, false, true, true}));
    items.Sort(tdComplete, sdDescending, selected);
    flags.clear();
    for (int i = 0; i < 4; ++i) flags.push_back(items.Items(i)->Complete());
    EXPECT_EQ(flags, (std::vector<bool>{true, true, false, false}));
}

TEST_F(SortFixture, StatusTotalTimeAndHandleColumnsLeaveTheOrder) {
    Fill(6, [](TTodoItem* it, int i) {
        it->SetStatus(static_cast<TTodoStatus>((5 - i) % 4));
        it->SetTotalTime(100 - i);
    });
    for (TTodoData kind : {tdStatus, tdTotalTime, tdHandle}) {
        for (TSortDirection dir : Directions) {
            int selected = 2;
            items.Sort(kind, dir, selected);
            EXPECT_EQ(Tags(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
            EXPECT_EQ(selected, 2);
        }
    }
}

TEST_F(SortFixture, TheSelectedItemStaysSelected) {
    // The input on which a pivot that stays at its position leaves the list unsorted.
    const int values[] = {1, 2, 0, 0};
    Fill(4, [&](TTodoItem* it, int i) { it->SetCompletion(values[i]); });
    int selected = 1;
    items.Sort(tdCompletion, sdAscending, selected);
    std::vector<int> got;
    for (int i = 0; i < 4; ++i) got.push_back(items.Items(i)->Completion());
    EXPECT_EQ(got, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(items.Items(selected)->Tag, 1);
}

TEST_F(SortFixture, SwappingMovesContentsAndKeysButNotTheItems) {
    Fill(2, [](TTodoItem* it, int i) {
        it->SetSubject(i == 0 ? "b" : "a");
        it->DBKey = i == 0 ? "{B}" : "{A}";
        it->Notes()->Add(i == 0 ? "note b" : "note a");
    });
    TTodoItem* first = items.Items(0);
    int selected = 0;
    items.Sort(tdSubject, sdAscending, selected);
    EXPECT_EQ(items.Items(0), first);
    EXPECT_EQ(first->Subject(), "a");
    EXPECT_EQ(first->DBKey, "{A}");
    EXPECT_EQ(first->GetNotesLine(), "note a");
    EXPECT_EQ(items.Items(1)->DBKey, "{B}");
    EXPECT_EQ(selected, 1);
}

// Every list of up to 7 items over 3 key values, in both directions, every position selected.
TEST_F(SortFixture, BruteForceEverySmallListComesOutOrdered) {
    for (int n = 0; n <= 7; ++n) {
        int combos = 1;
        for (int i = 0; i < n; ++i) combos *= 3;
        for (int code = 0; code < combos; ++code) {
            std::vector<int> keys;
            for (int i = 0, c = code; i < n; ++i, c /= 3) keys.push_back(c % 3);
            for (TSortDirection dir : Directions) {
                Fill(n, [&](TTodoItem* it, int i) { it->SetPriority(static_cast<TTodoPriority>(keys[i])); });
                int selected = n > 0 ? code % n : -1;
                const int selectedTag = selected;
                items.Sort(tdPriority, dir, selected);
                ASSERT_TRUE(Ordered(tdPriority, dir)) << "n " << n << " code " << code << " dir " << dir;
                std::vector<int> tags = Tags();
                std::sort(tags.begin(), tags.end());
                for (int i = 0; i < n; ++i) ASSERT_EQ(tags[i], i);
                if (n > 0) {
                    ASSERT_EQ(items.Items(selected)->Tag, selectedTag) << "n " << n << " code " << code;
                }
            }
        }
    }
}

TEST_F(SortFixture, RandomLargerListsComeOutOrdered) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        const int n = 2 + static_cast<int>(rng() % 60);
        const int range = 1 + static_cast<int>(rng() % 10);
        Fill(n, [&](TTodoItem* it, int) {
            it->SetDueDate(static_cast<double>(rng() % range));
            it->SetSubject(std::string(1, static_cast<char>('a' + rng() % range)));
        });
        for (TSortDirection dir : Directions) {
            SortAndCheck(tdDueDate, dir, "due dates, round " + std::to_string(round));
            SortAndCheck(tdSubject, dir, "subjects, round " + std::to_string(round));
        }
    }
}

TEST_F(SortFixture, AlreadySortedAndLargeListsStayCorrect) {
    Fill(3000, [](TTodoItem* it, int i) { it->SetImageIndex(i); });
    SortAndCheck(tdImage, sdAscending, "sorted input");
    SortAndCheck(tdImage, sdDescending, "reversed");
    EXPECT_EQ(items.Items(0)->ImageIndex(), 2999);
}

TEST_F(SortFixture, NotANumberDatesSortFirstWithoutBreakingTheOrder) {
    const double dates[] = {3.0, std::nan(""), 1.0, std::nan(""), 2.0};
    Fill(5, [&](TTodoItem* it, int i) { it->SetDueDate(dates[i]); });
    SortAndCheck(tdDueDate, sdAscending, "with NaN");
    EXPECT_TRUE(std::isnan(items.Items(0)->DueDate().Val));
    EXPECT_TRUE(std::isnan(items.Items(1)->DueDate().Val));
    EXPECT_EQ(items.Items(4)->DueDate().Val, 3.0);
}

TEST(TodoSortView, ASortRepaintsOnceAtTheEnd) {
    FakeTodoView view;
    TTodoItemCollection items(nullptr, &view);
    view.items = &items;
    for (int i = 0; i < 5; ++i) items.Add()->SetCompletion(50 - i);
    view.Reset();
    int selected = 0;
    items.Sort(tdCompletion, sdAscending, selected);
    EXPECT_TRUE(view.repainted.empty());
    EXPECT_EQ(view.invalidates, 1);
    EXPECT_EQ(selected, 4);
    EXPECT_EQ(items.UpdateCount(), 0);
}

// The order among equal keys is the one the exchanging sort has always given, so a list sorted on a
// second column keeps looking the same: compared against that sort done item by item here.
TEST_F(SortFixture, EqualKeysEndWhereTheExchangingSortPutsThem) {
    std::mt19937 random(11);
    Fill(300, [&](TTodoItem* item, int) {
        item->SetPriority(static_cast<TTodoPriority>(random() % 3));
        item->SetSubject(std::string(1, char('a' + random() % 4)));
    });
    for (TTodoData kind : {tdPriority, tdSubject})
        for (TSortDirection dir : Directions) {
            TTodoItemCollection reference;
            for (int i = 0; i < items.Count(); ++i) reference.Add()->Assign(items.Items(i));
            int refSelected = 17;
            std::function<void(int, int)> sort = [&](int L, int R) {
                while (L < R) {
                    int I = L, J = R, P = L + (R - L) / 2;
                    do {
                        while (reference.CompareItems(P, I, kind, dir) > 0 && I < R) ++I;
                        while (reference.CompareItems(P, J, kind, dir) < 0 && J > L) --J;
                        if (I <= J) {
                            if (I != J && reference.CompareItems(I, J, kind, dir) != 0) {
                                if (refSelected == I) refSelected = J;
                                else if (refSelected == J) refSelected = I;
                                reference.SwapItems(I, J);
                                if (P == I) P = J;
                                else if (P == J) P = I;
                            }
                            ++I;
                            --J;
                        }
                    } while (I <= J);
                    if (J - L < R - I) {
                        if (L < J) sort(L, J);
                        L = I;
                    } else {
                        if (I < R) sort(I, R);
                        R = J;
                    }
                }
            };
            sort(0, reference.Count() - 1);
            int selected = 17;
            items.Sort(kind, dir, selected);
            std::vector<int> expected;
            for (int i = 0; i < reference.Count(); ++i) expected.push_back(reference.Items(i)->Tag);
            EXPECT_EQ(Tags(), expected) << kind << " " << dir;
            EXPECT_EQ(selected, refSelected);
            EXPECT_EQ(items.Items(selected)->Tag, reference.Items(refSelected)->Tag);
        }
}
