#include "HelpTags.h"

#include "CFPropertyList.h"
#include "ControlValues.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QTabBar>
#include <QToolTip>

namespace {
// Answers the tooltip delay of HelpTags; everything else goes to the style underneath.
class HelpTagStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint inHint, const QStyleOption* inOption, const QWidget* inWidget,
                  QStyleHintReturn* outReturn) const override
    {
        if (inHint == SH_ToolTip_WakeUpDelay)
            return HelpTags::Get().Delay();
        return QProxyStyle::styleHint(inHint, inOption, inWidget, outReturn);
    }
};

// Shows what a content callback answers for the part under the mouse.
class TagCallbackFilter : public QObject {
public:
    TagCallbackFilter(QWidget* inControl, std::function<QString(SInt16)> inCallback)
        : QObject(inControl)
        , mCallback(std::move(inCallback))
    {
        inControl->installEventFilter(this);
    }
    void SetCallback(std::function<QString(SInt16)> inCallback) { mCallback = std::move(inCallback); }

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        if (inEvent->type() != QEvent::ToolTip || !mCallback)
            return false;
        auto* control = static_cast<QWidget*>(inWatched);
        auto* help = static_cast<QHelpEvent*>(inEvent);
        SInt16 part = 0;
        if (QTabBar* tabs = TabBarOf(control))
            part = SInt16(tabs->tabAt(tabs->mapFrom(control, help->pos())) + 1);
        const QString tag = mCallback(part);
        if (tag.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tag, control);
        return true;
    }

private:
    std::function<QString(SInt16)> mCallback;
};
} // namespace

HelpTags& HelpTags::Get()
{
    static HelpTags* sTags = new HelpTags; // lives as long as the process
    return *sTags;
}

HelpTags::HelpTags()
{
    InstallStyle();
    qApp->installEventFilter(this);
}

void HelpTags::InstallStyle()
{
    if (dynamic_cast<HelpTagStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new HelpTagStyle);
}

void HelpTags::SetDelay(int inMilliseconds)
{
    mDelay = std::max(0, inMilliseconds);
    InstallStyle();
}

void HelpTags::SetEnabled(bool inEnabled)
{
    mEnabled = inEnabled;
    if (!inEnabled)
        QToolTip::hideText();
}

void HelpTags::ApplySettings(const CFPropertyList& inTagDelay, const CFPropertyList& inDisplayHelpTags)
{
    int delay = kDefaultDelay;
    if (inTagDelay.IsInteger() || inTagDelay.IsReal()) {
        delay = int(inTagDelay.ToReal() * 1000);
    } else if (inTagDelay.IsString()) {
        bool ok = false;
        const int seconds = inTagDelay.ToString().trimmed().toInt(&ok);
        if (ok)
            delay = seconds * 1000;
    }
    SetDelay(delay);
    SetEnabled(!(inDisplayHelpTags.IsString() && inDisplayHelpTags.ToString() == QLatin1String("false")));
}

bool HelpTags::eventFilter(QObject*, QEvent* inEvent)
{
    return !mEnabled && inEvent->type() == QEvent::ToolTip;
}

void HelpTags::SetControlHelpTag(ControlRef inControl, const QString& inTag)
{
    if (inControl)
        inControl->setToolTip(inTag);
}

void HelpTags::SetTabHelpTag(QTabBar* inTabs, SInt32 inTab, const QString& inTag)
{
    if (inTabs && inTab >= 1 && inTab <= inTabs->count())
        inTabs->setTabToolTip(inTab - 1, inTag);
}

void HelpTags::SetHelpTagCallback(ControlRef inControl, std::function<QString(SInt16)> inCallback)
{
    if (!inControl)
        return;
    constexpr const char* kFilterProperty = "helpTagCallback";
    if (auto* existing = static_cast<TagCallbackFilter*>(inControl->property(kFilterProperty).value<QObject*>())) {
        existing->SetCallback(std::move(inCallback));
        return;
    }
    inControl->setProperty(kFilterProperty,
                           QVariant::fromValue<QObject*>(new TagCallbackFilter(inControl, std::move(inCallback))));
}
