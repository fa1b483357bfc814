// Helpers shared by the toolbox tests: the Qt application, a thread made of a lambda, and a
// reporter that collects what the loop reports instead of printing it.
#pragma once

#include "LExceptionReporter.h"
#include "LMainContext.h"
#include "LThread.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A cooperative thread running a lambda; counts live instances so tests see deletion.
class LambdaThread : public LThread {
public:
    explicit LambdaThread(std::function<void()> inBody, std::function<void()> inOnDelete = {})
        : mBody(std::move(inBody))
        , mOnDelete(std::move(inOnDelete))
    {
        ++sLive;
    }
    ~LambdaThread() override
    {
        --sLive;
        if (mOnDelete)
            mOnDelete();
    }
    void* Run() override
    {
        mBody();
        return nullptr;
    }
    static inline int sLive = 0;

private:
    std::function<void()> mBody;
    std::function<void()> mOnDelete;
};

inline LambdaThread* StartThread(std::function<void()> inBody, std::function<void()> inOnDelete = {})
{
    auto* thread = new LambdaThread(std::move(inBody), std::move(inOnDelete));
    thread->Resume();
    return thread;
}

// Runs rounds and non-input events on the main context until inDone or two seconds passed.
inline bool RunUntil(const std::function<bool()>& inDone)
{
    return LThread::WaitUntil(inDone, DeadlineAfter(std::chrono::seconds(2)));
}

inline bool AllThreadsEnded()
{
    return RunUntil([] { return LambdaThread::sLive == 0; });
}

// Collects reports while it lives.
class CollectedReports {
public:
    CollectedReports()
    {
        LMainContext::Get();
        mPrevious = LExceptionReporter::Set([this](const std::string& inWhere, const std::string& inWhat) {
            mReports.push_back(inWhere + ": " + inWhat);
        });
    }
    ~CollectedReports() { LExceptionReporter::Set(std::move(mPrevious)); }
    const std::vector<std::string>& Reports() const { return mReports; }

private:
    LExceptionReporter::Reporter mPrevious;
    std::vector<std::string> mReports;
};
