// SendSeams: the least the mailing window needs of the send engine until it is built: starting
// a mailing and reading the throttle settings do nothing, no stored password is found. Tests
// watch StartSending through an observer. GUI thread only.
#pragma once

#include <functional>

class CBrevantoWindow;

class SendSeams {
public:
    using Observer = std::function<void(CBrevantoWindow* inWindow)>;
    // Told each time a window is asked to start sending; empty removes it.
    static void SetStartSendingObserver(Observer inObserver);
    static void NotifyStartSending(CBrevantoWindow* inWindow);
};
