#include "SoftwareUpdate.h"

short CheckForUpdates(bool) { return 3; }
