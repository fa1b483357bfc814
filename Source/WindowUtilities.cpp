#include "WindowUtilities.h"

#include "AppleEventHelpers.h"
#include "CBrevantoWindow.h"
#include "CText.h"
#include "ControlValues.h"
#include "UserPane.h"

#include <QIcon>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <utility>

namespace {

ProcessLookup& CurrentLookup()
{
    static ProcessLookup lookup;
    return lookup;
}

OSErr FindProcess(OSType inSignature)
{
    if (CurrentLookup())
        return CurrentLookup()(inSignature);
    ProcessSerialNumber process;
    return MoreProcFindProcessBySignature(inSignature, 'APPL', &process);
}

struct BrowserScripts {
    OSType signature;
    const char* urlScript;
    const char* titleScript;
};

// In the order tried; lines are joined by a carriage return.
constexpr BrowserScripts kBrowsers[] = {
    {'sfri', "tell application \"Safari\"\r\tURL of first document\rend tell",
     "tell application \"Safari\"\r\tname of first document\rend tell"},
    {'MOZB',
     "tell application \"Firefox\" to activate\rtell application \"System Events\"\r\tkeystroke \"l\" using "
     "{command down}\r\tkeystroke \"c\" using {command down}\rend tell\rdelay 0.5\ractivate\rthe clipboard",
     "tell application \"Firefox\"\r\tname of first window\rend tell"},
    {'OWEB',
     "tell application \"OmniWeb\"\r\tset theWindow to (front window)\r\tdo script \"location.href\" window "
     "theWindow\rend tell",
     "tell application \"OmniWeb\"\r\tset theWindow to (front window)\r\tdo script \"document.title\" window "
     "theWindow\rend tell"},
    {'MSIE', "tell application \"Internet Explorer\"\r\tdo script \"location.href\"\rend tell",
     "tell application \"Internet Explorer\"\r\tdo script \"document.title\"\rend tell"},
    {'MOZC', "tell application \"Camino\"\r\tURL of current tab of front browser window\rend tell",
     "tell application \"Camino\"\r\tname of front browser window\rend tell"},
    {'OPRA', "tell application \"Opera\"\r\treturn URL of front document as string\rend tell",
     "tell application \"Opera\"\r\tname of front window\rend tell"},
    {'FLKb',
     "tell application \"Flock\"\r\tset p to properties of front window as list\r\treturn item 3 of p\rend tell",
     "tell application \"Flock\"\r\tset p to properties of front window as list\r\treturn item 2 of p\rend tell"},
    // Reached only when Flock is not running.
    {'rimZ', "tell application \"Google Chrome\"\r\tget URL of active tab of first window\rend tell",
     "tell application \"Google Chrome\"\r\tname of window 1\rend tell"},
};

void ForEachWindow(const std::function<void(CBrevantoWindow*)>& inCall)
{
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next())
        inCall(*window);
}

SInt16 Swapped(SInt16 inValue) { return SInt16(qbswap(quint16(inValue))); }

} // namespace

void DrawIconUserPane(UserPane* inPane, QPainter& ioPainter)
{
    const QIcon icon(QStringLiteral(":/SimulateSend.png"));
    if (!inPane || icon.isNull())
        return;
    icon.paint(&ioPainter, inPane->rect(), Qt::AlignCenter);
}

void ShowControlInAllWindows(Boolean inShow)
{
    ForEachWindow([inShow](CBrevantoWindow* inWindow) {
        SetControlVisibility(inWindow->Control(ControlRole::CharsetPopup), inShow, true);
    });
}

void HideControlInAllWindows(Boolean inShow)
{
    ForEachWindow([inShow](CBrevantoWindow* inWindow) {
        SetControlVisibility(inWindow->Control(ControlRole::PriorityPopup), inShow, true);
        SetControlVisibility(inWindow->Control(ControlRole::PriorityLabel), inShow, true);
    });
}

void SwapRectBytes(Rect* ioRect)
{
    if (!ioRect)
        return;
    ioRect->top = Swapped(ioRect->top);
    ioRect->left = Swapped(ioRect->left);
    ioRect->bottom = Swapped(ioRect->bottom);
    ioRect->right = Swapped(ioRect->right);
}

Boolean RectsOverlap(const Rect& inA, const Rect& inB)
{
    return std::min(inA.right, inB.right) > std::max(inA.left, inB.left) &&
           std::min(inA.bottom, inB.bottom) > std::max(inA.top, inB.top);
}

ProcessLookup SetProcessLookup(ProcessLookup inLookup) { return std::exchange(CurrentLookup(), std::move(inLookup)); }

OSErr GetFrontBrowserScripts(CText& outTitleScript, CText& outURLScript)
{
    OSErr error = procNotFound;
    for (const BrowserScripts& browser : kBrowsers) {
        error = FindProcess(browser.signature);
        if (error != noErr)
            continue;
        outTitleScript.Assign(browser.titleScript);
        outURLScript.Assign(browser.urlScript);
        return noErr;
    }
    return error;
}
