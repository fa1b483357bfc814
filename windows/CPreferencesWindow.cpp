#include "CPreferencesWindow.h"

#include "AlertHelpers.h"
#include "ByteDecoders.h"
#include "CEnvironment.h"
#include "CFPreferenceDomain.h"
#include "ControlData.h"
#include "ControlHelpers.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "DownloadFolder.h"
#include "HelpLinks.h"
#include "HelpTags.h"
#include "LException.h"
#include "LThread.h"
#include "MessageMonitor.h"
#include "NibLoader.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "Presenter.h"
#include "WholeFileWrite.h"
#include "WindowEvents.h"
#include "WindowUtilities.h"

#include <QComboBox>
#include <QFile>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>

#include <algorithm>
#include <cstdlib>
#include <cstring>

CPreferencesWindow* gPreferencesWindow = nullptr;

namespace {

constexpr OSType kSignature = 'PREF';
constexpr OSType kTabSignature = 'PRTT';
constexpr OSType kPaneSignature = 'PRTB';
constexpr OSType kThrottleSignature = 'THRT';
constexpr OSType kAutoSaveSignature = 'ASST';
constexpr SInt32 kTabID = 1000;
constexpr DataBrowserPropertyID kMailProperty = 'Mail';
constexpr UInt32 kOneSecond = 60; // ticks
constexpr long kLargestPort = 65535;

enum class Rule { trueRule, falseRule }; // on only for "true" / on unless "false"

struct Flag {
    SInt32 id;
    const char* key;
    Rule rule;
    bool absent;
    CommandT command;
};

// Check boxes in the order they load (an enabling box before the controls it enables).
constexpr Flag kFlags[] = {
    {1000, kAutoSaveKey, Rule::trueRule, false, 'ASAV'},
    {1043, kSaveImportedKey, Rule::trueRule, false, 'SIPT'},
    {1001, kMessageMonitorOpenOnLaunchKey, Rule::trueRule, false, 'UPDT'},
    {1068, kMessageMonitorShouldUseExternalAddressKey, Rule::trueRule, false, 'UEXT'},
    {1069, kMessageMonitorUseDNSKey, Rule::trueRule, false, 'UDNS'},
    {1006, kDisplayHelpTagsKey, Rule::falseRule, true, 'DISP'},
    {1053, kDisplayMessageEditorsWithSheetsKey, Rule::falseRule, false, 'DMes'},
    {1054, kRestoreWorkspaceKey, Rule::trueRule, false, 'rstW'},
    {1071, kRegularExpressionKey, Rule::trueRule, false, 'REGX'},
    {1034, kShowPriorityCheckboxKey, Rule::falseRule, false, 'SPRM'},
    {1009, kIncludeMDNHeaderKey, Rule::falseRule, false, 'IMDN'},
    {1036, kIncludeBCCHeaderKey, Rule::falseRule, false, 'BCC '},
    {1010, kIncludeXMailerHeaderKey, Rule::falseRule, true, 'IXML'},
    {1035, kEncodeQPKey, Rule::falseRule, true, 'enQP'},
    {1039, kSenderIsRecipientKey, Rule::trueRule, false, 'sISr'},
    {1026, kPlaySuccessSoundKey, Rule::trueRule, false, 'SSND'},
    {1027, kPlayErrorSoundKey, Rule::falseRule, true, 'ESND'},
    {1038, kStartMailingPausedKey, Rule::trueRule, false, 'PaUs'},
    {1028, kSetSubjectToFilenameKey, Rule::falseRule, true, 'SSTF'},
    {1029, kSetSubjectToTitleKey, Rule::falseRule, true, 'SSTT'},
    {1056, kWarnIfSubjectEmptyKey, Rule::falseRule, true, 'WiSF'},
    {1021, kOpenDefaultEmailerKey, Rule::falseRule, true, 'ODEM'},
    {1041, kEliminateDuplicatesKey, Rule::trueRule, false, 'DuPl'},
    {1062, kSplitPDFsKey, Rule::trueRule, false, 'sPLt'},
    {1063, kConvertTextAttachmentsToPDFKey, Rule::trueRule, false, 'CTaP'},
    {1046, kZipFoldersKey, Rule::trueRule, false, 'ZipF'},
    {1048, kResendOnErrorKey, Rule::trueRule, false, 'RsNd'},
    {1049, kVerifyEmailAddressesKey, Rule::trueRule, false, 'Veml'},
    {1020, kVerboseLoggingKey, Rule::falseRule, false, 'VERB'},
    {1045, kDateStampLogEntriesKey, Rule::falseRule, false, 'sTmp'},
    {1012, kLogKey, Rule::falseRule, true, 'WLOG'},
    {1013, kResetRecipientsKey, Rule::falseRule, true, 'RSET'},
    {1014, kSortErrorsKey, Rule::falseRule, true, 'SORT'},
    {1052, kAutoSaveLogKey, Rule::falseRule, true, 'ASLg'},
    {1067, kInsertContentIDTagsKey, Rule::falseRule, true, 'ICid'},
    {1019, kDoDNSKey, Rule::falseRule, false, 'DDNS'},
    {1050, kUseExternalAddressKey, Rule::trueRule, false, 'exIP'},
    {1047, kSimulateToSelfKey, Rule::falseRule, false, 'SSlf'},
    {1055, kSimulateErrorsKey, Rule::falseRule, false, 'Esim'},
};

// The character-set box: shown from its setting, stored by nobody; its command acts at once.
constexpr SInt32 kCharsetBoxID = 55;
constexpr CommandT kCharsetCommand = 'eedc';

// Popups and the radio group that store their 1-based value as a number.
struct Choice {
    SInt32 id;
    const char* key;
    CommandT command;
};
constexpr Choice kChoices[] = {
    {1022, kThrottleTypeKey, 'TTYP'},
    {1024, kThrottleTimeUnitKey, 'TUNT'},
    {1064, kThrottleBatchTypeKey, 'bTyp'},
    {1040, kCodecQualityKey, 'ImQu'},
    {1025, kRelativeURLsKey, 'RELA'},
};
constexpr SInt32 kImageTypeID = 1061;
constexpr CommandT kImageTypeCommand = 'IHAT';
constexpr const char* kImageTypes[] = {"PDF", "JPEG", "TIFF"};
constexpr SInt32 kHelloID = 1017;
constexpr CommandT kHelloCommand = 'EHLO';

// Text fields in the order they are stored at close.
enum class Substitute { none, defaultIfEmpty, defaultBelowOne };
struct Text {
    SInt32 id;
    const char* key;
    bool digits;
    const char* fallback; // shown for an absent (and for some an empty) value; stored at close
    Substitute substitute;
};
constexpr Text kTexts[] = {
    {1015, kXMailerHeaderKey, false, nullptr, Substitute::none},
    {1016, kUserAgentKey, false, nullptr, Substitute::none},
    {1031, kNetworkTimeoutKey, true, "15", Substitute::none},
    {1042, kMessageRetriesKey, true, "2", Substitute::none},
    {1044, kMessageRetriesIntervalKey, true, "10", Substitute::none},
    {1032, kConsecutiveErrorsKey, true, "3", Substitute::none},
    {1023, kThrottleMessageNumberKey, true, "12", Substitute::defaultBelowOne},
    {1030, kThrottleBatchSizeKey, true, "25", Substitute::defaultBelowOne},
    {1033, kAutoSavePeriodKey, true, "10", Substitute::none},
    {1066, kMessageMonitorPortKey, true, "0", Substitute::none},
    {1070, kMessageMonitorIPAddressKey, false, nullptr, Substitute::none},
};
constexpr SInt32 kXMailerID = 1015, kUserAgentID = 1016, kNetworkTimeoutID = 1031, kConsecutiveErrorsID = 1032,
                 kAutoSavePeriodID = 1033, kPortID = 1066, kAddressID = 1070, kBatchSizeID = 1030;
constexpr SInt32 kSliderID = 1004, kSliderCaptionID = 1005, kArrowsID = 1007, kArrowsCaptionID = 1008,
                 kDownloadFolderID = 1002, kBlacklistID = 1057, kBatchCopiesID = 1065, kMessageNumberID = 1023,
                 kTimeUnitID = 1024, kBatchTypeID = 1064;

struct PaneInfo {
    const char* anchor;
    const char* tag;
};
constexpr PaneInfo kPanes[CPreferencesWindow::kPaneCount] = {
    {"Saving", "Options for saving, such as autosaving during a mailing."},
    {"Monitor", "Message Monitor options."},
    {"Throttle", "Control the rate and manner mail is delivered."},
    {"Windows", "Specify window behaviors, such as help tags."},
    {"Message", "Message related options, such as optional mail headers."},
    {"Behavior", "Useful options for customizing the programs behavior."},
    {"Logs", "Logging options."},
    {"Special", "Various special parameters that control program behavior."},
    {"Blacklist", "Create a list of email addresses to avoid during a mailing."},
};

const char kFolderUnreadable[] = "The system value could not be read.";

std::unique_ptr<char[]> Setting(const char* inKey) { return GetPreference(CString256(inKey)); }

void Store(const char* inKey, const QString& inValue) { SetPreference(inValue.toUtf8().constData(), CString256(inKey)); }

bool ReadFlag(const Flag& inFlag)
{
    const auto value = Setting(inFlag.key);
    if (!value)
        return inFlag.absent;
    return inFlag.rule == Rule::trueRule ? std::strcmp(value.get(), "true") == 0
                                         : std::strcmp(value.get(), "false") != 0;
}

const Flag* FlagOfCommand(CommandT inCommand)
{
    for (const Flag& flag : kFlags) {
        if (flag.command == inCommand)
            return &flag;
    }
    return nullptr;
}

const Choice* ChoiceOfCommand(CommandT inCommand)
{
    for (const Choice& choice : kChoices) {
        if (choice.command == inCommand)
            return &choice;
    }
    return nullptr;
}

// The stored default agent text follows the program's version: an absent or empty text, or
// one that starts with "Brevanto (" (any case), becomes the current default.
QString AgentText(const char* inKey)
{
    const auto value = Setting(inKey);
    CString256 stored(value ? value.get() : "");
    if (stored.Length() > 0 && !stored.StartsWithNoCase(kDefaultAgentPrefix))
        return QString::fromUtf8(value.get());
    CString256 fallback;
    MakeDefaultAgentText(gEnvironment ? gEnvironment->version.text : "", fallback);
    Store(inKey, QString::fromUtf8(fallback.text));
    return QString::fromUtf8(fallback.text);
}

long NumberOf(const QString& inText) { return std::atol(inText.toUtf8().constData()); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Life cycle

CPreferencesWindow::CPreferencesWindow()
{
    const OSStatus error = NibLoader::CreateNibReference(QStringLiteral("Preferences"), mNib);
    if (error != noErr)
        throw LException(error, "the nib \"Preferences\" could not be opened");
    mWindow = mNib->CreateWindow(QStringLiteral("PreferencesWindow"));
    if (!mWindow)
        throw LException(paramErr, mNib->LastError().toStdString());
    WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& ioEvent) { return HandleEvent(ioEvent); });
    LoadControls();
    gPreferencesWindow = this;
    BringToFront();
}

CPreferencesWindow::~CPreferencesWindow()
{
    if (gPreferencesWindow == this)
        gPreferencesWindow = nullptr;
    if (mWindow) {
        WindowEvents::InstallWindowEventHandler(mWindow, {});
        mWindow->deleteLater(); // it may be delivering the event that closed it
    }
}

void CPreferencesWindow::BringToFront()
{
    mWindow->show();
    mWindow->raise();
    mWindow->activateWindow();
}

void CPreferencesWindow::Cleanup()
{
    if (mClosed)
        return;
    mClosed = true;
    Store(kLastPreferencePaneKey, QString::number(mCurrentPane));
    StoreTexts();
    mWindow->hide();
    if (gPreferencesWindow == this)
        gPreferencesWindow = nullptr;
    CCleanupObject::Cleanup();
}

ControlRef CPreferencesWindow::Control(SInt32 inID) const { return ControlLookup::FindControl(mWindow, kSignature, inID); }

// ---------------------------------------------------------------------------------------------
// Loading

void CPreferencesWindow::LoadControls()
{
    InstallTabs();
    const auto pane = Setting(kLastPreferencePaneKey);
    SelectPane(pane ? SInt32(std::atol(pane.get())) : 1);
    LoadFlags();
    LoadChoices();
    LoadTexts();
    InstallSliderAndArrows();
    ShowDownloadFolder();
    RegroupThrottle(GetControl32BitValue(Control(1022)));
    InstallBlacklist();
}

void CPreferencesWindow::LoadFlags()
{
    for (const Flag& flag : kFlags) {
        const bool on = ReadFlag(flag);
        SetControl32BitValue(Control(flag.id), on ? 1 : 0);
        switch (flag.command) {
        case 'ASAV':
        case 'IXML':
        case 'WLOG':
            ApplyFlagEffect(flag.command, on); // only the enabling part: see ApplyFlagEffect
            break;
        default:
            break;
        }
    }
    SetControl32BitValue(Control(kCharsetBoxID), GetShowCharsetCheckbox() ? 1 : 0);
}

void CPreferencesWindow::LoadChoices()
{
    for (const Choice& choice : kChoices) {
        const auto value = Setting(choice.key);
        ControlRef control = Control(choice.id);
        if (!value || !control)
            continue;
        const long stored = std::atol(value.get());
        const SInt32 count = qobject_cast<QComboBox*>(control) ? CountPopupItems(control) : 3;
        if (stored >= 1 && stored <= count)
            SetControl32BitValue(control, SInt32(stored));
    }
    if (const auto type = Setting(kImageHTMLAsTypeKey)) {
        for (SInt32 item = 1; item <= SInt32(std::size(kImageTypes)); ++item) {
            if (std::strcmp(type.get(), kImageTypes[item - 1]) == 0)
                SetControl32BitValue(Control(kImageTypeID), item);
        }
    }
    const auto hello = Setting(kSMTPHelloKey);
    SetControl32BitValue(Control(kHelloID), !hello || std::strcmp(hello.get(), "EHLO") == 0 ? 1 : 2);
}

void CPreferencesWindow::LoadTexts()
{
    for (const Text& text : kTexts) {
        ControlRef field = Control(text.id);
        if (text.digits) {
            const ControlKeyFilterProcPtr filter = DigitsOnlyKeyFilter;
            SetControlData(field, 0, 'fltr', sizeof(filter), &filter);
            LimitDigitsField(field, text.id == kPortID ? kLargestPort : 999999999);
        }
        if (text.id == kXMailerID || text.id == kUserAgentID) {
            SetControlText(field, AgentText(text.key));
            continue;
        }
        const auto value = Setting(text.key);
        const bool empty = !value || value.get()[0] == 0;
        if (text.id == kBatchSizeID) {
            if (value)
                SetControlText(field, QString::fromUtf8(value.get()));
            continue; // absent: the nib's text stays
        }
        if (empty && text.fallback) {
            SetControlText(field, QString::fromLatin1(text.fallback));
            // The four network numbers are in the store from the first display on.
            if (text.id == kNetworkTimeoutID || text.id == kConsecutiveErrorsID || text.id == 1042 || text.id == 1044)
                Store(text.key, QString::fromLatin1(text.fallback));
            continue;
        }
        SetControlText(field, value ? QString::fromUtf8(value.get()) : QString());
    }
}

void CPreferencesWindow::InstallTabs()
{
    auto* tabs = qobject_cast<QTabBar*>(ControlLookup::FindControl(mWindow, kTabSignature, kTabID));
    if (!tabs)
        return;
    if (tabs->count() == 0) {
        for (const PaneInfo& pane : kPanes)
            tabs->addTab(QString::fromLatin1(pane.anchor));
    }
    for (SInt32 pane = 1; pane <= kPaneCount; ++pane)
        HelpTags::SetTabHelpTag(tabs, pane, QString::fromLatin1(kPanes[pane - 1].tag));
    QObject::connect(tabs, &QTabBar::currentChanged, mWindow, [this](int inIndex) {
        if (inIndex + 1 != mCurrentPane && inIndex >= 0)
            SelectPane(inIndex + 1);
    });
}

// The slider sends its command when let go (or moved by a key); its caption follows it while
// it is dragged. The arrows store every step.
void CPreferencesWindow::InstallSliderAndArrows()
{
    if (const auto stored = Setting(kThrottlePeriodDelayKey))
        SetControl32BitValue(Control(kSliderID), SInt32(std::atol(stored.get())));
    SetDelayCaption(Control(kSliderID), Control(kSliderCaptionID));
    if (auto* slider = qobject_cast<QSlider*>(Control(kSliderID))) {
        QObject::connect(slider, &QSlider::valueChanged, mWindow,
                         [this] { SetDelayCaption(Control(kSliderID), Control(kSliderCaptionID)); });
        QObject::connect(slider, &QSlider::sliderReleased, mWindow, [this] { StoreSlider(); });
        QObject::connect(slider, &QSlider::actionTriggered, mWindow, [this, slider](int inAction) {
            if (inAction != QAbstractSlider::SliderMove && !slider->isSliderDown())
                QMetaObject::invokeMethod(mWindow, [this] { StoreSlider(); }, Qt::QueuedConnection);
        });
    }
    const auto delay = Setting(kTagDelayKey);
    const SInt32 tagDelay = delay ? SInt32(std::atol(delay.get())) : 2;
    SetControl32BitValue(Control(kArrowsID), tagDelay);
    SetControlTitleWithCFString(Control(kArrowsCaptionID), QString::number(GetControl32BitValue(Control(kArrowsID))));
    if (auto* arrows = qobject_cast<QSpinBox*>(Control(kArrowsID))) {
        QObject::connect(arrows, &QSpinBox::valueChanged, mWindow, [this] { StoreArrows(); });
    }
}

void CPreferencesWindow::ShowDownloadFolder()
{
    QString folder;
    SetControlTitleWithCFString(Control(kDownloadFolderID), GetDownloadFolder(folder) == noErr
                                                                  ? folder
                                                                  : QString::fromLatin1(kFolderUnreadable));
}

// ---------------------------------------------------------------------------------------------
// Panes and regrouping

void CPreferencesWindow::SelectPane(SInt32 inPane)
{
    if (inPane < 1 || inPane > kPaneCount)
        inPane = 1;
    for (SInt32 pane = 1; pane <= kPaneCount; ++pane)
        HideControl(ControlLookup::FindControl(mWindow, kPaneSignature, 999 + pane));
    mCurrentPane = inPane;
    SetControl32BitValue(ControlLookup::FindControl(mWindow, kTabSignature, kTabID), inPane);
    ShowControl(ControlLookup::FindControl(mWindow, kPaneSignature, 999 + inPane));
}

void CPreferencesWindow::RegroupThrottle(SInt32 inType)
{
    if (inType < 1 || inType > 3)
        return;
    auto show = [this](OSType inSignature, SInt32 inFirst, SInt32 inLast, bool inVisible) {
        for (SInt32 id = inFirst; id <= inLast; ++id)
            SetControlVisibility(ControlLookup::FindControl(mWindow, inSignature, id), inVisible, true);
    };
    const bool delay = inType != 2, perUnit = inType == 2, batches = inType == 3;
    show(kThrottleSignature, 1, 7, delay);
    show(kThrottleSignature, 8, 9, perUnit);
    show(kThrottleSignature, 10, 11, batches);
    show(kSignature, kSliderID, kSliderCaptionID, delay);
    show(kSignature, kMessageNumberID, kTimeUnitID, perUnit);
    for (SInt32 id : {kBatchSizeID, kBatchTypeID, kBatchCopiesID})
        show(kSignature, id, id, batches);
}

void CPreferencesWindow::EnableGroup(std::initializer_list<ControlRef> inControls, bool inEnabled)
{
    for (ControlRef control : inControls) {
        if (inEnabled)
            EnableControl(control);
        else
            DisableControl(control);
    }
}

// ---------------------------------------------------------------------------------------------
// Commands

OSStatus CPreferencesWindow::HandleEvent(WindowEvent& ioEvent)
{
    if (mClosed)
        return eventNotHandledErr;
    switch (ioEvent.kind) {
    case WindowEventKind::commandProcess:
        HandleCommand(ioEvent.command);
        return noErr;
    case WindowEventKind::close:
        Cleanup();
        return eventNotHandledErr; // the window closes as usual
    default:
        return eventNotHandledErr;
    }
}

bool CPreferencesWindow::HandleCommand(CommandT inCommand)
{
    if (FlagOfCommand(inCommand)) {
        StoreFlag(inCommand);
        return true;
    }
    if (ChoiceOfCommand(inCommand) || inCommand == kImageTypeCommand || inCommand == kHelloCommand) {
        StoreChoice(inCommand);
        return true;
    }
    switch (inCommand) {
    case kCharsetCommand:
        ShowControlInAllWindows(GetControl32BitValue(Control(kCharsetBoxID)) != 0);
        return true;
    case 'WAIT':
        StoreSlider();
        return true;
    case 'INCR':
        StoreArrows();
        return true;
    case 'CHNG':
        ChooseDownloadFolder();
        return true;
    case 'RsRT':
        RestartMessageMonitor();
        return true;
    case 'VIEW':
        ShowLogFile();
        return true;
    case 'HELP':
        OpenHelp();
        return true;
    case 'LdBl':
        ImportBlacklist();
        return true;
    case 'ExBl':
        ExportBlacklist();
        return true;
    case 'ClBl':
        ClearBlacklist();
        return true;
    default:
        return false;
    }
}

void CPreferencesWindow::StoreFlag(CommandT inCommand)
{
    const Flag* flag = FlagOfCommand(inCommand);
    const bool on = GetControl32BitValue(Control(flag->id)) != 0;
    Store(flag->key, QString::fromLatin1(on ? "true" : "false"));
    ApplyFlagEffect(inCommand, on);
    switch (inCommand) {
    case 'DISP':
        HelpTags::Get().SetEnabled(on);
        break;
    case 'VERB':
        if (gEnvironment)
            gEnvironment->SetOption(on ? 1 : 0);
        break;
    case 'WLOG':
        if (gEnvironment) {
            if (on)
                gEnvironment->OpenLog();
            else
                gEnvironment->CloseLog();
        }
        break;
    case 'SPRM':
        HideControlInAllWindows(on);
        break;
    case 'DMes':
        ShowStandardAlert(QStringLiteral("Changes take effect the next time you launch Brevanto."), QString());
        break;
    default:
        break;
    }
}

// The enabling that follows a box, both when it loads and when it changes.
void CPreferencesWindow::ApplyFlagEffect(CommandT inCommand, bool inOn)
{
    switch (inCommand) {
    case 'ASAV':
        EnableGroup({Control(kAutoSavePeriodID), ControlLookup::FindControl(mWindow, kAutoSaveSignature, 1),
                     ControlLookup::FindControl(mWindow, kAutoSaveSignature, 2)},
                    inOn);
        break;
    case 'IXML':
        EnableGroup({Control(kXMailerID)}, inOn);
        break;
    case 'WLOG':
        EnableGroup({Control(1020), Control(1045)}, inOn);
        break;
    default:
        break;
    }
}

void CPreferencesWindow::StoreChoice(CommandT inCommand)
{
    if (inCommand == kImageTypeCommand) {
        const SInt32 item = GetControl32BitValue(Control(kImageTypeID));
        Store(kImageHTMLAsTypeKey, QString::fromLatin1(item == 2 ? "JPEG" : item == 3 ? "TIFF" : "PDF"));
        return;
    }
    if (inCommand == kHelloCommand) {
        Store(kSMTPHelloKey, QString::fromLatin1(GetControl32BitValue(Control(kHelloID)) == 2 ? "HELO" : "EHLO"));
        return;
    }
    const Choice* choice = ChoiceOfCommand(inCommand);
    const SInt32 value = GetControl32BitValue(Control(choice->id));
    if (inCommand == 'TTYP')
        RegroupThrottle(value);
    Store(choice->key, QString::number(value));
}

void CPreferencesWindow::StoreSlider()
{
    SetDelayCaption(Control(kSliderID), Control(kSliderCaptionID));
    Store(kThrottlePeriodDelayKey, QString::number(GetControl32BitValue(Control(kSliderID))));
}

void CPreferencesWindow::StoreArrows()
{
    const SInt32 value = GetControl32BitValue(Control(kArrowsID));
    Store(kTagDelayKey, QString::number(value));
    SetControlTitleWithCFString(Control(kArrowsCaptionID), QString::number(value));
    HelpTags::Get().SetDelay(value * 1000);
}

void CPreferencesWindow::StoreTexts()
{
    for (const Text& text : kTexts) {
        QString value = GetControlText(Control(text.id));
        if (text.substitute == Substitute::defaultBelowOne && NumberOf(value) < 1)
            value = QString::fromLatin1(text.fallback);
        Store(text.key, value);
        if (!gEnvironment)
            continue;
        if (text.id == kNetworkTimeoutID)
            gEnvironment->networkTimeout = value.isEmpty() ? CEnvironment::kDefaultNetworkTimeout : SInt32(NumberOf(value));
        else if (text.id == kConsecutiveErrorsID)
            gEnvironment->consecutiveErrors =
                value.isEmpty() ? CEnvironment::kDefaultConsecutiveErrors : SInt32(NumberOf(value));
    }
}

void CPreferencesWindow::ChooseDownloadFolder()
{
    QString start;
    GetDownloadFolder(start);
    const std::optional<QString> folder = Presenter::Get().ChooseFolder(QStringLiteral("Choose a Download Folder"), start);
    if (folder && SetDownloadFolder(*folder) == noErr)
        ShowDownloadFolder();
}

void CPreferencesWindow::RestartMessageMonitor()
{
    Store(kMessageMonitorPortKey, GetControlText(Control(kPortID)));
    Store(kMessageMonitorIPAddressKey, GetControlText(Control(kAddressID)));
    if (!gEnvironment || !gEnvironment->monitorOn) {
        ShowStandardAlert(QStringLiteral("The Message Monitor is not on."),
                          QStringLiteral("There is no need to restart it."));
        return;
    }
    ToggleMessageMonitor(true);
    LThread::Delay(kOneSecond);
    ToggleMessageMonitor(true);
}

void CPreferencesWindow::OpenHelp()
{
    const SInt32 tab = GetControl32BitValue(ControlLookup::FindControl(mWindow, kTabSignature, kTabID));
    const char* anchor = tab >= 2 && tab <= kPaneCount ? kPanes[tab - 1].anchor : kPanes[0].anchor;
    LaunchThroughInternetConfig(HelpFolderURL(QStringLiteral("Preferences.html#") + QLatin1String(anchor)));
}

// ---------------------------------------------------------------------------------------------
// Blacklist

void CPreferencesWindow::InstallBlacklist()
{
    auto* list = qobject_cast<DataBrowser*>(Control(kBlacklistID));
    if (!list)
        return;
    DataBrowserCallbacks callbacks;
    callbacks.itemData = [](DataBrowser*, DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                            DataBrowserItemData& ioData, bool inSetValue) -> OSStatus {
        if (inProperty != kMailProperty)
            return errDataBrowserPropertyNotSupported;
        if (inSetValue || !gEnvironment || inItem < 1 || inItem > DataBrowserItemID(gEnvironment->blacklist.size()))
            return noErr;
        ioData.text = gEnvironment->blacklist.at(qsizetype(inItem - 1));
        return noErr;
    };
    callbacks.compare = [](DataBrowser*, DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID) {
        if (!gEnvironment)
            return false;
        const QStringList& list = gEnvironment->blacklist;
        const qsizetype a = qsizetype(inA) - 1, b = qsizetype(inB) - 1;
        if (a < 0 || b < 0 || a >= list.size() || b >= list.size())
            return false;
        return list.at(a).compare(list.at(b), Qt::CaseInsensitive) < 0;
    };
    list->SetCallbacks(std::move(callbacks));
    list->SetSortProperty(kMailProperty);
    FillBlacklist();
}

void CPreferencesWindow::FillBlacklist()
{
    auto* list = qobject_cast<DataBrowser*>(Control(kBlacklistID));
    if (!list)
        return;
    list->RemoveAllItems();
    if (gEnvironment)
        list->AddItems(UInt32(gEnvironment->blacklist.size()));
    list->scrollToTop();
}

void CPreferencesWindow::StoreBlacklist()
{
    CFPropertyList::Array addresses;
    for (const QString& address : gEnvironment->blacklist)
        addresses.append(CFPropertyList(address));
    CFPreferenceDomain::Application().SetValue(QString::fromLatin1(kBlacklistKey), CFPropertyList(addresses));
}

QStringList CPreferencesWindow::ReadAddressLines(const QByteArray& inBytes)
{
    QString text = DecodeTextFileBytes(inBytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\r'));
}

void CPreferencesWindow::ImportBlacklist()
{
    const std::optional<QString> path =
        Presenter::Get().AskOpenFile(QStringLiteral("Choose File"), QStringLiteral("Choose"), 'TEXT', QString());
    if (!path || !gEnvironment)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = ReadAddressLines(file.readAll());
    if (lines.isEmpty())
        return;
    gEnvironment->blacklist.append(lines);
    FillBlacklist();
    StoreBlacklist();
}

void CPreferencesWindow::ExportBlacklist()
{
    if (!gEnvironment || gEnvironment->blacklist.isEmpty()) {
        ShowStandardAlert(QStringLiteral("There are no recipients to export."), QString());
        return;
    }
    const std::optional<QString> path =
        Presenter::Get().AskSaveFile(QStringLiteral("Export Blacklist"), QStringLiteral("Blacklist Recipients.txt"),
                                     nullptr);
    if (!path)
        return;
    const QByteArray bytes = gEnvironment->blacklist.join(QLatin1Char('\n')).toUtf8();
    const OSErr error = WriteWholeFileAtomically(path->toUtf8().toStdString(), bytes.constData(),
                                                 size_t(bytes.size()), WholeFileMode::ReplaceAsNew);
    if (error != noErr)
        ShowStandardAlert(QStringLiteral("The blacklist could not be exported to \"%1\".").arg(*path),
                          QStringLiteral("The file could not be written (error %1); it was left as it was.").arg(error));
}

void CPreferencesWindow::ClearBlacklist()
{
    if (!gEnvironment || gEnvironment->blacklist.isEmpty()) {
        Presenter::Get().Beep();
        return;
    }
    if (ShowCautionAlert(QStringLiteral("Are you sure you want to clear the blacklist?"),
                         QStringLiteral("This operation can't be undone.")) != kAlertStdAlertOKButton)
        return;
    gEnvironment->blacklist.clear();
    FillBlacklist();
    StoreBlacklist();
}

// ---------------------------------------------------------------------------------------------

void OpenPreferencesWindow()
{
    if (gPreferencesWindow) {
        gPreferencesWindow->BringToFront();
        return;
    }
    new CPreferencesWindow; // lives until it closes; a failure throws and leaves nothing behind
}

void ShowPreferencesWindow()
{
    OpenPreferencesWindow();
    gPreferencesWindow->SelectPane(CPreferencesWindow::kMonitorPane);
}
