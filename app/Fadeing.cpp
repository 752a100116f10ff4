#include "Fadeing.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Settings.h"
#include "WinUser.h"

Fadeing::Fadeing() : TThread(true) {
    Apply = [](HWND wnd, COLORREF key, Byte alpha) {
        SetLayeredWindowAttributes(wnd, key, alpha, LWA_COLORKEY | LWA_ALPHA);
    };
    Pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

Fadeing::~Fadeing() {
    Terminate();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    if (!Suspended()) WaitFor();
}

void Fadeing::Start(bool In) {
    // Read here, on the thread that owns the settings; each fade goes between the limits of its start.
    int low = 0, high = 0;
    ReadLimits(low, high);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        low_ = low;
        high_ = high;
        direction_ = In;
        startPending_ = true;
    }
    wake_.notify_all();
    if (Suspended()) Resume();
}

bool Fadeing::Park() {
    std::unique_lock<std::mutex> lock(mutex_);
    // A start that came while the last fade was finishing is not lost.
    wake_.wait(lock, [this] { return startPending_ || ending_; });
    startPending_ = false;
    return !ending_;
}

void Fadeing::ReadLimits(int& Low, int& High) {
    // The settings value holds each limit within what the dialog offers: a damaged file can neither
    // hide the window nor step beyond a byte.
    const TSettingsValue settings = TSettings::Program().Current();
    Low = settings.Alpha;
    High = settings.AlphaAktive;
    if (Low >= High) {
        Low = 245;
        High = 255;
    }
}

void Fadeing::Limits(int& Low, int& High) {
    std::lock_guard<std::mutex> lock(mutex_);
    Low = low_;
    High = high_;
}

void Fadeing::FadeDone(bool In) {
    if (OnFadeDone) Synchronize([this, In] { OnFadeDone(In); });
}

void Fadeing::Execute() {
    int low = 0, high = 0;
    Limits(low, high);
    int current = direction_ ? low : high;
    while (!Terminated()) {
        bool in;
        {
            // A start that came before this step is served by it: a fade that turned round ends
            // once, and is not run again as if it were a new one.
            std::lock_guard<std::mutex> lock(mutex_);
            startPending_ = false;
            in = direction_;
        }
        // Every step stays within the limits, so each fade rests exactly at its limit.
        if (in) {
            Pause(2);
            current = std::min(current + 10, high);
        } else {
            Pause(10);
            current = std::max(current - 10, low);
        }
        current_ = current;
        if (Apply) Apply(Window, ColorKey, static_cast<Byte>(std::clamp(current, 0, 255)));
        const bool reached = in ? current >= high : current <= low;
        if (!reached || in != direction_) continue;
        FadeDone(in);
        if (!Park()) break;
        Limits(low, high);
        current = std::clamp(current, low, high);
    }
}
