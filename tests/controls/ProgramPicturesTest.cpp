// The program's own bitmaps, compiled into it and found by name: each with the size, depth and
// see-through colour its user relies on; the tray's icon among them.
#include <gtest/gtest.h>

#include "Graphics.h"
#include "Resources.h"
#include "ShellNotify.h"
#include "dxfres.h"

namespace {

int Count(TBitmap& bmp, TColor color) {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) n += bmp.Canvas()->Pixels(x, y) == color;
    return n;
}

TEST(ProgramPictures, EachIsFoundByNameWithItsSizeAndDepth) {
    struct Expected {
        const char* name;
        int width, height;
        TPixelFormat depth;
    };
    const Expected pictures[] = {
        {"KDVTODO01", 60, 12, pf4bit},  {"KDVTODO02", 16, 16, pf4bit}, {"kdvtodo03", 16, 16, pf4bit},
        {"CHECKBOX", 1008, 18, pf8bit}, {"BACKGROUND2", 250, 100, pf24bit}, {"AdvSpinUp", 5, 4, pf4bit},
        {"ADVSPINDOWN", 5, 4, pf4bit},
    };
    for (const Expected& e : pictures) {
        SCOPED_TRACE(e.name);
        TBitmap bmp;
        ASSERT_TRUE(Resources::LoadBitmap(&bmp, e.name));
        EXPECT_EQ(bmp.Width(), e.width);
        EXPECT_EQ(bmp.Height(), e.height);
        EXPECT_EQ(bmp.PixelFormat(), e.depth);
    }
    TBitmap none;
    EXPECT_FALSE(Resources::LoadBitmap(&none, "KDVTODO04"));
    EXPECT_TRUE(none.Empty());

    // The five priority glyphs leave white out: every cell's corners are white.
    TBitmap priorities;
    ASSERT_TRUE(Resources::LoadBitmap(&priorities, "KDVTODO01"));
    for (int cell = 0; cell < 5; ++cell) {
        EXPECT_EQ(priorities.Canvas()->Pixels(cell * 12, 0), clWhite);
        EXPECT_EQ(priorities.Canvas()->Pixels(cell * 12 + 11, 11), clWhite);
    }
    // The check marks see through their bottom-left colour; only the complete one is ticked.
    TBitmap ticked, empty;
    ASSERT_TRUE(Resources::LoadBitmap(&ticked, "KDVTODO02"));
    ASSERT_TRUE(Resources::LoadBitmap(&empty, "KDVTODO03"));
    EXPECT_EQ(ticked.TransparentColor(), empty.TransparentColor());
    EXPECT_NE(ticked.Canvas()->Pixels(8, 8), ticked.TransparentColor());
    EXPECT_GT(Count(ticked, clGreen), 0);
    EXPECT_EQ(Count(empty, clGreen), 0);

    // The flat check boxes' strip is that bitmap.
    EXPECT_EQ(dxfres::CBBmp()->PixelFormat(), pf8bit);
    EXPECT_EQ(dxfres::StyleCount(), 14);

    // The tray's icon is the program's own, with no picture beside the program.
    HICON icon = LoadIcon(nullptr, "TASKICON");
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
}

} // namespace
