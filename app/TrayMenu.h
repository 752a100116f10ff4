#pragma once
// The program's icon in the notification area and its popup menu: the menu's rows, their pictures,
// the blue side band, the icon's tip and what the icon's clicks ask for. The menu keeps its rows and
// raises its commands as events, which whoever acts on one connects once.
#include <functional>
#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "ImgList.h"
#include "Menus.h"
#include "Messages.h"
#include "ShellNotify.h"
#include "SysUtils.h"

// The notification area's callback for the program's icon.
constexpr UINT WM_TRAYICON = 0x47D;
// The id of the program's icon in the notification area.
constexpr UINT TrayIconId = 1002;

class TTrayMenu {
public:
    // The icon and the menu belong to Window, which owns their components. AlarmsPresent chooses the
    // icon's tip; WriteDebugLog takes what could not be loaded.
    TTrayMenu(TForm& Window, std::function<bool()> AlarmsPresent,
              std::function<void(const AnsiString&)> WriteDebugLog);
    ~TTrayMenu();
    TTrayMenu(const TTrayMenu&) = delete;
    TTrayMenu& operator=(const TTrayMenu&) = delete;

    // ---- the menu's components, made with captions and pictures; their clicks raise the commands ----
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* minimieren = nullptr;
    TMenuItem* Agent1 = nullptr;
    TMenuItem* Zwischenablagevorlesen1 = nullptr;
    TMenuItem* Aufgaben1 = nullptr;
    TMenuItem* Adressen1 = nullptr;
    TMenuItem* Zorbelin1 = nullptr;
    TMenuItem* Info2 = nullptr;
    TMenuItem* Info1 = nullptr;
    TMenuItem* Hilfe = nullptr;
    TMenuItem* Update1 = nullptr;
    TMenuItem* Einstellungen1 = nullptr;
    TMenuItem* Fensterrahmensichtbar1 = nullptr;
    TMenuItem* Ende1 = nullptr;
    // The menu's pictures: tasks, planner, address book, character.
    TImageList* ImageList1 = nullptr;

    // ---- the commands, each raised with its row as the sender ----
    TNotifyEvent OnMinimize;       // "Minimieren" / "Wiederherstellen"
    TNotifyEvent OnReadClipboard;  // "Zwischenablage vorlesen!"
    TNotifyEvent OnTasks;          // "Aufgaben"
    TNotifyEvent OnAddresses;      // "Adressen"
    TNotifyEvent OnPlanner;        // "Zorbelin!", and a double click on the icon
    TNotifyEvent OnAbout;          // "Über"
    TNotifyEvent OnHelp;           // "Hilfe"
    TNotifyEvent OnSettings;       // "Einstellungen"
    TNotifyEvent OnToggleFrame;    // "Fensterrahmen sichtbar (Größe ändern)"
    TNotifyEvent OnQuit;           // "Beenden"
    // The user asked for the menu at a screen point (a right click on the icon).
    std::function<void(int X, int Y)> OnMenuAsked;

    // Minimises the program, or brings a minimised one back; the first row offers what comes next.
    void ToggleMinimized();
    // The program was brought back by other means (its window in the task bar): the row follows.
    void Restored();
    bool Minimized() const { return minimized_; }

    // The top rows draw themselves with the side band, and the icon goes into the notification area;
    // without an area yet it is tried again every second until it is there.
    void Start();
    // Adds, changes (picture and tip) or removes the icon; false when the notification area refused.
    bool TrayIcon(DWORD Operation);
    AnsiString TrayTip() const;
    // The icon's tip follows the alarms, where the icon is there and shows another.
    void UpdateTip();
    // The icon's callback: a click brings the window forward, a double click runs the planner's
    // command, a right click asks for the menu.
    void WMTrayIcon(TMessage& Message);

    void SetMenuFont();
    void PopupMenu1Popup(TObject* Sender);
    void MenuMeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
    void MenuAdvancedDrawItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);
    // The side band of the popup was drawn since the popup opened.
    bool MenuSideTextDrawn() const { return sideTextDrawn_; }

private:
    void BuildMenu();
    // Each row raises its command; a row whose command opens a window of its own stays greyed
    // until that window is closed.
    void ConnectCommands();
    void LoadMenuPictures();

    TForm& window_;
    std::function<bool()> alarmsPresent_;
    std::function<void(const AnsiString&)> writeDebugLog_;
    HICON taskIcon_ = nullptr;
    // Tries the icon again while the notification area is not there.
    std::unique_ptr<TTimer> retry_;
    TFont sideFont_;
    bool sideTextDrawn_ = false;
    bool minimized_ = false;
};
