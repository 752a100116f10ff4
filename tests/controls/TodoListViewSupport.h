#pragma once
// A to-do list on a shown form, offscreen, with helpers to paint it into an image and to deliver
// input as the window system does.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>

#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "TestTime.h"
#include "GraphicsQt.h"
#include "TodoListView.h"
#include "VclPrivate.h"

namespace todoview {

inline void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "controls_view_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    Application->Initialize();
}

inline QWidget* WidgetOf(TControl* c) { return Vcl::Detail::HandleWidget(c); }

inline bool RunUntil(const std::function<bool()>& pred, int timeoutMs = 2000) {
    return testsupport::PollUntil(pred, timeoutMs, [] {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
}

inline void Mouse(TControl* c, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QWidget* w = WidgetOf(c);
    const QPointF local(x, y);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::MouseButtons();
    QMouseEvent e(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Click(TControl* c, int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    Mouse(c, QEvent::MouseButtonPress, x, y, button);
    Mouse(c, QEvent::MouseButtonRelease, x, y, button);
}

// A key pressed and released on c's window (on the editor inside it, for editing controls).
inline void Key(TControl* c, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* w = WidgetOf(c);
    if (w->focusProxy()) w = w->focusProxy();
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

inline QImage Grab(TControl* c) { return WidgetOf(c)->grab().toImage(); }
inline QColor Q(TColor c) { return GraphicsQt::ToQColor(c); }
inline bool Same(const QImage& img, int x, int y, TColor c) { return img.pixelColor(x, y).rgb() == Q(c).rgb(); }

// A form with a to-do list of three columns: complete check (25), subject (200), completion (100).
class ListFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override {
        SysUtils::SetClock([] { return TDateTime(45000.25); });
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 500, 300);
        list = new TTodoList(form);
        list->SetParent(form);
        list->SetBounds(10, 10, 420, 200);
        list->AddColumn(tdComplete, "Ok")->SetWidth(25);
        list->AddColumn(tdSubject, "Betreff")->SetWidth(200);
        list->AddColumn(tdCompletion, "Fertig")->SetWidth(100);
        form->Show();
        box = list->ListBox();
    }
    void TearDown() override {
        delete form;
        SysUtils::SetClock(nullptr);
    }
    TTodoItem* AddItem(const AnsiString& subject) {
        TTodoItem* item = list->Items()->Add();
        item->SetSubject(subject);
        return item;
    }
    void FocusList() {
        box->SetFocus();
        RunUntil([&] { return box->Focused(); });
    }
    TForm* form = nullptr;
    TTodoList* list = nullptr;
    TTodoListBox* box = nullptr;
};

} // namespace todoview
