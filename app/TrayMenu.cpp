#include "TrayMenu.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Resources.h"
#include "WinApi.h"
#include "WinUser.h"

TTrayMenu::TTrayMenu(TForm& Window, std::function<bool()> AlarmsPresent,
                     std::function<void(const AnsiString&)> WriteDebugLog)
    : window_(Window), alarmsPresent_(std::move(AlarmsPresent)), writeDebugLog_(std::move(WriteDebugLog)) {
    BuildMenu();
}

TTrayMenu::~TTrayMenu() {
    if (taskIcon_) DestroyIcon(taskIcon_);
}

void TTrayMenu::BuildMenu() {
    ImageList1 = new TImageList(&window_);
    LoadMenuPictures();
    PopupMenu1 = new TPopupMenu(&window_);
    PopupMenu1->SetImages(ImageList1);
    PopupMenu1->Alignment = paCenter;
    PopupMenu1->OwnerDraw = true;
    PopupMenu1->OnPopup = [this](TObject* Sender) { PopupMenu1Popup(Sender); };
    auto item = [this](TMenuItem* parent, const char* caption) {
        auto* i = new TMenuItem(&window_);
        i->SetCaption(caption);
        parent->Add(i);
        return i;
    };
    TMenuItem* top = PopupMenu1->Items();
    minimieren = item(top, "Minimieren");
    Agent1 = item(top, "MS-Agent");
    Agent1->ImageIndex = 3;
    Zwischenablagevorlesen1 = item(Agent1, "Zwischenablage vorlesen!");
    Aufgaben1 = item(top, "Aufgaben");
    Aufgaben1->ImageIndex = 0;
    Adressen1 = item(top, "Adressen");
    Adressen1->ImageIndex = 2;
    Zorbelin1 = item(top, "Zorbelin!");
    Zorbelin1->RadioItem = true;
    Zorbelin1->ImageIndex = 1;
    Info2 = item(top, "Info");
    Info1 = item(Info2, "Über");
    Info1->RadioItem = true;
    Hilfe = item(Info2, "Hilfe");
    Update1 = item(top, "Optionen");
    Einstellungen1 = item(Update1, "Einstellungen");
    Fensterrahmensichtbar1 = item(Update1, "Fensterrahmen sichtbar (Größe ändern)");
    // A new window has its frame until start-up hides it.
    Fensterrahmensichtbar1->Checked = true;
    Ende1 = item(top, "Beenden");
    Ende1->RadioItem = true;
    // The submenus' items carry pictures of their own, compiled into the program.
    Resources::LoadBitmap(Info1->Bitmap(), "MENUUEBER");
    Resources::LoadBitmap(Hilfe->Bitmap(), "MENUHILFE");
    Resources::LoadBitmap(Einstellungen1->Bitmap(), "MENUEINSTELLUNGEN");
    ConnectCommands();
}

void TTrayMenu::ConnectCommands() {
    const auto raise = [](TMenuItem* item, const TNotifyEvent& command) {
        item->OnClick = [&command](TObject* Sender) {
            if (command) command(Sender);
        };
    };
    const auto raiseGreyed = [](TMenuItem* item, const TNotifyEvent& command) {
        item->OnClick = [item, &command](TObject* Sender) {
            item->Enabled = false;
            const ScopeExit enable([item] { item->Enabled = true; });
            if (command) command(Sender);
        };
    };
    raise(minimieren, OnMinimize);
    raise(Zwischenablagevorlesen1, OnReadClipboard);
    raiseGreyed(Aufgaben1, OnTasks);
    raise(Adressen1, OnAddresses);
    raise(Zorbelin1, OnPlanner);
    raiseGreyed(Info1, OnAbout);
    raise(Hilfe, OnHelp);
    raiseGreyed(Einstellungen1, OnSettings);
    raise(Fensterrahmensichtbar1, OnToggleFrame);
    raise(Ende1, OnQuit);
}

void TTrayMenu::ToggleMinimized() {
    // The row follows what was done, so choosing it after a restore from elsewhere acts at once.
    minimized_ = !minimized_;
    ShowWindow(Application->Handle(), minimized_ ? SW_MINIMIZE : SW_RESTORE);
    minimieren->SetCaption(minimized_ ? "Wiederherstellen" : "Minimieren");
}

void TTrayMenu::Restored() {
    minimized_ = false;
    minimieren->SetCaption("Minimieren");
}

void TTrayMenu::Start() {
    for (int i = 0; i < PopupMenu1->Items()->Count(); ++i) {
        TMenuItem* item = PopupMenu1->Items()->Items(i);
        item->OnMeasureItem = [this](TObject* Sender, TCanvas* Canvas, int& Width, int& Height) {
            MenuMeasureItem(Sender, Canvas, Width, Height);
        };
        item->OnAdvancedDrawItem = [this](TObject* Sender, TCanvas* Canvas, const TRect& Rect, TOwnerDrawState State) {
            MenuAdvancedDrawItem(Sender, Canvas, Rect, State);
        };
    }
    SetMenuFont();
    if (TrayIcon(NIM_ADD)) {
        TrayIcon(NIM_MODIFY);
        return;
    }
    // The notification area may still be starting with the session, on a busy machine for many
    // seconds: the icon is tried again every second until it is there, without holding up the
    // first page meanwhile.
    retry_ = std::make_unique<TTimer>(nullptr);
    retry_->SetInterval(1000);
    retry_->OnTimer = [this](TObject*) {
        if (!TrayIcon(NIM_ADD)) return;
        retry_->SetEnabled(false);
        TrayIcon(NIM_MODIFY);
    };
    retry_->SetEnabled(true);
}

AnsiString TTrayMenu::TrayTip() const { return alarmsPresent_() ? "Alarme sind vorhanden" : "Zorbelin!"; }

bool TTrayMenu::TrayIcon(DWORD Operation) {
    NOTIFYICONDATA data;
    data.hWnd = window_.Handle();
    data.uID = TrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYICON;
    if (Operation == NIM_MODIFY) {
        if (!taskIcon_) taskIcon_ = LoadIcon(nullptr, "TASKICON");
        data.hIcon = taskIcon_;
        std::strncpy(data.szTip, TrayTip().c_str(), sizeof data.szTip - 1);
    }
    return Shell_NotifyIcon(Operation, &data) != FALSE;
}

void TTrayMenu::UpdateTip() {
    NOTIFYICONDATA shown;
    if (ShellNotify::FindIcon(window_.Handle(), TrayIconId, shown) && TrayTip() != shown.szTip) TrayIcon(NIM_MODIFY);
}

void TTrayMenu::WMTrayIcon(TMessage& Message) {
    const HWND window = window_.Handle();
    switch (Message.LParam) {
    case WM_LBUTTONUP: SetForegroundWindow(window); break;
    case WM_LBUTTONDBLCLK: Zorbelin1->Click(); break;
    case WM_RBUTTONUP: {
        const TPoint p = Forms::GetCursorPos();
        // The window of a minimised program stays out of sight: the menu opens to bring it back,
        // and says so ("Wiederherstellen").
        if (IsWindowVisible(window)) SetForegroundWindow(window);
        if (OnMenuAsked) OnMenuAsked(p.X, p.Y);
        PostMessage(window, WM_NULL, 0, 0);
        break;
    }
    default: break;
    }
}

void TTrayMenu::SetMenuFont() {
    // The side band's font: bold Arial, 16 pixels, running upwards.
    sideFont_.SetName("Arial");
    sideFont_.SetHeight(-16);
    sideFont_.SetOrientation(900);
    sideFont_.SetStyle({fsBold});
    sideFont_.SetColor(clWhite);
}

void TTrayMenu::PopupMenu1Popup(TObject*) { sideTextDrawn_ = false; }

void TTrayMenu::MenuMeasureItem(TObject*, TCanvas*, int& Width, int&) {
    Width += 15;
    if (ImageList1->Count() > 0) Width += ImageList1->Width() + 4;
}

void TTrayMenu::LoadMenuPictures() {
    // One strip of 16 x 16 pictures beside the program; without it the rows have none.
    const AnsiString file = SysUtils::ProgramFolder() + "Bilder/menu.png";
    if (!SysUtils::FileExists(file)) return;
    try {
        TBitmap strip;
        strip.LoadFromFile(file);
        ImageList1->AddMasked(&strip, clFuchsia);
    } catch (const std::exception& e) {
        writeDebugLog_(e.what());
    }
}

void TTrayMenu::MenuAdvancedDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    auto* item = static_cast<TMenuItem*>(Sender);
    const int bandWidth = GetSystemMetrics(SM_CXMENUCHECK);
    const int menuHeight = (item->Parent() ? item->Parent()->Count() : 1) * ARect.Height();
    const int textLength = menuHeight / 4;
    // The band beside the whole menu, once each time it opens: the menu keeps it while its rows are
    // drawn again.
    if (!sideTextDrawn_) {
        TFont saved;
        saved.Assign(ACanvas->Font());
        const TColor savedBrush = ACanvas->Brush()->Color();
        AnsiString text = " Zorbelin";
        if (static_cast<int>(text.size()) < textLength) text.append(static_cast<std::size_t>(textLength) - text.size(), ' ');
        text.resize(static_cast<std::size_t>(std::max(0, textLength)));
        const TRect band{0, 0, bandWidth + 15, menuHeight};
        ACanvas->SetFont(&sideFont_);
        ACanvas->Brush()->SetStyle(bsSolid);
        ACanvas->Brush()->SetColor(TColor(15363885));
        ACanvas->FillRect(band);
        ACanvas->IntersectClipRect(band);
        ACanvas->TextOut(-1, menuHeight, text);
        ACanvas->ResetClip();
        ACanvas->SetFont(&saved);
        ACanvas->Brush()->SetColor(savedBrush);
        sideTextDrawn_ = true;
    }
    TRect textRect = ARect;
    textRect.Left += bandWidth + 10;
    const bool selected = State.Contains(odSelected);
    const bool disabled = State.Contains(odDisabled);
    ACanvas->Pen()->SetStyle(psClear);
    ACanvas->Brush()->SetStyle(bsSolid);
    ACanvas->Brush()->SetColor(selected ? clHighlight : clMenu);
    ACanvas->FillRect({textRect.Left - 2, ARect.Top, ARect.Right, ARect.Bottom});
    // The row's picture from the menu's images; captions line up whether a row has one or not.
    if (ImageList1->Count() > 0) {
        if (item->ImageIndex >= 0 && item->ImageIndex < ImageList1->Count())
            ImageList1->Draw(ACanvas, textRect.Left, ARect.Top + (ARect.Height() - ImageList1->Height()) / 2,
                             item->ImageIndex, !disabled);
        textRect.Left += ImageList1->Width() + 4;
    }
    ACanvas->Font()->SetColor(disabled ? clGrayText : selected ? clHighlightText : clMenuText);
    ACanvas->Brush()->SetStyle(bsClear);
    TRect captionRect = textRect;
    captionRect.Top += std::max(0, (ARect.Height() - ACanvas->TextHeight("Wg")) / 2);
    ACanvas->DrawText(item->Caption(), captionRect, 0);
}
