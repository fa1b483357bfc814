#include "ControlDataAccessors.h"

#include "ControlValues.h"
#include "FileUtilities.h"
#include "MemoryBlocks.h"
#include "TextHelpers.h"

#include <cstring>

namespace {
constexpr Size kPStringCapacity = 255;

// The longest prefix of at most inLimit bytes that ends on a UTF-8 character boundary.
Size CharacterBoundary(const unsigned char* inBytes, Size inLimit)
{
    Size end = inLimit;
    while (end > 0 && (inBytes[end] & 0xC0) == 0x80)
        --end;
    return end;
}

OSErr SetAndRedraw(ControlRef inControl, ResType inTag, Size inSize, const void* inData, Boolean inRedraw)
{
    if (!inControl)
        return paramErr;
    const OSErr err = SetControlData(inControl, kControlEntireControl, inTag, inSize, inData);
    if (err == noErr && inRedraw)
        Draw1Control(inControl);
    return err;
}

template <class T>
OSErr GetValue(ControlRef inControl, ResType inTag, T* outValue)
{
    if (!inControl || !outValue)
        return paramErr;
    return GetControlData(inControl, kControlEntireControl, inTag, sizeof(T), outValue, nullptr);
}

template <class T>
OSErr SetValue(ControlRef inControl, ResType inTag, const T& inValue)
{
    return SetAndRedraw(inControl, inTag, sizeof(T), &inValue, false);
}
} // namespace

OSErr GetControlTextPString(ControlRef inControl, Str255 outText)
{
    if (!inControl || !outText)
        return paramErr;
    // One byte more than fits, to see whether the cut would split a character.
    unsigned char bytes[kPStringCapacity + 1] = {};
    Size actual = 0;
    const OSErr err = GetControlData(inControl, kControlEntireControl, 'text', sizeof bytes, bytes, &actual);
    if (err != noErr)
        return err;
    Size length = std::min(actual, kPStringCapacity);
    // A cut text ends on a whole character: bytes[length] is the first byte left out.
    if (actual > kPStringCapacity)
        length = CharacterBoundary(bytes, length);
    std::memcpy(outText + 1, bytes, size_t(length));
    outText[0] = static_cast<unsigned char>(length);
    return noErr;
}

OSErr SetControlTextPString(ControlRef inControl, ConstStr255Param inText, Boolean inRedraw)
{
    if (!inControl)
        return paramErr;
    const Size length = inText ? inText[0] : 0;
    return SetAndRedraw(inControl, 'text', length, inText ? inText + 1 : nullptr, inRedraw);
}

QString GetControlCFString(ControlRef inControl)
{
    if (!inControl)
        return QString();
    QString text;
    if (GetControlData(inControl, kControlEntireControl, 'cfst', sizeof text, &text, nullptr) != noErr)
        return QString();
    return text;
}

OSErr SetControlCFString(ControlRef inControl, const QString& inText, Boolean inRedraw)
{
    return SetAndRedraw(inControl, 'cfst', sizeof inText, &inText, inRedraw);
}

OSErr GetControlPasswordPString(ControlRef inControl, Str255 outText)
{
    if (!inControl || !outText)
        return paramErr;
    outText[0] = 0;
    UniChar units[kPStringCapacity / 2 + 1] = {};
    Size actual = 0;
    const OSErr err = GetControlData(inControl, kControlEntireControl, 'pass', kPStringCapacity, units, &actual);
    if (err != noErr || actual < 1)
        return err;
    char* converted = nullptr;
    const UInt32 count = UInt32(std::min(actual, kPStringCapacity) / 2);
    if (ConvertUnicodeName(converted, units, count) != noErr)
        return noErr;
    CToPString(converted, outText);
    DisposePtr(converted);
    return noErr;
}

OSErr SetControlPasswordPString(ControlRef inControl, ConstStr255Param inText, Boolean inRedraw)
{
    if (!inControl)
        return paramErr;
    const Size length = inText ? inText[0] : 0;
    return SetAndRedraw(inControl, 'pass', length, inText ? inText + 1 : nullptr, inRedraw);
}

OSErr SetControlKeyFilter(ControlRef inControl, ControlKeyFilterProcPtr inFilter)
{
    if (!inControl || !inFilter)
        return paramErr;
    return SetValue(inControl, 'fltr', inFilter);
}

OSErr SetControlSelection(ControlRef inControl, SInt16 inStart, SInt16 inEnd)
{
    ControlEditTextSelectionRec selection;
    selection.selStart = inStart;
    selection.selEnd = inEnd;
    return SetAndRedraw(inControl, 'sele', sizeof selection, &selection, true);
}

OSErr GetControlSelection(ControlRef inControl, SInt16* outStart, SInt16* outEnd)
{
    if (!outStart || !outEnd)
        return paramErr;
    ControlEditTextSelectionRec selection;
    const OSErr err = GetValue(inControl, 'sele', &selection);
    if (err == noErr) {
        *outStart = selection.selStart;
        *outEnd = selection.selEnd;
    }
    return err;
}

OSErr GetControlTextHeight(ControlRef inControl, SInt16* outHeight) { return GetValue(inControl, 'thei', outHeight); }

OSErr SetControlDeterminate(ControlRef inControl, Boolean inDeterminate)
{
    const Boolean indeterminate = !inDeterminate;
    return SetValue(inControl, 'inde', indeterminate);
}

OSErr GetControlListHandle(ControlRef inControl, Handle* outList) { return GetValue(inControl, 'lhan', outList); }

OSErr GetControlListByte(ControlRef inControl, UInt8* outByte) { return GetValue(inControl, 'lhan', outByte); }

OSErr GetControlListFlag(ControlRef inControl, Boolean* outFlag)
{
    UInt8 byte = 0;
    if (!outFlag)
        return paramErr;
    const OSErr err = GetValue(inControl, 'lhan', &byte);
    if (err == noErr)
        *outFlag = byte == 0;
    return err;
}

OSErr SetControlPushButtonDefault(ControlRef inControl, Boolean inDefault) { return SetValue(inControl, 'dflt', inDefault); }

OSErr SetControlIconTransform(ControlRef inControl, SInt16 inTransform) { return SetValue(inControl, 'trfm', inTransform); }

OSErr SetControlIconAlignment(ControlRef inControl, SInt16 inAlignment) { return SetValue(inControl, 'algn', inAlignment); }

OSErr SetControlDate(ControlRef inControl, const LongDateRec& inDate) { return SetValue(inControl, 'date', inDate); }

OSErr GetControlDate(ControlRef inControl, LongDateRec* outDate) { return GetValue(inControl, 'date', outDate); }

QString StringByRemovingControlCharacters(const QString& inText)
{
    const auto isControl = [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    };
    if (std::none_of(inText.begin(), inText.end(), isControl))
        return inText;
    QString cleaned;
    cleaned.reserve(inText.size());
    for (const QChar c : inText) {
        if (!isControl(c))
            cleaned.append(c);
    }
    return cleaned;
}
