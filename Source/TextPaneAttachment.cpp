#include "TextPaneAttachment.h"

#include "ControlData.h"
#include "TextPane.h"

#include <cstring>

namespace {

template <class T>
bool SizeIs(Size inSize)
{
    return inSize == Size(sizeof(T));
}

// The text's UTF-8 bytes, as many as fit without splitting a character.
OSErr CopyTextOut(const QString& inText, Size inBufferSize, void* outBuffer, Size* outActualSize)
{
    const QByteArray bytes = inText.toUtf8();
    qsizetype count = std::min<qsizetype>(qsizetype(std::max<Size>(inBufferSize, 0)), bytes.size());
    while (count > 0 && count < bytes.size() && (static_cast<unsigned char>(bytes[count]) & 0xC0) == 0x80)
        --count;
    std::memcpy(outBuffer, bytes.constData(), size_t(count));
    if (outActualSize)
        *outActualSize = Size(count);
    return noErr;
}

template <class T>
OSErr CopyValueOut(const T& inValue, Size inBufferSize, void* outBuffer, Size* outActualSize)
{
    if (!SizeIs<T>(inBufferSize))
        return paramErr;
    std::memcpy(outBuffer, &inValue, sizeof(T));
    if (outActualSize)
        *outActualSize = Size(sizeof(T));
    return noErr;
}

template <class T>
OSErr ReadValue(Size inSize, const void* inData, T* outValue)
{
    if (!SizeIs<T>(inSize))
        return paramErr;
    std::memcpy(outValue, inData, sizeof(T));
    return noErr;
}

OSErr GetPaneData(TextPane* inPane, ResType inTag, Size inBufferSize, void* outBuffer, Size* outActualSize)
{
    switch (inTag) {
    case 'txob': return CopyValueOut(inPane, inBufferSize, outBuffer, outActualSize);
    case 'tsel': {
        SInt32 range[2] = {};
        int start = 0;
        int end = 0;
        inPane->GetSelection(&start, &end);
        range[0] = start;
        range[1] = end;
        if (inBufferSize != Size(sizeof range))
            return paramErr;
        std::memcpy(outBuffer, range, sizeof range);
        if (outActualSize)
            *outActualSize = Size(sizeof range);
        return noErr;
    }
    case 'text': return CopyTextOut(inPane->toPlainText(), inBufferSize, outBuffer, outActualSize);
    case 'selc': return CopyTextOut(inPane->SelectedPlainText(), inBufferSize, outBuffer, outActualSize);
    case 'cfst':
    case 'selt': {
        if (!SizeIs<QString>(inBufferSize))
            return paramErr;
        *static_cast<QString*>(outBuffer) = inTag == 'cfst' ? inPane->toPlainText() : inPane->SelectedPlainText();
        if (outActualSize)
            *outActualSize = Size(sizeof(QString));
        return noErr;
    }
    case 'tabs': return CopyValueOut(SInt16(inPane->TabWidth()), inBufferSize, outBuffer, outActualSize);
    case 'fdrw': return CopyValueOut(Boolean(inPane->DrawsFocusRing()), inBufferSize, outBuffer, outActualSize);
    case 'ftab': return CopyValueOut(Boolean(inPane->TabNavigation()), inBufferSize, outBuffer, outActualSize);
    case 'rdpm': return CopyValueOut(Boolean(inPane->isReadOnly()), inBufferSize, outBuffer, outActualSize);
    default: return eventNotHandledErr;
    }
}

OSErr SetPaneData(TextPane* inPane, ResType inTag, Size inSize, const void* inData)
{
    const auto bytes = [&] { return QString::fromUtf8(static_cast<const char*>(inData), qsizetype(inSize)); };
    switch (inTag) {
    case 'tsel': {
        if (inSize != Size(2 * sizeof(SInt32)))
            return paramErr;
        SInt32 range[2] = {};
        std::memcpy(range, inData, sizeof range);
        inPane->SetSelection(range[0], range[1]);
        return noErr;
    }
    case 'text': inPane->setPlainText(bytes()); return noErr;
    case 'selc': inPane->ReplaceSelection(bytes()); return noErr;
    case 'cfst':
    case 'selt': {
        if (!SizeIs<QString>(inSize))
            return paramErr;
        const QString& text = *static_cast<const QString*>(inData);
        if (inTag == 'cfst')
            inPane->setPlainText(text);
        else
            inPane->ReplaceSelection(text);
        return noErr;
    }
    case 'tabs': {
        SInt16 width = 0;
        const OSErr error = ReadValue(inSize, inData, &width);
        if (error == noErr)
            inPane->SetTabWidth(width);
        return error;
    }
    case 'fdrw':
    case 'ftab':
    case 'rdpm': {
        Boolean flag = 0;
        const OSErr error = ReadValue(inSize, inData, &flag);
        if (error != noErr)
            return error;
        if (inTag == 'fdrw')
            inPane->SetDrawsFocusRing(flag != 0);
        else if (inTag == 'ftab')
            inPane->SetTabNavigation(flag != 0);
        else
            inPane->setReadOnly(flag != 0);
        return noErr;
    }
    default: return eventNotHandledErr;
    }
}

} // namespace

OSStatus AttachTextPane(ControlRef inPane)
{
    auto* pane = qobject_cast<TextPane*>(inPane);
    if (!pane)
        return paramErr;
    ControlDataHandler handler;
    handler.get = [pane](ResType inTag, Size inBufferSize, void* outBuffer, Size* outActualSize) {
        return GetPaneData(pane, inTag, inBufferSize, outBuffer, outActualSize);
    };
    handler.set = [pane](ResType inTag, Size inSize, const void* inData) {
        return SetPaneData(pane, inTag, inSize, inData);
    };
    SetControlDataHandler(pane, std::move(handler));
    return noErr;
}

OSStatus CreateTextPaneControl(WindowRef inWindow, const QRect& inBounds, ControlRef* outPane)
{
    if (!inWindow || !outPane)
        return paramErr;
    auto* pane = new TextPane(inWindow);
    pane->setGeometry(inBounds);
    const OSStatus error = AttachTextPane(pane);
    if (error != noErr) {
        delete pane;
        return error;
    }
    pane->show();
    *outPane = pane;
    return noErr;
}
