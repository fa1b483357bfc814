#include "DataBrowserColumns.h"

#include "DataBrowser.h"

#include <QStyle>

#include <numeric>

std::vector<int> FitColumnWidths(const std::vector<ColumnFit>& inColumns, int inRoom)
{
    std::vector<int> widths;
    for (const ColumnFit& column : inColumns)
        widths.push_back(column.width);
    int sum = std::accumulate(widths.begin(), widths.end(), 0);
    const int step = sum > inRoom ? -1 : 1;
    bool moved = true;
    while (sum != inRoom && moved) {
        moved = false;
        for (size_t index = 0; index < widths.size() && sum != inRoom; ++index) {
            const bool canMove = step < 0 ? widths[index] > inColumns[index].minimum
                                          : widths[index] < inColumns[index].maximum;
            if (!canMove)
                continue;
            widths[index] += step;
            sum += step;
            moved = true;
        }
    }
    return widths;
}

void FitDataBrowserColumns(DataBrowser* inList)
{
    if (!inList)
        return;
    const std::vector<DataBrowserPropertyID> order = inList->ColumnOrder();
    std::vector<ColumnFit> columns;
    for (DataBrowserPropertyID property : order) {
        const DataBrowserColumn* column = inList->Model()->Column(property);
        ColumnFit fit;
        inList->GetColumnWidth(property, &fit.width);
        fit.minimum = column->minimumWidth;
        fit.maximum = std::max(column->minimumWidth, column->maximumWidth);
        columns.push_back(fit);
    }
    const int room = inList->width() - 2 * inList->frameWidth() -
                     inList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, inList);
    const std::vector<int> widths = FitColumnWidths(columns, room);
    for (size_t index = 0; index < order.size(); ++index)
        inList->SetColumnWidth(order[index], widths[index]);
}
