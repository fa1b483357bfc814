// The front browser's page address. Finding it needs running applications known by creator
// code and a scripting bridge to them; this system has neither, so no browser is ever found:
// the script is null and so is the address. Main thread.
#pragma once

#include <QString>

namespace pictavor {

// The script that asks the first running supported browser for its page; null: none found.
QString GetRunningBrowserURLScript();

// The front browser's page address; null when there is none.
QString GetFrontWebPageURL();

} // namespace pictavor
