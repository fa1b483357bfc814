// The live-resize attachment: made by the registrar under 'RSiz', it answers 817 only, lets the
// host execute and changes nothing of the window.
#include "CLiveResizeAttachment.h"

#include "LAttachable.h"
#include "LMainContext.h"
#include "NibRegistrar.h"

#include <gtest/gtest.h>

#include <QWidget>

TEST(CLiveResizeAttachment, RegisteredForFinishCreateOnly)
{
    LMainContext::Get();
    CLiveResizeAttachment::Register();
    std::unique_ptr<LAttachment> made = NibRegistrar::Get().CreateAttachment('RSiz');
    ASSERT_NE(made, nullptr);
    auto* attachment = dynamic_cast<CLiveResizeAttachment*>(made.get());
    ASSERT_NE(attachment, nullptr);
    EXPECT_EQ(attachment->GetMessage(), msg_FinishCreate);

    QWidget window;
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(attachment->Execute(msg_Event, &window));
    EXPECT_EQ(attachment->GetHostWindow(), nullptr) << "other messages are ignored";
    EXPECT_TRUE(attachment->Execute(msg_FinishCreate, &window));
    EXPECT_EQ(attachment->GetHostWindow(), &window);
    EXPECT_EQ(window.windowFlags(), flags);
    EXPECT_TRUE(window.children().isEmpty()) << "nothing is installed on the window";
}
