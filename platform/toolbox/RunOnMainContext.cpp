#include "RunOnMainContext.h"

#include "LMainContext.h"

void RunOnMainContext(std::function<void()> inCall)
{
    LMainContext::Get().Enqueue(std::move(inCall));
}
