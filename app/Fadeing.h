#pragma once
// The thread that fades the main window between its resting alpha and its active alpha.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "Classes.h"
#include "Settings.h"
#include "WinUser.h"

class Fadeing : public TThread {
public:
    Fadeing();
    // Ends the fading and waits for the thread.
    ~Fadeing() override;

    // Fades in (true) or out from where the last fade left the alpha; a fade that runs turns round.
    void Start(bool In);
    bool Direction() const { return direction_; }
    int CurrentAlpha() const { return current_; }

    // The limits from the settings: Alpha (low) and AlphaAktive (high); 245 and 255 when low is not
    // below high. Each Start reads them.
    static void ReadLimits(int& Low, int& High);

    // The main thread hands over the window and its colour key for each fade, also while one runs.
    std::atomic<HWND> Window{nullptr};
    std::atomic<COLORREF> ColorKey{0};
    // Each step of the alpha reaches the window through this (SetLayeredWindowAttributes unless set).
    std::function<void(HWND Window, COLORREF Key, Byte Alpha)> Apply;
    // Waits between the steps (milliseconds; a real sleep unless set).
    std::function<void(int Milliseconds)> Pause;
    // Runs on the main thread when a fade has reached its limit, with the direction it went.
    std::function<void(bool In)> OnFadeDone;

protected:
    void Execute() override;

private:
    // Waits for the next Start (or the end); false when the thread is to end.
    bool Park();
    // The limits the last Start read.
    void Limits(int& Low, int& High);
    void FadeDone(bool In);

    std::atomic<bool> direction_{true};
    std::atomic<int> current_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool startPending_ = false;
    bool ending_ = false;
    int low_ = SettingDefault::Alpha, high_ = SettingDefault::AlphaAktive;
};
