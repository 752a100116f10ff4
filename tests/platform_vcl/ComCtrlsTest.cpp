// The tab and page controls, the time picker and the colour dialog's custom colours.
#include <QAbstractSpinBox>
#include <QDateTimeEdit>
#include <QImage>
#include <QPainter>
#include <QTabBar>

#include "ComCtrls.h"
#include "ControlsTestSupport.h"
#include "Dialogs.h"
#include "EditBoxes.h"
#include "GraphicsQt.h"
#include "StdCtrls.h"

using namespace controlstest;

namespace {

class TabControlTest : public WithApplication {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 400, 300);
        tabs = new TTabControl(form);
        tabs->SetParent(form);
        tabs->SetBounds(10, 10, 360, 200);
        tabs->OnChanging = [this](TObject*, bool& allow) {
            log.push_back("changing " + std::to_string(tabs->TabIndex()));
            allow = allowChange;
        };
        tabs->OnChange = [this](TObject*) { log.push_back("change " + std::to_string(tabs->TabIndex())); };
        form->Show();
    }
    void TearDown() override { delete form; }
    // A press of the mouse on the tab bar where tab Index is drawn.
    void ClickOnBar(int index) {
        QTabBar* bar = WidgetOf(tabs)->findChild<QTabBar*>();
        ASSERT_NE(bar, nullptr);
        const QPoint p = bar->tabRect(index).center();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(bar->mapToGlobal(p)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(p), QPointF(bar->mapToGlobal(p)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
    }
    TForm* form = nullptr;
    TTabControl* tabs = nullptr;
    Log log;
    bool allowChange = true;
};

TEST_F(TabControlTest, SelectionFollowsInsertionsAndDeletions) {
    EXPECT_EQ(tabs->TabIndex(), -1);
    tabs->Tabs()->Add("A");
    EXPECT_EQ(tabs->TabIndex(), 0);
    tabs->Tabs()->Add("B");
    tabs->Tabs()->Add("C");
    tabs->SetTabIndex(1);
    tabs->Tabs()->Insert(0, "Z");
    EXPECT_EQ(tabs->TabIndex(), 2);
    EXPECT_EQ(tabs->Tabs()->Get(tabs->TabIndex()), "B");
    tabs->Tabs()->Delete(0);
    EXPECT_EQ(tabs->TabIndex(), 1);
    tabs->Tabs()->Delete(1);
    EXPECT_EQ(tabs->TabIndex(), -1);
    tabs->SetTabIndex(5);
    EXPECT_EQ(tabs->TabIndex(), -1);
    tabs->Tabs()->Clear();
    EXPECT_EQ(tabs->TabIndex(), -1);
    EXPECT_EQ(tabs->TabRect(0).Width(), 0);
    // The program's own changes raise no events.
    EXPECT_TRUE(log.empty());
}

TEST_F(TabControlTest, AClickOnATabAsksFirstAndThenChanges) {
    for (const char* t : {"Eins", "Zwei", "Drei"}) tabs->Tabs()->Add(t);
    ClickOnBar(2);
    EXPECT_EQ(log, (Log{"changing 0", "change 2"}));
    EXPECT_EQ(tabs->TabIndex(), 2);
    // The tab already selected: nothing.
    ClickOnBar(2);
    EXPECT_EQ(log.size(), 2u);
    allowChange = false;
    ClickOnBar(0);
    EXPECT_EQ(log, (Log{"changing 0", "change 2", "changing 2"}));
    EXPECT_EQ(tabs->TabIndex(), 2);
    EXPECT_EQ(WidgetOf(tabs)->findChild<QTabBar*>()->currentIndex(), 2);
    // The same as a message at the tab's place; a disabled control ignores it.
    allowChange = true;
    const TRect r = tabs->TabRect(1);
    EXPECT_EQ(tabs->IndexOfTabAt(r.Left + 1, r.Top + 1), 1);
    EXPECT_EQ(tabs->IndexOfTabAt(r.Left + 1, tabs->DisplayRect().Top + 5), -1);
    tabs->SetEnabled(false);
    tabs->Perform(WM_LBUTTONDOWN, MK_LBUTTON, (r.Left + 2) | ((r.Top + 2) << 16));
    EXPECT_EQ(tabs->TabIndex(), 2);
    tabs->SetEnabled(true);
    tabs->Perform(WM_LBUTTONDOWN, MK_LBUTTON, (r.Left + 2) | ((r.Top + 2) << 16));
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(log.back(), "change 1");
}

TEST_F(TabControlTest, TabsAreDrawnAboveThePage) {
    tabs->Tabs()->Add("Erster");
    tabs->Tabs()->Add("Zweiter");
    QWidget* w = WidgetOf(tabs);
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    w->render(&img);
    const TRect first = tabs->TabRect(0), page = tabs->DisplayRect();
    EXPECT_GT(first.Width(), 20);
    EXPECT_LE(first.Bottom, page.Top);
    int dark = 0;
    for (int x = first.Left; x < first.Right; ++x)
        for (int y = first.Top; y < first.Bottom; ++y)
            if (img.pixelColor(x, y).lightness() < 100) ++dark;
    EXPECT_GT(dark, 3);
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(w->width() / 2, w->height() - 1)), Graphics::ColorToRGB(clBtnShadow));
    EXPECT_EQ(GraphicsQt::FromQColor(img.pixelColor(w->width() / 2, page.Top + 20)), Graphics::ColorToRGB(tabs->Color()));
}

// ---- time picker ------------------------------------------------------------------------------------------
TEST_F(TabControlTest, PageControlShowsTheSheetOfTheChosenTab) {
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(10, 10, 360, 200);
    auto* first = new TTabSheet(form);
    first->SetCaption("Ansicht");
    first->SetPageControl(pages);
    auto* second = new TTabSheet(form);
    second->SetCaption("Figur");
    second->SetPageControl(pages);
    auto* button = new TButton(form);
    button->SetParent(second);
    int changes = 0;
    pages->OnChange = [&](TObject*) { ++changes; };
    Application->ProcessMessages();
    ASSERT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->Tabs()->Text(), "Ansicht\r\nFigur\r\n");
    EXPECT_EQ(pages->ActivePage(), first);
    EXPECT_TRUE(first->Showing());
    EXPECT_FALSE(button->Showing());
    // A sheet fills the page area below the tabs.
    EXPECT_EQ(first->BoundsRect(), pages->DisplayRect());

    // A click on the second tab shows its sheet with its controls.
    QTabBar* bar = WidgetOf(pages)->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    const QPoint p = bar->tabRect(1).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(p), QPointF(bar->mapToGlobal(p)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(button->Showing());
    EXPECT_FALSE(first->Showing());

    // Set by the program: no event. A renamed sheet renames its tab; a sheet that goes takes its tab.
    pages->SetActivePage(first);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(first->Showing());
    second->SetCaption("Sprüche");
    EXPECT_EQ(pages->Tabs()->Get(1), "Sprüche");
    delete first;
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(pages->ActivePage(), second);
    EXPECT_TRUE(second->Showing());
}

TEST_F(TabControlTest, TimePickerShowsAndTakesTheTimeOfDay) {
    auto* picker = new TDateTimePicker(form);
    picker->SetParent(form);
    picker->SetKind(dtkTime);
    int changes = 0;
    picker->OnChange = [&](TObject*) { ++changes; };
    picker->SetDateTime(TDateTime(40000.75));
    EXPECT_NEAR(picker->Time().Val, 0.75, 1e-9);
    EXPECT_EQ(picker->Date().Val, 40000.0);
    auto* editor = WidgetOf(picker)->findChild<QDateTimeEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "18:00");
    picker->SetTime(TDateTime(123.25));
    EXPECT_EQ(editor->text().toStdString(), "06:00");
    EXPECT_EQ(picker->Date().Val, 40000.0);
    EXPECT_EQ(changes, 0);
    // A step in the editor (the hours) is the user's change.
    editor->setCurrentSection(QDateTimeEdit::HourSection);
    editor->stepBy(2);
    EXPECT_EQ(changes, 1);
    EXPECT_NEAR(picker->Time().Val, 8.0 / 24.0, 1e-9);
    EXPECT_NEAR(picker->DateTime().Val, 40000.0 + 8.0 / 24.0, 1e-9);
    picker->SetKind(dtkDate);
    EXPECT_EQ(editor->text().toStdString(), "06.07.2009");
}

// ---- custom colours ----------------------------------------------------------------------------------------
TEST_F(TabControlTest, ColourDialogOffersAndKeepsTheCustomColours) {
    TColorDialog dialog(nullptr);
    dialog.CustomColors()->SetText("Transparent\r\nColorA=FF0000\r\nColorB=\r\nColorC=zz\r\nColorP=010203\r\n");
    TColor a = 0, b = 0, c = 0, p = 0;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        a = d.CustomColor(0), b = d.CustomColor(1), c = d.CustomColor(2), p = d.CustomColor(15);
        d.SetCustomColor(1, TColor(0x00ABCDEF));
        d.Press("OK");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(a, TColor(0x00FF0000));
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(p, TColor(0x00010203));
    EXPECT_EQ(dialog.CustomColors()->Text(),
              "Transparent\r\nColorA=ff0000\r\nColorB=abcdef\r\nColorC=zz\r\nColorP=010203\r\n");
    // Cancelled: the list stays as it was.
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        d.SetCustomColor(0, TColor(0x00111111));
        d.Press("Abbrechen");
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.CustomColors()->Values("ColorA"), "ff0000");
    Dialogs::SetDialogAnswerer(nullptr);
}

} // namespace
