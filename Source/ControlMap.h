// ControlMap: the one table of the controls the program finds by control ID in the nib
// "Brevanto": for each (window design, signature, number) the control's role and its kind. Window
// construction binds controls only through it, and the nib walk test checks every entry against
// the .ui files. A design is the window as drawn once: "Attachments" serves the drawers
// "Attachments" and "AttachmentsSmall", "Preamble" the editors "PreambleSheet" and
// "PreambleWindow" (likewise "Epilogue" and "PlainTextAlternative"). The table is constant data:
// any thread may read it; lookups that find nothing answer null.
#pragma once

#include "MacTypes.h"

#include <QString>

#include <span>
#include <vector>

// What a control is, and so which widget class the nib must give it.
enum class ControlKind {
    Field, SecureField, Caption, Popup, CheckBox, Button, Bevel, PullDown, IconWell, ProgressBar,
    Arrows, Tabs, Pane, Separator, DataBrowser, TextPane, UserPane, SearchField, Date, Time
};

// What a control is for; one enumerator per control of the table.
enum class ControlRole {
    MessageSourcePullDown, SourceField, SiteIconWell, BrowserIconWell, ViewButton, SubjectLabel,
    SubjectField, RecipientsTabs, RecipientsGroupPane, GroupLabel, GroupPopup, AddressTypeLabel,
    AddressTypePopup, GroupCountCaption, RecipientsImportPane, ImportPullDown, ImportActionsPullDown,
    ImportSourceCaption, ImportProgressBar, ImportArrows, ImportStopButton, ImportStatusCaption,
    AddToGroupCheckBox, ImportCountCaption, SenderTabs, SenderCardPane, FromMeAtPopup,
    UseOrganizationCheckBox, EditMyCardButton, ContactsButton, SenderManualPane, SenderNameLabel,
    SenderNameField, SenderEmailLabel, SenderEmailField, PeoplePickerButton, SenderAddressTypePopup,
    SenderPullDown, SenderCaption, AttachmentsButton, OtherOptionsButton, ServerSettingsButton,
    PriorityLabel, PriorityPopup, CharsetPopup, ImageHTMLCheckBox, MailerSeparator, StatusProgress,
    StatusCaption, ScheduleLabelCaption, ScheduleTimeCaption, ScheduleDateCaption, ScheduleRepeatCaption,
    ScheduleWakeCaption, UniqueNameCaption, MailAppIconWell, TestLabel, RawSourceButton, PreviewButton,
    SendLabel, SendButton, AttachmentsList, AddAttachmentButton, RemoveAttachmentButton,
    AttachmentCountCaption, AttachmentSizeCaption, AttachmentPathField, BinHexCheckBox, DispositionPopup,
    RecipientsDisplayPopup, RecipientsSearchField, RecipientsList, SelectionPullDown, FlagsPullDown,
    CheckPullDown, SavePullDown, DeleteImportedButton, SelectionCountCaption, RecipientsSeparator,
    ScheduleDate, ScheduleTime, RepeatCheckBox, RepeatCountField, RepeatUnitsPopup, WakeCheckBox,
    WakeSecondsField, UnscheduleButton, AddFirstNameField, AddLastNameField, AddEmailField,
    AddAddressTypePopup, AddPeoplePickerButton, AddErrorCaption, CcField, BccField, ReturnPathField,
    ReplyToField, OptionsPeoplePickerButton, OptionsAddressTypePopup, ServersPopup, ImportMailServersButton,
    ServerField, UserNameField, PasswordField, PortField, PortPopup, PopPeriodLabel, PopPeriodField,
    AuthenticationPopup, UseSSLCheckBox, SecureAuthenticationPopup, AcceptAnyCertificateCheckBox,
    TestPortButton, TestBusyIndicator,
    SummaryDocumentCaption, SummarySubjectCaption, SummaryServerCaption, SummaryMonitorCaption,
    SummarySenderCaption, SummarySourceLabel, SummarySourceCaption, SummaryThrottleCaption, ProgressTopSeparator, SendProgressBar,
    ProgressStatusCaption, RecipientCaption, RecipientCountCaption, RateCaption, ElapsedLabel,
    ElapsedCaption, DeliveredLabel, DeliveredList, ErrorCountCaption, ProgressScheduleCaption,
    SimulateIconPane, ProgressBottomSeparator, ReportsLabel, ReportsButton, PauseButton, AbortButton,
    CloseProgressButton, PreambleTextPane, PreambleTagPullDown, PreambleAddressBookTagPullDown,
    PreambleImportTagButton, PreambleScriptButton, PreambleSpellingButton, PreambleFontsButton,
    PreambleHelpButton, PreambleClearButton, PreambleCancelButton, PreambleOKButton, EpilogueTextPane,
    EpilogueTagPullDown, EpilogueAddressBookTagPullDown, EpilogueImportTagButton, EpilogueScriptButton,
    EpilogueSpellingButton, EpilogueHelpButton, EpilogueClearButton, EpilogueCancelButton, EpilogueOKButton,
    PlainTextAlternativeTextPane, PlainTextAlternativeTagPullDown,
    PlainTextAlternativeAddressBookTagPullDown, PlainTextAlternativeImportTagButton,
    PlainTextAlternativeScriptButton, PlainTextAlternativeSpellingButton, PlainTextAlternativeHelpButton,
    PlainTextAlternativeClearButton, PlainTextAlternativeCancelButton, PlainTextAlternativeOKButton,
    EntourageCaption, EntourageGroupPopup, EntourageArrows, DontShowAgainCheckBox, RequestsList,
    MonitorStatusCaption, MonitorPreferencesButton, ExportRequestsButton
};

struct ControlMapEntry {
    const char* design; // the window design, e.g. "Mailer", "Attachments", "Preamble"
    OSType signature;
    SInt32 number;
    ControlRole role;
    ControlKind kind;
};

class ControlMap {
public:
    static std::span<const ControlMapEntry> Entries();
    static const ControlMapEntry* Find(ControlRole inRole);
    static const ControlMapEntry* Find(const QString& inDesign, OSType inSignature, SInt32 inNumber);
    static std::vector<const ControlMapEntry*> EntriesOf(const QString& inDesign);

    // Every window the nib holds (menus and the menu bar aside), by nib window name.
    static std::span<const char* const> NibWindows();
    // The design a nib window is drawn from: "AttachmentsSmall" -> "Attachments",
    // "PreambleSheet" -> "Preamble"; other names are their own design.
    static QString DesignOf(const QString& inNibWindow);

    // The Qt class a widget of this kind inherits, and the promoted class the nib declares for
    // it (null when the kind uses a stock Qt class).
    static const char* QtClassOf(ControlKind inKind);
    static const char* PromotedClassOf(ControlKind inKind);

    // The widget's object name: signature (blanks as "_"), ":" and number, as "CC__:0".
    static QString ObjectName(OSType inSignature, SInt32 inNumber);
};
