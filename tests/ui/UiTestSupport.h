// Shared by the window-layer tests: the Qt application, the test nib (tests/ui/data/Test) and
// the windows loaded from it, deleted after each test (sheets and drawers may have moved into
// another window by then, hence the guarded pointers).
#pragma once

#include "LMainContext.h"
#include "NibLoader.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class NibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LMainContext::Get(); // makes the Qt application
        NibLoader::SetNibFolder(QStringLiteral(BREVANTO_TEST_DATA));
        ASSERT_EQ(NibLoader::CreateNibReference(QStringLiteral("Test"), mNib), noErr);
    }
    void TearDown() override
    {
        for (auto it = mWindows.rbegin(); it != mWindows.rend(); ++it)
            delete it->data();
        NibLoader::SetNibFolder(QString());
    }

    QWidget* Load(const QString& inName)
    {
        QWidget* window = mNib->CreateWindow(inName);
        EXPECT_NE(window, nullptr) << mNib->LastError().toStdString();
        mWindows.emplace_back(window);
        return window;
    }

    std::unique_ptr<NibLoader> mNib;
    std::vector<QPointer<QWidget>> mWindows;
};
