#include "LPeriodical.h"

#include "LExceptionReporter.h"

#include <algorithm>

LPeriodical::Queue LPeriodical::sIdlers;
LPeriodical::Queue LPeriodical::sRepeaters;

LPeriodical::LPeriodical() = default;

LPeriodical::~LPeriodical()
{
    StopIdling();
    StopRepeating();
}

void LPeriodical::StartIdling() { sIdlers.Add(this); }
void LPeriodical::StopIdling() { sIdlers.Remove(this); }
Boolean LPeriodical::IsIdling() const { return sIdlers.Contains(this); }
void LPeriodical::StartRepeating() { sRepeaters.Add(this); }
void LPeriodical::StopRepeating() { sRepeaters.Remove(this); }
Boolean LPeriodical::IsRepeating() const { return sRepeaters.Contains(this); }

void LPeriodical::DevoteTimeToIdlers(const EventRecord& inEvent) { sIdlers.Devote(inEvent); }
void LPeriodical::DevoteTimeToRepeaters(const EventRecord& inEvent) { sRepeaters.Devote(inEvent); }

void LPeriodical::Queue::Add(LPeriodical* inPeriodical)
{
    if (!Contains(inPeriodical))
        members.push_back(inPeriodical);
}

void LPeriodical::Queue::Remove(LPeriodical* inPeriodical)
{
    auto found = std::find(members.begin(), members.end(), inPeriodical);
    if (found == members.end())
        return;
    if (walkDepth > 0)
        *found = nullptr;
    else
        members.erase(found);
}

bool LPeriodical::Queue::Contains(const LPeriodical* inPeriodical) const
{
    return std::find(members.begin(), members.end(), inPeriodical) != members.end();
}

void LPeriodical::Queue::Devote(const EventRecord& inEvent)
{
    ++walkDepth;
    const size_t count = members.size();
    for (size_t i = 0; i < count; ++i) {
        LPeriodical* periodical = members[i];
        if (!periodical)
            continue;
        try {
            periodical->SpendTime(inEvent);
        } catch (...) {
            LExceptionReporter::ReportCurrent("periodical");
        }
    }
    if (--walkDepth == 0)
        std::erase(members, nullptr);
}
