// Drag tests: no drop is ever known to land in the trash; the option key at either end counts.
#include "UDragAndDropUtils.h"

#include <gtest/gtest.h>

TEST(UDragAndDropUtilsTest, DropsAreNeverInTheTrashAndOptionCountsAtEitherEnd)
{
    EXPECT_FALSE(UDragAndDropUtils::DroppedInTrash());
    EXPECT_TRUE(OptionKeyDownInDrag(Qt::AltModifier, Qt::NoModifier));
    EXPECT_TRUE(OptionKeyDownInDrag(Qt::NoModifier, Qt::AltModifier | Qt::ShiftModifier));
    EXPECT_FALSE(OptionKeyDownInDrag(Qt::ShiftModifier, Qt::ControlModifier));
    EXPECT_FALSE(DragInsideSenderWindow(nullptr, nullptr));
}
