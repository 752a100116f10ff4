// Notification-area icons over QSystemTrayIcon; the icon's activations become the callback message
// posted to its window, as the shell sends it.
#include "ShellNotify.h"

#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "Messages.h"
#include "Resources.h"
#include "SysUtils.h"
#include "VclPrivate.h"

struct HICON__ {
    QIcon icon;
};

namespace {

int forced = -1;

struct Entry {
    NOTIFYICONDATA data;
    std::unique_ptr<QSystemTrayIcon> tray;
};

std::map<std::pair<HWND, UINT>, Entry>& Icons() {
    static std::map<std::pair<HWND, UINT>, Entry> icons;
    return icons;
}

UINT MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONUP;
    default: return 0;
    }
}

void Apply(Entry& e, const NOTIFYICONDATA& d) {
    if (d.uFlags & NIF_MESSAGE) e.data.uCallbackMessage = d.uCallbackMessage;
    if (d.uFlags & NIF_ICON) {
        e.data.hIcon = d.hIcon;
        // The notification area shows an icon only once it has a picture (an empty one would
        // stand there as a blank, and Qt refuses it).
        e.tray->setIcon(d.hIcon ? d.hIcon->icon : QIcon());
        e.tray->setVisible(d.hIcon && !d.hIcon->icon.isNull());
    }
    if (d.uFlags & NIF_TIP) {
        std::memset(e.data.szTip, 0, sizeof e.data.szTip);
        std::memcpy(e.data.szTip, d.szTip, strnlen(d.szTip, sizeof e.data.szTip - 1));
        e.tray->setToolTip(QString::fromUtf8(e.data.szTip));
    }
    e.data.uFlags |= d.uFlags;
}

} // namespace

bool ShellNotify::NotificationAreaAvailable() {
    if (forced >= 0) return forced == 1;
    return Vcl::Detail::EnsureQtApp() && QSystemTrayIcon::isSystemTrayAvailable();
}

void ShellNotify::SetNotificationAreaForTesting(int Available) { forced = Available; }

BOOL Shell_NotifyIcon(DWORD dwMessage, NOTIFYICONDATA* lpData) {
    if (!lpData || !Vcl::Detail::EnsureQtApp()) return FALSE;
    auto& icons = Icons();
    const auto key = std::make_pair(lpData->hWnd, lpData->uID);
    auto it = icons.find(key);
    switch (dwMessage) {
    case NIM_ADD: {
        if (it != icons.end() || !ShellNotify::NotificationAreaAvailable()) return FALSE;
        Entry& e = icons[key];
        e.data.hWnd = lpData->hWnd;
        e.data.uID = lpData->uID;
        e.tray = std::make_unique<QSystemTrayIcon>();
        const HWND wnd = lpData->hWnd;
        const UINT id = lpData->uID;
        QObject::connect(e.tray.get(), &QSystemTrayIcon::activated, [wnd, id](QSystemTrayIcon::ActivationReason r) {
            auto found = Icons().find({wnd, id});
            const UINT mouse = MouseMessage(r);
            if (found == Icons().end() || !mouse || !(found->second.data.uFlags & NIF_MESSAGE)) return;
            PostMessage(wnd, found->second.data.uCallbackMessage, id, static_cast<LPARAM>(mouse));
        });
        Apply(e, *lpData);
        return TRUE;
    }
    case NIM_MODIFY:
        if (it == icons.end()) return FALSE;
        Apply(it->second, *lpData);
        return TRUE;
    case NIM_DELETE:
        if (it == icons.end()) return FALSE;
        it->second.tray->hide();
        icons.erase(it);
        return TRUE;
    default: return FALSE;
    }
}

bool ShellNotify::FindIcon(HWND hWnd, UINT uID, NOTIFYICONDATA& Data) {
    auto it = Icons().find({hWnd, uID});
    if (it == Icons().end()) return false;
    Data = it->second.data;
    return true;
}

QObject* ShellNotify::TrayObject(HWND hWnd, UINT uID) {
    auto it = Icons().find({hWnd, uID});
    return it == Icons().end() ? nullptr : it->second.tray.get();
}

HICON LoadIcon(HINSTANCE, const char* lpIconName) {
    if (!lpIconName || !Vcl::Detail::EnsureQtApp()) return nullptr;
    // The program's own icon resource first; a picture of that name beside the program otherwise.
    std::string bytes;
    if (Resources::FindResourceData(lpIconName, bytes)) {
        QPixmap picture;
        if (picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size())))
            return new HICON__{QIcon(picture)};
    }
    const std::string folder = SysUtils::ProgramFolder();
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::filesystem::path p = entry.path();
        const std::string ext = SysUtils::LowerCase(p.extension().string());
        if (ext != ".png" && ext != ".xpm" && ext != ".svg" && ext != ".ico") continue;
        if (!SysUtils::SameText(p.stem().string(), lpIconName)) continue;
        QIcon icon(QString::fromStdString(p.string()));
        if (icon.isNull()) continue;
        return new HICON__{icon};
    }
    return nullptr;
}

BOOL DestroyIcon(HICON hIcon) {
    delete hIcon;
    return TRUE;
}
