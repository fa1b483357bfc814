// The typed getters: every getter against the same values, each by its rule and default; the
// special getters; and the log-file opener with a recording launcher.
#include "PreferenceGetters.h"

#include "EnvironmentTestSupport.h"
#include "Launcher.h"
#include "WorkingFolders.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>
#include <string>
#include <vector>

namespace {

enum class Rule { TrueRule, FalseRule, Number, NumberEmptyIsDefault, ImageType, Hello, AlwaysFalse };

struct Getter {
    const char* name;
    const char* key;
    Rule rule;
    long absent;
    std::function<long()> get;
};

const std::vector<Getter>& Getters()
{
    static const std::vector<Getter> getters = {
        {"GetAutoSavePeriod", kAutoSavePeriodKey, Rule::Number, 10, [] { return long(GetAutoSavePeriod()); }},
        {"GetMessageMonitorPort", kMessageMonitorPortKey, Rule::Number, 0, [] { return long(GetMessageMonitorPort()); }},
        {"GetAutoSave", kAutoSaveKey, Rule::TrueRule, 0, [] { return long(GetAutoSave()); }},
        {"GetSaveImported", kSaveImportedKey, Rule::TrueRule, 0, [] { return long(GetSaveImported()); }},
        {"GetShowPriorityCheckbox", kShowPriorityCheckboxKey, Rule::FalseRule, 0, [] { return long(GetShowPriorityCheckbox()); }},
        {"GetShowCharsetCheckbox", kShowCharsetCheckboxKey, Rule::FalseRule, 0, [] { return long(GetShowCharsetCheckbox()); }},
        {"GetThrottleBatchType", kThrottleBatchTypeKey, Rule::Number, 1, [] { return long(GetThrottleBatchType()); }},
        {"GetMessageRetries", kMessageRetriesKey, Rule::NumberEmptyIsDefault, 2, [] { return long(GetMessageRetries()); }},
        {"GetMessageRetriesInterval", kMessageRetriesIntervalKey, Rule::NumberEmptyIsDefault, 10,
         [] { return long(GetMessageRetriesInterval()); }},
        {"GetZipFolders", kZipFoldersKey, Rule::TrueRule, 0, [] { return long(GetZipFolders()); }},
        {"GetConvertTextAttachmentsToPDF", kConvertTextAttachmentsToPDFKey, Rule::TrueRule, 0,
         [] { return long(GetConvertTextAttachmentsToPDF()); }},
        {"GetSplitPDFs", kSplitPDFsKey, Rule::TrueRule, 0, [] { return long(GetSplitPDFs()); }},
        {"GetEncodeQP", kEncodeQPKey, Rule::FalseRule, 1, [] { return long(GetEncodeQP()); }},
        {"GetAutoSaveLog", kAutoSaveLogKey, Rule::FalseRule, 1, [] { return long(GetAutoSaveLog()); }},
        {"GetInsertContentIDTags", kInsertContentIDTagsKey, Rule::FalseRule, 1, [] { return long(GetInsertContentIDTags()); }},
        {"GetSenderIsRecipient", kSenderIsRecipientKey, Rule::AlwaysFalse, 0, [] { return long(GetSenderIsRecipient()); }},
        {"GetIncludeMDNHeader", kIncludeMDNHeaderKey, Rule::FalseRule, 0, [] { return long(GetIncludeMDNHeader()); }},
        {"GetIncludeBCCHeader", kIncludeBCCHeaderKey, Rule::FalseRule, 0, [] { return long(GetIncludeBCCHeader()); }},
        {"GetIncludeXMailerHeader", kIncludeXMailerHeaderKey, Rule::FalseRule, 1, [] { return long(GetIncludeXMailerHeader()); }},
        {"GetImageHTMLAsType", kImageHTMLAsTypeKey, Rule::ImageType, long('PDF '), [] { return long(GetImageHTMLAsType()); }},
        {"GetDoDNS", kDoDNSKey, Rule::FalseRule, 0, [] { return long(GetDoDNS()); }},
        {"GetSimulateToSelf", kSimulateToSelfKey, Rule::FalseRule, 0, [] { return long(GetSimulateToSelf()); }},
        {"GetSimulateErrors", kSimulateErrorsKey, Rule::FalseRule, 0, [] { return long(GetSimulateErrors()); }},
        {"GetSMTPHelloIsEHLO", kSMTPHelloKey, Rule::Hello, 1, [] { return long(GetSMTPHelloIsEHLO()); }},
        {"GetUseExternalAddress", kUseExternalAddressKey, Rule::TrueRule, 0, [] { return long(GetUseExternalAddress()); }},
        {"GetVerifyEmailAddresses", kVerifyEmailAddressesKey, Rule::TrueRule, 0, [] { return long(GetVerifyEmailAddresses()); }},
        {"GetResendOnError", kResendOnErrorKey, Rule::TrueRule, 0, [] { return long(GetResendOnError()); }},
        {"GetResetRecipients", kResetRecipientsKey, Rule::FalseRule, 1, [] { return long(GetResetRecipients()); }},
        {"GetRestoreWorkspace", kRestoreWorkspaceKey, Rule::TrueRule, 0, [] { return long(GetRestoreWorkspace()); }},
        {"GetRegularExpression", kRegularExpressionKey, Rule::TrueRule, 0, [] { return long(GetRegularExpression()); }},
    };
    return getters;
}

long Expected(const Getter& getter, const char* value)
{
    if (getter.rule == Rule::AlwaysFalse)
        return 0;
    if (value == nullptr)
        return getter.absent;
    const std::string text = value;
    switch (getter.rule) {
    case Rule::TrueRule: return text == "true";
    case Rule::FalseRule: return text != "false";
    case Rule::Number: return text == "12abc" ? 12 : 0;
    case Rule::NumberEmptyIsDefault: return text.empty() ? getter.absent : (text == "12abc" ? 12 : 0);
    case Rule::ImageType: return long('PDF ');
    case Rule::Hello: return 0;
    case Rule::AlwaysFalse: return 0;
    }
    return -1;
}

class RecordingLauncher : public Launcher {
public:
    bool Open(const QString& pathOrURL) override
    {
        opened.append(pathOrURL);
        return true;
    }
    QStringList opened;
};

class PreferenceGetters : public EnvironmentTest {};

}  // namespace

TEST_F(PreferenceGetters, EveryGetterByItsRuleAndDefault)
{
    const char* values[] = {nullptr, "true", "false", "yes", "TRUE", "", "12abc"};
    for (const char* value : values) {
        for (const Getter& getter : Getters())
            Set(getter.key, value);
        for (const Getter& getter : Getters())
            EXPECT_EQ(getter.get(), Expected(getter, value)) << getter.name << " with " << (value ? value : "(absent)");
    }
}

TEST_F(PreferenceGetters, SpecialValues)
{
    SInt32 stored = -1;
    EXPECT_EQ(GetCodecQuality(stored), kCodecQualityNormal);
    EXPECT_EQ(stored, 2);
    const struct {
        const char* value;
        SInt32 quality;
        SInt32 stored;
    } qualities[] = {{"1", 0x100, 1}, {"2", 0x200, 2}, {"3", 0x300, 3}, {"7", 0x200, 7}};
    for (const auto& q : qualities) {
        Set(kCodecQualityKey, q.value);
        EXPECT_EQ(GetCodecQuality(stored), q.quality) << q.value;
        EXPECT_EQ(stored, q.stored);
    }

    for (const auto& [value, type] : {std::pair{"PNG", OSType('PDF ')}, std::pair{"TIFF", OSType('TIFF')},
                                      std::pair{"JPEG", OSType('JPEG')}, std::pair{"PDF", OSType('PDF ')}}) {
        Set(kImageHTMLAsTypeKey, value);
        EXPECT_EQ(GetImageHTMLAsType(), type) << value;
    }
    Set(kSMTPHelloKey, "ehlo");
    EXPECT_FALSE(GetSMTPHelloIsEHLO());
    Set(kSMTPHelloKey, "EHLO");
    EXPECT_TRUE(GetSMTPHelloIsEHLO());

    EXPECT_TRUE(GetMessageMonitorIPAddress().isNull());
    Set(kMessageMonitorIPAddressKey, "m\xC3\xBCller.example");
    EXPECT_EQ(GetMessageMonitorIPAddress(), QStringLiteral("müller.example"));
}

TEST_F(PreferenceGetters, EveryCallReadsTheStoreAgain)
{
    Set(kAutoSaveKey, "true");
    EXPECT_TRUE(GetAutoSave());
    Set(kAutoSaveKey, "false");
    EXPECT_FALSE(GetAutoSave());
}

TEST_F(PreferenceGetters, ShowLogFileAsksTheLauncherOnlyWhenTheLogExists)
{
    RecordingLauncher launcher;
    Launcher::Install(&launcher);
    ShowLogFile();
    EXPECT_TRUE(launcher.opened.isEmpty());

    FSRef logs;
    ASSERT_TRUE(GetLogsFolder(&logs));
    const QString log = QString::fromStdString(logs.path) + "/Brevanto.log";
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ShowLogFile();
    Launcher::Install(nullptr);
    EXPECT_EQ(launcher.opened, QStringList{log});
}
