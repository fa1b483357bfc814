#include "CLiveResizeAttachment.h"

#include "NibRegistrar.h"

#include <QWidget>

CLiveResizeAttachment::CLiveResizeAttachment()
    : LAttachment(msg_FinishCreate, true)
{
}

CLiveResizeAttachment::CLiveResizeAttachment(WindowRef inHostWindow)
    : LAttachment(msg_FinishCreate, true)
    , mHostWindow(inHostWindow)
{
}

CLiveResizeAttachment::~CLiveResizeAttachment() = default;

void CLiveResizeAttachment::DoExecute(MessageT, void* ioParam)
{
    if (ioParam)
        mHostWindow = static_cast<WindowRef>(ioParam);
}

void CLiveResizeAttachment::Register()
{
    NibRegistrar::Get().RegisterAttachment(class_ID, [] { return std::make_unique<CLiveResizeAttachment>(); });
}
