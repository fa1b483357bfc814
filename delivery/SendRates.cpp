#include "SendRates.h"

#include "CText.h"
#include "DatesAndTimes.h"

#include <QLocale>

#include <numeric>

void SendRates::AddMessage(double inSeconds, SInt32 inDone, SInt32 inTotal, SInt32 inDelaySeconds)
{
    mStamps.push_back(inSeconds);
    const double sum = std::accumulate(mStamps.begin(), mStamps.end(), 0.0);
    mMean = sum / double(mStamps.size());
    const size_t recentCount = std::min<size_t>(10, mStamps.size());
    mRecent = std::accumulate(mStamps.end() - long(recentCount), mStamps.end(), 0.0) / double(recentCount);
    const SInt32 remaining = inTotal - inDone;
    const double projected = inDone > 0 ? double(inTotal) / double(inDone) * sum - sum : 0;
    mRemaining = double(inDelaySeconds) * remaining + projected;
}

void SendRates::AddBatchMessage(double inSeconds, SInt32 inDone, SInt32 inTotal, SInt32 inDelaySeconds,
                                SInt32 inBatchSize)
{
    if (inDone < 1)
        return;
    mMean = (mMean * (inDone - 1) + inSeconds) / inDone;
    mRecent = mMean;
    const SInt32 left = inTotal - inDone;
    mRemaining = mMean * left;
    if (inDelaySeconds > 0 && inBatchSize > 0)
        mRemaining += double(inDelaySeconds) * double(left / inBatchSize);
}

QString SendRates::Text() const
{
    if (mRecent <= 0)
        return QString();
    QString text = QLocale::system().toString(mRecent, 'g', 6) + " secs/msg";
    if (mRemaining >= 1) {
        CText duration;
        FormatDuration(UInt32(mRemaining), duration);
        text += " (" + QString::fromUtf8(duration.buffer, duration.length) + "remaining)";
    }
    return text;
}
