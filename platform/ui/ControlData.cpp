#include "ControlData.h"

#include "ControlValues.h"

#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>

#include <cstring>
#include <map>

namespace {
constexpr const char* kTransformProperty = "iconTransform";
constexpr const char* kAlignmentProperty = "iconAlignment";
constexpr const char* kKeyFilterProperty = "keyFilter";

SInt16 CharCodeOf(const QKeyEvent* inKey)
{
    switch (inKey->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Delete: return 127;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Left: return 28;
    case Qt::Key_Right: return 29;
    case Qt::Key_Up: return 30;
    case Qt::Key_Down: return 31;
    case Qt::Key_Home: return 1;
    case Qt::Key_End: return 4;
    case Qt::Key_PageUp: return 11;
    case Qt::Key_PageDown: return 12;
    default: break;
    }
    const QString text = inKey->text();
    return text.isEmpty() ? 0 : SInt16(text.at(0).unicode());
}

// Runs the installed filter on each key typed into its control.
class KeyFilter : public QObject {
public:
    KeyFilter(ControlRef inControl, ControlKeyFilterProcPtr inProc)
        : QObject(inControl)
        , mControl(inControl)
        , mProc(inProc)
    {
        inControl->installEventFilter(this);
    }
    void SetProc(ControlKeyFilterProcPtr inProc) { mProc = inProc; }

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        if (inWatched != mControl || inEvent->type() != QEvent::KeyPress || !mProc)
            return false;
        auto* key = static_cast<QKeyEvent*>(inEvent);
        if (key->modifiers() & Qt::ControlModifier || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        SInt16 charCode = CharCodeOf(key);
        if (charCode == 0)
            return false; // a modifier alone
        SInt16 keyCode = SInt16(key->nativeScanCode());
        UInt16 modifiers = UInt16(key->modifiers() >> 24);
        return mProc(mControl, &keyCode, &charCode, &modifiers) == kControlKeyFilterBlockKey;
    }

private:
    ControlRef mControl;
    ControlKeyFilterProcPtr mProc;
};

QString TextOf(ControlRef inControl, bool* outServed)
{
    *outServed = qobject_cast<QLineEdit*>(inControl) || qobject_cast<QTextEdit*>(inControl);
    return GetControlText(inControl);
}

template <class T>
bool SizeIs(Size inSize)
{
    return inSize == Size(sizeof(T));
}

OSErr CopyOut(const QByteArray& inBytes, Size inBufferSize, void* outBuffer, Size* outActualSize)
{
    std::memcpy(outBuffer, inBytes.constData(), size_t(std::min<Size>(inBufferSize, inBytes.size())));
    if (outActualSize)
        *outActualSize = inBytes.size();
    return noErr;
}

std::map<const QObject*, ControlDataHandler>& Handlers()
{
    static std::map<const QObject*, ControlDataHandler> handlers;
    return handlers;
}

const ControlDataHandler* HandlerOf(ControlRef inControl)
{
    const auto found = Handlers().find(inControl);
    return found == Handlers().end() ? nullptr : &found->second;
}

QByteArray BytesOf(const void* inData, Size inSize)
{
    return QByteArray(static_cast<const char*>(inData), qsizetype(inSize));
}
} // namespace

LongDateRec DateRecOf(const QDateTime& inTime)
{
    LongDateRec rec;
    rec.year = SInt16(inTime.date().year());
    rec.month = SInt16(inTime.date().month());
    rec.day = SInt16(inTime.date().day());
    rec.hour = SInt16(inTime.time().hour());
    rec.minute = SInt16(inTime.time().minute());
    rec.second = SInt16(inTime.time().second());
    rec.dayOfWeek = SInt16(inTime.date().dayOfWeek() % 7 + 1); // Sunday is 1
    rec.dayOfYear = SInt16(inTime.date().dayOfYear());
    rec.weekOfYear = SInt16(inTime.date().weekNumber());
    return rec;
}

void SetControlDataHandler(ControlRef inControl, ControlDataHandler inHandler)
{
    if (!inControl)
        return;
    const bool known = Handlers().count(inControl) != 0;
    if (!inHandler.get && !inHandler.set) {
        Handlers().erase(inControl);
        return;
    }
    Handlers()[inControl] = std::move(inHandler);
    if (!known)
        QObject::connect(inControl, &QObject::destroyed, [inControl] { Handlers().erase(inControl); });
}

OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTag, Size* outSize)
{
    if (!outSize)
        return paramErr;
    switch (inTag) {
    case 'text':
    case 'pass': {
        Size size = 0;
        char unused = 0;
        const OSErr err = GetControlData(inControl, inPart, inTag, 0, &unused, &size);
        *outSize = size;
        return err;
    }
    case 'cfst': *outSize = sizeof(QString); break;
    case 'sele': *outSize = sizeof(ControlEditTextSelectionRec); break;
    case 'date': *outSize = sizeof(LongDateRec); break;
    default: *outSize = 0; break;
    }
    return inControl ? noErr : paramErr;
}

OSErr GetControlData(ControlRef inControl, ControlPartCode, ResType inTag, Size inBufferSize, void* outBuffer,
                     Size* outActualSize)
{
    if (!inControl || !outBuffer)
        return paramErr;
    if (const ControlDataHandler* handler = HandlerOf(inControl); handler && handler->get)
        return handler->get(inTag, inBufferSize, outBuffer, outActualSize);
    bool served = false;
    switch (inTag) {
    case 'text': {
        const QByteArray bytes = TextOf(inControl, &served).toUtf8();
        return served ? CopyOut(bytes, inBufferSize, outBuffer, outActualSize) : OSErr(errDataNotSupported);
    }
    case 'pass': {
        auto* field = qobject_cast<QLineEdit*>(inControl);
        if (!field)
            return errDataNotSupported;
        const QString text = field->text();
        return CopyOut(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2), inBufferSize,
                       outBuffer, outActualSize);
    }
    case 'cfst': {
        const QString text = TextOf(inControl, &served);
        if (!served)
            return errDataNotSupported;
        if (!SizeIs<QString>(inBufferSize))
            return errDataSizeMismatch;
        *static_cast<QString*>(outBuffer) = text;
        break;
    }
    case 'sele': {
        auto* field = qobject_cast<QLineEdit*>(inControl);
        if (!field)
            return errDataNotSupported;
        if (!SizeIs<ControlEditTextSelectionRec>(inBufferSize))
            return errDataSizeMismatch;
        ControlEditTextSelectionRec selection;
        selection.selStart = SInt16(field->hasSelectedText() ? field->selectionStart() : field->cursorPosition());
        selection.selEnd = SInt16(field->hasSelectedText() ? field->selectionEnd() : field->cursorPosition());
        std::memcpy(outBuffer, &selection, sizeof selection);
        break;
    }
    case 'thei': {
        if (!SizeIs<SInt16>(inBufferSize))
            return errDataSizeMismatch;
        const SInt16 height = SInt16(inControl->fontMetrics().height());
        std::memcpy(outBuffer, &height, sizeof height);
        break;
    }
    case 'inde': {
        if (!qobject_cast<QProgressBar*>(inControl))
            return errDataNotSupported;
        if (!SizeIs<Boolean>(inBufferSize))
            return errDataSizeMismatch;
        *static_cast<Boolean*>(outBuffer) = IsProgressIndeterminate(inControl);
        break;
    }
    case 'date': {
        auto* edit = qobject_cast<QDateTimeEdit*>(inControl);
        if (!edit)
            return errDataNotSupported;
        if (!SizeIs<LongDateRec>(inBufferSize))
            return errDataSizeMismatch;
        const LongDateRec rec = DateRecOf(edit->dateTime());
        std::memcpy(outBuffer, &rec, sizeof rec);
        break;
    }
    default:
        return errDataNotSupported;
    }
    if (outActualSize)
        *outActualSize = inBufferSize;
    return noErr;
}

OSErr SetControlData(ControlRef inControl, ControlPartCode, ResType inTag, Size inSize, const void* inData)
{
    if (!inControl || (!inData && inSize > 0))
        return paramErr;
    if (const ControlDataHandler* handler = HandlerOf(inControl); handler && handler->set)
        return handler->set(inTag, inSize, inData);
    bool served = false;
    switch (inTag) {
    case 'text':
    case 'pass':
        TextOf(inControl, &served);
        if (!served || (inTag == 'pass' && !qobject_cast<QLineEdit*>(inControl)))
            return errDataNotSupported;
        SetControlText(inControl, QString::fromUtf8(BytesOf(inData, inSize)));
        return noErr;
    case 'cfst':
        TextOf(inControl, &served);
        if (!served)
            return errDataNotSupported;
        if (!SizeIs<QString>(inSize))
            return errDataSizeMismatch;
        SetControlText(inControl, *static_cast<const QString*>(inData));
        return noErr;
    case 'fltr': {
        if (!qobject_cast<QLineEdit*>(inControl) && !qobject_cast<QTextEdit*>(inControl))
            return errDataNotSupported;
        if (!SizeIs<ControlKeyFilterProcPtr>(inSize))
            return errDataSizeMismatch;
        const auto proc = *static_cast<const ControlKeyFilterProcPtr*>(inData);
        if (auto* existing = static_cast<KeyFilter*>(inControl->property(kKeyFilterProperty).value<QObject*>()))
            existing->SetProc(proc);
        else
            inControl->setProperty(kKeyFilterProperty, QVariant::fromValue<QObject*>(new KeyFilter(inControl, proc)));
        return noErr;
    }
    case 'sele': {
        auto* field = qobject_cast<QLineEdit*>(inControl);
        if (!field)
            return errDataNotSupported;
        if (!SizeIs<ControlEditTextSelectionRec>(inSize))
            return errDataSizeMismatch;
        ControlEditTextSelectionRec selection;
        std::memcpy(&selection, inData, sizeof selection);
        field->setSelection(selection.selStart, selection.selEnd - selection.selStart);
        return noErr;
    }
    case 'inde':
        if (!qobject_cast<QProgressBar*>(inControl))
            return errDataNotSupported;
        if (!SizeIs<Boolean>(inSize))
            return errDataSizeMismatch;
        SetProgressIndeterminate(inControl, *static_cast<const Boolean*>(inData));
        return noErr;
    case 'dflt': {
        auto* button = qobject_cast<QPushButton*>(inControl);
        if (!button)
            return errDataNotSupported;
        if (!SizeIs<Boolean>(inSize))
            return errDataSizeMismatch;
        button->setDefault(*static_cast<const Boolean*>(inData));
        return noErr;
    }
    case 'trfm':
    case 'algn': {
        if (!SizeIs<SInt16>(inSize))
            return errDataSizeMismatch;
        SInt16 value = 0;
        std::memcpy(&value, inData, sizeof value);
        inControl->setProperty(inTag == 'trfm' ? kTransformProperty : kAlignmentProperty, value);
        return noErr;
    }
    case 'date': {
        auto* edit = qobject_cast<QDateTimeEdit*>(inControl);
        if (!edit)
            return errDataNotSupported;
        if (!SizeIs<LongDateRec>(inSize))
            return errDataSizeMismatch;
        LongDateRec rec;
        std::memcpy(&rec, inData, sizeof rec);
        edit->setDateTime(QDateTime(QDate(rec.year, rec.month, rec.day), QTime(rec.hour, rec.minute, rec.second)));
        return noErr;
    }
    default:
        return errDataNotSupported;
    }
}
