#include "FormSize.h"

#include <memory>

#include "IniFiles.h"
#include "WinApi.h"
#include "WindowPlacement.h"

namespace {

TComponent* CheckOwner(TComponent* owner) {
    auto* form = dynamic_cast<TCustomForm*>(owner);
    if (!form) throw EFormSizeError("Control parent must be a form!");
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (dynamic_cast<TFormSize*>(form->Components(i)))
            throw EFormSizeError("The form already contains a TFormSize component");
    return owner;
}

AnsiString NameFrom(BOOL (*get)(char*, DWORD*)) {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (!get(buffer, &size)) return {};
    return AnsiString(buffer);
}

} // namespace

TFormSize::TFormSize(TComponent* AOwner)
    : TComponent(CheckOwner(AOwner)), form_(static_cast<TCustomForm*>(AOwner)) {
    saveKey_ = form_->Name();
    previous_ = form_->WindowProc;
    form_->WindowProc = [this](TMessage& Message) { FormWndProc(Message); };
}

TFormSize::~TFormSize() {
    if (Owner()) {
        // Taken off a living form: its messages go back to their old handler.
        form_->WindowProc = previous_;
        return;
    }
    // The form is being destroyed and its window is gone with it: the placement last seen is the
    // one the window had when it went.
    if (savePosition_ && !saved_ && haveLast_ && !HasState(csDesigning)) {
        try {
            TIniFile ini(saveName_);
            const AnsiString section = CreateKey();
            ini.WriteInteger(section, "Left", last_.rcNormalPosition.Left);
            ini.WriteInteger(section, "Top", last_.rcNormalPosition.Top);
            if (saveSize_) {
                ini.WriteInteger(section, "Right", last_.rcNormalPosition.Right);
                ini.WriteInteger(section, "Bottom", last_.rcNormalPosition.Bottom);
            }
            ini.WriteBool(section, "Maximized", last_.showCmd == SW_SHOWMAXIMIZED_PLACEMENT);
        } catch (...) {
            // A destructor must not throw; a profile that cannot be written keeps its old placement.
        }
    }
}

AnsiString TFormSize::CreateKey() const {
    AnsiString key = saveKey_;
    if (saveUser_) key += "-" + NameFrom(&GetUserName);
    if (saveMachine_) key += "-" + NameFrom(&GetComputerName);
    return key;
}

void TFormSize::Loaded() {
    TComponent::Loaded();
    if (saveKey_.empty()) saveKey_ = form_->Name();
    if (!HasState(csDesigning) && savePosition_) LoadPlacement();
    Track();
}

void TFormSize::LoadPlacement() {
    const TRect r = form_->BoundsRect();
    const AnsiString section = CreateKey();
    TIniFile ini(saveName_);
    const long long left = ini.ReadInteger(section, "Left", r.Left);
    const long long top = ini.ReadInteger(section, "Top", r.Top);
    long long right, bottom;
    if (saveSize_) {
        right = ini.ReadInteger(section, "Right", r.Right);
        bottom = ini.ReadInteger(section, "Bottom", r.Bottom);
    } else {
        right = left + form_->Width();
        bottom = top + form_->Height();
    }
    const bool maximized = ini.ReadBool(section, "Maximized", form_->WindowState() == wsMaximized);
    // The file may hold any numbers: the window comes wholly inside the work area, no larger than
    // it and no smaller than the form allows (computed wide, so that no difference overflows).
    const TRect fitted = WindowPlacement::FitIntoWorkArea(left, top, right - left, bottom - top, Screen->WorkAreaRect(),
                                                          form_->Constraints()->MinWidth(),
                                                          form_->Constraints()->MinHeight());
    form_->SetBounds(fitted.Left, fitted.Top, fitted.Width(), fitted.Height());
    if (maximized) form_->SetWindowState(wsMaximized);
}

void TFormSize::DoSavePlacement() {
    Track();
    if (!haveLast_) return;
    TIniFile ini(saveName_);
    const AnsiString section = CreateKey();
    ini.WriteInteger(section, "Left", last_.rcNormalPosition.Left);
    ini.WriteInteger(section, "Top", last_.rcNormalPosition.Top);
    if (saveSize_) {
        ini.WriteInteger(section, "Right", last_.rcNormalPosition.Right);
        ini.WriteInteger(section, "Bottom", last_.rcNormalPosition.Bottom);
    }
    ini.WriteBool(section, "Maximized", last_.showCmd == SW_SHOWMAXIMIZED_PLACEMENT);
    saved_ = true;
}

void TFormSize::Track() {
    TWindowPlacement p;
    if (!WindowPlacement::GetFormPlacement(form_, p)) return;
    // The rectangle a maximized window returns to is the last one it had as a normal window.
    if (p.showCmd == SW_SHOWNORMAL_PLACEMENT || !haveLast_) last_.rcNormalPosition = p.rcNormalPosition;
    last_.showCmd = p.showCmd;
    haveLast_ = true;
}

TPoint TFormSize::Snap(const TRect& WorkArea, int X, int Y, int W, int H, int Distance) {
    if (X < WorkArea.Left + Distance) X = WorkArea.Left;
    if (Y < WorkArea.Top + Distance) Y = WorkArea.Top;
    if (Y + H > WorkArea.Bottom - Distance) Y = WorkArea.Bottom - H;
    if (X + W > WorkArea.Right - Distance) X = WorkArea.Right - W;
    return {X, Y};
}

void TFormSize::FollowDrag(TMessage& Message) {
    const TPoint now = form_->ClientToScreen({Message.XPos(), Message.YPos()});
    form_->SetBounds(dragOrigin_.X + now.X - dragStart_.X, dragOrigin_.Y + now.Y - dragStart_.Y,
                     form_->Width(), form_->Height());
}

void TFormSize::FormWndProc(TMessage& Message) {
    const bool designing = HasState(csDesigning);
    // A press anywhere in the client area acts as a press on the caption: the form moves, and the
    // client sees no press of its own.
    if (dragAlways_ && !designing) {
        switch (Message.Msg) {
        case WM_LBUTTONDOWN:
            if (!WindowPlacement::StartSystemMove(form_)) {
                dragging_ = true;
                dragStart_ = form_->ClientToScreen({Message.XPos(), Message.YPos()});
                dragOrigin_ = {form_->Left(), form_->Top()};
            }
            return;
        case WM_MOUSEMOVE:
            if (dragging_) {
                FollowDrag(Message);
                return;
            }
            break;
        case WM_LBUTTONUP:
            if (dragging_) {
                FollowDrag(Message);
                dragging_ = false;
                return;
            }
            break;
        default:
            break;
        }
    }

    if (previous_) previous_(Message);

    switch (Message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
        Track();
        // The window manager reports a move after it happened; the snap follows at once.
        if (Message.Msg == WM_MOVE && magnet_ && !snapping_ && form_->WindowState() == wsNormal) {
            const TPoint p = Snap(Screen->WorkAreaRect(), form_->Left(), form_->Top(), form_->Width(),
                                  form_->Height(), magnetDistance_);
            if (p.X != form_->Left() || p.Y != form_->Top()) {
                snapping_ = true;
                form_->SetBounds(p.X, p.Y, form_->Width(), form_->Height());
                snapping_ = false;
                Track();
            }
        }
        break;
    case CM_SHOWINGCHANGED:
    case CM_VISIBLECHANGED:
    case WM_WINDOWPOSCHANGED:
        Track();
        break;
    case WM_DESTROY:
        if (!designing && savePosition_) DoSavePlacement();
        break;
    case WM_NCHITTEST:
        if (dragAlways_ && !designing) {
            const TPoint p = form_->ScreenToClient({Message.XPos(), Message.YPos()});
            const TRect client = form_->ClientRect();
            if (p.X >= client.Left && p.X < client.Right && p.Y >= client.Top && p.Y < client.Bottom)
                Message.Result = HTCAPTION;
        }
        break;
    default:
        break;
    }
}
