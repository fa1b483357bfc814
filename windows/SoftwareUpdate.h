// Software update: asks the maker's site whether a newer version exists and downloads it.
// GUI thread only.
#pragma once

// 1 up to date, 2 an update is available, 3 the check failed. Not silent: each result shows
// its window; silent: only an available update does.
short CheckForUpdates(bool inSilent);
