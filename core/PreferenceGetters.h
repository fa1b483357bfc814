// The program's settings: every key of the application's preference domain as a named constant,
// and the typed getters the rest of the program calls instead of reading the store itself.
//
// Value forms: flags are "true" / "false"; a getter reads its flag by one of two rules and has
// its own default for an absent key — the "true"-rule (on only for exactly "true") or the
// "false"-rule (on unless exactly "false"). Numbers are decimal text read like atol (leading
// digits count; text without digits reads 0; only an absent key takes the default unless the
// getter says otherwise).
//
// Every getter reads the store at each call (nothing is cached) and never fails: an absent key,
// or a value that is not text, gives the default. Any thread the preference store allows.
#pragma once

#include "CString256.h"
#include "MacTypes.h"

#include <QString>

// Keys of the program-wide settings (text values unless noted).
inline constexpr char kLastPreferencePaneKey[] = "Last Preference Pane";
inline constexpr char kAutoSaveKey[] = "Auto Save";
inline constexpr char kAutoSavePeriodKey[] = "Auto Save Period";
inline constexpr char kSaveImportedKey[] = "Save Imported";
inline constexpr char kMessageMonitorPortKey[] = "MessageMonitorPort";
inline constexpr char kMessageMonitorIPAddressKey[] = "MessageMonitorIPAddress";
inline constexpr char kMessageMonitorOpenOnLaunchKey[] = "Message Monitor Open On Launch";
inline constexpr char kMessageMonitorShouldUseExternalAddressKey[] = "Message Monitor Should Use External Address";
inline constexpr char kMessageMonitorUseDNSKey[] = "Message Monitor Use DNS";
inline constexpr char kMessageMonitorKey[] = "MessageMonitor";
inline constexpr char kThrottleTypeKey[] = "Throttle Type";
inline constexpr char kThrottlePeriodDelayKey[] = "Throttle Period Delay";
inline constexpr char kThrottleMessageNumberKey[] = "Throttle Message Number";
inline constexpr char kThrottleTimeUnitKey[] = "Throttle Time Unit";
inline constexpr char kThrottleBatchSizeKey[] = "Throttle Batch Size";
inline constexpr char kThrottleBatchTypeKey[] = "Throttle Batch Type";
inline constexpr char kDisplayHelpTagsKey[] = "Display Help Tags";
inline constexpr char kTagDelayKey[] = "Tag Delay";
inline constexpr char kDisplayMessageEditorsWithSheetsKey[] = "Display Message Editors With Sheets";
inline constexpr char kRestoreWorkspaceKey[] = "Restore Workspace";
inline constexpr char kShowPriorityCheckboxKey[] = "ShowPriorityCheckbox";
inline constexpr char kShowCharsetCheckboxKey[] = "ShowCharsetCheckbox";
inline constexpr char kIncludeMDNHeaderKey[] = "Include MDN Header";
inline constexpr char kIncludeBCCHeaderKey[] = "Include BCC Header";
inline constexpr char kIncludeXMailerHeaderKey[] = "Include XMailer Header";
inline constexpr char kXMailerHeaderKey[] = "XMailer Header";
inline constexpr char kEncodeQPKey[] = "Encode QP";
inline constexpr char kSenderIsRecipientKey[] = "Sender Is Recipient";
inline constexpr char kInsertContentIDTagsKey[] = "Insert Content ID Tags";
inline constexpr char kCodecQualityKey[] = "Codec Quality";
inline constexpr char kImageHTMLAsTypeKey[] = "Image HTML As Type";
inline constexpr char kPlaySuccessSoundKey[] = "Play Success Sound";
inline constexpr char kPlayErrorSoundKey[] = "Play Error Sound";
inline constexpr char kStartMailingPausedKey[] = "StartMailingPaused";
inline constexpr char kSetSubjectToFilenameKey[] = "Set Subject To Filename";
inline constexpr char kSetSubjectToTitleKey[] = "Set Subject To Title";
inline constexpr char kWarnIfSubjectEmptyKey[] = "Warn If Subject Empty";
inline constexpr char kOpenDefaultEmailerKey[] = "Open Default Emailer";
inline constexpr char kEliminateDuplicatesKey[] = "Eliminate Duplicates";
inline constexpr char kSplitPDFsKey[] = "SplitPDFs";
inline constexpr char kConvertTextAttachmentsToPDFKey[] = "ConvertTextAttachmentsToPDF";
inline constexpr char kZipFoldersKey[] = "ZipFolders";
inline constexpr char kResendOnErrorKey[] = "Resend On Error";
inline constexpr char kVerifyEmailAddressesKey[] = "Verify Email Addresses";
inline constexpr char kResetRecipientsKey[] = "Reset Recipients";
inline constexpr char kRegularExpressionKey[] = "Regular Expression";
inline constexpr char kLogKey[] = "Log";
inline constexpr char kVerboseLoggingKey[] = "Verbose Logging";
inline constexpr char kDateStampLogEntriesKey[] = "DateStampLogEntries";
inline constexpr char kSortErrorsKey[] = "Sort Errors";
inline constexpr char kAutoSaveLogKey[] = "Auto Save Log";
inline constexpr char kUserAgentKey[] = "User Agent";
inline constexpr char kNetworkTimeoutKey[] = "Network Timeout";
inline constexpr char kMessageRetriesKey[] = "Message Retries";
inline constexpr char kMessageRetriesIntervalKey[] = "Message Retries Interval";
inline constexpr char kConsecutiveErrorsKey[] = "Consecutive Errors";
inline constexpr char kRelativeURLsKey[] = "Relative URLs";
inline constexpr char kDoDNSKey[] = "Do DNS";
inline constexpr char kUseExternalAddressKey[] = "Use External Address";
inline constexpr char kSimulateToSelfKey[] = "Simulate To Self";
inline constexpr char kSimulateErrorsKey[] = "Simulate Errors";
inline constexpr char kSMTPHelloKey[] = "SMTP Hello";
inline constexpr char kBlacklistKey[] = "Blacklist";

// Keys of the same domain that other parts of the program own.
inline constexpr char kMailServersKey[] = "MailServers";
inline constexpr char kOpenItemsKey[] = "Open Items";
inline constexpr char kRecentItemsKey[] = "Recent Items";
inline constexpr char kDefaultCharsetKey[] = "Default Charset";
inline constexpr char kFromMeAtKey[] = "From Me At";
inline constexpr char kGroupKey[] = "Group";
inline constexpr char kAddressTypeKey[] = "Address Type";
inline constexpr char kSenderAddressTypeKey[] = "Sender Address Type";
inline constexpr char kOtherOptionsAddressTypeKey[] = "Other Options Address Type";
inline constexpr char kAddRecipientAddressTypeKey[] = "Add Recipient Address Type";
inline constexpr char kAuthenticationTypeKey[] = "Authentication Type";
inline constexpr char kSSLAuthenticationTypeKey[] = "SSL Authentication Type";
inline constexpr char kUseSSLKey[] = "Use SSL";
inline constexpr char kUseOrganizationKey[] = "Use Organization";
inline constexpr char kImageHTMLKey[] = "Image HTML";
inline constexpr char kUseBinhexKey[] = "Use Binhex";
inline constexpr char kAttachmentsDispositionKey[] = "Attachments Disposition";
inline constexpr char kMyNameKey[] = "My Name";
inline constexpr char kMyEmailKey[] = "My Email";
inline constexpr char kRecipientsTabValueKey[] = "Recipients Tab Value";
inline constexpr char kSenderTabValueKey[] = "Sender Tab Value";
inline constexpr char kMailServerKey[] = "Mail Server";
inline constexpr char kMailServerUsernameKey[] = "Mail Server Username";
inline constexpr char kMailServerPortKey[] = "Mail Server Port";
inline constexpr char kMailServerPopPeriodKey[] = "Mail Server Pop Period";
inline constexpr char kLastAddressBookModificationDateKey[] = "Last Address Book Modification Date";

// The default X-Mailer and User-Agent text: "Brevanto (" + version + ")".
inline constexpr char kDefaultAgentPrefix[] = "Brevanto (";
inline constexpr char kDefaultAgentSuffix[] = ")";
void MakeDefaultAgentText(const char* version, CString256& out);

// Codec qualities answered by GetCodecQuality.
inline constexpr SInt32 kCodecQualityLow = 0x100;
inline constexpr SInt32 kCodecQualityNormal = 0x200;
inline constexpr SInt32 kCodecQualityHigh = 0x300;

// Reading rules, for readers of keys that have no getter here.
bool ReadTrueRuleFlag(const char* key, bool absent);   // on only for exactly "true"
bool ReadFalseRuleFlag(const char* key, bool absent);  // on unless exactly "false"
long ReadNumber(const char* key, long absent);         // atol of the text

SInt32 GetAutoSavePeriod();                // 10; "" reads 0 (a reader treats < 1 as "no periodic save")
UInt32 GetMessageMonitorPort();            // 0; as stored (the reader checks 0-65535)
QString GetMessageMonitorIPAddress();      // null QString when absent
Boolean GetAutoSave();                     // false, "true"-rule
Boolean GetSaveImported();                 // false, "true"-rule
SInt32 GetCodecQuality(SInt32& stored);    // 0x200 and stored 2 when absent; 1/2/3 → 0x100/0x200/0x300
Boolean GetShowPriorityCheckbox();         // false, "false"-rule
Boolean GetShowCharsetCheckbox();          // false, "false"-rule
SInt32 GetThrottleBatchType();             // 1
SInt32 GetMessageRetries();                // 2, also for ""
SInt32 GetMessageRetriesInterval();        // 10, also for ""
Boolean GetZipFolders();                   // false, "true"-rule
Boolean GetConvertTextAttachmentsToPDF();  // false, "true"-rule
Boolean GetSplitPDFs();                    // false, "true"-rule
Boolean GetEncodeQP();                     // true, "false"-rule
Boolean GetAutoSaveLog();                  // true, "false"-rule
Boolean GetInsertContentIDTags();          // true, "false"-rule
Boolean GetSenderIsRecipient();            // always false; reads nothing
Boolean GetIncludeMDNHeader();             // false, "false"-rule
Boolean GetIncludeBCCHeader();             // false, "false"-rule
Boolean GetIncludeXMailerHeader();         // true, "false"-rule
OSType GetImageHTMLAsType();               // "TIFF" 'TIFF', "JPEG" 'JPEG', anything else 'PDF '
Boolean GetDoDNS();                        // false, "false"-rule
Boolean GetSimulateToSelf();               // false, "false"-rule
Boolean GetSimulateErrors();               // false, "false"-rule
Boolean GetSMTPHelloIsEHLO();              // true when absent; else only for exactly "EHLO"
Boolean GetUseExternalAddress();           // false, "true"-rule
Boolean GetVerifyEmailAddresses();         // false, "true"-rule
Boolean GetResendOnError();                // false, "true"-rule
Boolean GetResetRecipients();              // true, "false"-rule
Boolean GetRestoreWorkspace();             // false, "true"-rule
Boolean GetRegularExpression();            // false, "true"-rule

// Opens "Brevanto.log" of the Logs folder in its default application when the file exists;
// nothing happens otherwise.
void ShowLogFile();
