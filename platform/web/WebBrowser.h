#pragma once
// The browser control: shows the program's pages, loaded from memory, inside a window of the
// visual library. The page's window.external holds the members the program registered.
#include <functional>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Controls.h"
#include "ScriptObject.h"

namespace WebHost { class Browser; }

// A right click on the page: the program shows its own menu at the screen position. Without a
// handler the control's PopupMenu opens there.
using TBrowserContextMenuEvent = std::function<void(TObject* Sender, const TPoint& ScreenPos)>;

class TWebBrowser : public TWinControl {
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // The scheme the program's pages are served under ("scheme://..."), named by the program at start
    // before the application object exists; until then no page can be shown. Only the first call counts.
    static void SetScheme(const AnsiString& Scheme);

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

    // The members of window.external, by name; an empty object stops the calls. Pages loaded
    // from now on declare these members; the current page's calls reach them by name.
    void SetExternal(TScriptObject External);
    const TScriptObject& External() const;

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
