#pragma once
// The browser control: shows the program's pages, loaded from memory, inside a window of the
// visual library. The page's window.external reaches the program's automation target.
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"

class IAutomationTarget;
namespace WebHost { class Browser; }

// A right click on the page: the program shows its own menu at the screen position. Without a
// handler the control's PopupMenu opens there.
using TBrowserContextMenuEvent = std::function<void(TObject* Sender, const TPoint& ScreenPos)>;

class TWebBrowser : public TWinControl {
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // Only "about:blank" and the control's own pages can be shown; false for any other address.
    bool Navigate(const AnsiString& URL);
    // Shows the HTML page (UTF-8) held in the string or stream, whatever its size; the bytes are
    // copied and nothing is written to disk. The stream is read from its beginning.
    void LoadFromString(const AnsiString& Html);
    void LoadFromStream(TStream* Stream);
    // True from a navigation or load until its document is complete.
    bool Busy() const;
    // Processes events until the document is complete or the time is up; true when complete.
    bool WaitForDocument(int TimeoutMs);
    AnsiString LocationURL() const;

    // The folder whose files the pages may show (relative to the page, or as file:// addresses).
    // The program folder unless set; an empty folder allows no local file.
    AnsiString LocalFolder() const;
    void SetLocalFolder(const AnsiString& Folder);

    // The object behind window.external; not owned, null to stop the calls.
    void SetAutomationTarget(IAutomationTarget* Target);
    IAutomationTarget* AutomationTarget() const;

    // Runs a script in the page and returns its value as text ("" for none or on time-out).
    AnsiString EvaluateScript(const AnsiString& Script, int TimeoutMs = 5000);
    // The uncaught script errors of the current document.
    std::vector<AnsiString> ScriptErrors() const;

    TBrowserContextMenuEvent OnShowContextMenu;
    TNotifyEvent OnDocumentComplete;
    // Once, when the first page loaded from a string or stream has been painted: what the user
    // sees first is there, and slower work may start.
    TNotifyEvent OnFirstPagePainted;

private:
    std::unique_ptr<WebHost::Browser> browser_;
};
