#include "WindowFrame.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "Fadeing.h"
#include "Registry.h"
#include "Settings.h"
#include "WinApi.h"
#include "WinUser.h"
#include "WindowPlacement.h"

namespace {
constexpr LONG CaptionAndSizing = WS_CAPTION | WS_THICKFRAME;
} // namespace

TWindowFrame::TWindowFrame(TForm& Window, ::ViewParameters& View, TMenuItem* FrameItem)
    : window_(Window), view_(View), frameItem_(FrameItem) {
    MouseOverCheck = new TTimer(&window_);
    MouseOverCheck->SetEnabled(false);
    MouseOverCheck->SetInterval(400);
    ResizeTimer = new TTimer(&window_);
    ResizeTimer->SetEnabled(false);
    ResizeTimer->SetInterval(1000);
    WindowCloseTimer = new TTimer(&window_);
    WindowCloseTimer->SetEnabled(false);
    WindowCloseTimer->SetInterval(1000);
    MouseOverCheck->OnTimer = [this](TObject* Sender) { MouseOverCheckTimer(Sender); };
    ResizeTimer->OnTimer = [this](TObject* Sender) { ResizeTimerTimer(Sender); };
    WindowCloseTimer->OnTimer = [this](TObject* Sender) { WindowCloseTimerTimer(Sender); };
}

TWindowFrame::~TWindowFrame() = default;

void TWindowFrame::EndFade() { fader_.reset(); }

// The top of the window for the view, which the placement itself leaves alone.
void TWindowFrame::ReadTopPlacement() {
    TRegistry reg;
    int top = 20;
    if (reg.OpenKey(TarvolinKey, true)) {
        int view = 0;
        if (!reg.TryReadInteger("VORLAGE", view)) {
            try {
                reg.WriteInteger("VORLAGE", SettingDefault::VORLAGE);
            } catch (const std::exception&) {
                // Unwritten, the missing value still means the default view.
            }
        }
        if (reg.TryReadInteger("VORLAGE", view)) {
            const bool month = SettingRange("VORLAGE").Hold(view) == 0;
            if (!reg.TryReadInteger(month ? "FormPosTopMonth" : "FormPosTopNormal", top)) top = 20;
        }
    }
    if (top < 0) top = 20;
    // Wholly inside the work area, whatever the settings file holds.
    const TRect work = Screen->WorkAreaRect();
    window_.SetTop(WindowPlacement::FitIntoWorkArea(window_.Left(), top, window_.Width(), window_.Height(), work).Top);
}

void TWindowFrame::LoadWindowPlacement() {
    TRegistry reg;
    if (!reg.OpenKey(TarvolinKey, true)) return;
    int view = 0;
    if (!reg.TryReadInteger("VORLAGE", view)) {
        try {
            reg.WriteInteger("VORLAGE", SettingDefault::VORLAGE);
        } catch (const std::exception&) {
            // Unwritten, the missing value still means the default view.
        }
    }
    // The view the page shows, whatever number the file holds.
    view = reg.TryReadInteger("VORLAGE", view) ? SettingRange("VORLAGE").Hold(view) : SettingDefault::VORLAGE;
    const int sw = Screen->Width(), sh = Screen->Height();
    const char* suffix = view == 0 ? "Month" : "Normal";
    int left = 0, width = 0, height = 0;
    const bool stored = reg.TryReadInteger(AnsiString("FormPosLeft") + suffix, left) &&
                        reg.TryReadInteger(AnsiString("FormPosWidth") + suffix, width) &&
                        reg.TryReadInteger(AnsiString("FormPosHeight") + suffix, height);
    if (!stored) {
        if (view == 0) {
            left = 20;
            width = sw - 150;
            height = sh - 50;
        } else {
            // The desktop has no Windows Sidebar to keep clear of.
            left = sw - 310;
            width = 290;
            height = sh - 40;
        }
    }
    // The stored (or default) place wins over the platform's choice for a new window, as it does
    // where the window exists before its placement is loaded. A damaged or foreign settings file
    // may hold any number: the window stays inside the work area and never below its least size
    // (a huge size would take the memory of a window of that size). The top comes later, from its
    // own value, and is only held to the work area's height here.
    const TRect fitted = WindowPlacement::FitIntoWorkArea(left, Screen->WorkAreaTop(), width, height,
                                                          Screen->WorkAreaRect(), window_.Constraints()->MinWidth(),
                                                          window_.Constraints()->MinHeight());
    window_.SetPosition(poDesigned);
    window_.SetBounds(fitted.Left, window_.Top(), fitted.Width(), fitted.Height());
}

void TWindowFrame::SetFrameVisible(bool Visible) {
    // Where the client area is, taken while the window is still shown with the frame it has.
    const TPoint clientOrigin = window_.ClientOrigin();
    window_.SetVisible(false);
    if (Visible) {
        view_.ColorKey = 0xFFFFFF;
        RebuildCalendar(SysUtils::Now(), true);
    } else {
        view_.ColorKey = 8;
        if (frameToggled_) {
            // The client area stays where it was on the screen; the window keeps its size. Where
            // the framed window still stands as it was put, the frameless one goes back exactly.
            const bool untouched = FrameVisible && window_.BoundsRect() == framedBounds_;
            const int dx = untouched ? framelessBounds_.Left - window_.Left() : clientOrigin.X - window_.Left();
            const int dy = untouched ? framelessBounds_.Top - window_.Top() : clientOrigin.Y - window_.Top();
            if (untouched) window_.SetBoundsRect(framelessBounds_);
            else window_.SetBounds(window_.Left() + dx, window_.Top() + dy, window_.Width(), window_.Height());
            try {
                TRegistry reg;
                if (reg.OpenKey(TarvolinKey, false)) {
                    reg.WriteInteger("divL", dx);
                    reg.WriteInteger("divT", dy);
                }
            } catch (const std::exception& e) {
                if (WriteDebugLog) WriteDebugLog(e.what());
            }
        }
        RebuildCalendar(SysUtils::Now(), true);
    }
    const LONG style = GetWindowLong(window_.Handle(), GWL_STYLE);
    SetWindowLong(window_.Handle(), GWL_STYLE, Visible ? style | CaptionAndSizing : style & ~CaptionAndSizing);
    if (Visible) {
        // The frame goes round the client area where it is (offsets stored by an earlier run may
        // belong to another frame): the window moves out by the frame's left and top, and stays
        // inside the work area.
        if (!FrameVisible) framelessBounds_ = window_.BoundsRect();
        const TRect frame = window_.FrameExtents();
        const TRect work = Screen->WorkAreaRect();
        const int left = std::max(work.Left, std::min(window_.Left() - frame.Left, work.Right - window_.Width()));
        const int top = std::max(work.Top, std::min(window_.Top() - frame.Top, work.Bottom - window_.Height()));
        window_.SetBounds(left, top, window_.Width(), window_.Height());
        framedBounds_ = window_.BoundsRect();
    }
    frameItem_->Checked = Visible;
    const LONG exStyle = GetWindowLong(window_.Handle(), GWL_EXSTYLE);
    if (Visible) {
        // A framed window is opaque.
        SetWindowLong(window_.Handle(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        SetWindowLong(window_.Handle(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        ApplyWindowAlpha();
    }
    SetWindowPos(window_.Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    window_.SetVisible(true);
    if (Visible) FitFrameToClient();
    FrameVisible = Visible;
    frameToggled_ = true;
}

void TWindowFrame::FitFrameToClient() {
    // The window manager's frame is known only once it has drawn it, and may differ from the one
    // foreseen: the framed window then moves once more so that the client area is where it was.
    const TPoint wanted{framelessBounds_.Left, framelessBounds_.Top};
    for (int waited = 0; waited < 300 && window_.ClientOrigin() != wanted; waited += 10) {
        Application->ProcessMessages();
        if (window_.ClientOrigin() != wanted) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const TPoint at = window_.ClientOrigin();
    if (at != wanted) {
        const TRect work = Screen->WorkAreaRect();
        const int left = std::max(work.Left, std::min(window_.Left() + wanted.X - at.X, work.Right - window_.Width()));
        const int top = std::max(work.Top, std::min(window_.Top() + wanted.Y - at.Y, work.Bottom - window_.Height()));
        window_.SetBounds(left, top, window_.Width(), window_.Height());
    }
    framedBounds_ = window_.BoundsRect();
}

void TWindowFrame::ToggleFrame() { SetFrameVisible(!frameItem_->Checked); }

void TWindowFrame::WindowCloseTimerTimer(TObject*) {
    WindowCloseTimer->SetEnabled(false);
    SetFrameVisible(false);
}

void TWindowFrame::ApplyWindowAlpha() {
    // A fresh profile has no value yet: the settings dialog's default serves.
    const int alpha = TSettings::Program().Current().Alpha;
    window_.SetColor(view_.ColorKey);
    SetLayeredWindowAttributes(window_.Handle(), COLORREF(view_.ColorKey), static_cast<Byte>(alpha),
                               LWA_COLORKEY | LWA_ALPHA);
}

void TWindowFrame::SaveWindowPlacement() {
    try {
        TRegistry reg;
        if (!reg.OpenKey(TarvolinKey, true)) return;
        int view = 0;
        if (!reg.TryReadInteger("VORLAGE", view)) view = 0;
        const AnsiString suffix = SettingRange("VORLAGE").Hold(view) == 0 ? "Month" : "Normal";
        reg.WriteInteger("FormPosTop" + suffix, window_.Top());
        reg.WriteInteger("FormPosLeft" + suffix, window_.Left());
        reg.WriteInteger("FormPosWidth" + suffix, window_.Width());
        reg.WriteInteger("FormPosHeight" + suffix, window_.Height());
    } catch (const std::exception& e) {
        if (WriteDebugLog) WriteDebugLog(e.what());
    }
}

void TWindowFrame::FormResize(TObject*) {
    ResizeTimer->SetEnabled(false);
    ResizeTimer->SetEnabled(true);
}

void TWindowFrame::ResizeTimerTimer(TObject*) {
    ResizeTimer->SetEnabled(false);
    if (!PlacementLoaded) return;
    SaveWindowPlacement();
    RebuildCalendar(SysUtils::Date(), false);
}

void TWindowFrame::StartFade(bool In) {
    if (!fader_) {
        fader_ = std::make_unique<Fadeing>();
        fader_->OnFadeDone = [this](bool in) { FadedOut = !in; };
    }
    fader_->Window = window_.Handle();
    fader_->ColorKey = COLORREF(view_.ColorKey);
    fader_->SetPriority(tpHigher);
    fader_->Start(In);
}

void TWindowFrame::FadeIn() {
    if (FadedOut) StartFade(true);
}

void TWindowFrame::FadeOut() {
    if (!FadedOut) StartFade(false);
}

void TWindowFrame::MouseOverCheckTimer(TObject*) {
    if (view_.FadeOnActivation) {
        MouseOverCheck->SetEnabled(false);
        return;
    }
    bool inside = false;
    if (TWebBrowser* browser = Browser ? Browser() : nullptr) {
        const TPoint p = browser->ScreenToClient(Forms::GetCursorPos());
        inside = PtInRect(browser->ClientRect(), p);
    }
    if (inside) {
        FadeIn();
    } else {
        FadeOut();
        MouseOverCheck->SetEnabled(false);
    }
}

void TWindowFrame::ApplicationEvents1Activate(TObject*) {
    if (view_.FadeOnActivation) FadeIn();
}

void TWindowFrame::ApplicationEvents1Deactivate(TObject*) {
    if (view_.FadeOnActivation) FadeOut();
}

