// The scheme a program names for its pages, before the application object exists.
#include "WebBrowser.h"

namespace {
const bool named = (TWebBrowser::SetScheme("zorbelin"), true);
} // namespace
