#include "BrowserURL.h"

namespace pictavor {

QString GetRunningBrowserURLScript()
{
    return {};
}

QString GetFrontWebPageURL()
{
    // Without a browser's script there is nothing to run, and no script runner to run it.
    return {};
}

} // namespace pictavor
