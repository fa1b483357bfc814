// The output-type table and the quality argument's conversion.
#include "OutputTypes.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputTypesTest, QualityTextGivesTheCodecQuality)
{
    const struct { const char* text; int quality; } cases[] = {
        { "1", 256 }, { "2", 512 }, { "3", 768 }, { "0", 768 }, { "abc", 768 }, { " 2", 512 },
        { "2x", 512 }, { "+1", 256 }, { "-1", 768 }, { "", 768 }, { "99999999999999", 768 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pictavor::CodecQualityPreference(pictavor::IntValue(c.text)), c.quality) << c.text;
    EXPECT_EQ(pictavor::IntValue("99999999999999"), INT_MAX);
    EXPECT_EQ(pictavor::IntValue("-99999999999999"), INT_MIN);
}

TEST(OutputTypesTest, TypeNamesMatchExactly)
{
    EXPECT_EQ(pictavor::GetImageTypeIndex("tif"), 0);
    EXPECT_EQ(pictavor::GetImageTypeIndex("jpg"), 2);
    EXPECT_EQ(pictavor::GetImageTypeIndex("jp2"), 8);
    EXPECT_EQ(pictavor::GetImageTypeIndex("pdf"), 9);
    EXPECT_EQ(pictavor::kImageTypes[8], OSType('jp2 '));
    EXPECT_EQ(pictavor::GetImageTypeIndex("JPG"), 10);
    EXPECT_EQ(pictavor::GetImageTypeIndex("jpeg"), 10);
    EXPECT_EQ(pictavor::GetImageTypeIndex(""), 10);
}

} // namespace
