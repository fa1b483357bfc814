// Fitting a list's columns to its room: turns from the first column, one pixel each, never past
// a column's limits; and on a real list, the room is its width less a scroll bar.
#include "DataBrowserColumns.h"

#include "DataBrowser.h"
#include "LMainContext.h"

#include <gtest/gtest.h>

#include <QStyle>

TEST(DataBrowserColumnsTest, ColumnsTakeTurnsWithinTheirLimits)
{
    const struct {
        std::vector<ColumnFit> columns;
        int room;
        std::vector<int> expected;
    } cases[] = {
        {{{100, 0, 500}, {100, 0, 500}, {100, 0, 500}}, 300, {100, 100, 100}}, // equal: nothing
        {{{100, 0, 500}, {100, 0, 500}, {100, 0, 500}}, 305, {102, 102, 101}}, // from the first
        {{{100, 0, 500}, {100, 0, 500}, {100, 0, 500}}, 295, {98, 98, 99}},
        {{{100, 0, 102}, {100, 0, 500}}, 220, {102, 118}},                     // the first stops at its maximum
        {{{100, 99, 500}, {100, 0, 500}}, 150, {99, 51}},                      // and at its minimum
        {{{40, 40, 500}, {30, 30, 500}}, 50, {40, 30}},                        // never below: wider than the room
        {{{10, 0, 12}, {10, 0, 12}}, 100, {12, 12}},                           // never past the maximum
        {{}, 100, {}},
    };
    for (const auto& one : cases)
        EXPECT_EQ(FitColumnWidths(one.columns, one.room), one.expected) << one.room;
}

TEST(DataBrowserColumnsTest, AListsColumnsFillItsWidthLessTheScrollBar)
{
    LMainContext::Get(); // makes the Qt application
    DataBrowser list;
    list.SetColumns({{'indx', DataBrowserColumnKind::text, "#"}, {'name', DataBrowserColumnKind::text, "Name"}});
    list.resize(400, 200);
    list.SetColumnWidthLimits('indx', 30, 60);
    list.SetColumnWidth('indx', 40);
    list.SetColumnWidth('name', 100);
    FitDataBrowserColumns(&list);
    int index = 0;
    int name = 0;
    list.GetColumnWidth('indx', &index);
    list.GetColumnWidth('name', &name);
    EXPECT_EQ(index, 60);
    EXPECT_EQ(index + name, 400 - 2 * list.frameWidth() - list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list));
}
