// Control data accessors: small free functions over the window layer's tagged control data
// (GetControlData / SetControlData), one call each, for the tags the program uses. Strings are
// length-prefixed (a length byte and at most 255 bytes, UTF-8; a longer text is cut on a
// character boundary). Every function answers -50 (paramErr) without touching anything for a
// null control, and the null-guarded ones also for a null out pointer; otherwise the layer's
// own result. "Redraw" draws the control at once, and only after a successful set.
// The list-box accessors answer errDataNotSupported: there is no list-box kind.
// GUI thread and the cooperative threads (same OS thread); no state.
#pragma once

#include "ControlData.h"
#include "UITypes.h"

#include <QString>

OSErr GetControlTextPString(ControlRef inControl, Str255 outText);
OSErr SetControlTextPString(ControlRef inControl, ConstStr255Param inText, Boolean inRedraw);
QString GetControlCFString(ControlRef inControl); // a null string when the control is null or the call fails
OSErr SetControlCFString(ControlRef inControl, const QString& inText, Boolean inRedraw);
OSErr GetControlPasswordPString(ControlRef inControl, Str255 outText);
OSErr SetControlPasswordPString(ControlRef inControl, ConstStr255Param inText, Boolean inRedraw);
OSErr SetControlKeyFilter(ControlRef inControl, ControlKeyFilterProcPtr inFilter);
OSErr SetControlSelection(ControlRef inControl, SInt16 inStart, SInt16 inEnd); // redraws on success
OSErr GetControlSelection(ControlRef inControl, SInt16* outStart, SInt16* outEnd);
OSErr GetControlTextHeight(ControlRef inControl, SInt16* outHeight);
// True makes a progress bar determinate, false indeterminate.
OSErr SetControlDeterminate(ControlRef inControl, Boolean inDeterminate);
OSErr GetControlListHandle(ControlRef inControl, Handle* outList);
OSErr GetControlListByte(ControlRef inControl, UInt8* outByte);
OSErr GetControlListFlag(ControlRef inControl, Boolean* outFlag); // the opposite of the byte
OSErr SetControlPushButtonDefault(ControlRef inControl, Boolean inDefault);
OSErr SetControlIconTransform(ControlRef inControl, SInt16 inTransform);
OSErr SetControlIconAlignment(ControlRef inControl, SInt16 inAlignment);
OSErr SetControlDate(ControlRef inControl, const LongDateRec& inDate);
OSErr GetControlDate(ControlRef inControl, LongDateRec* outDate);

// The text without its control characters (Unicode categories Cc and Cf). A text that has none
// comes back as the very same string (shared, not copied).
QString StringByRemovingControlCharacters(const QString& inText);
