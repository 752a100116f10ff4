// Editing the to-do list's cells in place: starting, committing, the editors' keys and colours.
#include <vector>

#include "TodoListViewSupport.h"

using namespace todoview;

namespace {

class TodoListEdit : public ListFixture {
protected:
    void SetUp() override {
        ListFixture::SetUp();
        list->OnEditStart = [this](TObject* s) {
            EXPECT_EQ(s, list);
            log.push_back("start");
        };
        list->OnEditDone = [this](TObject* s) {
            EXPECT_EQ(s, list);
            log.push_back("done");
        };
        item = AddItem("Einkaufen");
        list->SetSelected(item);
        FocusList();
    }
    std::vector<std::string> log;
    TTodoItem* item = nullptr;
};

} // namespace

TEST_F(TodoListEdit, ATypedLetterOpensTheTextEditorWithIt) {
    list->SetEditColumn(1);
    Key(box, Qt::Key_A, "a");
    TInplaceEdit* ed = box->TextEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    EXPECT_TRUE(ed->Visible());
    EXPECT_EQ(ed->Text(), "a");
    EXPECT_EQ(ed->SelStart(), 1);
    EXPECT_EQ(item->Subject(), "Einkaufen");
    EXPECT_EQ(ed->Left(), 25);
    EXPECT_EQ(ed->Width(), 200);
    EXPECT_EQ(ed->Height(), list->ItemHeight() - 1);
    Key(ed, Qt::Key_B, "b");
    Key(ed, Qt::Key_Return);
    EXPECT_EQ(item->Subject(), "ab");
    EXPECT_EQ(box->ActiveEditor(), nullptr);
    EXPECT_FALSE(ed->Visible());
    EXPECT_EQ(log, (std::vector<std::string>{"start", "done"}));
}

TEST_F(TodoListEdit, EscapeKeepsTheItemsTextEvenWhenAKeyStartedTheEdit) {
    list->SetEditColumn(1);
    Key(box, Qt::Key_X, "x");
    ASSERT_EQ(box->TextEditor()->Text(), "x");
    Key(box->TextEditor(), Qt::Key_Escape);
    EXPECT_EQ(item->Subject(), "Einkaufen");
    EXPECT_EQ(box->ActiveEditor(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "done"}));
}

TEST_F(TodoListEdit, F2StartsWithTheWholeTextAndTheCaretAtTheEnd) {
    list->SetEditColumn(1);
    Key(box, Qt::Key_F2);
    EXPECT_EQ(box->TextEditor()->Text(), "Einkaufen");
    EXPECT_EQ(box->TextEditor()->SelStart(), 9);
    list->HideEditor();
    list->SetEditSelectAll(true);
    Key(box, Qt::Key_F2);
    EXPECT_EQ(box->TextEditor()->SelLength(), 9);
    // Focus leaving the editor commits as well.
    box->TextEditor()->SetText("Kochen");
    FocusList();
    EXPECT_EQ(item->Subject(), "Kochen");
    EXPECT_EQ(box->ActiveEditor(), nullptr);
}

TEST_F(TodoListEdit, ClickingTheProgressBarSetsTheCompletionFromThePosition) {
    // Completion cell 225..325, 100 wide: (X - 225) * 100 div 99.
    Click(box, 324, 5);
    EXPECT_EQ(item->Completion(), 100);
    EXPECT_TRUE(item->Complete());
    Click(box, 225, 5);
    EXPECT_EQ(item->Completion(), 0);
    EXPECT_FALSE(item->Complete());
    Click(box, 274, 5);
    EXPECT_EQ(item->Completion(), 49);
    EXPECT_EQ(box->ActiveEditor(), nullptr);
    EXPECT_EQ(log.size(), 6u);
    // A cell one pixel wide divides by nothing.
    list->Columns()->Items(2)->SetWidth(1);
    box->StartEdit(0, 2, true, WM_LBUTTONDOWN, 225, 5, 0);
    EXPECT_EQ(item->Completion(), 100);
    // From the keyboard there is no position: the value stays.
    item->SetCompletion(40);
    item->SetComplete(false);
    list->SetEditColumn(2);
    Key(box, Qt::Key_F2);
    EXPECT_EQ(item->Completion(), 40);
    EXPECT_EQ(log.back(), "done");
}

TEST_F(TodoListEdit, TheNumberEditorLimitsCompletionAndSetsComplete) {
    list->SetCompletionGraphic(false);
    list->SetEditColumn(2);
    Key(box, Qt::Key_F2);
    TInplaceSpinEdit* ed = box->NumberEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    ed->SetValue(150);
    Key(ed, Qt::Key_Return);
    EXPECT_EQ(item->Completion(), 100);
    EXPECT_TRUE(item->Complete());
    FocusList();
    Key(box, Qt::Key_F2);
    ASSERT_EQ(ed->Value(), 100);
    ed->SetValue(99);
    list->HideEditor();
    EXPECT_EQ(item->Completion(), 99);
    EXPECT_FALSE(item->Complete());
}

TEST_F(TodoListEdit, TypingIntoTheNumberEditor) {
    list->AddColumn(tdTotalTime, "Zeit");
    list->SetEditColumn(3);
    Key(box, Qt::Key_F2);
    TInplaceSpinEdit* ed = box->NumberEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    ed->SelectAll();
    Key(ed, Qt::Key_4, "4");
    Key(ed, Qt::Key_2, "2");
    Key(ed, Qt::Key_Return);
    EXPECT_EQ(item->TotalTime(), 42);
}

TEST_F(TodoListEdit, ClickingTheCompleteCellToggles) {
    Click(box, 10, 5);
    EXPECT_TRUE(item->Complete());
    Click(box, 10, 5);
    EXPECT_FALSE(item->Complete());
    EXPECT_EQ(log, (std::vector<std::string>{"start", "done", "start", "done"}));
}

TEST_F(TodoListEdit, ClickingANonEditableColumnOnlyFocusesIt) {
    list->Columns()->Items(1)->Editable = false;
    Click(box, 100, 5);
    EXPECT_EQ(list->EditColumn(), 1);
    EXPECT_EQ(box->ActiveEditor(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(TodoListEdit, EnterAdvancesToTheNextColumnButNotBeyondTheLast) {
    list->AutoAdvanceEdit = true;
    list->SetCompletionGraphic(false);
    list->SetEditColumn(1);
    Key(box, Qt::Key_F2);
    Key(box->TextEditor(), Qt::Key_Return);
    EXPECT_EQ(list->EditColumn(), 2);
    // The posted F2 opens the next cell's editor.
    ASSERT_TRUE(RunUntil([&] { return box->ActiveEditor() == box->NumberEditor(); }));
    Key(box->NumberEditor(), Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_EQ(list->EditColumn(), 2);
    EXPECT_EQ(box->ActiveEditor(), nullptr);
}

TEST_F(TodoListEdit, ADateEditKeepsTheTimeOfDay) {
    list->AddColumn(tdDueDate, "Fällig");
    item->SetDueDate(45000.75);
    list->SetEditColumn(3);
    Key(box, Qt::Key_F2);
    TTodoDateTimePicker* ed = box->DateEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    EXPECT_DOUBLE_EQ(ed->Date().Val, 45000.0);
    ed->SetDate(45010.0);
    Key(ed, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(item->DueDate().Val, 45010.75);
    EXPECT_EQ(box->ActiveEditor(), nullptr);
}

TEST_F(TodoListEdit, ADateEditBefore1899KeepsItsDayAndTimeOfDay) {
    // 20.12.1899 06:00 counts its time of day away from zero: -10.25.
    list->AddColumn(tdDueDate, "Fällig");
    item->SetDueDate(-10.25);
    list->SetEditColumn(3);
    Key(box, Qt::Key_F2);
    TTodoDateTimePicker* ed = box->DateEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    EXPECT_DOUBLE_EQ(ed->Date().Val, -10.0);
    EXPECT_DOUBLE_EQ(ed->DateTime().Val, -10.25);
    ed->SetDate(-20.0);
    Key(ed, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(item->DueDate().Val, -20.25);
    EXPECT_EQ(SysUtils::FormatDateTime("dd.mm.yyyy hh:nn", item->DueDate()), "10.12.1899 06:00");
}

TEST_F(TodoListEdit, AClickOnADateOpensItsEditorWithoutChangingIt) {
    // Date cell 325..425; each click lands on the day, then on the month digits.
    list->AddColumn(tdDueDate, "Fällig")->SetWidth(100);
    for (const double due : {46372.75, 46372.0}) {
        item->SetDueDate(due);
        for (const int x : {329, 345}) {
            Click(box, x, 5);
            ASSERT_EQ(box->ActiveEditor(), box->DateEditor()) << x;
            EXPECT_DOUBLE_EQ(box->DateEditor()->DateTime().Val, due) << x;
            FocusList();
            EXPECT_EQ(box->ActiveEditor(), nullptr);
            EXPECT_DOUBLE_EQ(item->DueDate().Val, due) << x;
        }
    }
}

TEST_F(TodoListEdit, StatusAndPriorityEditorsPopUpAtTheCell) {
    list->AddColumn(tdStatus, "Status")->SetWidth(80);
    list->AddColumn(tdPriority, "Priorität")->SetWidth(80);
    item->SetStatus(tsInProgress);
    list->SetEditColumn(3);
    Key(box, Qt::Key_F2);
    TInplaceListBox* st = box->StatusEditor();
    ASSERT_EQ(box->ActiveEditor(), st);
    EXPECT_EQ(st->Count(), 4);
    EXPECT_EQ(st->ItemIndex(), 2);
    EXPECT_EQ(st->Width(), 70);
    TForm* popup = box->EditorParent();
    EXPECT_TRUE(popup->Visible());
    const TPoint cell = box->ClientToScreen({325, 0});
    EXPECT_EQ(popup->Left(), cell.X);
    EXPECT_EQ(popup->Top(), cell.Y);
    EXPECT_EQ(popup->ClientHeight(), st->Height());
    st->SetItemIndex(3);
    st->Perform(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(item->Status(), tsDeferred);
    EXPECT_FALSE(popup->Visible());

    // Escape restores the row it was given.
    list->SetEditColumn(4);
    FocusList();
    Key(box, Qt::Key_F2);
    TInplaceODListBox* pr = box->PriorityEditor();
    ASSERT_EQ(box->ActiveEditor(), pr);
    EXPECT_EQ(pr->ItemIndex(), 0);
    pr->SetItemIndex(4);
    pr->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(item->Priority(), TTodoPriority::tpLowest);
    EXPECT_EQ(log.back(), "done");
}

TEST_F(TodoListEdit, AStatusTextThatNoLongerMatchesEndsTheEditWithoutAChange) {
    list->AddColumn(tdStatus, "Status");
    list->SetEditColumn(3);
    Key(box, Qt::Key_F2);
    TInplaceListBox* st = box->StatusEditor();
    ASSERT_EQ(box->ActiveEditor(), st);
    st->SetItemIndex(1);
    list->StatusStrings()->SetCompleted("Erledigt");
    const size_t before = log.size();
    EXPECT_THROW(list->HideEditor(), EConversionFunctionException);
    EXPECT_EQ(item->Status(), tsNotStarted);
    EXPECT_EQ(log.size(), before);
    // The list is not locked: the editor is gone and a new edit uses the new texts.
    EXPECT_EQ(box->ActiveEditor(), nullptr);
    EXPECT_NO_THROW(list->HideEditor());
    FocusList();
    Key(box, Qt::Key_F2);
    ASSERT_EQ(box->ActiveEditor(), st);
    EXPECT_EQ(st->Items()->Get(1), "Erledigt");
    st->SetItemIndex(1);
    list->HideEditor();
    EXPECT_EQ(item->Status(), tsCompleted);
}

TEST_F(TodoListEdit, NotesEditInAPopupAsWideAsItIsHigh) {
    list->AddColumn(tdNotes, "Notizen")->SetWidth(60);
    list->SetEditColumn(3);
    Key(box, Qt::Key_N, "n");
    TInplaceMemo* ed = box->NotesEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    EXPECT_EQ(ed->Width(), 60);
    EXPECT_EQ(ed->Height(), 60);
    EXPECT_EQ(ed->Lines()->Text(), "n\r\n");
    Key(ed, Qt::Key_Return);
    Key(ed, Qt::Key_Z, "z");
    Key(ed, Qt::Key_Tab);
    ASSERT_TRUE(RunUntil([&] { return box->ActiveEditor() == nullptr; }));
    ASSERT_EQ(item->Notes()->Count(), 2);
    EXPECT_EQ(item->Notes()->Get(1), "z");
}

TEST_F(TodoListEdit, NotesInThePreviewBandEditInPlace) {
    list->SetPreviewHeight(30);
    list->SetPreview(true);
    Click(box, 50, 30);   // below the cell band of row 0
    TInplaceMemo* ed = box->NotesEditor();
    ASSERT_EQ(box->ActiveEditor(), ed);
    EXPECT_EQ(ed->Parent(), list);
    EXPECT_EQ(ed->Top(), box->Top() + 18 + 1);
    EXPECT_EQ(ed->Height(), 30);
    ed->Lines()->SetText("eins");
    list->HideEditor();
    EXPECT_EQ(item->GetNotesLine(), "eins");
}

TEST_F(TodoListEdit, ANewEditEndsTheOldOneBeforeItStarts) {
    list->SetEditColumn(1);
    Key(box, Qt::Key_F2);
    box->StartEdit(0, 0, false, 0, 0, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"start", "done", "start", "done"}));
}

TEST_F(TodoListEdit, EditColorsReachTheEditors) {
    TEditColors* colors = list->EditColors();
    colors->StringEditor()->SetBackColor(clYellow);
    colors->StringEditor()->SetFontColor(clMaroon);
    EXPECT_EQ(box->TextEditor()->Color(), clYellow);
    EXPECT_EQ(colors->StringEditor()->FontColor(), clMaroon);
    colors->DateEditor()->SetBackColor(clAqua);
    EXPECT_EQ(box->DateEditor()->Color(), clAqua);
    // The editor keeps its colour when it takes the column's font.
    list->SetEditColumn(1);
    Key(box, Qt::Key_F2);
    EXPECT_EQ(box->TextEditor()->Font()->Color(), clMaroon);
    list->HideEditor();

    TLineEdit foreign(nullptr);
    TBackForeColors bad(&foreign);
    try {
        bad.BackColor();
        FAIL();
    } catch (const SysUtils::Exception& e) {
        EXPECT_EQ(e.Message, "TEditColors.GetBackColor: unknown control class.");
    }
    EXPECT_THROW(bad.SetFontColor(clRed), SysUtils::Exception);
}
