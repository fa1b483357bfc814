#include "PreferenceGetters.h"

#include "CLogFile.h"
#include "Launcher.h"
#include "Preferences.h"
#include "WorkingFolders.h"

#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<char[]> Read(const char* key)
{
    return GetPreference(CString256(key));
}

bool Equals(const std::unique_ptr<char[]>& value, const char* text)
{
    return value != nullptr && std::strcmp(value.get(), text) == 0;
}

// atol, but also the default for an empty value.
long ReadNumberOrDefaultWhenEmpty(const char* key, long absent)
{
    const auto value = Read(key);
    if (value == nullptr || value[0] == 0)
        return absent;
    return std::atol(value.get());
}

}  // namespace

void MakeDefaultAgentText(const char* version, CString256& out)
{
    out.Assign(kDefaultAgentPrefix);
    out.Append(version);
    out.Append(kDefaultAgentSuffix);
}

bool ReadTrueRuleFlag(const char* key, bool absent)
{
    const auto value = Read(key);
    return value == nullptr ? absent : Equals(value, "true");
}

bool ReadFalseRuleFlag(const char* key, bool absent)
{
    const auto value = Read(key);
    return value == nullptr ? absent : !Equals(value, "false");
}

long ReadNumber(const char* key, long absent)
{
    const auto value = Read(key);
    return value == nullptr ? absent : std::atol(value.get());
}

SInt32 GetAutoSavePeriod() { return SInt32(ReadNumber(kAutoSavePeriodKey, 10)); }
UInt32 GetMessageMonitorPort() { return UInt32(ReadNumber(kMessageMonitorPortKey, 0)); }

QString GetMessageMonitorIPAddress()
{
    const auto value = Read(kMessageMonitorIPAddressKey);
    return value == nullptr ? QString() : QString::fromUtf8(value.get());
}

Boolean GetAutoSave() { return ReadTrueRuleFlag(kAutoSaveKey, false); }
Boolean GetSaveImported() { return ReadTrueRuleFlag(kSaveImportedKey, false); }

SInt32 GetCodecQuality(SInt32& stored)
{
    const auto value = Read(kCodecQualityKey);
    if (value == nullptr) {
        stored = 2;
        return kCodecQualityNormal;
    }
    stored = SInt32(std::atol(value.get()));
    switch (stored) {
    case 1: return kCodecQualityLow;
    case 3: return kCodecQualityHigh;
    default: return kCodecQualityNormal;
    }
}

Boolean GetShowPriorityCheckbox() { return ReadFalseRuleFlag(kShowPriorityCheckboxKey, false); }
Boolean GetShowCharsetCheckbox() { return ReadFalseRuleFlag(kShowCharsetCheckboxKey, false); }
SInt32 GetThrottleBatchType() { return SInt32(ReadNumber(kThrottleBatchTypeKey, 1)); }
SInt32 GetMessageRetries() { return SInt32(ReadNumberOrDefaultWhenEmpty(kMessageRetriesKey, 2)); }
SInt32 GetMessageRetriesInterval() { return SInt32(ReadNumberOrDefaultWhenEmpty(kMessageRetriesIntervalKey, 10)); }
Boolean GetZipFolders() { return ReadTrueRuleFlag(kZipFoldersKey, false); }
Boolean GetConvertTextAttachmentsToPDF() { return ReadTrueRuleFlag(kConvertTextAttachmentsToPDFKey, false); }
Boolean GetSplitPDFs() { return ReadTrueRuleFlag(kSplitPDFsKey, false); }
Boolean GetEncodeQP() { return ReadFalseRuleFlag(kEncodeQPKey, true); }
Boolean GetAutoSaveLog() { return ReadFalseRuleFlag(kAutoSaveLogKey, true); }
Boolean GetInsertContentIDTags() { return ReadFalseRuleFlag(kInsertContentIDTagsKey, true); }
Boolean GetSenderIsRecipient() { return false; }
Boolean GetIncludeMDNHeader() { return ReadFalseRuleFlag(kIncludeMDNHeaderKey, false); }
Boolean GetIncludeBCCHeader() { return ReadFalseRuleFlag(kIncludeBCCHeaderKey, false); }
Boolean GetIncludeXMailerHeader() { return ReadFalseRuleFlag(kIncludeXMailerHeaderKey, true); }

OSType GetImageHTMLAsType()
{
    const auto value = Read(kImageHTMLAsTypeKey);
    if (Equals(value, "TIFF"))
        return 'TIFF';
    if (Equals(value, "JPEG"))
        return 'JPEG';
    return 'PDF ';
}

Boolean GetDoDNS() { return ReadFalseRuleFlag(kDoDNSKey, false); }
Boolean GetSimulateToSelf() { return ReadFalseRuleFlag(kSimulateToSelfKey, false); }
Boolean GetSimulateErrors() { return ReadFalseRuleFlag(kSimulateErrorsKey, false); }

Boolean GetSMTPHelloIsEHLO()
{
    const auto value = Read(kSMTPHelloKey);
    return value == nullptr || Equals(value, "EHLO");
}

Boolean GetUseExternalAddress() { return ReadTrueRuleFlag(kUseExternalAddressKey, false); }
Boolean GetVerifyEmailAddresses() { return ReadTrueRuleFlag(kVerifyEmailAddressesKey, false); }
Boolean GetResendOnError() { return ReadTrueRuleFlag(kResendOnErrorKey, false); }
Boolean GetResetRecipients() { return ReadFalseRuleFlag(kResetRecipientsKey, true); }
Boolean GetRestoreWorkspace() { return ReadTrueRuleFlag(kRestoreWorkspaceKey, false); }
Boolean GetRegularExpression() { return ReadTrueRuleFlag(kRegularExpressionKey, false); }

void ShowLogFile()
{
    FSRef folder;
    if (!GetLogsFolder(&folder))
        return;
    const QString path = QString::fromStdString(folder.path + "/" + CLogFile::kFileName);
    if (QFileInfo(path).isFile())
        Launcher::Current().Open(path);
}
