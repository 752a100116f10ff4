// The browser engine's own floor: an empty page in the program's engine set-up and window size, with
// the program's start-up trace. bench/startup runs it beside the program.
#include <QApplication>
#include <QWebEngineView>
#include <QWidget>

#include "BrowserHost.h"
#include "Trace.h"

int main(int argc, char** argv) {
    // Named as the program names them, so the page and the trace read the same.
    WebHost::RegisterScheme("zorbelin");
    Trace::Setup("ZORBELIN_TRACE", "tarvolin trace");
    QApplication app(argc, argv);
    Trace::Step("Qt ready");
    QWidget window;
    window.resize(290, 960);
    WebHost::Browser browser(&window);
    browser.View()->resize(window.size());
    window.show();
    browser.LoadPage("<html><body></body></html>");
    return app.exec();
}
