#include "WebBrowser.h"

#include "BrowserHost.h"
#include "SysUtils.h"
#include "VclPrivate.h"
#include "WinApi.h"

#include <QVBoxLayout>
#include <QWebEngineView>

void TWebBrowser::SetScheme(const AnsiString& Scheme) { WebHost::RegisterScheme(Scheme); }

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner) {
    QWidget* window = Vcl::Detail::HandleWidget(this);
    browser_ = std::make_unique<WebHost::Browser>(window);
    // The page fills the control, without a border of its own.
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(browser_->View());
    browser_->SetLocalFolder(SysUtils::ProgramFolder());

    // The browser's own menu never shows: the program's hook, else the control's PopupMenu.
    browser_->onContextMenu = [this](int x, int y) {
        Vcl::Detail::Guarded(this, [&] {
            if (OnShowContextMenu) OnShowContextMenu(this, TPoint(x, y));
            else Perform(WM_CONTEXTMENU, 0, MAKELPARAM(x, y));
        });
    };
    browser_->onLoadFinished = [this](bool ok) {
        if (ok && OnDocumentComplete) Vcl::Detail::Guarded(this, [&] { OnDocumentComplete(this); });
    };
    browser_->onFirstPaint = [this] {
        if (OnFirstPagePainted) Vcl::Detail::Guarded(this, [&] { OnFirstPagePainted(this); });
    };
}

TWebBrowser::~TWebBrowser() {
    // The view and its page go before the window that holds them.
    browser_.reset();
}

bool TWebBrowser::Navigate(const AnsiString& URL) { return browser_->Navigate(QString::fromStdString(URL)); }

void TWebBrowser::LoadFromString(const AnsiString& Html) { browser_->LoadPage(Html); }

void TWebBrowser::LoadFromStream(TStream* Stream) {
    if (!Stream) return;
    Stream->SetPosition(0);
    browser_->LoadPage(Stream->ReadAll());
}

bool TWebBrowser::Busy() const { return browser_->Busy(); }

bool TWebBrowser::WaitForDocument(int TimeoutMs) { return browser_->WaitForLoad(TimeoutMs); }

AnsiString TWebBrowser::LocationURL() const {
    return browser_->View() ? browser_->View()->url().toString().toStdString() : AnsiString();
}

AnsiString TWebBrowser::LocalFolder() const { return browser_->LocalFolder(); }

void TWebBrowser::SetLocalFolder(const AnsiString& Folder) { browser_->SetLocalFolder(Folder); }

void TWebBrowser::SetExternal(TScriptObject External) { browser_->SetExternal(std::move(External)); }

const TScriptObject& TWebBrowser::External() const { return browser_->External(); }

AnsiString TWebBrowser::EvaluateScript(const AnsiString& Script, int TimeoutMs) {
    return browser_->Evaluate(QString::fromStdString(Script), TimeoutMs).toStdString();
}

std::vector<AnsiString> TWebBrowser::ScriptErrors() const { return browser_->ScriptErrors(); }
