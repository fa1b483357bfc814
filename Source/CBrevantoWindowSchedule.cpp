// Scheduled sending: the schedule timer with its animated icon, the check that starts a due
// mailing, and the repeat measured from the end of a mailing. Times are the program's 64-bit
// local seconds since 1904 (Clock::Now); repeats are computed in 64 bits, so no count or date
// overflows.
#include "CBrevantoWindow.h"

#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "Clock.h"
#include "ControlDataAccessors.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"
#include "LEventLoopTimer.h"
#include "MacDates.h"
#include "SheetController.h"

#include <QLabel>

namespace {

constexpr SInt32 kScheduleFrames = 8;
constexpr SInt64 kMaximumScheduleField = 32767;
constexpr const char* kScheduleIconName = "ScheduleIcon";

int gNextScheduleFrame = 0;

void LogLine(const char* inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText);
}

QDateTime LocalDateTimeOf(SInt64 inLongDateTime)
{
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(inLongDateTime - kMacEpochOffset, Qt::UTC);
    return QDateTime(wall.date(), wall.time());
}

// Seconds per repeat unit: 1 seconds, 2 minutes, 3 hours, 4 days, 5 weeks; 0 for no unit.
SInt64 SecondsPerUnit(SInt32 inUnit)
{
    constexpr SInt64 kSeconds[] = {1, 60, 3600, 86400, 604800};
    return inUnit >= 1 && inUnit <= 5 ? kSeconds[inUnit - 1] : 0;
}

// The icon of the schedule's animation, laid over a caption's left end.
void ShowIconFrame(QWidget* inCaption, const QRect& inBounds, SInt32 inFrame)
{
    if (!inCaption || !inCaption->parentWidget())
        return;
    QWidget* parent = inCaption->parentWidget();
    auto* icon = parent->findChild<QLabel*>(QLatin1String(kScheduleIconName), Qt::FindDirectChildrenOnly);
    if (!icon) {
        icon = new QLabel(parent);
        icon->setObjectName(QLatin1String(kScheduleIconName));
    }
    const int side = std::max(1, inBounds.height());
    icon->setGeometry(inBounds.left() - side - 2, inBounds.top(), side, side);
    icon->setProperty("frame", inFrame < kScheduleFrames ? inFrame : -1);
    if (inFrame >= kScheduleFrames) {
        icon->clear();
        icon->hide();
        return;
    }
    icon->setPixmap(ScheduleFrameIcon(inFrame).pixmap(side, side));
    icon->show();
}

} // namespace

double CBrevantoWindow::sScheduleIntervalSeconds = 0.2;

Boolean CBrevantoWindow::ShowSchedule()
{
    if (mScheduleTimer) {
        RemoveEventLoopTimer(mScheduleTimer);
        mScheduleTimer = nullptr;
    }
    if (mScheduledTime == 0)
        return false;
    const QDateTime when = LocalDateTimeOf(mScheduledTime);
    SetScheduleDateControls(mScheduledTime);
    const QString label = AbbreviatedDateText(when.date()) + "," + TimeTextWithSeconds(when.time());
    const ControlRole captions[] = {ControlRole::ScheduleTimeCaption, ControlRole::ProgressScheduleCaption};
    if (mScheduledTime <= Clock::Now()) {
        DisableControl(Control(ControlRole::UnscheduleButton));
        for (ControlRole role : captions)
            HideControl(Control(role));
        ShowControl(Control(ControlRole::StatusCaption));
        return false;
    }
    EnableControl(Control(ControlRole::UnscheduleButton));
    InstallEventLoopTimer(0, sScheduleIntervalSeconds, &CBrevantoWindow::ScheduleTimerTick, this, &mScheduleTimer);
    if (GetControl32BitValue(Control(ControlRole::WakeCheckBox)) == 1 &&
        !ScheduleWake(mScheduledTime, UInt32(std::clamp<SInt64>(mWakeBeforeSeconds, 0, kMaximumScheduleField))))
        LogLine("Waking the computer before the scheduled mailing is not available.");
    for (ControlRole role : captions) {
        SetControlTitleWithCFString(Control(role), label);
        ShowControl(Control(role));
    }
    HideControl(Control(ControlRole::StatusCaption));
    return true;
}

void CBrevantoWindow::ScheduleTimerTick(EventLoopTimerRef, void* inWindow)
{
    auto* window = static_cast<CBrevantoWindow*>(inWindow);
    if (window->CheckSchedule())
        return;
    window->DrawScheduleIcon(gNextScheduleFrame % kScheduleFrames);
    ++gNextScheduleFrame;
}

// A time equal to this second is not yet due; a window already sending or previewing waits.
Boolean CBrevantoWindow::CheckSchedule()
{
    if (mScheduledTime == 0 || mScheduledTime >= Clock::Now() || IsSending() || mPreviewing)
        return false;
    HideProgressSheets(false);
    DisableControl(Control(ControlRole::UnscheduleButton));
    if (GetControl32BitValue(Control(ControlRole::RepeatCheckBox)) != 1)
        mScheduledTime = 0;
    DrawScheduleIcon(255);
    if (mScheduleTimer)
        SetEventLoopTimerNextFireTime(mScheduleTimer, kEventDurationForever);
    mStartedBySchedule = 1;
    StartSending();
    if (!IsSending())
        mStartedBySchedule = 0;
    HideControl(Control(ControlRole::ScheduleTimeCaption));
    HideControl(Control(ControlRole::ProgressScheduleCaption));
    ShowControl(Control(ControlRole::StatusCaption));
    return true;
}

// The next run is measured from now (the end of this mailing), not from the last due time.
Boolean CBrevantoWindow::RearmRepeatSchedule()
{
    if (mScheduledTime == 0 || GetControl32BitValue(Control(ControlRole::RepeatCheckBox)) != 1)
        return false;
    ReadScheduleControls();
    const SInt64 count = std::clamp<SInt64>(mRepeatCount, 0, kMaximumScheduleField);
    const SInt64 interval = count * SecondsPerUnit(mRepeatUnit);
    if (interval <= 0)
        return false;
    mScheduledTime = Clock::Now() + interval;
    return ShowSchedule();
}

void CBrevantoWindow::ShowScheduleSheet()
{
    if (mScheduleTimer) {
        RemoveEventLoopTimer(mScheduleTimer);
        mScheduleTimer = nullptr;
    }
    if (WindowRef recipients = Window(ENibWindow::recipients); recipients && SheetController::IsSheetShown(recipients))
        SheetController::HideSheetWindow(recipients);
    if (WindowRef sheet = Window(ENibWindow::schedule))
        SheetController::ShowSheetWindow(sheet, GetMainWindow());
}

void CBrevantoWindow::DrawScheduleIcon(SInt32 inFrame)
{
    ShowIconFrame(Control(ControlRole::ScheduleTimeCaption), mMainScheduleIconBounds, inFrame);
    ShowIconFrame(Control(ControlRole::ProgressScheduleCaption), mProgressScheduleIconBounds, inFrame);
}
