// Test helper for clients that talk to a peer: runs a body on a cooperative thread while the
// test's main context runs rounds, and hands back what the body raised. Needs the toolbox's
// main context (LMainContext::Get() in the fixture).
// Header-only; include it as "../peers/CooperativeRun.h". Test threads only.
#pragma once

#include "LException.h"
#include "LThread.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <functional>

class CooperativeRun {
public:
    // Runs inBody on a new cooperative thread until it ends; rethrows its failure here.
    static void Run(const std::function<void()>& inBody)
    {
        class BodyThread : public LThread {
        public:
            explicit BodyThread(const std::function<void()>& inBody, std::exception_ptr& outFailure, bool& outDone)
                : mBody(inBody), mFailure(outFailure), mDone(outDone) {}
            void* Run() override
            {
                try {
                    mBody();
                } catch (...) {
                    mFailure = std::current_exception();
                }
                mDone = true;
                return nullptr;
            }

        private:
            const std::function<void()>& mBody;
            std::exception_ptr& mFailure;
            bool& mDone;
        };
        std::exception_ptr failure;
        bool done = false;
        (new BodyThread(inBody, failure, done))->Resume();
        // Every client wait has its own deadline; this one only guards against a broken test.
        if (!LThread::WaitUntil([&] { return done; }, DeadlineAfter(std::chrono::seconds(120))))
            std::abort(); // the thread still uses this frame
        if (failure)
            std::rethrow_exception(failure);
    }

    // The LException code inBody raised; 0 when it raised nothing.
    static SInt32 FailureCode(const std::function<void()>& inBody)
    {
        try {
            inBody();
        } catch (const LException& failure) {
            return failure.GetErrorCode();
        }
        return 0;
    }
};
