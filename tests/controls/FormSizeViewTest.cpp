// The placement keeper on real forms: what it reads from and writes to a profile file, the snap to the
// work area and dragging the form by its client area.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "FlatViewSupport.h"
#include "FormSize.h"
#include "IniFiles.h"
#include "WinApi.h"

namespace {

class FormSizeTest : public ::testing::Test {
protected:
    TForm* MakeForm(bool withKeeper = true) {
        auto* form = new TForm(nullptr);
        form->SetName("Aufgabe");
        form->SetBounds(40, 50, 300, 200);
        if (withKeeper) {
            keeper = new TFormSize(form);
            keeper->SetSaveName(ini);
            keeper->SetSaveKey("Aufgaben");
        }
        return form;
    }
    testsupport::TempDir dir;
    std::string ini = dir.file("Zorbelin.INI");
    TFormSize* keeper = nullptr;
};

TEST_F(FormSizeTest, RefusesAnOwnerThatIsNoFormAndASecondKeeper) {
    TComponent plain(nullptr);
    try {
        TFormSize bad(&plain);
        FAIL() << "a keeper on a plain component";
    } catch (const EFormSizeError& e) {
        EXPECT_STREQ("Control parent must be a form!", e.what());
    }
    EXPECT_EQ(0, plain.ComponentCount());

    TForm* form = MakeForm();
    try {
        new TFormSize(form);
        FAIL() << "a second keeper";
    } catch (const EFormSizeError& e) {
        EXPECT_STREQ("The form already contains a TFormSize component", e.what());
    }
    EXPECT_EQ(1, form->ComponentCount());
    delete form;
}

TEST_F(FormSizeTest, DefaultsAndSectionName) {
    TForm* form = MakeForm();
    TFormSize* fresh = keeper;
    EXPECT_FALSE(fresh->DragAlways());
    EXPECT_FALSE(fresh->Magnet());
    EXPECT_EQ(32, fresh->MagnetDistance());
    EXPECT_TRUE(fresh->SavePosition());
    EXPECT_TRUE(fresh->SaveSize());
    EXPECT_EQ("Aufgaben", fresh->CreateKey());

    char user[256] = {}, machine[256] = {};
    DWORD n = sizeof user, m = sizeof machine;
    ASSERT_TRUE(GetUserName(user, &n));
    ASSERT_TRUE(GetComputerName(machine, &m));
    fresh->SetSaveUser(true);
    EXPECT_EQ(std::string("Aufgaben-") + user, fresh->CreateKey());
    fresh->SetSaveMachine(true);
    EXPECT_EQ(std::string("Aufgaben-") + user + "-" + machine, fresh->CreateKey());
    delete form;

    TForm* unnamedKey = new TForm(nullptr);
    unnamedKey->SetName("Einstellungen");
    auto* own = new TFormSize(unnamedKey);
    EXPECT_EQ("Einstellungen", own->SaveKey());
    EXPECT_EQ(".\\FORM.INI", own->SaveName());
    own->SetSavePosition(false);
    delete unnamedKey;
}

TEST_F(FormSizeTest, WithoutAFileTheDesignedBoundsStay) {
    TForm* form = MakeForm();
    keeper->Loaded();
    EXPECT_EQ((TRect{40, 50, 340, 250}), form->BoundsRect());
    delete form;
}

TEST_F(FormSizeTest, SavesTheRectangleWhenTheFormGoesAndRestoresIt) {
    TForm* form = MakeForm();
    keeper->Loaded();
    form->Show();
    form->SetBounds(30, 60, 320, 210);
    Application->ProcessMessages();
    delete form;

    TIniFile file(ini);
    EXPECT_EQ(30, file.ReadInteger("Aufgaben", "Left", -1));
    EXPECT_EQ(60, file.ReadInteger("Aufgaben", "Top", -1));
    EXPECT_EQ(350, file.ReadInteger("Aufgaben", "Right", -1));
    EXPECT_EQ(270, file.ReadInteger("Aufgaben", "Bottom", -1));
    EXPECT_EQ("0", file.ReadString("Aufgaben", "Maximized", "?"));

    TForm* again = MakeForm();
    keeper->Loaded();
    EXPECT_EQ((TRect{30, 60, 350, 270}), again->BoundsRect());
    delete again;
}

TEST_F(FormSizeTest, WithoutSaveSizeOnlyThePositionIsKept) {
    {
        TIniFile file(ini);
        file.WriteInteger("Aufgaben", "Left", 12);
        file.WriteInteger("Aufgaben", "Top", 34);
        file.WriteInteger("Aufgaben", "Right", 600);
        file.WriteInteger("Aufgaben", "Bottom", 700);
    }
    TForm* form = MakeForm();
    keeper->SetSaveSize(false);
    keeper->Loaded();
    EXPECT_EQ((TRect{12, 34, 312, 234}), form->BoundsRect());
    form->SetBounds(5, 6, 300, 200);
    keeper->DoSavePlacement();
    TIniFile file(ini);
    EXPECT_EQ(5, file.ReadInteger("Aufgaben", "Left", -1));
    EXPECT_EQ(600, file.ReadInteger("Aufgaben", "Right", -1)) << "Right is left alone";
    delete form;
}

TEST_F(FormSizeTest, AFormBeyondASmallerScreenMovesBackKeepingItsSize) {
    const int sw = Screen->Width(), sh = Screen->Height();
    {
        TIniFile file(ini);
        file.WriteInteger("Aufgaben", "Left", sw - 100);
        file.WriteInteger("Aufgaben", "Top", sh - 50);
        file.WriteInteger("Aufgaben", "Right", sw + 200);
        file.WriteInteger("Aufgaben", "Bottom", sh + 150);
    }
    TForm* form = MakeForm();
    keeper->Loaded();
    EXPECT_EQ((TRect{sw - 300, sh - 200, sw, sh}), form->BoundsRect());
    delete form;
}

TEST_F(FormSizeTest, ADamagedFileNeverPlacesTheFormOutsideTheWorkAreaNorLargerThanIt) {
    const TRect work = Screen->WorkAreaRect();
    for (const char* numbers : {"Left=2147483647\nTop=2147483647\nRight=-2147483648\nBottom=-2147483648\n",
                                "Left=-2147483648\nTop=-2147483648\nRight=2147483647\nBottom=2147483647\n"}) {
        dir.write("Zorbelin.INI", std::string("[Aufgaben]\n") + numbers);
        TForm* form = MakeForm();
        form->Constraints()->SetMinWidth(120);
        form->Constraints()->SetMinHeight(90);
        keeper->Loaded();
        const TRect r = form->BoundsRect();
        EXPECT_GE(r.Left, work.Left) << numbers;
        EXPECT_GE(r.Top, work.Top) << numbers;
        EXPECT_LE(r.Right, work.Right) << numbers;
        EXPECT_LE(r.Bottom, work.Bottom) << numbers;
        EXPECT_GE(r.Width(), 120) << numbers;
        EXPECT_GE(r.Height(), 90) << numbers;
        delete form;
    }
}

TEST_F(FormSizeTest, AMaximizedFormKeepsItsNormalRectangle) {
    TForm* form = MakeForm();
    keeper->Loaded();
    form->Show();
    Application->ProcessMessages();
    form->SetWindowState(wsMaximized);
    ASSERT_TRUE([&] {
        for (int i = 0; i < 200 && form->WindowState() != wsMaximized; ++i) Application->ProcessMessages();
        return form->WindowState() == wsMaximized;
    }());
    Application->ProcessMessages();
    delete form;

    TIniFile file(ini);
    EXPECT_EQ("1", file.ReadString("Aufgaben", "Maximized", "?"));
    EXPECT_EQ(40, file.ReadInteger("Aufgaben", "Left", -1));
    EXPECT_EQ(50, file.ReadInteger("Aufgaben", "Top", -1));
    EXPECT_EQ(340, file.ReadInteger("Aufgaben", "Right", -1));
    EXPECT_EQ(250, file.ReadInteger("Aufgaben", "Bottom", -1));

    TForm* again = MakeForm();
    keeper->Loaded();
    EXPECT_EQ(wsMaximized, again->WindowState());
    delete again;
}

TEST(FormSizeSnap, SnapsToTheEdgesOfTheWorkArea) {
    const TRect work{0, 0, 1024, 768 - 30};
    EXPECT_EQ((TPoint{100, 538}), TFormSize::Snap(work, 100, 520, 300, 200, 32));
    EXPECT_EQ((TPoint{0, 300}), TFormSize::Snap(work, 10, 300, 300, 200, 32));
    EXPECT_EQ((TPoint{200, 0}), TFormSize::Snap(work, 200, 31, 300, 200, 32));
    EXPECT_EQ((TPoint{200, 32}), TFormSize::Snap(work, 200, 32, 300, 200, 32)) << "the distance itself is free";
    EXPECT_EQ((TPoint{724, 300}), TFormSize::Snap(work, 700, 300, 300, 200, 32));
    const TRect leftBar{60, 0, 1024, 768};
    EXPECT_EQ((TPoint{60, 300}), TFormSize::Snap(leftBar, 80, 300, 300, 200, 32));
}

TEST_F(FormSizeTest, AMagneticFormSnapsWhenMoved) {
    TForm* form = MakeForm();
    keeper->SetMagnet(true);
    form->Show();
    Application->ProcessMessages();
    const TRect work = Screen->WorkAreaRect();
    form->SetBounds(work.Left + 10, work.Top + 100, 300, 200);
    Application->ProcessMessages();
    EXPECT_EQ(work.Left, form->Left());
    EXPECT_EQ(work.Top + 100, form->Top());
    form->SetBounds(work.Left + 100, work.Bottom - 220, 300, 200);
    Application->ProcessMessages();
    EXPECT_EQ(work.Bottom - 200, form->Top());
    delete form;
}

TEST_F(FormSizeTest, DragAlwaysMovesTheFormByItsClientArea) {
    TForm* form = MakeForm();
    int presses = 0;
    form->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
    form->Show();
    Application->ProcessMessages();

    const TPoint inside = form->ClientToScreen({10, 10});
    EXPECT_NE(HTCAPTION, form->Perform(WM_NCHITTEST, 0, MAKELPARAM(inside.X, inside.Y)));
    keeper->SetDragAlways(true);
    EXPECT_EQ(HTCAPTION, form->Perform(WM_NCHITTEST, 0, MAKELPARAM(inside.X, inside.Y)));

    const TRect before = form->BoundsRect();
    form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    form->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 25));
    // The mouse stays where it is while the form follows it: the same screen point, (10, 10) again.
    form->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(before.Left + 20, form->Left());
    EXPECT_EQ(before.Top + 15, form->Top());
    EXPECT_EQ(0, presses) << "the press belongs to the move";
    delete form;
}

} // namespace
