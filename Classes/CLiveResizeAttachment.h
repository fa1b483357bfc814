// CLiveResizeAttachment: the mailing window's live-resize attachment, registered under the class
// ID 'RSiz' so a window's design can name it. It answers the finish-create message (817) and
// keeps the window it was given; Qt already lays a window out while its size is dragged, so it
// installs no handler and changes no window attribute. Every message lets the host execute.
// GUI thread only; nothing fails.
#pragma once

#include "LAttachment.h"
#include "UITypes.h"

constexpr MessageT msg_FinishCreate = 817;

class CLiveResizeAttachment : public LAttachment {
public:
    static constexpr ClassIDT class_ID = 'RSiz';

    CLiveResizeAttachment();
    explicit CLiveResizeAttachment(WindowRef inHostWindow);
    ~CLiveResizeAttachment() override;

    WindowRef GetHostWindow() const { return mHostWindow; }

    // Makes the attachment known to the nib registrar under 'RSiz'.
    static void Register();

protected:
    // 817 with the host window as parameter (null keeps the window given at construction).
    void DoExecute(MessageT inMessage, void* ioParam) override;

private:
    WindowRef mHostWindow = nullptr;
};
