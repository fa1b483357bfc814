// HelpTags: the program's help tags are Qt tooltips. The delay before a tag shows comes from a
// proxy style installed over the application's style; "tags off" is an application event
// filter that drops every tooltip event. Tags can be set on a control, on a menu item, on one
// tab of a tab control, or asked of a content callback when a tag is about to show (the part is
// the 1-based tab under the mouse, 0 elsewhere). GUI thread only; needs the Qt application.
#pragma once

#include "UITypes.h"

#include <QObject>
#include <QString>

#include <functional>

class CFPropertyList;
class QTabBar;

class HelpTags : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultDelay = 2000; // milliseconds

    static HelpTags& Get();

    void SetDelay(int inMilliseconds);
    int Delay() const { return mDelay; }
    void SetEnabled(bool inEnabled);
    bool Enabled() const { return mEnabled; }

    // The start-up settings: "Tag Delay" in seconds (a number or its decimal text; missing or
    // unreadable gives the default) and "Display Help Tags" ("false" turns tags off).
    void ApplySettings(const CFPropertyList& inTagDelay, const CFPropertyList& inDisplayHelpTags);

    static void SetControlHelpTag(ControlRef inControl, const QString& inTag);
    static void SetTabHelpTag(QTabBar* inTabs, SInt32 inTab, const QString& inTag);
    // Asked each time a tag is about to show over the control; an empty answer shows none.
    static void SetHelpTagCallback(ControlRef inControl, std::function<QString(SInt16 inPart)> inCallback);

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override;

private:
    HelpTags();
    void InstallStyle();

    int mDelay = kDefaultDelay;
    bool mEnabled = true;
};
