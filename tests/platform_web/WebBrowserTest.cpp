// The browser control as the main window uses it: on a form, filled from memory, with its menu.
#include "WebBrowser.h"

#include "Forms.h"
#include "Menus.h"
#include "SysUtils.h"
#include "WebTestSupport.h"

#include <QMouseEvent>
#include <QWebEngineView>

#include <thread>

using webtest::RecordingTarget;
using webtest::WaitFor;

namespace {

class RecordingPopupMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<TPoint> shownAt;
    void Popup(int X, int Y) override { shownAt.emplace_back(X, Y); }
};

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        webtest::EnsureApplication();
        form = new TForm(nullptr);
        form->SetBorderStyle(bsNone);
        form->SetBounds(10, 10, 420, 320);
        browser = new TWebBrowser(form);
        browser->SetParent(form);
        browser->SetAlign(alClient);
        browser->SetExternal(target.Object());
        form->Show();
    }
    void TearDown() override { delete form; }

    QWebEngineView* View() const {
        return Vcl::Detail::HandleWidget(browser)->findChild<QWebEngineView*>();
    }
    void Load(const std::string& html) {
        browser->LoadFromString(html);
        ASSERT_TRUE(browser->WaitForDocument(testsupport::Scaled(15000)));
    }
    void RightClick(const QPoint& local) {
        QWidget* render = View()->focusProxy();
        ASSERT_NE(render, nullptr);
        const QPoint global = render->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(render, &press);
        QApplication::sendEvent(render, &release);
    }

    RecordingTarget target;
    TForm* form = nullptr;
    TWebBrowser* browser = nullptr;
};

TEST_F(WebBrowserTest, ThePageFillsTheControlWithoutABorder) {
    Load("<html><body>x</body></html>");
    ASSERT_NE(View(), nullptr);
    EXPECT_EQ(browser->ClientWidth(), 420);
    EXPECT_EQ(browser->ClientHeight(), 320);
    WaitFor([&] { return View()->width() == 420; }, 2000);
    EXPECT_EQ(View()->geometry(), QRect(0, 0, 420, 320));
    form->SetBounds(10, 10, 300, 500);
    WaitFor([&] { return View()->height() == 500; }, 2000);
    EXPECT_EQ(View()->geometry(), QRect(0, 0, 300, 500));
    EXPECT_EQ(browser->EvaluateScript("window.innerWidth + 'x' + window.innerHeight"), "300x500");
}

TEST_F(WebBrowserTest, StartsOnAboutBlankAsTheMainWindowWaitsForIt) {
    ASSERT_TRUE(browser->Navigate("about:blank"));
    EXPECT_TRUE(browser->Busy());
    // The main window's way: process messages while the browser is busy.
    for (int i = 0; i < testsupport::Scaled(300) && browser->Busy(); ++i) {
        Application->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(browser->Busy());
    EXPECT_EQ(browser->LocationURL(), "about:blank");
    EXPECT_FALSE(browser->Navigate("http://127.0.0.1/"));
}

TEST_F(WebBrowserTest, LoadsAStreamFromItsBeginningAndNothingWithoutOne) {
    int completed = 0;
    browser->OnDocumentComplete = [&](TObject* sender) {
        EXPECT_EQ(sender, browser);
        ++completed;
    };
    TMemoryStream stream;
    const std::string page = "<html><body><p id='p'>Woche 10</p></body></html>";
    stream.WriteBuffer(page.data(), static_cast<std::int64_t>(page.size()));
    ASSERT_EQ(stream.Position(), static_cast<std::int64_t>(page.size()));
    browser->LoadFromStream(&stream);
    ASSERT_TRUE(browser->WaitForDocument(testsupport::Scaled(15000)));
    EXPECT_EQ(browser->EvaluateScript("document.getElementById('p').textContent"), "Woche 10");
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(browser->LocationURL().rfind("zorbelin://", 0), 0u);

    browser->LoadFromStream(nullptr);
    EXPECT_FALSE(browser->Busy());
    EXPECT_EQ(browser->EvaluateScript("document.getElementById('p').textContent"), "Woche 10");
    EXPECT_EQ(completed, 1);
}

TEST_F(WebBrowserTest, ADayLinkOfThePageOpensTheDayThroughTheTarget) {
    Load("<html><head><script>function OpenDay(d) { window.external.ZBNOpenDate = d; }</script></head>"
         "<body><span id=\"header_day\"><a class=\"Item\"  language=\"VBScript\" "
         "OnClick=\"OpenDay('05.03.2007')\">5.</a></span>"
         "<a id='back' onclick='window.external.BackClicked()'>&lt;</a></body></html>");
    browser->EvaluateScript("document.querySelector('#header_day a').click();"
                            "document.getElementById('back').click(); 0");
    ASSERT_TRUE(WaitFor([&] { return target.calls.size() >= 2; }));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"ZBNOpenDate=05.03.2007", "BackClicked"}));
    EXPECT_TRUE(browser->ScriptErrors().empty());

    // Without a target the page's calls go nowhere, and nothing fails.
    browser->SetExternal({});
    browser->EvaluateScript("document.getElementById('back').click(); 0");
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(target.calls.size(), 2u);
    EXPECT_TRUE(browser->ScriptErrors().empty());
}

TEST_F(WebBrowserTest, LocalFilesComeFromTheProgramFolderUnlessSetOtherwise) {
    EXPECT_EQ(browser->LocalFolder(), SysUtils::ProgramFolder());
    browser->SetLocalFolder("");
    EXPECT_EQ(browser->LocalFolder(), "");
}

TEST_F(WebBrowserTest, ARightClickShowsTheProgramsMenuAtTheMouse) {
    Load("<html><body style='margin:0'><div style='width:420px;height:320px'>Seite</div></body></html>");
    auto* menu = new RecordingPopupMenu(form);
    browser->SetPopupMenu(menu);
    RightClick(QPoint(25, 35));
    ASSERT_TRUE(WaitFor([&] { return !menu->shownAt.empty(); }, 5000));
    const TPoint expected = browser->ClientToScreen(TPoint(25, 35));
    EXPECT_EQ(menu->shownAt.size(), 1u);
    EXPECT_EQ(menu->shownAt[0], expected);

    // A handler of the program takes the place of the menu.
    std::vector<TPoint> hooked;
    browser->OnShowContextMenu = [&](TObject* sender, const TPoint& at) {
        EXPECT_EQ(sender, browser);
        hooked.push_back(at);
    };
    RightClick(QPoint(60, 70));
    ASSERT_TRUE(WaitFor([&] { return !hooked.empty(); }, 5000));
    EXPECT_EQ(hooked[0], browser->ClientToScreen(TPoint(60, 70)));
    EXPECT_EQ(menu->shownAt.size(), 1u);
}

TEST_F(WebBrowserTest, AFailingMenuHandlerReachesTheApplication) {
    Load("<html><body style='margin:0'><div style='width:420px;height:320px'>Seite</div></body></html>");
    std::vector<std::string> reported;
    Application->OnException = [&](TObject*, SysUtils::Exception* e) { reported.push_back(e->Message); };
    browser->OnShowContextMenu = [](TObject*, const TPoint&) { throw SysUtils::Exception("kein Menü"); };
    RightClick(QPoint(10, 10));
    const bool arrived = WaitFor([&] { return !reported.empty(); }, 5000);
    Application->OnException = nullptr;
    ASSERT_TRUE(arrived);
    EXPECT_EQ(reported[0], "kein Menü");
}

} // namespace

namespace {

// The main window builds its first page before it shows itself.
TEST(WebBrowserHidden, LoadsAndAnswersBeforeTheFormIsShown) {
    webtest::EnsureApplication();
    RecordingTarget target;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* browser = new TWebBrowser(form.get());
    browser->SetParent(form.get());
    browser->SetAlign(alClient);
    browser->SetExternal(target.Object());
    ASSERT_FALSE(browser->Showing());
    ASSERT_TRUE(browser->Navigate("about:blank"));
    ASSERT_TRUE(browser->WaitForDocument(testsupport::Scaled(15000)));
    browser->LoadFromString("<html><head><script>window.external.HomeClicked()</script></head>"
                            "<body><p id='p'>erste Seite</p></body></html>");
    ASSERT_TRUE(browser->WaitForDocument(testsupport::Scaled(15000)));
    EXPECT_EQ(browser->EvaluateScript("document.getElementById('p').textContent"), "erste Seite");
    ASSERT_TRUE(WaitFor([&] { return !target.calls.empty(); }));
    EXPECT_EQ(target.calls, std::vector<std::string>{"HomeClicked"});
}

} // namespace
