// LPeriodical: an object given time by the application's loop. Idlers run on passes that
// delivered no event; repeaters run on every pass. Starting or stopping one (itself or another)
// during a call is safe: a stopped one is not called again, a started one is called from the
// next pass on. An exception from SpendTime is reported and the others still run.
// GUI thread only.
#pragma once

#include "Events.h"

#include <vector>

class LPeriodical {
public:
    LPeriodical();
    virtual ~LPeriodical();
    LPeriodical(const LPeriodical&) = delete;
    LPeriodical& operator=(const LPeriodical&) = delete;

    virtual void SpendTime(const EventRecord& inEvent) = 0;

    void StartIdling();
    void StopIdling();
    Boolean IsIdling() const;
    void StartRepeating();
    void StopRepeating();
    Boolean IsRepeating() const;

    // Called by the application's loop.
    static void DevoteTimeToIdlers(const EventRecord& inEvent);
    static void DevoteTimeToRepeaters(const EventRecord& inEvent);

private:
    // A queue of periodicals; entries stopped during a walk become null until it ends.
    struct Queue {
        std::vector<LPeriodical*> members;
        int walkDepth = 0;
        void Add(LPeriodical* inPeriodical);
        void Remove(LPeriodical* inPeriodical);
        bool Contains(const LPeriodical* inPeriodical) const;
        void Devote(const EventRecord& inEvent);
    };
    static Queue sIdlers;
    static Queue sRepeaters;
};
