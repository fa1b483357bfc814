// Pacing from the throttle preferences.
#include "ThrottleSettings.h"

#include "PreferenceGetters.h"
#include "Preferences.h"

#include <gtest/gtest.h>

TEST(ThrottleSettings, ReadsTypeDelayAndBatchFromThePreferences)
{
    const char* keys[] = {kThrottleTypeKey, kThrottlePeriodDelayKey, kThrottleMessageNumberKey,
                          kThrottleTimeUnitKey, kThrottleBatchSizeKey};
    const struct {
        const char* values[5]; // type, period delay, message number, unit, batch size; null: missing
        const char* typeName;
        SInt32 delay;
        bool batch;
        SInt32 size;
    } cases[] = {
        {{nullptr, nullptr, nullptr, nullptr, nullptr}, "Period delay", 0, false, 25},
        {{"1", "3", nullptr, nullptr, nullptr}, "Period delay", 30, false, 25},
        {{"2", "3", "12", "1", nullptr}, "Frequency", 5, false, 25},
        {{"2", nullptr, "0", "3", nullptr}, "Frequency", 7200, false, 25},
        {{"2", nullptr, nullptr, "9", nullptr}, "Frequency", 5, false, 25},
        {{"3", "1", nullptr, nullptr, "100"}, "Batch", 10, true, 100},
        {{"3", nullptr, nullptr, nullptr, "0"}, "Batch", 0, true, 25},
        {{"7", "5", nullptr, nullptr, "10"}, "Batch", 0, true, 25},
    };
    for (const auto& one : cases) {
        for (int i = 0; i < 5; ++i)
            SetPreference(one.values[i], CString256(keys[i]));
        const ThrottleSettings settings = ThrottleSettings::Read();
        const std::string label = std::string(one.values[0] ? one.values[0] : "-") + "/" + one.typeName;
        EXPECT_EQ(settings.typeName, one.typeName) << label;
        EXPECT_EQ(settings.delaySeconds, one.delay) << label;
        EXPECT_EQ(settings.batchMode, one.batch) << label;
        if (one.batch) {
            EXPECT_EQ(settings.batchSize, one.size) << label;
        }
    }
    for (const char* key : keys)
        SetPreference(nullptr, CString256(key));
}
