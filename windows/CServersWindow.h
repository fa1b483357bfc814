// CServersWindow: the servers window (nib "Servers", window "ServersWindow"). Mail servers are
// set in each mailing's Server Settings sheet; this window says so and offers the reference
// help page. Every request opens a new window; each is deleted through the deferred-deletion
// list after it closes. GUI thread only.
#pragma once

#include "CCleanupObject.h"
#include "UITypes.h"

#include <memory>

class NibLoader;
struct WindowEvent;

class CServersWindow : public CCleanupObject {
public:
    // A nib that cannot be loaded throws LException.
    CServersWindow();
    ~CServersWindow() override;

    void Cleanup() override;
    WindowRef Window() const { return mWindow; }

private:
    OSStatus HandleEvent(WindowEvent& ioEvent);

    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindow = nullptr;
    bool mClosed = false;
};

void OpenServersWindow();
