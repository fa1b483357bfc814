// What the message-build tests share: a delivery window fake with settable charset and
// priority, fixed clock, UUID, zone, version and boundary numbers, a small file-type table, the
// preferences the build reads cleared before each test, and golden-file comparison (set
// BREVANTO_WRITE_GOLDENS=1 to rewrite the files after a deliberate change).
#pragma once

#include "BuildSendJobMessage.h"
#include "CFileTypeMaps.h"
#include "CMailMessage.h"
#include "FakeDeliveryWindow.h"
#include "LMailMessage.h"
#include "MessageBuildSources.h"
#include "PreferenceGetters.h"
#include "Preferences.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <functional>
#include <string>

// The window as the build tests see it: no server settings or sender address, UTF-8 text.
class FakeBuildWindow : public FakeDeliveryWindow {
public:
    FakeBuildWindow()
    {
        server.clear();
        user.clear();
        password.clear();
        popPeriod = 0;
        mechanism = 1;
        myEmail.clear();
        charset = QStringLiteral("utf-8");
    }
};

// .txt text/plain ('TEXT'), .pdf, .png and .jpg by extension; nothing else.
class BuildTestMaps : public CFileTypeMaps {
public:
    bool MIMETypeForExtension(const char* extension, CString256& mimeType) const override
    {
        const std::string ext(extension);
        const char* type = ext == ".txt"   ? "text/plain"
                           : ext == ".pdf" ? "application/pdf"
                           : ext == ".png" ? "image/png"
                           : ext == ".jpg" ? "image/jpeg"
                                           : nullptr;
        if (type == nullptr)
            return false;
        mimeType.Assign(type);
        return true;
    }
    std::vector<FileTypeMapping> Mappings() const override { return {}; }
    bool MapFilename(const char* name, OSType& creator, OSType& type) const override
    {
        const std::string text(name);
        if (text.size() < 4 || text.compare(text.size() - 4, 4, ".txt") != 0)
            return false;
        creator = 'ttxt';
        type = 'TEXT';
        return true;
    }
};

inline const char* const kBuildPreferenceKeys[] = {
    kIncludeMDNHeaderKey, kIncludeBCCHeaderKey, kIncludeXMailerHeaderKey, kXMailerHeaderKey,
    kEncodeQPKey,         kSimulateToSelfKey,   kSimulateErrorsKey,       kZipFoldersKey,
};

class MessageBuildTest : public ::testing::Test {
public:
    void SetUp() override
    {
        for (const char* key : kBuildPreferenceKeys)
            SetPreference(nullptr, CString256(key));
        SetZone(5 * 3600 + 30 * 60);
        MessageBuildSources::Current().newUUID = [] { return QStringLiteral("0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"); };
        MessageBuildSources::Current().version = [] { return QStringLiteral("2.1"); };
        LMailMessage::SetNextBoundaryNumber(1);
        CFileTypeMaps::Install(std::make_shared<BuildTestMaps>());
    }

    void TearDown() override
    {
        for (const char* key : kBuildPreferenceKeys)
            SetPreference(nullptr, CString256(key));
        MessageBuildSources::Reset();
        CFileTypeMaps::Install(nullptr);
    }

    // 2024-03-05 14:07:09 in a zone `offset` seconds from UTC.
    static void SetZone(int offset)
    {
        MessageBuildSources::Current().now = [offset] {
            return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::OffsetFromUTC, offset);
        };
    }

    static void Set(const char* key, const char* value) { SetPreference(value, CString256(key)); }

    static std::string FilePath(const char* name) { return std::string(BREVANTO_TEST_DATA "/files/") + name; }

    // A message to "Ada Lovelace <ada@example.org>" from "Brevanto Test <sender@example.com>".
    static Message BasicMessage()
    {
        Message message;
        message.to = "Ada Lovelace <ada@example.org>";
        message.from = "Brevanto Test <sender@example.com>";
        message.subject = "=?UTF-8?B?SGVsbG8=?=";
        message.mailServer = "smtp.example.com";
        message.body = "<html><body>Hello Ada</body></html>";
        return message;
    }

    // The source of a build whose boundaries start at 1.
    std::string Build(const Message& message)
    {
        LMailMessage::SetNextBoundaryNumber(1);
        CMailMessage mail;
        EXPECT_TRUE(BuildSendJobMessage(window, message, mail));
        return mail.WriteSource();
    }

    static void ExpectGolden(const char* name, const std::string& source)
    {
        const QString path = QStringLiteral(BREVANTO_TEST_DATA "/golden/") + name + ".eml";
        QFile file(path);
        if (qEnvironmentVariableIsSet("BREVANTO_WRITE_GOLDENS")) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(source.data(), qint64(source.size()));
            return;
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray golden = file.readAll();
        EXPECT_EQ(source, golden.toStdString()) << name;
    }

protected:
    FakeBuildWindow window;
};
