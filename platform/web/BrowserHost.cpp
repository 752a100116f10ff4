#include "BrowserHost.h"

#include "SysUtils.h"
#include "Trace.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QPointer>
#include <QTimer>
#include <QUrlQuery>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace WebHost {

extern const char* const ExternalScript;   // external.js, generated into the build

namespace {

// The engine is sized for one small local page. Measured with bench/startup (fresh profile, sample
// database, week view, under Xvfb):
// - Qt Quick draws the view in software, Qt opens no GL context, and Chromium composites in software
//   ("--disable-gpu"): no GL driver is loaded, which on a machine without a GPU also keeps a software
//   rasterizer out of the process: about 75 MB less memory in the program's own process.
// - "--renderer-process-limit=1" and no spare renderer or back-forward cache: one renderer, and a
//   rebuilt page does not keep the previous one alive.
// - "--disable-background-networking", "--disable-component-update", "--disable-sync",
//   "--disable-domain-reliability", "--no-first-run": a local page needs no network, so the engine
//   never reaches out on its own.
// A user's own QT_QUICK_BACKEND, QT_XCB_GL_INTEGRATION or QTWEBENGINE_CHROMIUM_FLAGS stay; the
// latter come first.
void ConfigureEngine() {
    setenv("QT_QUICK_BACKEND", "software", 0);
    setenv("QT_XCB_GL_INTEGRATION", "none", 0);
    const char* own = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    std::string flags = own ? std::string(own) + " " : std::string();
    flags += "--disable-gpu --renderer-process-limit=1 "
             "--disable-features=SpareRendererForSitePerProcess,BackForwardCache "
             "--disable-background-networking --disable-component-update --disable-sync "
             "--disable-domain-reliability --no-first-run";
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
}

// The engine reads its settings before the application object exists, so this runs while the
// program's static objects are made (the program names its pages' scheme itself, as early).
struct EarlySetup {
    EarlySetup() {
        if (QCoreApplication::instance()) return;
        ConfigureEngine();
        // Chromium refuses to start its sandbox for root; the pages are the program's own.
        if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
} earlySetup;

std::map<int, Browser*>& Browsers() {
    static std::map<int, Browser*> browsers;
    return browsers;
}

QString BrowserHost(int id) { return QStringLiteral("b%1").arg(id); }

int BrowserIdOfHost(const QString& host) {
    if (!host.startsWith(QLatin1Char('b'))) return 0;
    bool ok = false;
    int id = host.mid(1).toInt(&ok);
    return ok ? id : 0;
}

void ReplyBytes(QWebEngineUrlRequestJob* job, const QByteArray& type, QByteArray bytes) {
    auto* buffer = new QBuffer;
    buffer->setData(std::move(bytes));
    buffer->open(QIODevice::ReadOnly);
    QObject::connect(job, &QObject::destroyed, buffer, &QObject::deleteLater);
    job->reply(type, buffer);
}

// Serves a browser's current page from memory and the files of its local folder.
class SchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QUrl url = job->requestUrl();
        Browser* browser = BrowserById(BrowserIdOfHost(url.host()));
        if (!browser) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        const QString path = url.path(QUrl::FullyDecoded);
        if (path == QLatin1String("/") || path.isEmpty()) {
            std::string page;
            if (!browser->PageBytes(url.query(), page)) {
                job->fail(QWebEngineUrlRequestJob::UrlNotFound);
                return;
            }
            ReplyBytes(job, "text/html;charset=utf-8", QByteArray(page.data(), qsizetype(page.size())));
            return;
        }
        if (browser->LocalFolder().empty()) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const std::string file =
            SysUtils::ResolvePath(browser->LocalFolder() + path.mid(1).toStdString());
        if (!browser->MayReadLocalFile(file)) {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        // Read on the main thread: only a regular file of at most the bound of page files.
        std::string read;
        try {
            read = SysUtils::ReadFileBytes(file);
        } catch (const SysUtils::EFileRefused& e) {
            SysUtils::TellRefusedFile(e);
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        } catch (const std::exception&) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        const QByteArray bytes(read.data(), static_cast<qsizetype>(read.size()));
        const QByteArray type =
            QMimeDatabase().mimeTypeForFileNameAndData(QString::fromStdString(file), bytes).name().toUtf8();
        ReplyBytes(job, type, bytes);
    }
};

// file:// references of a page reach only the browser's local folder.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
public:
    LocalFileGuard(Browser* browser, QObject* parent)
        : QWebEngineUrlRequestInterceptor(parent), browser_(browser) {}

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.isLocalFile() && !browser_->MayReadLocalFile(url.toLocalFile().toStdString()))
            info.block(true);
    }

private:
    Browser* browser_;
};

QString ScriptResultText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType: return {};
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::QVariantMap:
    case QMetaType::QVariantList:
        return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
    default: return value.toString();
    }
}

// Tells once when the view first paints while it shows a page of the program.
class FirstPaint : public QObject {
public:
    FirstPaint(QObject* parent, std::function<bool()> showsPage, std::function<void()> painted)
        : QObject(parent), showsPage_(std::move(showsPage)), painted_(std::move(painted)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && painted_ && showsPage_()) {
            auto painted = std::move(painted_);
            painted_ = nullptr;
            deleteLater();
            painted();
        }
        return false;
    }

private:
    std::function<bool()> showsPage_;
    std::function<void()> painted_;
};

// external.js with the channel's own script in place; the members are filled in per page.
const QString& ScriptSource() {
    static const QString source = [] {
        QString text = QString::fromUtf8(ExternalScript);
        QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        if (channelJs.open(QIODevice::ReadOnly))
            text.replace(QStringLiteral("/*QWEBCHANNEL*/"), QString::fromUtf8(channelJs.readAll()));
        text.replace(QStringLiteral("/*SCHEME*/"), Scheme());
        return text;
    }();
    return source;
}

// A failing call changes nothing the page could show; the page is rebuilt anyway.
template <class F> void Shielded(F&& call) {
    try {
        call();
    } catch (...) {
    }
}

} // namespace

namespace {
QString& SchemeName() {
    static QString name;
    return name;
}
} // namespace

const QString& Scheme() { return SchemeName(); }

void RegisterScheme(const std::string& name) {
    if (!SchemeName().isEmpty() || name.empty()) return;
    SchemeName() = QString::fromStdString(name);
    QWebEngineUrlScheme scheme(SchemeName().toLatin1());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QWebEngineProfile* Profile() {
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // No storage name: off the record, so nothing of the pages reaches the disk.
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->installUrlSchemeHandler(Scheme().toLatin1(), new SchemeHandler(profile));
    }
    return profile;
}

// ---- ScriptBridge -----------------------------------------------------------------------------

QString ScriptBridge::MembersJson() const {
    QJsonArray members;
    for (const TScriptMember& member : object_.Members()) {
        QJsonObject entry{{QStringLiteral("name"), QString::fromStdString(member.Name)}};
        if (member.IsMethod) {
            entry.insert(QStringLiteral("method"), true);
        } else {
            entry.insert(QStringLiteral("set"), bool(member.Setter));
            if (member.Getter)
                Shielded([&] { entry.insert(QStringLiteral("value"), QString::fromStdString(member.Getter())); });
        }
        members.append(entry);
    }
    return QString::fromUtf8(QJsonDocument(members).toJson(QJsonDocument::Compact));
}

void ScriptBridge::Invoke(const QString& name, const QVariantList& args) {
    const TScriptMember* member = object_.Find(name.toStdString());
    if (!member || !member->IsMethod || !member->Method) return;
    TScriptArgs texts;
    for (const QVariant& arg : args) texts.push_back(arg.toString().toStdString());
    // A copy: the call may hand the control a new set of members.
    const TScriptMethod method = member->Method;
    Shielded([&] { method(texts); });
}

void ScriptBridge::Assign(const QString& name, const QString& value) {
    const TScriptMember* member = object_.Find(name.toStdString());
    if (!member || member->IsMethod || !member->Setter) return;
    const TScriptSetter setter = member->Setter;
    const std::string text = value.toStdString();
    Shielded([&] { setter(text); });
}

// ---- Page ---------------------------------------------------------------------------------------

class Page : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, Browser* browser) : QWebEnginePage(profile), browser_(browser) {}

protected:
    // The page, and with it the channel, never leaves the program's own content.
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (url.scheme() == QLatin1String("about")) return true;
        return url.scheme() == Scheme() && BrowserIdOfHost(url.host()) == browser_->Id();
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override {
        if (level == ErrorMessageLevel)
            browser_->scriptErrors_.push_back(
                (message + QStringLiteral(" (%1:%2)").arg(source).arg(line)).toStdString());
    }

private:
    Browser* browser_;
};

// ---- Browser ------------------------------------------------------------------------------------

Browser* BrowserById(int id) {
    auto it = Browsers().find(id);
    return it == Browsers().end() ? nullptr : it->second;
}

Browser::Browser(QWidget* parentWidget) {
    static int lastId = 0;
    id_ = ++lastId;
    Browsers()[id_] = this;

    page_ = new Page(Profile(), this);
    page_->setUrlRequestInterceptor(new LocalFileGuard(this, page_));
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);

    bridge_ = new ScriptBridge(this);
    channel_ = new QWebChannel(this);
    channel_->registerObject(QStringLiteral("external"), bridge_);
    page_->setWebChannel(channel_, QWebEngineScript::MainWorld);
    InstallScript();

    connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
        // An earlier load that a newer one cut short does not end the newer one.
        if (info.url() == expectedUrl_)
            LoadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });

    // A page renderer that died, a navigation that never reached the page or a load that never
    // reports its end would leave the calendar blank for good: the load is looked at now and then.
    watchdog_ = new QTimer(this);
    watchdog_->setSingleShot(true);
    watchdog_->setInterval(10000);
    connect(watchdog_, &QTimer::timeout, this, [this] { CheckLoad(); });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (serial_ > 0 && retries_ < 3 && expectedUrl_.scheme() == Scheme()) {
            ++retries_;
            QTimer::singleShot(0, this, [this] { ReloadPage(); });
        }
    });

    view_ = new QWebEngineView(parentWidget);
    connect(view_, &QObject::destroyed, this, [this] { view_ = nullptr; });
    view_->setPage(page_);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QPoint global = view_->mapToGlobal(pos);
        if (onContextMenu) onContextMenu(global.x(), global.y());
    });
}

Browser::~Browser() {
    Browsers().erase(id_);
    // The view goes first, then its page: a page must never outlive the profile or its view.
    delete view_;
    delete page_;
}

void Browser::SetExternal(TScriptObject object) {
    bridge_->SetObject(std::move(object));
    InstallScript();
}

void Browser::InstallScript() {
    const QString members = bridge_->MembersJson();
    QWebEngineScriptCollection& scripts = page_->scripts();
    if (members == installedMembers_ && !scripts.find(QStringLiteral("external")).isEmpty()) return;
    installedMembers_ = members;
    for (const QWebEngineScript& old : scripts.find(QStringLiteral("external"))) scripts.remove(old);
    QString source = ScriptSource();
    source.replace(QStringLiteral("[/*MEMBERS*/]"), members);
    QWebEngineScript external;
    external.setName(QStringLiteral("external"));
    external.setSourceCode(source);
    external.setInjectionPoint(QWebEngineScript::DocumentCreation);
    external.setWorldId(QWebEngineScript::MainWorld);
    external.setRunsOnSubFrames(false);
    scripts.insert(external);
}

bool Browser::Navigate(const QString& url) {
    const QUrl target(url);
    if (target.scheme() != QLatin1String("about") &&
        !(target.scheme() == Scheme() && BrowserIdOfHost(target.host()) == id_))
        return false;
    scriptErrors_.clear();
    watchdog_->stop();
    busy_ = true;
    expectedUrl_ = target;
    InstallScript();
    page_->load(target);
    return true;
}

QString Browser::PageUrl() const {
    return QStringLiteral("%1://%2/?page=%3").arg(Scheme(), BrowserHost(id_)).arg(serial_);
}

void Browser::LoadPage(std::string html) {
    page_bytes_ = std::move(html);
    retries_ = 0;
    ReloadPage();
}

void Browser::ReloadPage() {
    ++serial_;
    stalls_ = 0;
    scriptErrors_.clear();
    busy_ = true;
    expectedUrl_ = QUrl(PageUrl());
    InstallScript();
    page_->load(expectedUrl_);
    watchdog_->start();
}

void Browser::CheckLoad() {
    if (!busy_ || serial_ == 0 || expectedUrl_.scheme() != Scheme()) return;
    watchdog_->start();
    // A large page on a busy machine takes longer than any fixed time, and a renderer at work
    // answers late: the question stands until it is answered.
    if (checkPending_) return;
    checkPending_ = true;
    const unsigned serial = serial_;
    QPointer<Browser> self(this);
    page_->runJavaScript(QStringLiteral("location.href + '\\n' + document.readyState"),
                         QWebEngineScript::ApplicationWorld, [self, serial](const QVariant& answer) {
        if (!self) return;
        self->checkPending_ = false;
        if (!self->busy_ || self->serial_ != serial) return;
        const QStringList parts = answer.toString().split(QLatin1Char('\n'));
        const bool loading = parts.size() == 2 && QUrl(parts[0]) == self->expectedUrl_;
        if (loading && parts[1] == QLatin1String("complete")) {
            // Loaded, without the end being reported.
            self->LoadFinished(true);
            return;
        }
        if (loading) {
            self->stalls_ = 0;
            return;
        }
        // Still another document: after a few checks the navigation counts as lost.
        if (++self->stalls_ >= 3 && self->retries_ < 3) {
            ++self->retries_;
            self->ReloadPage();
        }
    });
}

bool Browser::PageBytes(const QString& query, std::string& out) const {
    if (serial_ == 0 || query != QStringLiteral("page=%1").arg(serial_)) return false;
    out = page_bytes_;
    return true;
}

void Browser::LoadFinished(bool ok) {
    if (!busy_) return;
    busy_ = false;
    watchdog_->stop();
    if (ok && serial_ > 0 && !pagePainted_) {
        pagePainted_ = true;
        Trace::Step("first page loaded");
        QWidget* surface = view_ ? view_->focusProxy() : nullptr;
        QPointer<Browser> self(this);
        auto fired = std::make_shared<bool>(false);
        auto painted = [self, fired] {
            if (*fired) return;
            *fired = true;
            Trace::Step("first page painted");
            if (self && self->onFirstPaint) self->onFirstPaint();
        };
        // The view can still paint the blank document for a moment after the page has loaded; and
        // a view that is not painted at all (hidden, or its surface not made yet) still lets the
        // waiting work start a little later.
        auto showsPage = [self] { return self && self->view_ && self->view_->url().scheme() == Scheme(); };
        if (surface) surface->installEventFilter(new FirstPaint(surface, showsPage, painted));
        QTimer::singleShot(2000, this, painted);
    }
    if (onLoadFinished) onLoadFinished(ok);
}

bool Browser::WaitForLoad(int timeoutMs) {
    if (!busy_) return true;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] { if (!busy_) loop.quit(); });
    timer.start(timeoutMs);
    poll.start(10);
    loop.exec();
    return !busy_;
}

QString Browser::Evaluate(const QString& script, int timeoutMs, bool* ok) {
    struct State { bool done = false; QString result; };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    QPointer<QEventLoop> loopGuard(&loop);
    page_->runJavaScript(script, QWebEngineScript::MainWorld, [state, loopGuard](const QVariant& v) {
        state->done = true;
        state->result = ScriptResultText(v);
        if (loopGuard) loopGuard->quit();
    });
    if (!state->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (ok) *ok = state->done;
    return state->result;
}

void Browser::SetLocalFolder(const std::string& folder) {
    localFolder_ = folder.empty() ? std::string() : SysUtils::IncludeTrailingPathDelimiter(folder);
}

bool Browser::MayReadLocalFile(const std::string& path) const {
    if (localFolder_.empty()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::canonical(localFolder_, ec);
    if (ec) return false;
    const fs::path file = fs::canonical(path, ec);
    if (ec || !fs::is_regular_file(file, ec)) return false;
    auto f = file.begin();
    for (auto d = folder.begin(); d != folder.end(); ++d, ++f)
        if (f == file.end() || *f != *d) return false;
    return true;
}

} // namespace WebHost
