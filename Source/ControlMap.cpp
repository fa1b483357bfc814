#include "ControlMap.h"

#include <algorithm>
#include <array>

namespace {

constexpr ControlMapEntry kEntries[] = {
    {"Mailer", 'CNTL', 141, ControlRole::MessageSourcePullDown, ControlKind::PullDown},
    {"Mailer", 'CNTL', 1, ControlRole::SourceField, ControlKind::Field},
    {"Mailer", 'CNTL', 134, ControlRole::SiteIconWell, ControlKind::IconWell},
    {"Mailer", 'CNTL', 20, ControlRole::BrowserIconWell, ControlKind::IconWell},
    {"Mailer", 'CNTL', 2, ControlRole::ViewButton, ControlKind::Button},
    {"Mailer", 'CNTL', 124, ControlRole::SubjectLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 3, ControlRole::SubjectField, ControlKind::Field},
    {"Mailer", 'RTAB', 0, ControlRole::RecipientsTabs, ControlKind::Tabs},
    {"Mailer", 'RPNE', 1000, ControlRole::RecipientsGroupPane, ControlKind::Pane},
    {"Mailer", 'CNTL', 106, ControlRole::GroupLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 4, ControlRole::GroupPopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 15, ControlRole::AddressTypeLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 21, ControlRole::AddressTypePopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 131, ControlRole::GroupCountCaption, ControlKind::Caption},
    {"Mailer", 'RPNE', 1001, ControlRole::RecipientsImportPane, ControlKind::Pane},
    {"Mailer", 'CNTL', 100, ControlRole::ImportPullDown, ControlKind::PullDown},
    {"Mailer", 'CNTL', 111, ControlRole::ImportActionsPullDown, ControlKind::PullDown},
    {"Mailer", 'CNTL', 114, ControlRole::ImportSourceCaption, ControlKind::Caption},
    {"Mailer", 'IPRT', 0, ControlRole::ImportProgressBar, ControlKind::ProgressBar},
    {"Mailer", 'SPNR', 0, ControlRole::ImportArrows, ControlKind::Arrows},
    {"Mailer", 'SipT', 0, ControlRole::ImportStopButton, ControlKind::Button},
    {"Mailer", 'PSTM', 0, ControlRole::ImportStatusCaption, ControlKind::Caption},
    {"Mailer", 'CNTL', 107, ControlRole::AddToGroupCheckBox, ControlKind::CheckBox},
    {"Mailer", 'CNTL', 132, ControlRole::ImportCountCaption, ControlKind::Caption},
    {"Mailer", 'STAB', 0, ControlRole::SenderTabs, ControlKind::Tabs},
    {"Mailer", 'SPNE', 1000, ControlRole::SenderCardPane, ControlKind::Pane},
    {"Mailer", 'CNTL', 27, ControlRole::FromMeAtPopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 28, ControlRole::UseOrganizationCheckBox, ControlKind::CheckBox},
    {"Mailer", 'CNTL', 116, ControlRole::EditMyCardButton, ControlKind::Bevel},
    {"Mailer", 'CNTL', 115, ControlRole::ContactsButton, ControlKind::Bevel},
    {"Mailer", 'SPNE', 1001, ControlRole::SenderManualPane, ControlKind::Pane},
    {"Mailer", 'CNTL', 102, ControlRole::SenderNameLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 103, ControlRole::SenderNameField, ControlKind::Field},
    {"Mailer", 'CNTL', 104, ControlRole::SenderEmailLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 105, ControlRole::SenderEmailField, ControlKind::Field},
    {"Mailer", 'CNTL', 112, ControlRole::PeoplePickerButton, ControlKind::Bevel},
    {"Mailer", 'CNTL', 117, ControlRole::SenderAddressTypePopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 122, ControlRole::SenderPullDown, ControlKind::PullDown},
    {"Mailer", 'CNTL', 113, ControlRole::SenderCaption, ControlKind::Caption},
    {"Mailer", 'CNTL', 118, ControlRole::AttachmentsButton, ControlKind::Bevel},
    {"Mailer", 'CNTL', 130, ControlRole::OtherOptionsButton, ControlKind::Bevel},
    {"Mailer", 'CNTL', 133, ControlRole::ServerSettingsButton, ControlKind::Bevel},
    {"Mailer", 'CNTL', 120, ControlRole::PriorityLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 119, ControlRole::PriorityPopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 123, ControlRole::CharsetPopup, ControlKind::Popup},
    {"Mailer", 'CNTL', 126, ControlRole::ImageHTMLCheckBox, ControlKind::CheckBox},
    {"Mailer", 'SEPA', 4, ControlRole::MailerSeparator, ControlKind::Separator},
    {"Mailer", 'CNTL', 18, ControlRole::StatusProgress, ControlKind::ProgressBar},
    {"Mailer", 'CNTL', 19, ControlRole::StatusCaption, ControlKind::Caption},
    {"Mailer", 'STAT', 1, ControlRole::ScheduleLabelCaption, ControlKind::Caption},
    {"Mailer", 'Time', 1, ControlRole::ScheduleTimeCaption, ControlKind::Caption},
    {"Mailer", 'STAT', 3, ControlRole::ScheduleDateCaption, ControlKind::Caption},
    {"Mailer", 'STAT', 4, ControlRole::ScheduleRepeatCaption, ControlKind::Caption},
    {"Mailer", 'STAT', 9, ControlRole::ScheduleWakeCaption, ControlKind::Caption},
    {"Mailer", 'mmID', 0, ControlRole::UniqueNameCaption, ControlKind::Caption},
    {"Mailer", 'CNTL', 109, ControlRole::MailAppIconWell, ControlKind::IconWell},
    {"Mailer", 'CNTL', 108, ControlRole::TestLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 13, ControlRole::RawSourceButton, ControlKind::Button},
    {"Mailer", 'CNTL', 11, ControlRole::PreviewButton, ControlKind::Button},
    {"Mailer", 'CNTL', 14, ControlRole::SendLabel, ControlKind::Caption},
    {"Mailer", 'CNTL', 5, ControlRole::SendButton, ControlKind::Button},
    {"Attachments", 'CNTL', 7, ControlRole::AttachmentsList, ControlKind::DataBrowser},
    {"Attachments", 'CNTL', 8, ControlRole::AddAttachmentButton, ControlKind::Button},
    {"Attachments", 'CNTL', 9, ControlRole::RemoveAttachmentButton, ControlKind::Button},
    {"Attachments", 'CNTL', 14, ControlRole::AttachmentCountCaption, ControlKind::Caption},
    {"Attachments", 'CNTL', 11, ControlRole::AttachmentSizeCaption, ControlKind::Caption},
    {"Attachments", 'CNTL', 15, ControlRole::AttachmentPathField, ControlKind::Field},
    {"Attachments", 'CNTL', 10, ControlRole::BinHexCheckBox, ControlKind::CheckBox},
    {"Attachments", 'CNTL', 12, ControlRole::DispositionPopup, ControlKind::Popup},
    {"Recipients", 'CNTL', 4, ControlRole::RecipientsDisplayPopup, ControlKind::Popup},
    {"Recipients", 'CNTL', 6, ControlRole::RecipientsSearchField, ControlKind::SearchField},
    {"Recipients", 'CNTL', 1, ControlRole::RecipientsList, ControlKind::DataBrowser},
    {"Recipients", 'CNTL', 2, ControlRole::SelectionPullDown, ControlKind::PullDown},
    {"Recipients", 'CNTL', 3, ControlRole::FlagsPullDown, ControlKind::PullDown},
    {"Recipients", 'CNTL', 7, ControlRole::CheckPullDown, ControlKind::PullDown},
    {"Recipients", 'CNTL', 8, ControlRole::SavePullDown, ControlKind::PullDown},
    {"Recipients", 'BEVE', 1, ControlRole::DeleteImportedButton, ControlKind::Button},
    {"Recipients", 'BEVE', 0, ControlRole::SelectionCountCaption, ControlKind::Caption},
    {"Recipients", 'SEPA', 1, ControlRole::RecipientsSeparator, ControlKind::Separator},
    {"ScheduleRecipients", 'CNTL', 2, ControlRole::ScheduleDate, ControlKind::Date},
    {"ScheduleRecipients", 'CNTL', 1, ControlRole::ScheduleTime, ControlKind::Time},
    {"ScheduleRecipients", 'CNTL', 7, ControlRole::RepeatCheckBox, ControlKind::CheckBox},
    {"ScheduleRecipients", 'CNTL', 8, ControlRole::RepeatCountField, ControlKind::Field},
    {"ScheduleRecipients", 'CNTL', 9, ControlRole::RepeatUnitsPopup, ControlKind::Popup},
    {"ScheduleRecipients", 'CNTL', 10, ControlRole::WakeCheckBox, ControlKind::CheckBox},
    {"ScheduleRecipients", 'CNTL', 11, ControlRole::WakeSecondsField, ControlKind::Field},
    {"ScheduleRecipients", 'CNTL', 5, ControlRole::UnscheduleButton, ControlKind::Button},
    {"AddRecipient", 'FNME', 0, ControlRole::AddFirstNameField, ControlKind::Field},
    {"AddRecipient", 'LNME', 0, ControlRole::AddLastNameField, ControlKind::Field},
    {"AddRecipient", 'MAIL', 0, ControlRole::AddEmailField, ControlKind::Field},
    {"AddRecipient", 'ATYP', 0, ControlRole::AddAddressTypePopup, ControlKind::Popup},
    {"AddRecipient", 'PPIK', 0, ControlRole::AddPeoplePickerButton, ControlKind::Bevel},
    {"AddRecipient", 'ERR1', 0, ControlRole::AddErrorCaption, ControlKind::Caption},
    {"OtherOptions", 'CC  ', 0, ControlRole::CcField, ControlKind::Field},
    {"OtherOptions", 'BCC ', 0, ControlRole::BccField, ControlKind::Field},
    {"OtherOptions", 'RTRN', 0, ControlRole::ReturnPathField, ControlKind::Field},
    {"OtherOptions", 'RPLY', 0, ControlRole::ReplyToField, ControlKind::Field},
    {"OtherOptions", 'CNTL', 135, ControlRole::OptionsPeoplePickerButton, ControlKind::Bevel},
    {"OtherOptions", 'CNTL', 136, ControlRole::OptionsAddressTypePopup, ControlKind::Popup},
    {"ServerSettings", 'CNTL', 543, ControlRole::ServersPopup, ControlKind::Popup},
    {"ServerSettings", 'MAIL', 0, ControlRole::ImportMailServersButton, ControlKind::Button},
    {"ServerSettings", 'CNTL', 10, ControlRole::ServerField, ControlKind::Field},
    {"ServerSettings", 'CNTL', 23, ControlRole::UserNameField, ControlKind::Field},
    {"ServerSettings", 'CNTL', 24, ControlRole::PasswordField, ControlKind::SecureField},
    {"ServerSettings", 'CNTL', 25, ControlRole::PortField, ControlKind::Field},
    {"ServerSettings", 'CNTL', 139, ControlRole::PortPopup, ControlKind::Popup},
    {"ServerSettings", 'CNTL', 128, ControlRole::PopPeriodLabel, ControlKind::Caption},
    {"ServerSettings", 'CNTL', 127, ControlRole::PopPeriodField, ControlKind::Field},
    {"ServerSettings", 'CNTL', 125, ControlRole::AuthenticationPopup, ControlKind::Popup},
    {"ServerSettings", 'CNTL', 137, ControlRole::UseSSLCheckBox, ControlKind::CheckBox},
    {"ServerSettings", 'CNTL', 138, ControlRole::SecureAuthenticationPopup, ControlKind::Popup},
    {"ServerSettings", 'CNTL', 144, ControlRole::AcceptAnyCertificateCheckBox, ControlKind::CheckBox},
    {"ServerSettings", 'TPRT', 0, ControlRole::TestPortButton, ControlKind::Button},
    {"ServerSettings", 'CNTL', 140, ControlRole::TestBusyIndicator, ControlKind::Arrows},
    {"Progress", 'CNTL', 1, ControlRole::SummaryDocumentCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 2, ControlRole::SummarySubjectCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 3, ControlRole::SummaryServerCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 4, ControlRole::SummaryMonitorCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 13, ControlRole::SummarySenderCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 14, ControlRole::SummarySourceLabel, ControlKind::Caption},
    {"Progress", 'CNTL', 15, ControlRole::SummarySourceCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 23, ControlRole::SummaryThrottleCaption, ControlKind::Caption},
    {"Progress", 'SEPA', 1, ControlRole::ProgressTopSeparator, ControlKind::Separator},
    {"Progress", 'CNTL', 5, ControlRole::SendProgressBar, ControlKind::ProgressBar},
    {"Progress", 'CNTL', 6, ControlRole::ProgressStatusCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 17, ControlRole::RecipientCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 18, ControlRole::RecipientCountCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 16, ControlRole::RateCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 21, ControlRole::ElapsedLabel, ControlKind::Caption},
    {"Progress", 'CNTL', 19, ControlRole::ElapsedCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 10, ControlRole::DeliveredLabel, ControlKind::Caption},
    {"Progress", 'CNTL', 8, ControlRole::DeliveredList, ControlKind::DataBrowser},
    {"Progress", 'BEVE', 0, ControlRole::ErrorCountCaption, ControlKind::Caption},
    {"Progress", 'Time', 1, ControlRole::ProgressScheduleCaption, ControlKind::Caption},
    {"Progress", 'CNTL', 22, ControlRole::SimulateIconPane, ControlKind::UserPane},
    {"Progress", 'SEPA', 2, ControlRole::ProgressBottomSeparator, ControlKind::Separator},
    {"Progress", 'CNTL', 12, ControlRole::ReportsLabel, ControlKind::Caption},
    {"Progress", 'CNTL', 11, ControlRole::ReportsButton, ControlKind::Button},
    {"Progress", 'CNTL', 20, ControlRole::PauseButton, ControlKind::Button},
    {"Progress", 'CNTL', 7, ControlRole::AbortButton, ControlKind::Button},
    {"Progress", 'CNTL', 9, ControlRole::CloseProgressButton, ControlKind::Button},
    {"Preamble", 'CNTL', 8, ControlRole::PreambleTextPane, ControlKind::TextPane},
    {"Preamble", 'CNTL', 9, ControlRole::PreambleTagPullDown, ControlKind::PullDown},
    {"Preamble", 'CNTL', 10, ControlRole::PreambleAddressBookTagPullDown, ControlKind::PullDown},
    {"Preamble", 'CNTL', 17, ControlRole::PreambleImportTagButton, ControlKind::Button},
    {"Preamble", 'CNTL', 16, ControlRole::PreambleScriptButton, ControlKind::Button},
    {"Preamble", 'CNTL', 15, ControlRole::PreambleSpellingButton, ControlKind::Button},
    {"Preamble", 'CNTL', 18, ControlRole::PreambleFontsButton, ControlKind::Button},
    {"Preamble", 'CNTL', 14, ControlRole::PreambleHelpButton, ControlKind::Button},
    {"Preamble", 'CNTL', 13, ControlRole::PreambleClearButton, ControlKind::Button},
    {"Preamble", 'CNTL', 12, ControlRole::PreambleCancelButton, ControlKind::Button},
    {"Preamble", 'CNTL', 11, ControlRole::PreambleOKButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 8, ControlRole::EpilogueTextPane, ControlKind::TextPane},
    {"Epilogue", 'CNTL', 9, ControlRole::EpilogueTagPullDown, ControlKind::PullDown},
    {"Epilogue", 'CNTL', 10, ControlRole::EpilogueAddressBookTagPullDown, ControlKind::PullDown},
    {"Epilogue", 'CNTL', 17, ControlRole::EpilogueImportTagButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 16, ControlRole::EpilogueScriptButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 15, ControlRole::EpilogueSpellingButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 14, ControlRole::EpilogueHelpButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 13, ControlRole::EpilogueClearButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 12, ControlRole::EpilogueCancelButton, ControlKind::Button},
    {"Epilogue", 'CNTL', 11, ControlRole::EpilogueOKButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 8, ControlRole::PlainTextAlternativeTextPane, ControlKind::TextPane},
    {"PlainTextAlternative", 'CNTL', 9, ControlRole::PlainTextAlternativeTagPullDown, ControlKind::PullDown},
    {"PlainTextAlternative", 'CNTL', 10, ControlRole::PlainTextAlternativeAddressBookTagPullDown, ControlKind::PullDown},
    {"PlainTextAlternative", 'CNTL', 17, ControlRole::PlainTextAlternativeImportTagButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 16, ControlRole::PlainTextAlternativeScriptButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 15, ControlRole::PlainTextAlternativeSpellingButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 14, ControlRole::PlainTextAlternativeHelpButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 13, ControlRole::PlainTextAlternativeClearButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 12, ControlRole::PlainTextAlternativeCancelButton, ControlKind::Button},
    {"PlainTextAlternative", 'CNTL', 11, ControlRole::PlainTextAlternativeOKButton, ControlKind::Button},
    {"SelectEntourageGroup", 'CNTL', 3, ControlRole::EntourageCaption, ControlKind::Caption},
    {"SelectEntourageGroup", 'CNTL', 1, ControlRole::EntourageGroupPopup, ControlKind::Popup},
    {"SelectEntourageGroup", 'CNTL', 2, ControlRole::EntourageArrows, ControlKind::Arrows},
    {"NoMyCardAlert", 'show', 0, ControlRole::DontShowAgainCheckBox, ControlKind::CheckBox},
    {"MessageMonitor", 'DATA', 0, ControlRole::RequestsList, ControlKind::DataBrowser},
    {"MessageMonitor", 'MMWT', 0, ControlRole::MonitorStatusCaption, ControlKind::Caption},
    {"MessageMonitor", 'OPNP', 0, ControlRole::MonitorPreferencesButton, ControlKind::Button},
    {"MessageMonitor", 'ECSV', 0, ControlRole::ExportRequestsButton, ControlKind::Button},
};

constexpr const char* kNibWindows[] = {
    "Mailer", "Attachments", "AttachmentsSmall", "Recipients", "ScheduleRecipients", "AddRecipient",
    "OtherOptions", "ServerSettings", "Progress", "PreambleSheet", "PreambleWindow", "EpilogueSheet",
    "EpilogueWindow", "PlainTextAlternativeSheet", "PlainTextAlternativeWindow", "SelectEntourageGroup",
    "NoMyCardAlert", "AppendOrReplace", "RemoveImport", "About", "MessageMonitor",
};

struct KindClass {
    ControlKind kind;
    const char* qtClass;
    const char* promoted;
};

constexpr KindClass kKindClasses[] = {
    {ControlKind::Field, "QLineEdit", nullptr},
    {ControlKind::SecureField, "QLineEdit", nullptr},
    {ControlKind::Caption, "QLabel", nullptr},
    {ControlKind::Popup, "QComboBox", nullptr},
    {ControlKind::CheckBox, "QCheckBox", nullptr},
    {ControlKind::Button, "QPushButton", nullptr},
    {ControlKind::Bevel, "QToolButton", nullptr},
    {ControlKind::PullDown, "QToolButton", nullptr},
    {ControlKind::IconWell, "QWidget", "IconWell"},
    {ControlKind::ProgressBar, "QProgressBar", nullptr},
    {ControlKind::Arrows, "QProgressBar", nullptr},
    {ControlKind::Tabs, "QTabWidget", nullptr},
    {ControlKind::Pane, "QWidget", nullptr},
    {ControlKind::Separator, "QFrame", nullptr},
    {ControlKind::DataBrowser, "QTreeView", "DataBrowser"},
    {ControlKind::TextPane, "QTextEdit", "TextPane"},
    {ControlKind::UserPane, "QWidget", "UserPane"},
    {ControlKind::SearchField, "QLineEdit", "SearchField"},
    {ControlKind::Date, "QDateEdit", nullptr},
    {ControlKind::Time, "QTimeEdit", nullptr},
};

const KindClass& ClassesOf(ControlKind inKind)
{
    return *std::find_if(std::begin(kKindClasses), std::end(kKindClasses),
                         [inKind](const KindClass& entry) { return entry.kind == inKind; });
}

} // namespace

std::span<const ControlMapEntry> ControlMap::Entries() { return kEntries; }

const ControlMapEntry* ControlMap::Find(ControlRole inRole)
{
    for (const ControlMapEntry& entry : kEntries) {
        if (entry.role == inRole)
            return &entry;
    }
    return nullptr;
}

const ControlMapEntry* ControlMap::Find(const QString& inDesign, OSType inSignature, SInt32 inNumber)
{
    for (const ControlMapEntry& entry : kEntries) {
        if (entry.signature == inSignature && entry.number == inNumber && inDesign == QLatin1String(entry.design))
            return &entry;
    }
    return nullptr;
}

std::vector<const ControlMapEntry*> ControlMap::EntriesOf(const QString& inDesign)
{
    std::vector<const ControlMapEntry*> found;
    for (const ControlMapEntry& entry : kEntries) {
        if (inDesign == QLatin1String(entry.design))
            found.push_back(&entry);
    }
    return found;
}

std::span<const char* const> ControlMap::NibWindows() { return kNibWindows; }

QString ControlMap::DesignOf(const QString& inNibWindow)
{
    if (inNibWindow == QLatin1String("AttachmentsSmall"))
        return QStringLiteral("Attachments");
    for (const char* suffix : {"Sheet", "Window"}) {
        const QLatin1String tail(suffix);
        if (inNibWindow.endsWith(tail) && inNibWindow.size() > tail.size())
            return inNibWindow.chopped(tail.size());
    }
    return inNibWindow;
}

const char* ControlMap::QtClassOf(ControlKind inKind) { return ClassesOf(inKind).qtClass; }

const char* ControlMap::PromotedClassOf(ControlKind inKind) { return ClassesOf(inKind).promoted; }

QString ControlMap::ObjectName(OSType inSignature, SInt32 inNumber)
{
    QString name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((inSignature >> shift) & 0xFF);
        name += c == ' ' ? QChar(u'_') : QChar::fromLatin1(c);
    }
    return name + u':' + QString::number(inNumber);
}
