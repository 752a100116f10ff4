// Texts of the to-do streams keep every character through saving and loading, a leading U+FEFF
// included: a record is text, not a file, so no byte-order mark is taken off it.
#include <gtest/gtest.h>

#include <string>

#include "TodoList.h"

namespace {

const std::string Bom = "\xEF\xBB\xBF";

template <typename T>
std::string Saved(const T& thing) {
    TMemoryStream s;
    thing.SaveToStream(&s);
    return s.DataString();
}

} // namespace

TEST(TodoStreamText, LeadingByteOrderMarksSurviveEveryReload) {
    TTodoItemCollection items;
    TTodoItem* item = items.Add();
    item->SetSubject(Bom + Bom + "e<");
    item->SetProject(Bom + "Garten");
    item->Notes()->SetText(Bom + "Zeile");
    std::string bytes = Saved(items);
    for (int round = 0; round < 3; ++round) {
        TTodoItemCollection loaded;
        TodoList::LoadItemsFromBytes(loaded, bytes);
        ASSERT_EQ(loaded.Count(), 1);
        EXPECT_EQ(loaded.Items(0)->Subject(), Bom + Bom + "e<");
        EXPECT_EQ(loaded.Items(0)->Project(), Bom + "Garten");
        EXPECT_EQ(loaded.Items(0)->Notes()->Strings(0), Bom + "Zeile");
        const std::string again = Saved(loaded);
        EXPECT_EQ(again, bytes);
        bytes = again;
    }
}

TEST(TodoStreamText, CaptionWithByteOrderMarkLoadsAsWritten) {
    // One column: width 100, caption "\uFEFF\uFEFFe<", kind subject.
    const std::string file = std::string("\x01\x00\x00\x00\x03\x00\x00\x00", 8) +
                             std::string("\x01\x04\x00\x64\x00\x00\x00", 7) + std::string("\x02\x08\x00", 3) +
                             Bom + Bom + "e<" + std::string("\x03\x01\x00\x00", 4);
    TTodoColumnCollection columns;
    TodoList::LoadColumnsFromBytes(columns, file);
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(columns.Items(0)->Caption(), Bom + Bom + "e<");
    EXPECT_EQ(Saved(columns), file);
}

TEST(TodoStreamText, WindowsCodePageTextStillLoads) {
    // Subject "Grüße" in Windows-1252, as an older program wrote it.
    const std::string item = std::string("\x01\x00\x00\x00", 4) + std::string("\x0b\x05\x00", 3) + "Gr\xFC\xDF" "e";
    TTodoItemCollection owner;
    TTodoItem* loaded = owner.Add();
    TodoList::LoadItemFromBytes(*loaded, item);
    EXPECT_EQ(loaded->Subject(), "Grüße");
}
