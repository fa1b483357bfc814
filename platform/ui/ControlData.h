// ControlData: the toolbox's tagged control data, the one door through which the control
// accessors read and write what a control holds. Tags served (part code 0 only):
//   'text' edit text as UTF-8 bytes (get: copies at most the buffer and reports the full size)
//   'cfst' the text as a QString object (size sizeof(QString))
//   'pass' password: get gives UTF-16 code units, set takes UTF-8 bytes
//   'fltr' a key filter (ControlKeyFilterProcPtr) on a text field
//   'sele' selection, two SInt16; 'thei' line height, SInt16
//   'inde' progress indeterminate, Boolean; 'dflt' default push button, Boolean
//   'trfm', 'algn' icon transform and alignment, SInt16 (kept; Qt draws icons its own way)
//   'date' a LongDateRec, for date and time controls
// A control may have a tag handler of its own (SetControlDataHandler): it is asked first and
// its answer stands, for every tag.
// 'lhan' (list boxes) is never served: there is no list-box kind. A tag the control's kind does
// not hold answers errDataNotSupported, a wrong size errDataSizeMismatch, a null control or
// buffer paramErr. GUI thread only.
#pragma once

#include "UITypes.h"

#include <functional>

class QDateTime;

using ControlPartCode = SInt16;

// The key filter's verdict and its procedure: it sees the character of each key typed into the
// field (Return 13, Backspace 8, arrows 28-31, otherwise the character) and passes or blocks it.
// Keys with Ctrl (shortcuts) and Tab (focus) never reach it.
enum ControlKeyFilterResult : SInt16 { kControlKeyFilterBlockKey = 0, kControlKeyFilterPassKey = 1 };
using ControlKeyFilterProcPtr = ControlKeyFilterResult (*)(ControlRef inControl, SInt16* ioKeyCode,
                                                          SInt16* ioCharCode, UInt16* ioModifiers);

struct LongDateRec {
    SInt16 era = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    SInt16 dayOfWeek = 0, dayOfYear = 0, weekOfYear = 0, pm = 0, res1 = 0, res2 = 0, res3 = 0;
};
static_assert(sizeof(LongDateRec) == 28);

// The date and time of a QDateTime as the fields show them (day of week: Sunday is 1).
LongDateRec DateRecOf(const QDateTime& inTime);

struct ControlEditTextSelectionRec {
    SInt16 selStart = 0;
    SInt16 selEnd = 0;
};

// A control's own tag handler: Get fills the buffer and the actual size, Set takes the data;
// each answers the result code (for a tag it does not know, whatever the control says then).
struct ControlDataHandler {
    std::function<OSErr(ResType inTag, Size inBufferSize, void* outBuffer, Size* outActualSize)> get;
    std::function<OSErr(ResType inTag, Size inSize, const void* inData)> set;
};
// Installs the handler for the control's life; an empty handler removes it.
void SetControlDataHandler(ControlRef inControl, ControlDataHandler inHandler);

OSErr GetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTag, Size inBufferSize,
                     void* outBuffer, Size* outActualSize);
OSErr SetControlData(ControlRef inControl, ControlPartCode inPart, ResType inTag, Size inSize,
                     const void* inData);
OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTag, Size* outSize);
