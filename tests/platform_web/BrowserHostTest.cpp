// The Qt side of the browser control, driven with a bare view in the real engine, offscreen.
#include "BrowserHost.h"
#include "SysUtils.h"
#include "TempDir.h"
#include "WebTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineView>

#include <filesystem>
#include <memory>

using webtest::RecordingTarget;
using webtest::WaitFor;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureApplication();
        browser = std::make_unique<WebHost::Browser>();
        browser->View()->resize(400, 300);
        browser->View()->show();
        browser->SetExternal(target.Object());
    }
    void TearDown() override { browser.reset(); }

    void Load(const std::string& html) {
        browser->LoadPage(html);
        ASSERT_TRUE(browser->WaitForLoad(testsupport::Scaled(30000))) << "the page did not finish loading";
    }
    // Generous: a busy machine can take seconds to answer on a large page.
    std::string Eval(const std::string& script, int timeoutMs = 15000) {
        bool ok = false;
        std::string result =
            browser->Evaluate(QString::fromStdString(script), testsupport::Scaled(timeoutMs), &ok).toStdString();
        EXPECT_TRUE(ok) << "no answer to: " << script;
        return result;
    }
    bool WaitForCalls(size_t count) { return WaitFor([&] { return target.calls.size() >= count; }); }

    // A small picture the page can show; its natural width tells whether it loaded.
    static void WritePng(const std::filesystem::path& file) {
        std::filesystem::create_directories(file.parent_path());
        QImage image(7, 5, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "PNG"));
    }

    RecordingTarget target;
    std::unique_ptr<WebHost::Browser> browser;
};

TEST_F(BrowserHostTest, ExternalExistsBeforeThePageScriptsAndQueuedCallsArriveInOrder) {
    Load("<html><head><script>"
         "var e = window.external;"
         "document.title = [typeof e, typeof e.BackClicked, typeof e.ForwardClicked,"
         "                  typeof e.HomeClicked, typeof e.Resize].join(',');"
         "e.BackClicked(); e.ZBNOpenDate = '05.03.2007'; e.ForwardClicked(); e.HomeClicked(); e.Resize();"
         "</script></head><body>x</body></html>");
    EXPECT_EQ(Eval("document.title"), "object,function,function,function,function");
    ASSERT_TRUE(WaitForCalls(5));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"BackClicked", "ZBNOpenDate=05.03.2007",
                                                      "ForwardClicked", "HomeClicked", "Resize"}));
}

TEST_F(BrowserHostTest, CallsFromTheConnectedPageReachTheTarget) {
    Load("<html><body><a id='day' href='#' onclick=\"window.external.ZBNOpenDate = '11.03.2007';"
         " return false\">11.</a><a id='next' href='#' onclick='window.external.ForwardClicked(); return false'>"
         "&gt;</a></body></html>");
    // Let the channel connect, then act as the user would.
    ASSERT_TRUE(WaitFor([&] { return Eval("1") == "1"; }));
    Eval("document.getElementById('next').click(); document.getElementById('day').click(); 0");
    ASSERT_TRUE(WaitForCalls(2));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"ForwardClicked", "ZBNOpenDate=11.03.2007"}));

    // Reading the property gives nothing; the date text goes through whole, umlauts and all.
    EXPECT_EQ(Eval("typeof window.external.ZBNOpenDate"), "undefined");
    Eval("window.external.ZBNOpenDate = 'März'; 0");
    ASSERT_TRUE(WaitForCalls(3));
    EXPECT_EQ(target.calls.back(), "ZBNOpenDate=März");
}

TEST_F(BrowserHostTest, AFailureInsideTheProgramDoesNotStopLaterCalls) {
    target.failNext = true;
    Load("<html><head><script>window.external.HomeClicked(); window.external.BackClicked();"
         "</script></head></html>");
    ASSERT_TRUE(WaitForCalls(2));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"HomeClicked", "BackClicked"}));
}

TEST_F(BrowserHostTest, TheMembersAreWhatTheProgramRegistersByName) {
    std::vector<std::string> calls;
    std::string shown = "erste";
    TScriptObject object;
    object.AddMethod("Show", [&](const TScriptArgs& args) {
              std::string line = "Show";
              for (const auto& arg : args) line += "|" + arg;
              calls.push_back(line);
          })
        .AddProperty("Shown", [&] { return shown; }, [&](const AnsiString& v) { calls.push_back("Shown=" + v); })
        .AddProperty("Fixed", [] { return AnsiString("fest"); }, nullptr);
    browser->SetExternal(object);
    shown = "zweite";
    // The getter is read as each page loads; writing a property without a setter changes nothing.
    Load("<html><head><script>var e = window.external;"
         "document.title = [typeof e.BackClicked, e.Shown, e.Fixed].join(',');"
         "e.Show('Mai', 7); e.Fixed = 'x'; e.Shown = 3;</script></head></html>");
    EXPECT_EQ(Eval("document.title"), "undefined,zweite,fest");
    ASSERT_TRUE(WaitFor([&] { return calls.size() >= 2; }));
    EXPECT_EQ(calls, (std::vector<std::string>{"Show|Mai|7", "Shown=3"}));
    EXPECT_EQ(target.calls.size(), 0u);
}

TEST_F(BrowserHostTest, PageTextIsReadAsUtf8) {
    // A page that still declares the old code page is read as what it is.
    Load("<html><head><meta http-equiv='Content-Type' content='text/html; charset=windows-1252'></head>"
         "<body><p id='m'>März – Grüße</p></body></html>");
    EXPECT_EQ(Eval("document.getElementById('m').textContent"), "März – Grüße");
    EXPECT_TRUE(browser->ScriptErrors().empty());
}

TEST_F(BrowserHostTest, APageOverTwoMegabytesLoads) {
    std::string html = "<html><body>";
    const std::string row = "<div class='row'>Termin mit einer langen Beschreibung, Zeile um Zeile.</div>\n";
    while (html.size() < 3 * 1024 * 1024) html += row;
    html += "<p id='end'>Ende</p></body></html>";
    Load(html);
    EXPECT_EQ(Eval("document.getElementById('end').textContent"), "Ende");
    const size_t rows = (html.size() - 40) / row.size();
    EXPECT_EQ(Eval("String(document.querySelectorAll('div.row').length)"), std::to_string(rows));
}

TEST_F(BrowserHostTest, APageSlowerThanTheLoadCheckIsLoadedOnceAndNotCutShort) {
    browser->SetLoadCheckInterval(200);
    // The renderer is at work for two seconds while the page loads, as with a large page on a busy
    // machine; each load of the page calls the program once.
    Load("<html><head><script>window.external.HomeClicked();"
         "var until = Date.now() + 2000; while (Date.now() < until) {}</script></head>"
         "<body><p id='end'>Ende</p></body></html>");
    EXPECT_EQ(Eval("document.getElementById('end').textContent"), "Ende");
    ASSERT_TRUE(WaitForCalls(1));
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(target.calls, std::vector<std::string>{"HomeClicked"});
}

TEST_F(BrowserHostTest, ANewPageReplacesTheOldOne) {
    Load("<html><body><p id='p'>eins</p></body></html>");
    Load("<html><body><p id='p'>zwei</p></body></html>");
    EXPECT_EQ(Eval("document.getElementById('p').textContent"), "zwei");

    // A page asked for while another still loads: the control is busy until the last one is there.
    browser->LoadPage("<html><body><p id='p'>drei</p></body></html>");
    browser->LoadPage("<html><body><p id='p'>vier</p></body></html>");
    EXPECT_TRUE(browser->Busy());
    ASSERT_TRUE(browser->WaitForLoad(testsupport::Scaled(15000)));
    EXPECT_EQ(Eval("document.getElementById('p').textContent"), "vier");
}

TEST_F(BrowserHostTest, LocalFilesLoadOnlyFromTheAllowedFolder) {
    testsupport::TempDir outside;
    testsupport::TempDir program;
    WritePng(program.path() / "Vorlagen" / "back.png");
    WritePng(outside.path() / "secret.png");
    std::filesystem::create_symlink(outside.path() / "secret.png", program.path() / "Vorlagen" / "link.png");
    browser->SetLocalFolder(program.str());

    const std::string inside = SysUtils::FileNameToURL(program.file("Vorlagen/back.png"));
    const std::string secret = SysUtils::FileNameToURL(outside.file("secret.png"));
    Load("<html><body>"
         "<img id='relative' src='Vorlagen/back.png'>"
         "<img id='otherCase' src='vorlagen/BACK.png'>"
         "<img id='fileUrl' src='" + inside + "'>"
         "<img id='outside' src='" + secret + "'>"
         "<img id='escape' src='Vorlagen/..%2F..%2F" + outside.path().filename().string() + "%2Fsecret.png'>"
         "<img id='symlink' src='Vorlagen/link.png'>"
         "<img id='missing' src='Vorlagen/none.png'>"
         "</body></html>");
    auto width = [&](const char* id) {
        return Eval(std::string("String(document.getElementById('") + id + "').naturalWidth)");
    };
    EXPECT_EQ(width("relative"), "7");
    EXPECT_EQ(width("otherCase"), "7");
    EXPECT_EQ(width("fileUrl"), "7");
    EXPECT_EQ(width("outside"), "0");
    EXPECT_EQ(width("escape"), "0");
    EXPECT_EQ(width("symlink"), "0");
    EXPECT_EQ(width("missing"), "0");
}

TEST_F(BrowserHostTest, WithoutAFolderNoLocalFileLoads) {
    testsupport::TempDir program;
    WritePng(program.path() / "a.png");
    Load("<html><body><img id='a' src='a.png'><img id='b' src='" +
         SysUtils::FileNameToURL(program.file("a.png")) + "'></body></html>");
    EXPECT_EQ(Eval("document.getElementById('a').naturalWidth + ',' + document.getElementById('b').naturalWidth"),
              "0,0");
}

TEST_F(BrowserHostTest, ThePageNeverLeavesTheProgramsOwnContent) {
    EXPECT_FALSE(browser->Navigate("https://example.com/"));
    EXPECT_FALSE(browser->Navigate("file:///etc/hostname"));

    // Two places a link could lead to that would show a page: a web server on this machine and
    // the page of another browser of the program.
    const std::string foreignPage = "<html><body><p id='other'>fremd</p></body></html>";
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, foreignPage] {
            socket->readAll();
            socket->write(("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n" +
                           foreignPage).c_str());
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    });
    WebHost::Browser other;
    other.LoadPage(foreignPage);
    ASSERT_TRUE(other.WaitForLoad(testsupport::Scaled(15000)));
    EXPECT_FALSE(browser->Navigate(other.PageUrl()));

    const std::string web = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/";
    for (const std::string& away : {web, other.PageUrl().toStdString()}) {
        Load("<html><body><a id='away' href='" + away + "'>weg</a><p id='here'>hier</p></body></html>");
        const std::string own = browser->View()->url().toString().toStdString();
        Eval("document.getElementById('away').click(); 0");
        // Give the navigation time to happen, were it allowed.
        WaitFor([] { return false; }, 500);
        EXPECT_EQ(Eval("document.getElementById('here') ? 'here' : 'gone'"), "here") << away;
        EXPECT_EQ(browser->View()->url().toString().toStdString(), own) << away;
    }
}

TEST_F(BrowserHostTest, AboutBlankHasNoAutomationObject) {
    ASSERT_TRUE(browser->Navigate("about:blank"));
    ASSERT_TRUE(browser->WaitForLoad(testsupport::Scaled(15000)));
    EXPECT_FALSE(browser->Busy());
    EXPECT_EQ(Eval("typeof (window.external && window.external.BackClicked)"), "undefined");
}

TEST_F(BrowserHostTest, ScriptErrorsOfThePageAreKept) {
    Load("<html><head><script>undefinedFunction();</script></head><body></body></html>");
    ASSERT_EQ(browser->ScriptErrors().size(), 1u);
    EXPECT_NE(browser->ScriptErrors()[0].find("undefinedFunction"), std::string::npos);
    Load("<html><body>ok</body></html>");
    EXPECT_TRUE(browser->ScriptErrors().empty());
}

TEST_F(BrowserHostTest, NoScrollBarsEvenWhenThePageIsLarger) {
    Load("<!DOCTYPE html><html><body style='margin:0'><div style='width:3000px;height:3000px'>gross</div></body></html>");
    EXPECT_EQ(Eval("String(window.innerWidth - document.documentElement.clientWidth)"), "0");
    EXPECT_EQ(Eval("String(window.innerHeight - document.documentElement.clientHeight)"), "0");
}

TEST_F(BrowserHostTest, TextCannotBeSelected) {
    Load("<html><body><p id='p'>Termin</p></body></html>");
    EXPECT_EQ(Eval("getComputedStyle(document.getElementById('p')).userSelect"), "none");
}

TEST_F(BrowserHostTest, ARightClickCallsTheHookInsteadOfTheBrowserMenu) {
    std::vector<std::pair<int, int>> points;
    browser->onContextMenu = [&](int x, int y) { points.emplace_back(x, y); };
    Load("<html><body style='margin:0'><div style='width:400px;height:300px'>Seite</div></body></html>");
    QWidget* render = browser->View()->focusProxy();
    ASSERT_NE(render, nullptr);
    const QPoint local(40, 30);
    const QPoint global = render->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(render, &press);
    QApplication::sendEvent(render, &release);
    ASSERT_TRUE(WaitFor([&] { return !points.empty(); }, 5000));
    EXPECT_EQ(points.size(), 1u);
    const QPoint expected = browser->View()->mapToGlobal(local);
    EXPECT_EQ(points[0], std::make_pair(expected.x(), expected.y()));
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMenu*>(w) && w->isVisible()) << "the browser opened a menu of its own";
}

} // namespace
