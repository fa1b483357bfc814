// DataBrowserColumns: fitting a list's columns to its width. The room is the list's inside width
// less a vertical scroll bar's; the columns take turns, from the first and wrapping around, to
// give up (or take) one pixel while they are above their minimum (below their maximum), until
// they fill the room or none can move. A column is never set outside its limits, so the columns
// may stay wider than the room. GUI thread only.
#pragma once

#include <vector>

class DataBrowser;

struct ColumnFit {
    int width = 0;
    int minimum = 0;
    int maximum = 65535;
};

// The widths after fitting the columns into `inRoom` pixels.
std::vector<int> FitColumnWidths(const std::vector<ColumnFit>& inColumns, int inRoom);
// Fits the list's columns (in view order) and sets their widths.
void FitDataBrowserColumns(DataBrowser* inList);
