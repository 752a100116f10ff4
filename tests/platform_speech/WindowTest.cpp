// The character's window and balloon as they appear, and the mouse on them.
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "CharacterWindow.h"
#include "SpeechTestSupport.h"

using namespace speechtest;

namespace {

class Window : public WithServer {
protected:
    void SetUp() override {
        WithServer::SetUp();
        LoadShipped();
    }
};

QImage Painted(QWidget* w) {
    QImage img(w->size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    // The content in full: the window's shape is looked at on its own.
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren | QWidget::IgnoreMask);
    return img;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF global = w->mapToGlobal(QPointF(local));
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(local), global, type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST_F(Window, FramelessTranslucentToolWindowOnTop) {
    QWidget* w = character->Window();
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool) << "no taskbar entry";
    EXPECT_TRUE(w->testAttribute(Qt::WA_TranslucentBackground));
}

TEST_F(Window, PaintsTheCharacterOnATransparentGround) {
    std::int32_t req = 0;
    character->Show(false, req);
    ASSERT_TRUE(WaitIdle());
    const QImage img = Painted(character->Window());
    ASSERT_EQ(img.size(), QSize(128, 128));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(127, 0)), 0);
    EXPECT_EQ(qAlpha(img.pixel(64, 90)), 255) << "the body";
    // The beak lies over the face.
    const QColor beak = QColor::fromRgba(img.pixel(64, 68));
    EXPECT_GT(beak.red(), 200);
    EXPECT_GT(beak.red() - beak.blue(), 100);

    // At two thirds of the size the whole character is still there, smaller.
    character->SetSize(85, 85);
    const QImage small = Painted(character->Window());
    ASSERT_EQ(small.size(), QSize(85, 85));
    EXPECT_EQ(qAlpha(small.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(small.pixel(42, 60)), 255);
}

TEST_F(Window, BalloonShowsTheThoughtAboveTheCharacter) {
    std::int32_t req = 0;
    character->SetPosition(300, 400);
    character->Show(true, req);
    character->Think("Was mache ich heute?", req);
    ASSERT_TRUE(RunUntil([&] { return character->Balloon()->isVisible(); }));
    auto* balloon = character->Balloon();
    EXPECT_EQ(balloon->Text(), "Was mache ich heute?");
    EXPECT_TRUE(balloon->Thought());
    EXPECT_LE(balloon->geometry().bottom(), 400 + 10) << "above the character";
    const QImage img = Painted(balloon);
    EXPECT_EQ(qAlpha(img.pixel(0, img.height() - 1)), 0) << "the balloon's corners are see-through";
    EXPECT_EQ(qAlpha(img.pixel(img.width() / 2, img.height() / 3)), 255);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(character->LastSpeechMs(), 0) << "thinking makes no sound";
}

TEST_F(Window, DragMovesAndDoubleClickIsReported) {
    std::int32_t req = 0;
    character->SetPosition(200, 200);
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    QWidget* w = character->Window();
    Mouse(w, QEvent::MouseButtonPress, QPoint(60, 60));
    Mouse(w, QEvent::MouseMove, QPoint(90, 40));
    Mouse(w, QEvent::MouseButtonRelease, QPoint(90, 40));
    int x = 0, y = 0;
    character->GetPosition(x, y);
    EXPECT_EQ(x, 230);
    EXPECT_EQ(y, 180);

    sink->events.clear();
    Mouse(w, QEvent::MouseButtonDblClick, QPoint(10, 20));
    EXPECT_TRUE(sink->events.empty());
    ASSERT_TRUE(RunUntil([&] { return !sink->events.empty(); }));
    EXPECT_EQ(sink->events.front(), "DblClick " + std::to_string(characterId) + " 240 200");
}

TEST_F(Window, LongTextIsShownInPagesOfWholeWords) {
    auto* balloon = character->Balloon();
    std::string text;
    for (int i = 1; i <= 60; ++i) text += "Wort" + std::to_string(i) + " ";
    const std::vector<QString> pages = balloon->Pages(QString::fromStdString(text));
    ASSERT_GE(pages.size(), 2u);
    QStringList words;
    for (const QString& p : pages) {
        balloon->SetText(p, false);
        EXPECT_LE(balloon->height(), QFontMetrics(balloon->font()).lineSpacing() * 8 + 50);
        words += p.split(' ');
    }
    EXPECT_EQ(words.join(' ').toStdString() + " ", text) << "no word lost or split";
    EXPECT_EQ(balloon->Pages("Kurz").size(), 1u);
}

namespace {

// How many pixels the window's shape gets wrong against its painted content (in: alpha of at
// least one half).
int ShapeMisses(QWidget* w) {
    const QImage img = Painted(w);
    const QRegion shape = w->mask();
    int misses = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (shape.contains(QPoint(x, y)) != (qAlpha(img.pixel(x, y)) >= 128)) ++misses;
    return misses;
}

bool OnTop(QWidget* w) {
    const bool widget = w->windowFlags() & Qt::WindowStaysOnTopHint;
    const bool window = !w->windowHandle() || (w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    return widget && window;
}

} // namespace

TEST_F(Window, WithoutACompositorTheWindowsAreCutToWhatTheyShow) {
    Agent::Detail::SetCompositorQuery([] { return false; });
    std::int32_t req = 0;
    character->SetPosition(300, 400);
    character->Show(false, req);
    ASSERT_TRUE(WaitIdle());
    QWidget* w = character->Window();
    ASSERT_FALSE(w->mask().isEmpty()) << "a black box around the character";
    EXPECT_TRUE(w->mask().contains(QPoint(64, 90))) << "the body";
    EXPECT_FALSE(w->mask().contains(QPoint(0, 0)));
    EXPECT_LE(ShapeMisses(w), 16);
    // Each new picture brings its shape: smaller, the character takes a smaller shape.
    character->SetSize(85, 85);
    ASSERT_TRUE(RunUntil([&] { return w->mask().boundingRect().right() < 85; }));
    EXPECT_LE(ShapeMisses(w), 16);
    // The balloon is cut to its outline and tail.
    character->Think("Was mache ich heute?", req);
    ASSERT_TRUE(RunUntil([&] { return character->Balloon()->isVisible(); }));
    QWidget* balloon = character->Balloon();
    EXPECT_FALSE(balloon->mask().contains(QPoint(0, balloon->height() - 1)));
    EXPECT_TRUE(balloon->mask().contains(QPoint(balloon->width() / 2, balloon->height() / 3)));
    EXPECT_LE(ShapeMisses(balloon), 30);
    ASSERT_TRUE(WaitIdle());

    // Where a compositor runs, the see-through parts show what lies below: no shape.
    Agent::Detail::SetCompositorQuery([] { return true; });
    // (A hidden character does not rest: the idle report comes after the show.)
    character->Hide(true, req);
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(w->mask().isEmpty());
    Agent::Detail::SetCompositorQuery(nullptr);
}

TEST_F(Window, StepsDownBelowTheProgramsDialogsAndMenusOnly) {
    std::int32_t req = 0;
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    QWidget* w = character->Window();
    QWidget* balloon = character->Balloon();
    ASSERT_TRUE(OnTop(w));
    // The program's main window and other plain windows stay below it.
    QWidget calendar;
    calendar.show();
    RunFor(100);
    EXPECT_TRUE(OnTop(w));

    QDialog dialog(&calendar);
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(RunUntil([&] { return !OnTop(w) && !OnTop(balloon); }));
    // Shown again while the dialog is open, it stays below.
    character->Hide(true, req);
    character->Show(true, req);
    ASSERT_TRUE(WaitIdle());
    RunFor(100);
    EXPECT_FALSE(OnTop(w));
    dialog.hide();
    ASSERT_TRUE(RunUntil([&] { return OnTop(w) && OnTop(balloon); }));

    QMenu menu;
    menu.addAction(QStringLiteral("Drucken"));
    menu.popup(QPoint(20, 20));
    ASSERT_TRUE(RunUntil([&] { return !OnTop(w); }));
    menu.hide();
    ASSERT_TRUE(RunUntil([&] { return OnTop(w); }));
}
