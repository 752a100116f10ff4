#pragma once
// The Qt side of the browser control. Only the platform and its tests include this header;
// the system's code sees TWebBrowser and TScriptObject.
// Reached by a path past the include directories, it still refuses what lies above the platform.
#ifndef ZB_PLATFORM_PRIVATE
#error "the Qt side of the browser control is for the platform and its tests only"
#endif
#include <QObject>
#include <QTimer>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <string>
#include <vector>

#include "ScriptObject.h"

class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace WebHost {

// The scheme the program's pages are served under, as the program named it; empty until then.
const QString& Scheme();
// Names and registers the scheme (TWebBrowser::SetScheme): before the application object exists,
// as the engine learns schemes only then. Only the first call counts.
void RegisterScheme(const std::string& name);

// The process's own profile: off the record, with the scheme handler installed.
QWebEngineProfile* Profile();

// The object published to the page's channel; window.external forwards to it by member name. It
// never lets a failure of the program escape into the browser.
class ScriptBridge : public QObject {
    Q_OBJECT
public:
    explicit ScriptBridge(QObject* parent = nullptr) : QObject(parent) {}
    void SetObject(TScriptObject object) { object_ = std::move(object); }
    const TScriptObject& Object() const { return object_; }
    // The members as the injected script declares them, with the getters' values read now.
    QString MembersJson() const;

    Q_INVOKABLE void Invoke(const QString& name, const QVariantList& args);
    Q_INVOKABLE void Assign(const QString& name, const QString& value);

private:
    TScriptObject object_;
};

class Page;

// One browser: a view with its page, channel and the page currently loaded from memory.
class Browser : public QObject {
    Q_OBJECT
public:
    explicit Browser(QWidget* parentWidget = nullptr);
    ~Browser() override;

    QWebEngineView* View() const { return view_; }
    int Id() const { return id_; }

    // Only "about:blank" and pages of the program's own scheme are shown.
    bool Navigate(const QString& url);
    // Shows an HTML page held in memory; nothing is written to disk.
    void LoadPage(std::string html);
    bool Busy() const { return busy_; }
    // Runs the event loop until the current load has finished or the time is up.
    bool WaitForLoad(int timeoutMs);
    // Runs a script in the page and waits for its result, converted to text.
    QString Evaluate(const QString& script, int timeoutMs = 5000, bool* ok = nullptr);
    // How often a page still loading is looked at (milliseconds; ten seconds unless set).
    void SetLoadCheckInterval(int milliseconds) { watchdog_->setInterval(milliseconds); }

    // The members of window.external for the pages loaded from now on; the current page's calls
    // reach the new members by name, and go nowhere when no member has that name.
    void SetExternal(TScriptObject object);
    const TScriptObject& External() const { return bridge_->Object(); }

    // The folder the page may load its local files from (relative or file:// references).
    void SetLocalFolder(const std::string& folder);
    const std::string& LocalFolder() const { return localFolder_; }
    bool MayReadLocalFile(const std::string& path) const;

    // Uncaught script errors of the current page, as the console reports them.
    const std::vector<std::string>& ScriptErrors() const { return scriptErrors_; }

    // The page's bytes for the scheme handler; empty when the URL names no current page.
    bool PageBytes(const QString& query, std::string& out) const;
    QString PageUrl() const;

    // A right click: the program shows its own menu at this screen point.
    std::function<void(int screenX, int screenY)> onContextMenu;
    std::function<void(bool ok)> onLoadFinished;
    // The view has painted the first page of the program it loaded.
    std::function<void()> onFirstPaint;

private:
    bool pagePainted_ = false;
    friend class Page;
    void LoadFinished(bool ok);
    // Asks for the current page once more under a new address.
    void ReloadPage();
    // Asks the page how far its load has come, and asks for it again when it shows no sign of it.
    void CheckLoad();
    // Puts window.external's script, with the current members, before the next page's scripts;
    // the script stays as it is while the members and their values do.
    void InstallScript();

    int id_;
    QWebEngineView* view_ = nullptr;   // null once Qt has deleted it with a parent
    Page* page_ = nullptr;
    QWebChannel* channel_ = nullptr;
    ScriptBridge* bridge_ = nullptr;
    QString installedMembers_;
    std::string page_bytes_;
    unsigned serial_ = 0;
    bool busy_ = false;
    // Loads of the current page that went nowhere and were asked for again.
    int retries_ = 0;
    // Checks in a row that found another document than the one being loaded.
    int stalls_ = 0;
    // A check's question to the page has not been answered yet.
    bool checkPending_ = false;
    QTimer* watchdog_ = nullptr;
    QUrl expectedUrl_;
    std::string localFolder_;
    std::vector<std::string> scriptErrors_;
};

// The browser that owns a view, or null.
Browser* BrowserById(int id);

} // namespace WebHost
