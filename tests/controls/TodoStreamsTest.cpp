#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "FakeTodoView.h"
#include "TempDir.h"
#include "TodoList.h"

namespace {

// "0e 00 ff" -> bytes; whitespace is ignored.
std::string Hex(const std::string& text) {
    std::string out, digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

const std::string FreshItem = Hex(
    "0e 00 00 00"
    "01 01 00 00  02 01 00 00"
    "03 08 00 00 00 00 00 00 00 00 00"
    "04 08 00 00 00 00 00 00 00 00 00"
    "05 08 00 00 00 00 00 00 00 00 00"
    "06 04 00 ff ff ff ff  07 00 00  08 01 00 00  09 00 00  0a 01 00 00  0b 00 00"
    "0c 04 00 00 00 00 00  0d 04 00 00 00 00 00  0e 00 00");

const std::string FilledItem = Hex(
    "0e 00 00 00 01 01 00 01 02 01 00 64 03 08 00 00 00 00 00 00 00 00 00"
    "04 08 00 00 00 00 00 00 00 00 00 05 08 00 00 00 00 00 10 f9 e5 40"
    "06 04 00 ff ff ff ff 07 06 00 61 0d 0a 62 0d 0a 08 01 00 03 09 00 00"
    "0a 01 00 01 0b 04 00 54 65 73 74 0c 04 00 07 00 00 00 0d 04 00 0c 00 00 00"
    "0e 01 00 50");

const std::string TwoColumns = Hex(
    "02 00 00 00"
    "03 00 00 00  01 04 00 19 00 00 00  02 02 00 4f 6b  03 01 00 07"
    "03 00 00 00  01 04 00 c8 00 00 00  02 07 00 42 65 74 72 65 66 66  03 01 00 00");

std::string Bytes(const TTodoItem& item) {
    TMemoryStream s;
    item.SaveToStream(&s);
    return s.DataString();
}

void FillLikeTheExample(TTodoItem* item) {
    item->SetComplete(true);
    item->SetCompletion(100);
    item->SetDueDate(45000.5);
    item->Notes()->Add("a");
    item->Notes()->Add("b");
    item->SetPriority(TTodoPriority::tpHigh);
    item->SetStatus(tsCompleted);
    item->SetSubject("Test");
    item->Tag = 7;
    item->SetTotalTime(12);
    item->SetProject("P");
}

void FillEverything(TTodoItem* item, int n) {
    item->SetComplete(n % 2 == 0);
    item->SetCompletion(n * 7 % 101);
    item->SetCompletionDate(45000.25 + n);
    item->SetCreationDate(44000.75 - n);
    item->SetDueDate(-1.5 * n);
    item->SetImageIndex(n - 2);
    item->Notes()->SetText("Zeile " + std::to_string(n) + "\r\nÜbermorgen erledigen\r\n\r\n");
    item->SetPriority(static_cast<TTodoPriority>(n % 5));
    item->SetResource("Jörg");
    item->SetStatus(static_cast<TTodoStatus>(n % 4));
    item->SetSubject("Aufgabe " + std::to_string(n));
    item->Tag = -n * 1000;
    item->SetTotalTime(n * 3);
    item->SetProject("Garten €");
    item->DBKey = "{KEY" + std::to_string(n) + "}";
}

void ExpectSame(const TTodoItem* a, const TTodoItem* b) {
    EXPECT_EQ(a->Complete(), b->Complete());
    EXPECT_EQ(a->Completion(), b->Completion());
    EXPECT_EQ(a->CompletionDate().Val, b->CompletionDate().Val);
    EXPECT_EQ(a->CreationDate().Val, b->CreationDate().Val);
    EXPECT_EQ(a->DueDate().Val, b->DueDate().Val);
    EXPECT_EQ(a->ImageIndex(), b->ImageIndex());
    EXPECT_EQ(a->Notes()->Text(), b->Notes()->Text());
    EXPECT_EQ(a->Priority(), b->Priority());
    EXPECT_EQ(a->Resource(), b->Resource());
    EXPECT_EQ(a->Status(), b->Status());
    EXPECT_EQ(a->Subject(), b->Subject());
    EXPECT_EQ(a->Tag, b->Tag);
    EXPECT_EQ(a->TotalTime(), b->TotalTime());
    EXPECT_EQ(a->Project(), b->Project());
}

} // namespace

// ---- fixed byte layouts ------------------------------------------------------------------------------------

TEST(TodoItemStream, AFreshItemIsTheDocumentedEightySixBytes) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    EXPECT_EQ(FreshItem.size(), 86u);
    EXPECT_EQ(Bytes(*item), FreshItem);
}

TEST(TodoItemStream, AFilledItemMatchesTheWorkedExample) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    FillLikeTheExample(item);
    EXPECT_EQ(FilledItem.size(), 97u);
    EXPECT_EQ(Bytes(*item), FilledItem);

    TTodoItem* loaded = items.Add();
    TodoList::LoadItemFromBytes(*loaded, FilledItem);
    ExpectSame(item, loaded);
}

TEST(TodoListStream, EmptyAndOneItemLists) {
    TTodoItemCollection items;
    TMemoryStream empty;
    items.SaveToStream(&empty);
    EXPECT_EQ(empty.DataString(), Hex("00 00 00 00"));

    items.Add();
    TMemoryStream one;
    items.SaveToStream(&one);
    EXPECT_EQ(one.DataString(), Hex("01 00 00 00") + FreshItem);
}

TEST(TodoColumnsFile, TwoColumnsMatchTheWorkedExample) {
    TTodoColumnCollection columns;
    TTodoColumnItem* ok = columns.Add();
    ok->SetCaption("Ok");
    ok->SetWidth(25);
    ok->SetTodoData(tdComplete);
    TTodoColumnItem* subject = columns.Add();
    subject->SetCaption("Betreff");
    subject->SetWidth(200);
    TMemoryStream s;
    columns.SaveToStream(&s);
    EXPECT_EQ(s.DataString(), TwoColumns);
}

// ---- round trips -----------------------------------------------------------------------------------------

TEST(TodoListStream, AListRoundTripsThroughAStreamAndAFile) {
    TTodoItemCollection items;
    for (int n = 0; n < 6; ++n) FillEverything(items.Add(), n);

    TMemoryStream s;
    items.SaveToStream(&s);
    TTodoItemCollection loaded;
    loaded.Add()->SetSubject("old");
    s.SetPosition(0);
    loaded.LoadFromStream(&s);
    ASSERT_EQ(loaded.Count(), 6);
    for (int n = 0; n < 6; ++n) {
        ExpectSame(items.Items(n), loaded.Items(n));
        EXPECT_EQ(loaded.Items(n)->DBKey, "");   // the key is not stored
    }
    EXPECT_EQ(s.Position(), s.Size());

    testsupport::TempDir dir;
    const std::string name = dir.file("aufgaben.tdl");
    items.SaveToFile(name);
    EXPECT_EQ(dir.read("aufgaben.tdl"), s.DataString());
    TTodoItemCollection fromFile;
    fromFile.LoadFromFile(name);
    ASSERT_EQ(fromFile.Count(), 6);
    ExpectSame(items.Items(5), fromFile.Items(5));

    // Saving again truncates the file.
    TTodoItemCollection none;
    none.SaveToFile(name);
    EXPECT_EQ(dir.read("aufgaben.tdl"), Hex("00 00 00 00"));
}

TEST(TodoListStream, MissingFilesRaiseTheOpenError) {
    testsupport::TempDir dir;
    TTodoItemCollection items;
    EXPECT_THROW(items.LoadFromFile(dir.file("fehlt.tdl")), EFOpenError);
    TTodoColumnCollection columns;
    EXPECT_THROW(columns.LoadFromFile(dir.file("fehlt.col")), EFOpenError);
    EXPECT_THROW(items.SaveToFile(dir.file("kein/ordner.tdl")), EFCreateError);
}

TEST(TodoListStream, LoadingBringsTheRowsInStep) {
    FakeTodoView view;
    TTodoItemCollection items(nullptr, &view);
    view.items = &items;
    items.Add();
    TodoList::LoadItemsFromBytes(items, Hex("02 00 00 00") + FreshItem + FilledItem);
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(view.rows, 2);
    EXPECT_EQ(items.Items(1)->Subject(), "Test");
}

TEST(TodoColumnsFile, ColumnsRoundTripAndKeepTheirOtherInitialValues) {
    TTodoColumnCollection columns;
    for (int k = 0; k < TodoDataCount; ++k) {
        TTodoColumnItem* c = columns.Add();
        c->SetTodoData(static_cast<TTodoData>(k));
        c->SetCaption("Spalte " + std::to_string(k) + " ä");
        c->SetWidth(10 * k - 5);
        c->SetAlignment(taCenter);
        c->SetColor(clRed);
        c->Editable = false;
    }
    testsupport::TempDir dir;
    columns.SaveToFile(dir.file("spalten.col"));
    TTodoColumnCollection loaded;
    loaded.Add();
    loaded.LoadFromFile(dir.file("spalten.col"));
    ASSERT_EQ(loaded.Count(), TodoDataCount);
    for (int k = 0; k < TodoDataCount; ++k) {
        const TTodoColumnItem* c = loaded.Items(k);
        EXPECT_EQ(c->TodoData(), k);
        EXPECT_EQ(c->Caption(), "Spalte " + std::to_string(k) + " ä");
        EXPECT_EQ(c->Width(), 10 * k - 5);
        EXPECT_EQ(c->Alignment(), taLeftJustify);
        EXPECT_EQ(c->Color(), clWindow);
        EXPECT_EQ(c->Editable, k != tdHandle);   // a handle column is never editable
    }
}

// ---- text encoding ----------------------------------------------------------------------------------------

TEST(TodoItemStream, TextIsUtf8AndWindowsCodePageTextStillLoads) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    item->SetSubject("Bücher");
    const std::string bytes = Bytes(*item);
    EXPECT_NE(bytes.find(Hex("0b 07 00 42 c3 bc 63 68 65 72")), std::string::npos);

    // "Bücher" in Windows-1252, and a euro sign, as files from the Windows program hold them.
    TTodoItem* old = items.Add();
    TodoList::LoadItemFromBytes(*old, Hex("02 00 00 00  0b 06 00 42 fc 63 68 65 72  0e 01 00 80"));
    EXPECT_EQ(old->Subject(), "Bücher");
    EXPECT_EQ(old->Project(), "€");
}

TEST(TodoItemStream, TextsLongerThanARecordAreCutAtAWholeCharacter) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    // 65534 ASCII bytes and then a two-byte character that would straddle the limit.
    item->SetSubject(std::string(65534, 'x') + "ä" + "yyy");
    TTodoItem* copy = items.Add();
    TodoList::LoadItemFromBytes(*copy, Bytes(*item));
    EXPECT_EQ(copy->Subject(), std::string(65534, 'x'));
    EXPECT_EQ(copy->Project(), "");   // the records after it are intact
    EXPECT_EQ(copy->Tag, 0);
}

// ---- readers that meet unexpected input --------------------------------------------------------------------

TEST(TodoItemStream, UnknownRecordsAreSkippedBySize) {
    // Count 15: the fresh item with an extra record id 20 of 5 bytes placed before the subject.
    std::string bytes = FilledItem;
    bytes[0] = 15;
    const std::size_t subject = bytes.find(Hex("0b 04 00"));
    ASSERT_NE(subject, std::string::npos);
    bytes.insert(subject, Hex("14 05 00 01 02 03 04 05"));
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    TodoList::LoadItemFromBytes(*item, bytes);
    TTodoItem* expected = items.Add();
    FillLikeTheExample(expected);
    ExpectSame(expected, item);

    // Id 0 and id 255 as well; records in any order, missing ones leave the value alone.
    TTodoItem* partial = items.Add();
    partial->SetResource("bleibt");
    TodoList::LoadItemFromBytes(*partial, Hex("03 00 00 00  0c 04 00 2a 00 00 00  00 02 00 aa bb  ff 00 00"));
    EXPECT_EQ(partial->Tag, 42);
    EXPECT_EQ(partial->Resource(), "bleibt");
}

TEST(TodoColumnsFile, UnknownRecordsAreSkippedBySize) {
    TTodoColumnCollection columns;
    TodoList::LoadColumnsFromBytes(columns, Hex("01 00 00 00  04 00 00 00  14 05 00 01 02 03 04 05"
                                                "01 04 00 32 00 00 00  02 01 00 58  03 01 00 03"));
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(columns.Items(0)->Width(), 50);
    EXPECT_EQ(columns.Items(0)->Caption(), "X");
    EXPECT_EQ(columns.Items(0)->TodoData(), tdPriority);
}

TEST(TodoItemStream, FixedWidthRecordsHonourTheirSize) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    // Tag with 6 bytes (extra bytes skipped), Completion with 0 bytes (left alone), image index
    // with 2 bytes (skipped whole), then a subject that must still be found.
    TodoList::LoadItemFromBytes(*item, Hex("04 00 00 00  0c 06 00 05 00 00 00 ee ee  02 00 00"
                                           "06 02 00 07 00  0b 02 00 4f 4b"));
    EXPECT_EQ(item->Tag, 5);
    EXPECT_EQ(item->Completion(), 0);
    EXPECT_EQ(item->ImageIndex(), -1);
    EXPECT_EQ(item->Subject(), "OK");
}

TEST(TodoItemStream, OutOfRangeValuesAreClampedOrRejected) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    TodoList::LoadItemFromBytes(*item, Hex("01 00 00 00  02 01 00 c8"));
    EXPECT_EQ(item->Completion(), 100);
    TodoList::LoadItemFromBytes(*item, Hex("01 00 00 00  01 01 00 07"));
    EXPECT_TRUE(item->Complete());

    struct Bad { const char* bytes; const char* message; };
    const Bad bad[] = {
        {"01 00 00 00  08 01 00 05", "Invalid to-do data: priority 5 is not in the range 0..4"},
        {"01 00 00 00  0a 01 00 04", "Invalid to-do data: status 4 is not in the range 0..3"},
        {"01 00 00 00  05 08 00 00 00 00 00 00 00 f8 7f", "Invalid to-do data: a date is not a number"},
        {"ff ff ff ff", "Invalid to-do data: negative property count"},
    };
    for (const Bad& b : bad) {
        try {
            TodoList::LoadItemFromBytes(*item, Hex(b.bytes));
            ADD_FAILURE() << b.bytes;
        } catch (const ETodoStreamError& e) {
            EXPECT_EQ(e.Message, b.message);
        }
    }
    EXPECT_EQ(item->Priority(), TTodoPriority::tpLowest);
    EXPECT_EQ(item->Status(), tsNotStarted);

    TTodoColumnCollection columns;
    try {
        TodoList::LoadColumnsFromBytes(columns, Hex("01 00 00 00  01 00 00 00  03 01 00 0e"));
        ADD_FAILURE() << "column kind 14 accepted";
    } catch (const ETodoStreamError& e) {
        EXPECT_EQ(e.Message, "Invalid to-do data: column kind 14 is not in the range 0..13");
    }
    TTodoItemCollection list;
    EXPECT_THROW(TodoList::LoadItemsFromBytes(list, Hex("fe ff ff ff")), ETodoStreamError);
}

TEST(TodoListStream, EveryTruncationIsAnErrorAndLeavesTheListAlone) {
    TTodoItemCollection source;
    for (int n = 0; n < 3; ++n) FillEverything(source.Add(), n);
    TMemoryStream s;
    source.SaveToStream(&s);
    const std::string full = s.DataString();

    TTodoItemCollection items;
    items.Add()->SetSubject("vorher");
    for (std::size_t len = 0; len < full.size(); ++len) {
        EXPECT_THROW(TodoList::LoadItemsFromBytes(items, std::string_view(full).substr(0, len)), EReadError)
            << "length " << len;
        ASSERT_EQ(items.Count(), 1);
        ASSERT_EQ(items.Items(0)->Subject(), "vorher");
    }
    TodoList::LoadItemsFromBytes(items, full);
    EXPECT_EQ(items.Count(), 3);
}

TEST(TodoColumnsFile, EveryTruncationIsAnErrorAndLeavesTheColumnsAlone) {
    TTodoColumnCollection columns;
    columns.Add()->SetCaption("vorher");
    for (std::size_t len = 0; len < TwoColumns.size(); ++len) {
        EXPECT_THROW(TodoList::LoadColumnsFromBytes(columns, std::string_view(TwoColumns).substr(0, len)), EReadError)
            << "length " << len;
        ASSERT_EQ(columns.Count(), 1);
    }
    TodoList::LoadColumnsFromBytes(columns, TwoColumns);
    ASSERT_EQ(columns.Count(), 2);
    EXPECT_EQ(columns.Items(1)->Caption(), "Betreff");
}

TEST(TodoListStream, HugeCountsAndSizesFailFast) {
    TTodoItemCollection items;
    // Two billion items announced in a 4-byte stream, and a record claiming 65535 bytes.
    EXPECT_THROW(TodoList::LoadItemsFromBytes(items, Hex("ff ff ff 7f")), EReadError);
    TTodoItem* item = items.Add();
    EXPECT_THROW(TodoList::LoadItemFromBytes(*item, Hex("01 00 00 00  14 ff ff 00")), EReadError);
    EXPECT_THROW(TodoList::LoadItemFromBytes(*item, Hex("01 00 00 00  0b ff ff 41")), EReadError);
}

// Bytes that vary a valid stream at every position must never crash or read outside the input.
TEST(TodoListStream, CorruptedBytesNeverCrash) {
    TTodoItemCollection source;
    FillEverything(source.Add(), 1);
    FillEverything(source.Add(), 2);
    TMemoryStream s;
    source.SaveToStream(&s);
    const std::string full = s.DataString();
    int loaded = 0, refused = 0;
    for (std::size_t i = 0; i < full.size(); ++i) {
        for (unsigned char v : {0x00, 0x01, 0x0e, 0x7f, 0x80, 0xff}) {
            std::string bytes = full;
            bytes[i] = static_cast<char>(v);
            TTodoItemCollection items;
            try {
                TodoList::LoadItemsFromBytes(items, bytes);
                ++loaded;
                for (int k = 0; k < items.Count(); ++k) {
                    const TTodoItem* it = items.Items(k);
                    ASSERT_LE(it->Completion(), 100);
                    ASSERT_LT(static_cast<int>(it->Priority()), TodoPriorityCount);
                    ASSERT_LT(static_cast<int>(it->Status()), TodoStatusCount);
                }
            } catch (const EReadError&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}
