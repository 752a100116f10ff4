#pragma once
// The main window's frame, place and fading. Frameless on the desktop, its colour key cut out and
// its resting alpha applied, or framed to be moved and sized, with the client area staying where it
// is on the screen; its place kept per view; faded in while the mouse is over the page, or while
// the program is active, by the fade thread (Fadeing). The window owns it.
#include <functional>
#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "SysUtils.h"
#include "ViewParameters.h"
#include "WebBrowser.h"

class Fadeing;

class TWindowFrame {
public:
    // Window is the main window (the owner of the timers), View its view block (the colour key and
    // whether it fades on activation); FrameItem the menu item whose mark shows the frame.
    TWindowFrame(TForm& Window, ::ViewParameters& View, TMenuItem* FrameItem);
    ~TWindowFrame();
    TWindowFrame(const TWindowFrame&) = delete;
    TWindowFrame& operator=(const TWindowFrame&) = delete;

    TTimer* MouseOverCheck;
    TTimer* ResizeTimer;
    TTimer* WindowCloseTimer;

    // Builds the page for ADate (Wait: until it is shown); the colour key and the size change it.
    std::function<bool(TDateTime ADate, bool Wait)> RebuildCalendar;
    // The browser, over whose area the mouse fades the window in.
    std::function<TWebBrowser*()> Browser;
    std::function<void(const AnsiString&)> WriteDebugLog;

    bool FadedOut = true;
    bool PlacementLoaded = false;
    bool FrameVisible = true;

    void SetFrameVisible(bool Visible);
    void ToggleFrame();
    void WindowCloseTimerTimer(TObject* Sender);
    void LoadWindowPlacement();
    void SaveWindowPlacement();
    // The top of the window for the view, which the placement itself leaves alone.
    void ReadTopPlacement();
    void FormResize(TObject* Sender);
    void ResizeTimerTimer(TObject* Sender);
    void ApplyWindowAlpha();
    void FadeIn();
    void FadeOut();
    void MouseOverCheckTimer(TObject* Sender);
    void ApplicationEvents1Activate(TObject* Sender);
    void ApplicationEvents1Deactivate(TObject* Sender);
    Fadeing* FadeThread() const { return fader_.get(); }
    // Ends the fade thread; the next fade makes a new one, which reads the alpha values anew.
    void EndFade();

private:
    void FitFrameToClient();
    void StartFade(bool In);

    TForm& window_;
    ::ViewParameters& view_;
    TMenuItem* frameItem_;
    std::unique_ptr<Fadeing> fader_;
    bool frameToggled_ = false;
    // The window's rectangle before its frame was shown, and where the framed window was put.
    TRect framelessBounds_, framedBounds_;
};
