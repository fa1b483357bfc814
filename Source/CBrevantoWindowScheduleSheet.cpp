// The schedule sheet: the date and time of a scheduled mailing, its repeat period and the wake
// before it. OK takes the sheet over (a time not later than now unschedules), Cancel puts back
// what the sheet showed when it opened, Unschedule ends the schedule. The timer, its captions and
// the wake request are the schedule's own (ShowSchedule). GUI thread only.
#include "CBrevantoWindow.h"

#include "Clock.h"
#include "ControlDataAccessors.h"
#include "ControlValues.h"
#include "MacDates.h"
#include "SheetController.h"
#include "WindowEvents.h"

#include <QDateTime>

namespace {

constexpr qlonglong kScheduleFieldLimit = 32767;

// The program's schedule times are local wall-clock seconds since 1904.
SInt64 SecondsOf(const LongDateRec& inDate, const LongDateRec& inTime)
{
    const QDateTime wall(QDate(inDate.year, inDate.month, inDate.day), QTime(inTime.hour, inTime.minute, inTime.second),
                         Qt::UTC);
    return wall.isValid() ? UnixToMacSeconds(wall.toSecsSinceEpoch()) : 0;
}

} // namespace

SInt64 CBrevantoWindow::ReadScheduleDateControls() const
{
    LongDateRec date;
    LongDateRec time;
    if (GetControlDate(Control(ControlRole::ScheduleDate), &date) != noErr ||
        GetControlDate(Control(ControlRole::ScheduleTime), &time) != noErr)
        return 0;
    return SecondsOf(date, time);
}

void CBrevantoWindow::SetScheduleDateControls(SInt64 inSeconds)
{
    const LongDateRec rec = DateRecOf(QDateTime::fromSecsSinceEpoch(MacToUnixSeconds(inSeconds), Qt::UTC));
    SetControlDate(Control(ControlRole::ScheduleDate), rec);
    SetControlDate(Control(ControlRole::ScheduleTime), rec);
}

// The text up to the first non-digit, as a number no larger than the field's 32767; the field
// shows what was taken.
SInt32 CBrevantoWindow::ReadScheduleNumberField(ControlRole inRole)
{
    ControlRef field = Control(inRole);
    const QString text = GetControlText(field).trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).isDigit() && text.at(digits).unicode() < 128)
        ++digits;
    bool ok = false;
    const qlonglong value = digits > 0 ? text.left(std::min<qsizetype>(digits, 18)).toLongLong(&ok) : 0;
    const SInt32 capped = SInt32(std::clamp<qlonglong>(ok ? value : (digits > 0 ? kScheduleFieldLimit : 0), 0,
                                                       kScheduleFieldLimit));
    SetControlText(field, QString::number(capped));
    return capped;
}

OSStatus CBrevantoWindow::HandleScheduleSheetEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind == WindowEventKind::showing) {
        // Without a schedule the sheet starts from now rather than from an old date.
        if (mScheduledTime == 0 && ReadScheduleDateControls() < Clock::Now())
            SetScheduleDateControls(Clock::Now());
        mPreviousScheduleTime = ReadScheduleDateControls();
        mScheduleSheetRepeat = GetControl32BitValue(Control(ControlRole::RepeatCheckBox)) == 1;
        mScheduleSheetWake = GetControl32BitValue(Control(ControlRole::WakeCheckBox)) == 1;
        EnableScheduleFields();
        return eventNotHandledErr;
    }
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'Rpte':
    case 'Wake':
        EnableScheduleFields();
        break;
    case 'TUNT':
        mRepeatUnit = SInt16(GetControl32BitValue(Control(ControlRole::RepeatUnitsPopup)));
        break;
    case 'Usch':
        Unschedule();
        break;
    case 'ok  ':
        mScheduledTime = ReadScheduleDateControls();
        if (mScheduledTime <= Clock::Now())
            mScheduledTime = 0;
        mRepeatCount = ReadScheduleNumberField(ControlRole::RepeatCountField);
        mWakeBeforeSeconds = ReadScheduleNumberField(ControlRole::WakeSecondsField);
        mRepeatUnit = SInt16(GetControl32BitValue(Control(ControlRole::RepeatUnitsPopup)));
        CloseScheduleSheet();
        break;
    case 'not!':
        SetScheduleDateControls(mPreviousScheduleTime);
        SetControl32BitValue(Control(ControlRole::RepeatCheckBox), mScheduleSheetRepeat ? 1 : 0);
        SetControl32BitValue(Control(ControlRole::WakeCheckBox), mScheduleSheetWake ? 1 : 0);
        EnableScheduleFields();
        CloseScheduleSheet();
        break;
    default:
        return eventNotHandledErr;
    }
    UpdateModifiedMark();
    return noErr;
}

// The period and units follow the repeat box, the seconds field the wake box.
void CBrevantoWindow::EnableScheduleFields()
{
    const bool repeat = GetControl32BitValue(Control(ControlRole::RepeatCheckBox)) == 1;
    const bool wake = GetControl32BitValue(Control(ControlRole::WakeCheckBox)) == 1;
    for (ControlRole role : {ControlRole::RepeatCountField, ControlRole::RepeatUnitsPopup})
        repeat ? EnableControl(Control(role)) : DisableControl(Control(role));
    wake ? EnableControl(Control(ControlRole::WakeSecondsField)) : DisableControl(Control(ControlRole::WakeSecondsField));
}

// A schedule ahead of now runs its timer and shows its time; otherwise its captions go.
void CBrevantoWindow::CloseScheduleSheet()
{
    if (!IsScheduledLater() || !ShowSchedule())
        ClearScheduleDisplay();
    SheetController::HideSheetWindow(Window(ENibWindow::schedule));
}

void CBrevantoWindow::Unschedule()
{
    mScheduledTime = 0;
    ShowSchedule(); // with no time it only stops the timer
    ClearScheduleDisplay();
    SetScheduleDateControls(Clock::Now());
    SheetController::HideSheetWindow(Window(ENibWindow::schedule));
}

void CBrevantoWindow::ClearScheduleDisplay()
{
    DisableControl(Control(ControlRole::UnscheduleButton));
    for (ControlRole role : {ControlRole::ScheduleTimeCaption, ControlRole::ProgressScheduleCaption}) {
        SetControlTitleWithCFString(Control(role), QString());
        HideControl(Control(role));
    }
    ShowControl(Control(ControlRole::StatusCaption));
    DrawScheduleIcon(255);
}
