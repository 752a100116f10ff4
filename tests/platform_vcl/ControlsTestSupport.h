#pragma once
// Forms and controls opened offscreen, with input delivered as the window system delivers it: Qt
// events to the control's window, which the library turns into messages.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "TestTime.h"
#include "Forms.h"
#include "VclPrivate.h"

namespace controlstest {

inline void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "platform_vcl_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    Application->Initialize();
}

class WithApplication : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

inline QWidget* WidgetOf(TControl* c) { return Vcl::Detail::HandleWidget(c); }

// Runs the loop until pred holds or the time is up; answers pred's last value.
inline bool RunUntil(const std::function<bool()>& pred, int timeoutMs = 3000) {
    return testsupport::PollUntil(pred, timeoutMs, [] {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
}

inline void Mouse(TControl* c, QEvent::Type type, int x, int y, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* w = WidgetOf(c);
    const QPointF local(x, y);
    const QPointF global = w->mapToGlobal(local);
    const Qt::MouseButtons held =
        (type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) ? Qt::MouseButtons() : Qt::MouseButtons(button);
    QMouseEvent e(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : button, held, mods);
    QApplication::sendEvent(w, &e);
}

inline void Click(TControl* c, int x, int y) {
    Mouse(c, QEvent::MouseButtonPress, x, y);
    Mouse(c, QEvent::MouseButtonRelease, x, y);
}

inline void Key(TControl* c, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* w = WidgetOf(c);
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// Everything a control saw, as text, in order.
using Log = std::vector<std::string>;

} // namespace controlstest
