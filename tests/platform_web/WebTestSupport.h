#pragma once
// One application object for the whole test program, a recording window.external and waits.
#include <gtest/gtest.h>

#include "ScriptObject.h"
#include "TestTime.h"
#include "VclPrivate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace webtest {

inline void EnsureApplication() {
    // No GPU and no traffic of the engine's own: the tests only load pages from memory.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking");
    // The visual library makes the application object, as it does in the program.
    Vcl::Detail::EnsureQtApp();
}

// Runs the event loop until the condition holds or the (scaled) time is up.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    return testsupport::PollUntil(done, timeoutMs, [] {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    });
}

// Writes down every call the page makes, in order.
class RecordingTarget {
public:
    std::vector<std::string> calls;
    bool failNext = false;

    // The five members the program's calendar page calls.
    TScriptObject Object() {
        TScriptObject object;
        for (const char* name : {"Resize", "HomeClicked", "ForwardClicked", "BackClicked"})
            object.AddMethod(name, [this, name](const TScriptArgs&) { Record(name); });
        object.AddProperty("ZBNOpenDate", nullptr,
                           [this](const AnsiString& value) { Record("ZBNOpenDate=" + value); });
        return object;
    }

private:
    void Record(const std::string& call) {
        calls.push_back(call);
        if (failNext) {
            failNext = false;
            throw std::runtime_error("failure inside the program");
        }
    }
};

} // namespace webtest
