// SendRates: the seconds each message took and what is left, for the progress sheet's rate
// caption: "<recent mean> secs/msg", then " (<duration> remaining)" when time is left. One
// message per job: every recipient's time is kept; the recent mean is over the last ten, and
// the time left is the remaining delays plus the mean time of the messages still to send.
// Batches: a running mean per recipient. Floating point throughout. One send thread.
#pragma once

#include "MacTypes.h"

#include <QString>

#include <vector>

class SendRates {
public:
    // A recipient took inSeconds (delay excluded); inDone of inTotal are done, the delay between
    // messages is inDelaySeconds.
    void AddMessage(double inSeconds, SInt32 inDone, SInt32 inTotal, SInt32 inDelaySeconds);
    // Batch mode: a recipient inSeconds after its start, with the batch size for the delays.
    void AddBatchMessage(double inSeconds, SInt32 inDone, SInt32 inTotal, SInt32 inDelaySeconds, SInt32 inBatchSize);

    double MeanSeconds() const { return mMean; }
    double RecentSeconds() const { return mRecent; }
    double RemainingSeconds() const { return mRemaining; }
    // The caption's text; empty before any positive rate.
    QString Text() const;

private:
    std::vector<double> mStamps;
    double mMean = 0;
    double mRecent = 0;
    double mRemaining = 0;
};
