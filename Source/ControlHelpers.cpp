#include "ControlHelpers.h"

#include "CText.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "DatesAndTimes.h"
#include "Presenter.h"
#include "SearchField.h"
#include "WindowAttributes.h"

#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QValidator>

namespace {
constexpr SInt16 kReturnChar = 13;
constexpr SInt16 kBackspaceChar = 8;

void ShiftBounds(ControlRef inControl, int inLeft, int inTop, int inRight, int inBottom, bool inRedraw)
{
    if (!inControl)
        return;
    QRect bounds;
    GetControlBounds(inControl, &bounds);
    bounds.adjust(inLeft, inTop, inRight, inBottom);
    SetControlBounds(inControl, bounds);
    if (inRedraw)
        Draw1Control(inControl);
}
} // namespace

void SetDelayCaption(ControlRef inSlider, ControlRef inCaption)
{
    if (!inSlider || !inCaption)
        return;
    const SInt32 value = GetControl32BitValue(inSlider);
    QString caption = QStringLiteral("No delay");
    if (value > 0) {
        CText duration;
        FormatDuration(UInt32(value) * 10, duration);
        caption = QString::fromUtf8(duration.buffer, duration.length).trimmed();
    }
    SetControlText(inCaption, caption);
    Draw1Control(inCaption);
}

ControlKeyFilterResult RejectReturnKey(ControlRef, SInt16*, SInt16* ioCharCode, UInt16*)
{
    return ioCharCode && *ioCharCode == kReturnChar ? kControlKeyFilterBlockKey : kControlKeyFilterPassKey;
}

namespace {
class DigitsValidator : public QValidator {
public:
    DigitsValidator(long inMaximum, QObject* inParent)
        : QValidator(inParent)
        , mMaximum(inMaximum)
    {
    }

    State validate(QString& ioText, int&) const override
    {
        constexpr int kMaximumDigits = 9;
        bool digits = ioText.size() <= kMaximumDigits;
        for (QChar c : ioText)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (digits && (ioText.isEmpty() || ioText.toLong() <= mMaximum))
            return Acceptable;
        Presenter::Get().Beep();
        return Invalid;
    }

private:
    long mMaximum;
};
} // namespace

void LimitDigitsField(ControlRef inField, long inMaximum)
{
    if (auto* field = qobject_cast<QLineEdit*>(inField))
        field->setValidator(new DigitsValidator(inMaximum, field));
}

ControlKeyFilterResult DigitsOnlyKeyFilter(ControlRef inControl, SInt16*, SInt16* ioCharCode, UInt16*)
{
    const SInt16 c = ioCharCode ? *ioCharCode : 0;
    const bool digit = c >= '0' && c <= '9';
    const bool leadingZero = c == '0' && GetControlText(inControl).isEmpty();
    if (c == kBackspaceChar || (digit && !leadingZero))
        return kControlKeyFilterPassKey;
    Presenter::Get().Beep();
    return kControlKeyFilterBlockKey;
}

QString DrawTruncatedText(QPainter& ioPainter, QPoint inPen, const QString& inText)
{
    const QRect clip = ioPainter.hasClipping() ? ioPainter.clipBoundingRect().toAlignedRect()
                                               : QRect(0, 0, ioPainter.device()->width(), ioPainter.device()->height());
    const QFontMetrics metrics(ioPainter.font());
    QString text = inText;
    while (text.size() > 1 && inPen.x() + metrics.horizontalAdvance(text) > clip.right() + 1)
        text.chop(1);
    ioPainter.drawText(inPen, text);
    return text;
}

ControlRef GetControlByIDWrapper(WindowRef inWindow, OSType inSignature, SInt32 inID)
{
    return ControlLookup::FindControl(inWindow, inSignature, inID);
}

void SetBevelIcon(ControlRef inButton, const QIcon& inIcon) { SetControlIcon(inButton, inIcon); }

void SetControlIconRef(ControlRef inControl, const QIcon& inIcon) { SetControlIcon(inControl, inIcon); }

void SetControlContentData(ControlRef inControl, const QIcon& inContent) { SetControlIcon(inControl, inContent); }

void WidenControl(ControlRef inControl, int inPixels) { ShiftBounds(inControl, 0, 0, inPixels, 0, false); }

void ResizeControlWidth(ControlRef inControl, int inPixels) { ShiftBounds(inControl, 0, 0, inPixels, 0, true); }

void MoveControlHorizontally(ControlRef inControl, int inPixels)
{
    ShiftBounds(inControl, inPixels, 0, inPixels, 0, true);
}

void MoveControlVertically(ControlRef inControl, int inPixels)
{
    ShiftBounds(inControl, 0, inPixels, 0, inPixels, true);
}

MenuRef GetPopupMenuRef(ControlRef inPopup)
{
    if (auto* button = qobject_cast<QToolButton*>(inPopup))
        return button->menu();
    if (auto* field = qobject_cast<SearchField*>(inPopup))
        return field->Menu();
    return nullptr;
}

void SetPopupMenuRange(ControlRef inPopup)
{
    if (!inPopup)
        return;
    const SInt32 count = CountPopupItems(inPopup);
    SetControl32BitMinimum(inPopup, count > 0 ? 1 : 0);
    SetControl32BitMaximum(inPopup, count);
}

OSStatus GetDataBrowserItemList(ControlRef inBrowser, UInt32* outCount, std::vector<DataBrowserItemID>* outList)
{
    auto* browser = qobject_cast<DataBrowser*>(inBrowser);
    if (!browser || !outCount)
        return paramErr;
    const std::vector<DataBrowserItemID> selected = browser->GetSelectedItems();
    *outCount = UInt32(selected.size());
    if (outList)
        outList->insert(outList->end(), selected.begin(), selected.end());
    return noErr;
}

void SetWindowMinSize(WindowRef inWindow)
{
    if (!inWindow)
        return;
    QSize maximum;
    WindowAttributes::GetWindowResizeLimits(inWindow, nullptr, &maximum);
    WindowAttributes::SetWindowResizeLimits(inWindow, WindowAttributes::GetContentBounds(inWindow).size(), maximum);
}

void SetWindowMaxSize(WindowRef inWindow, int inWidth)
{
    if (!inWindow)
        return;
    QSize minimum;
    WindowAttributes::GetWindowResizeLimits(inWindow, &minimum, nullptr);
    const int height = WindowAttributes::GetContentBounds(inWindow).height();
    WindowAttributes::SetWindowResizeLimits(inWindow, minimum, QSize(inWidth, height));
}

void GetWindowStructureBounds(WindowRef inWindow, QRect* outBounds)
{
    if (outBounds)
        *outBounds = WindowAttributes::GetStructureBounds(inWindow);
}
