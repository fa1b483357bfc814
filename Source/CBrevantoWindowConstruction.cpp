// Building a mailing window: the nib windows, their handlers, the controls by role, the set-up
// of the controls and the load from a document, an import file or the remembered preferences.
#include "CBrevantoWindow.h"

#include "AddressBookAccess.h"
#include "CEnvironment.h"
#include "CFPropertyList.h"
#include "CThread.h"
#include "Clock.h"
#include "ControlDataAccessors.h"
#include "ControlHandlers.h"
#include "ControlHelpers.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Drawer.h"
#include "FileManager.h"
#include "HelpTags.h"
#include "IconWell.h"
#include "LApplication.h"
#include "LException.h"
#include "MailingDocumentFile.h"
#include "MailingSnapshot.h"
#include "MailingWindowDrops.h"
#include "NibLoader.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "RunOnMainContext.h"
#include "SheetController.h"
#include "SiteIcons.h"
#include "SpellingBridge.h"
#include "SystemLookups.h"
#include "TextFiles.h"
#include "TextPaneAttachment.h"
#include "ToolboxCommands.h"
#include "UserPane.h"
#include "WindowAttributes.h"
#include "WindowEvents.h"
#include "WindowUtilities.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>

CList<CBrevantoWindow*> gWindowList;

namespace {

constexpr char kShowNoMeCardAlertKey[] = "Show No Me Card Alert";
constexpr int kMaximumSheetWidth = 2000;

using WindowHandler = OSStatus (CBrevantoWindow::*)(WindowEvent&);
using ENib = CBrevantoWindow::ENibWindow;

// The handler of each nib window, in ENibWindow order.
constexpr WindowHandler kHandlers[] = {
    &CBrevantoWindow::HandleWindowEvent,
    &CBrevantoWindow::HandleAttachmentsDrawerEvent,
    &CBrevantoWindow::HandleSelectRecipientsEvent,
    &CBrevantoWindow::HandleScheduleSheetEvent,
    &CBrevantoWindow::HandleAddRecipientEvent,
    &CBrevantoWindow::HandleSenderSheetEvent,
    &CBrevantoWindow::HandleServerSettingsEvent,
    &CBrevantoWindow::HandlePlainTextAlternativeEvent,
    &CBrevantoWindow::HandlePreambleSheetEvent,
    &CBrevantoWindow::HandleEpilogueSheetEvent,
    &CBrevantoWindow::HandleProgressSheetEvent,
    &CBrevantoWindow::HandleNoMeCardEvent,
    &CBrevantoWindow::HandleReplaceAppendEvent,
    &CBrevantoWindow::HandleConfirmSheetEvent,
    &CBrevantoWindow::HandleGroupSheetEvent,
};
static_assert(std::size(kHandlers) == size_t(ENib::count));

// The text of the creation date and time that names a mailing.
QString UniqueNameNow()
{
    return Clock::NowDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
}

QString EditorName(const char* inDesign, bool inSheets)
{
    return QString::fromLatin1(inDesign) + (inSheets ? QStringLiteral("Sheet") : QStringLiteral("Window"));
}

void RequestQuitSoon()
{
    RunOnMainContext([] {
        if (LApplication* application = LApplication::GetApplication())
            application->PerformQuit(kAEAsk);
    });
}

} // namespace

CBrevantoWindow::CBrevantoWindow(const QString& inDocumentPath, EOpenedBy inOpenedBy)
    : LCommander(LApplication::GetApplication()), mUniqueName(UniqueNameNow()), mOpenedBy(inOpenedBy)
{
    if (!IsAddressBookAvailable()) {
        // Other windows may hold unsaved work: leave through the quit path, never from here.
        Presenter::Get().ShowAlert(AlertKind::stop, "Brevanto must quit because it can't connect to Contacts",
                                   "In System Preferences \"Security & Privacy\" (Privacy tab) please make sure you "
                                   "have granted Brevanto access to Contacts and try again.",
                                   AlertButtons::ok);
        RequestQuitSoon();
        throw LException(kWindowNotOpenedErr, "no address book");
    }
    ReadThrottleSettings();

    const OSStatus nibError = NibLoader::CreateNibReference(kNibName, mNib);
    if (nibError != noErr)
        throw LException(nibError, "the nib \"Brevanto\" cannot be opened");
    try {
        Build(inDocumentPath);
    } catch (...) {
        gWindowList.Remove(this);
        DisposeWindows();
        throw;
    }
}

void CBrevantoWindow::Build(const QString& inDocumentPath)
{
    CreateWindows();
    WindowRef main = GetMainWindow();
    if (!main)
        throw LException(err_NilPointer, "the window \"Mailer\" cannot be loaded");
    BindControls();
    SetControlTitleWithCFString(Control(ControlRole::UniqueNameCaption), mUniqueName);
    SetUp();
    Load(inDocumentPath);
    WindowAttributes::SetWRefCon(main, this);
    gWindowList.Append(this);
    SelectWindow();
    // The window as first shown: its height stays, its width is the least.
    mMinimumWidth = main->width();
    mFixedHeight = WindowAttributes::GetContentBounds(main).height();
    ShowNoMeCardAlertIfNeeded();
    InstallMailingWindowDragHandlers(main);
    InstallMailingWindowDragHandlers(Window(ENibWindow::addRecipient));
    InstallMailingWindowDragHandlers(Window(ENibWindow::otherOptions));
    if (mSendOnOpen)
        StartSending();
}

CBrevantoWindow::~CBrevantoWindow()
{
    mAlive.reset();
    gWindowList.Remove(this);
    mThreads.clear();
    DisposeWindows();
}

void CBrevantoWindow::CreateWindows()
{
    const bool largeDisplay = WindowAttributes::MainDisplaySize().height() > 600;
    mEditorsAreSheets = GetDisplayMessageEditorsWithSheets();
    CreateNibWindow(ENibWindow::drawer, largeDisplay ? "Attachments" : "AttachmentsSmall");
    CreateNibWindow(ENibWindow::recipients, "Recipients");
    mRecipientsContextMenu = mNib->CreateMenu("RecipientsContextMenu");
    CreateNibWindow(ENibWindow::schedule, "ScheduleRecipients");
    CreateNibWindow(ENibWindow::addRecipient, "AddRecipient");
    CreateNibWindow(ENibWindow::otherOptions, "OtherOptions");
    CreateNibWindow(ENibWindow::serverSettings, "ServerSettings");
    CreateNibWindow(ENibWindow::plainTextAlternative, EditorName("PlainTextAlternative", mEditorsAreSheets));
    CreateNibWindow(ENibWindow::preamble, EditorName("Preamble", mEditorsAreSheets));
    CreateNibWindow(ENibWindow::epilogue, EditorName("Epilogue", mEditorsAreSheets));
    mSpellCheckMenu = mNib->CreateMenu("SpellCheckContextualMenu");
    CreateNibWindow(ENibWindow::progress, "Progress");
    CreateNibWindow(ENibWindow::main, "Mailer");
    CreateNibWindow(ENibWindow::noMeCard, "NoMyCardAlert");
    CreateNibWindow(ENibWindow::appendOrReplace, "AppendOrReplace");
    CreateNibWindow(ENibWindow::removeImport, "RemoveImport");
    CreateNibWindow(ENibWindow::entourageGroup, "SelectEntourageGroup");
}

// A window that fails to load stays null and gets no handler; construction goes on.
WindowRef CBrevantoWindow::CreateNibWindow(ENibWindow inWhich, const QString& inName)
{
    WindowRef window = mNib->CreateWindow(inName);
    mWindows[size_t(inWhich)] = window;
    if (!window)
        return nullptr;
    WindowAttributes::SetWRefCon(window, this);
    InstallWindowHandler(inWhich);
    return window;
}

// The handler outlives neither the object nor its Cleanup: a window disposed of while it still
// delivers the event that closed it answers "not handled" from then on.
void CBrevantoWindow::InstallWindowHandler(ENibWindow inWhich)
{
    std::weak_ptr<bool> alive = mAlive;
    WindowEvents::InstallWindowEventHandler(Window(inWhich), [this, inWhich, alive](WindowEvent& ioEvent) {
        if (alive.expired())
            return OSStatus(eventNotHandledErr);
        return DispatchWindowEvent(inWhich, ioEvent);
    });
}

OSStatus CBrevantoWindow::DispatchWindowEvent(ENibWindow inWhich, WindowEvent& ioEvent)
{
    if (mCleanedUp)
        return eventNotHandledErr;
    const OSStatus result = (this->*kHandlers[size_t(inWhich)])(ioEvent);
    // The progress sheet and the no-me-card alert always let the default run as well.
    if (inWhich == ENibWindow::progress || inWhich == ENibWindow::noMeCard)
        return eventNotHandledErr;
    return result;
}

// Every control of the control map, found in the window drawn from its design.
void CBrevantoWindow::BindControls()
{
    for (size_t index = 0; index < size_t(ENibWindow::count); ++index) {
        WindowRef window = mWindows[index];
        if (!window)
            continue;
        const QString design = ControlMap::DesignOf(ControlLookup::NibWindowName(window));
        for (const ControlMapEntry* entry : ControlMap::EntriesOf(design)) {
            if (ControlRef control = ControlLookup::FindControl(window, entry->signature, entry->number))
                mControls[entry->role] = control;
        }
    }
}

ControlRef CBrevantoWindow::Control(ControlRole inRole) const
{
    const auto found = mControls.find(inRole);
    return found == mControls.end() ? nullptr : found->second;
}

void CBrevantoWindow::SetUp()
{
    WindowRef main = GetMainWindow();
    if (WindowRef drawer = Window(ENibWindow::drawer))
        Drawer::SetDrawerParent(drawer, main);
    InstallControlHandlers();

    FillCharsetPopup();
    HideControl(Control(ControlRole::CharsetPopup));
    const bool showPriority = GetShowPriorityCheckbox();
    SetControlVisibility(Control(ControlRole::PriorityPopup), showPriority, false);
    SetControlVisibility(Control(ControlRole::PriorityLabel), showPriority, false);
    for (ControlRole role : {ControlRole::TestPortButton, ControlRole::ImportMailServersButton}) {
        ShowControl(Control(role));
        EnableControl(Control(role));
    }

    SetUpIcons();
    InstallKeyFilters();
    ResolveSender();
    RefreshGroupsPopup();
    RebuildMyAddressesMenu();
    mUseOrganization = GetControl32BitValue(Control(ControlRole::UseOrganizationCheckBox)) == 1;
    mImageHTML = GetControl32BitValue(Control(ControlRole::ImageHTMLCheckBox)) == 1;

    if (WindowRef drawer = Window(ENibWindow::drawer))
        Drawer::SetDrawerOffsets(drawer, 16, 16);
    SetUpEditors();
    SetUpLists();
    ReadScheduleControls();
    for (ControlRole role : {ControlRole::SummaryDocumentCaption, ControlRole::SummarySubjectCaption,
                             ControlRole::SummaryServerCaption, ControlRole::SummaryMonitorCaption})
        SetControlTitleWithCFString(Control(role), QString());
    if (auto* pane = qobject_cast<UserPane*>(Control(ControlRole::SimulateIconPane)))
        pane->SetDrawProc([](UserPane* inPane, QPainter& ioPainter) { DrawIconUserPane(inPane, ioPainter); });

    RefreshAttachmentsList();
    RefreshDeliveredList(0);
    InstallListCallbacks();

    SetKeyboardFocus(main, Control(ControlRole::SourceField));
    WindowAttributes::SetWindowModified(main, false);
    KeepMinimumSizes();

    UpdateViewButton();
    SelectRecipientsTab(mRecipientsTab);
    SelectSenderTab(mSenderTab);
    UpdateSenderCaption(true);
    GetControlBounds(Control(ControlRole::ScheduleTimeCaption), &mMainScheduleIconBounds);
    GetControlBounds(Control(ControlRole::ProgressScheduleCaption), &mProgressScheduleIconBounds);
}

void CBrevantoWindow::SetUpIcons()
{
    const QIcon picker(QStringLiteral(":/PeoplePicker.png"));
    for (ControlRole role : {ControlRole::PeoplePickerButton, ControlRole::OptionsPeoplePickerButton,
                             ControlRole::AddPeoplePickerButton})
        SetControlIcon(Control(role), picker);
    QIcon contacts;
    if (GetApplicationIconByName(QStringLiteral("Contacts"), &contacts) == noErr)
        SetControlIcon(Control(ControlRole::ContactsButton), contacts);
    SetControlIcon(Control(ControlRole::EditMyCardButton), QIcon(QStringLiteral(":/OpenMeCard.png")));
    SetControlIcon(Control(ControlRole::AttachmentsButton), QIcon(QStringLiteral(":/PaperClip.png")));
    SetControlIcon(Control(ControlRole::OtherOptionsButton), QIcon(QStringLiteral(":/OtherOptions.png")));
    SetControlIcon(Control(ControlRole::ServerSettingsButton), QIcon(QStringLiteral(":/ServerSettings.png")));
    QIcon mailApplication;
    if (auto* well = qobject_cast<IconWell*>(Control(ControlRole::MailAppIconWell));
        well && GetMailApplicationIcon(&mailApplication) == noErr)
        well->SetIcon(mailApplication);
}

void CBrevantoWindow::InstallKeyFilters()
{
    for (ControlRole role : {ControlRole::PortField, ControlRole::PopPeriodField, ControlRole::RepeatCountField,
                             ControlRole::WakeSecondsField}) {
        if (ControlRef field = Control(role))
            SetControlKeyFilter(field, DigitsOnlyKeyFilter);
    }
    if (ControlRef search = Control(ControlRole::RecipientsSearchField))
        SetControlKeyFilter(search, RejectReturnKey);
}

void CBrevantoWindow::InstallControlHandlers()
{
    InstallImportPanelHandlers();
    if (ControlRef field = Control(ControlRole::SourceField)) {
        ControlHandlers::InstallControlEventHandler(field, {ControlEventKind::textAccepted}, [this](ControlEvent&) {
            NormalizeURL();
            UpdateViewButton();
            if (auto* well = qobject_cast<IconWell*>(Control(ControlRole::SiteIconWell)))
                well->SetIcon(GetSiteIcon(mWebPageURL));
            return OSStatus(noErr);
        });
    }
    if (ControlRef well = Control(ControlRole::BrowserIconWell)) {
        ControlHandlers::InstallControlEventHandler(well, {ControlEventKind::click}, [this](ControlEvent&) {
            ViewMessageSource();
            return OSStatus(noErr);
        });
    }
    if (ControlRef well = Control(ControlRole::MailAppIconWell)) {
        ControlHandlers::InstallControlEventHandler(well, {ControlEventKind::click}, [this](ControlEvent&) {
            OpenMailApplication();
            return OSStatus(noErr);
        });
    }
    if (ControlRef tabs = Control(ControlRole::RecipientsTabs)) {
        ControlHandlers::InstallControlEventHandler(tabs, {ControlEventKind::hit},
                                                    [this](ControlEvent& ioEvent) { return RecipientsTabHit(ioEvent); });
        HelpTags::SetHelpTagCallback(tabs, &CBrevantoWindow::RecipientsTabHelp);
    }
    if (ControlRef tabs = Control(ControlRole::SenderTabs)) {
        ControlHandlers::InstallControlEventHandler(tabs, {ControlEventKind::hit},
                                                    [this](ControlEvent& ioEvent) { return SenderTabHit(ioEvent); });
        HelpTags::SetHelpTagCallback(tabs, &CBrevantoWindow::SenderTabHelp);
    }
    if (ControlRef search = Control(ControlRole::RecipientsSearchField)) {
        ControlHandlers::InstallControlEventHandler(search, {ControlEventKind::textAccepted},
                                                    [this](ControlEvent& ioEvent) {
                                                        HandleFindFieldEvent(ioEvent);
                                                        return OSStatus(eventNotHandledErr);
                                                    });
    }
}

void CBrevantoWindow::SetUpEditors()
{
    const bool spelling = IsSpellCheckingAvailable();
    const std::pair<ControlRole, ControlRole> editors[] = {
        {ControlRole::PlainTextAlternativeTextPane, ControlRole::PlainTextAlternativeSpellingButton},
        {ControlRole::PreambleTextPane, ControlRole::PreambleSpellingButton},
        {ControlRole::EpilogueTextPane, ControlRole::EpilogueSpellingButton},
    };
    for (const auto& [pane, spellingButton] : editors) {
        AttachTextPane(Control(pane));
        if (!spelling) {
            Presenter::Get().Beep();
            HideControl(Control(spellingButton));
        }
    }
    InstallSpellingMenus();
}

void CBrevantoWindow::SetUpLists()
{
    // Every column but the first (attachments) or the last (recipients) may grow without bound.
    const auto widen = [](ControlRef inList, bool inExceptFirst) {
        auto* browser = qobject_cast<DataBrowser*>(inList);
        if (!browser)
            return;
        const std::vector<DataBrowserPropertyID> columns = browser->ColumnOrder();
        for (size_t index = 0; index < columns.size(); ++index) {
            const bool skipped = inExceptFirst ? index == 0 : index + 1 == columns.size();
            if (!skipped)
                browser->SetColumnWidthLimits(columns[index], 0, 65535);
        }
    };
    widen(Control(ControlRole::AttachmentsList), true);
    widen(Control(ControlRole::RecipientsList), false);
    if (ControlRef search = Control(ControlRole::RecipientsSearchField)) {
        SetPopupItemMark(search, 2, true);
        const CommandT commands[] = {'fnme', 'lnme', 'mail'};
        for (SInt32 item = 1; item <= 3; ++item)
            SetPopupItemCommand(search, item, commands[item - 1]);
        mSelectedSearchField = 2;
    }
}

void CBrevantoWindow::ReadScheduleControls()
{
    mRepeatCount = SInt32(GetControlText(Control(ControlRole::RepeatCountField)).toLong());
    mWakeBeforeSeconds = SInt32(GetControlText(Control(ControlRole::WakeSecondsField)).toLong());
    mRepeatUnit = SInt16(GetControl32BitValue(Control(ControlRole::RepeatUnitsPopup)));
}

// The size each resizable window opens with is its smallest.
void CBrevantoWindow::KeepMinimumSizes()
{
    for (ENibWindow which : {ENibWindow::recipients, ENibWindow::plainTextAlternative, ENibWindow::preamble,
                             ENibWindow::epilogue, ENibWindow::progress}) {
        if (WindowRef window = Window(which))
            WindowAttributes::SetWindowResizeLimits(window, window->size(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }
    for (ENibWindow which : {ENibWindow::otherOptions, ENibWindow::serverSettings}) {
        if (WindowRef window = Window(which))
            WindowAttributes::SetWindowResizeLimits(window, window->size(),
                                                    QSize(kMaximumSheetWidth, window->size().height()));
    }
}

void CBrevantoWindow::Load(const QString& inDocumentPath)
{
    if (!inDocumentPath.isEmpty() && !IsTextFile(inDocumentPath)) {
        LoadDocument(inDocumentPath);
        UpdateSavedState();
        return;
    }
    mDocumentPath.clear();
    ApplyWindowDefaults();
    if (!inDocumentPath.isEmpty())
        StartFileImport(inDocumentPath, false, true);
    UpdateSavedState();
}

// An unreadable or unparsable document opens no window: the user is told which file.
void CBrevantoWindow::LoadDocument(const QString& inDocumentPath)
{
    CFPropertyList dictionary;
    QString reason;
    if (!ReadDocumentDictionary(inDocumentPath, &dictionary, &reason)) {
        Presenter::Get().ShowAlert(AlertKind::stop,
                                   QStringLiteral("The document \"%1\" could not be opened.")
                                       .arg(QFileInfo(inDocumentPath).fileName()),
                                   QStringLiteral("The file %1 could not be read as a Brevanto mailing. %2")
                                       .arg(inDocumentPath, reason),
                                   AlertButtons::ok);
        throw LException(kWindowNotOpenedErr, "unreadable document");
    }
    mDocumentPath = QFileInfo(inDocumentPath).absoluteFilePath();
    ReadDocument(dictionary);
    FSRef ref;
    if (gEnvironment && gEnvironment->recentItems && FSPathMakeRef(mDocumentPath, &ref) == noErr)
        gEnvironment->recentItems->AddItem(ref);
    WindowAttributes::SetWindowFilePath(GetMainWindow(), mDocumentPath);
    SetEditorTitles();
    // The workspace restore reopens documents at every launch: only an explicit open sends.
    mSendOnOpen = mDocumentPath.contains(QLatin1String("SendOnOpen")) && mOpenedBy == EOpenedBy::user;
}

void CBrevantoWindow::ShowNoMeCardAlertIfNeeded()
{
    if (mHasMeCard || ReadNumber(kShowNoMeCardAlertKey, 1) == 0)
        return;
    WindowRef alert = Window(ENibWindow::noMeCard);
    if (!alert)
        return;
    Presenter::Get().Beep();
    SheetController::ShowSheetWindow(alert, GetMainWindow());
}

void CBrevantoWindow::SelectWindow()
{
    WindowRef main = GetMainWindow();
    if (!main)
        return;
    main->show();
    main->raise();
    main->activateWindow();
    LCommander::SetTarget(this);
}

CBrevantoWindow* CBrevantoWindow::FindWindowForFile(const QString& inPath)
{
    FSRef wanted;
    if (FSPathMakeRef(inPath, &wanted) != noErr)
        return nullptr;
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next()) {
        FSRef ref;
        if (!(*window)->mDocumentPath.isEmpty() && FSPathMakeRef((*window)->mDocumentPath, &ref) == noErr &&
            FSCompareFSRefs(ref, wanted) == noErr)
            return *window;
    }
    return nullptr;
}

CBrevantoWindow* CBrevantoWindow::OpenDocumentFile(const QString& inPath, EOpenedBy inOpenedBy)
{
    if (CBrevantoWindow* open = FindWindowForFile(inPath)) {
        open->SelectWindow();
        return open;
    }
    try {
        return new CBrevantoWindow(inPath, inOpenedBy);
    } catch (const LException& error) {
        if (error.GetErrorCode() != kWindowNotOpenedErr)
            Presenter::Get().ShowAlert(AlertKind::stop, QStringLiteral("A mailing window could not be opened."),
                                       QString::fromStdString(error.what()), AlertButtons::ok);
    }
    return nullptr;
}

void CBrevantoWindow::AdoptThread(CThread* inThread)
{
    if (inThread)
        mThreads.push_back(inThread);
}

Boolean CBrevantoWindow::IsScheduledLater() const
{
    return mScheduledTime != 0 && mScheduledTime > Clock::Now();
}

Boolean CBrevantoWindow::AttemptQuitSelf(SInt32) { return ConfirmQuit(); }

Boolean CBrevantoWindow::ObeyCommand(CommandT inCommand, void* ioParam)
{
    if (ObeyDocumentCommand(inCommand, ioParam))
        return true;
    if (ObeyMenuCommand(inCommand))
        return true;
    if (ObeySourceCommand(inCommand, ioParam))
        return true;
    if (ObeyEditCommand(inCommand, ioParam))
        return true;
    return LCommander::ObeyCommand(inCommand, ioParam);
}

void CBrevantoWindow::FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark,
                                        UInt16& outMark, QString& outName)
{
    if (FindDocumentCommandStatus(inCommand, outEnabled))
        return;
    if (FindMailingCommandStatus(inCommand, outEnabled))
        return;
    if (FindSourceCommandStatus(inCommand, outEnabled))
        return;
    if (FindEditCommandStatus(inCommand, outEnabled))
        return;
    LCommander::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
}
