// CBrevantoWindow: the object behind one mailing. It owns the main window "Mailer" built from the
// nib "Brevanto" with its attachments drawer, sheets, editors and two context menus, finds every
// control through the one control map (by role), fills a new window from the document or from
// the remembered preferences, shows status texts, and at Cleanup writes its layout and choices
// back and queues itself for deferred deletion.
//
// Invariants: a constructed window is on gWindowList until Cleanup; Cleanup runs once; after
// Cleanup no nib window is left and the object is deleted at the next pass of the loop. A nib
// window that failed to load stays null and every operation tolerates that.
//
// Construction fails by throwing LException, and then no window is left behind: the nib's own
// error when the nib cannot be opened (the caller reports it); kWindowNotOpenedErr when the user
// has already been told (an unreadable document, or no address book - then the quit path runs).
//
// GUI thread only (the cooperative threads included: they run on it).
#pragma once

#include "CCleanupObject.h"
#include "CDeliveryWindow.h"
#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "ControlMap.h"
#include "ImportedRecipients.h"
#include "MailingRun.h"
#include "LCommander.h"
#include "Message.h"
#include "MergeFieldValues.h"
#include "ThrottleSettings.h"
#include "UITypes.h"

#include <QHash>
#include <QIcon>
#include <QMap>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFPropertyList;
struct MailingSnapshot;
class CThread;
class ContactsRecord;
class NibLoader;
struct WindowEvent;
struct ControlEvent;
struct DataBrowserItemData;
class DataBrowser;
class QMimeData;

// The construction failure that has already been shown to the user.
constexpr SInt32 kWindowNotOpenedErr = userCanceledErr;

class CBrevantoWindow : public LCommander, public CDeliveryWindow, public CCleanupObject {
public:
    // Who asked for the window: a document reopened by the workspace restore never starts
    // sending by itself, whatever its path says.
    enum class EOpenedBy { user, workspaceRestore };

    // The nib windows, by what they are for.
    enum class ENibWindow {
        main, drawer, recipients, schedule, addRecipient, otherOptions, serverSettings,
        plainTextAlternative, preamble, epilogue, progress, noMeCard, appendOrReplace, removeImport,
        entourageGroup, count
    };

    // No path: a new untitled mailing. A text file: a new mailing importing it. Otherwise the
    // mailing document at that absolute path. Throws (see above).
    explicit CBrevantoWindow(const QString& inDocumentPath = QString(), EOpenedBy inOpenedBy = EOpenedBy::user);
    ~CBrevantoWindow() override;

    // The window already showing that file comes to the front; otherwise a new window is made
    // for it. Failures are reported here; the window, or null.
    static CBrevantoWindow* OpenDocumentFile(const QString& inPath, EOpenedBy inOpenedBy = EOpenedBy::user);
    // The first window of gWindowList whose document is that file (null when none).
    static CBrevantoWindow* FindWindowForFile(const QString& inPath);

    // Close checks: refused with a sheet while sending or scheduled; otherwise the main window
    // gets a close event, which runs Cleanup.
    void AttemptClose();
    // The quit check of this window: refused with an alert while sending or scheduled;
    // otherwise the window closes and the quit may go on.
    Boolean ConfirmQuit();
    Boolean AttemptQuitSelf(SInt32 inSaveOption) override;

    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override;
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override;

    // Stops the window's threads (yielding until they end), writes the layout and the choices
    // back, disposes of every nib window and queues the object for deletion. Once only.
    void Cleanup() override;
    Boolean IsCleanedUp() const { return mCleanedUp; }

    // Connection progress (601-619) as status texts. 604 and 605 carry the transfer's total
    // and done byte counts (two UInt32, in that order).
    void ListenToMessage(MessageT inMessage, void* ioParam) override;
    // The status text of a message; empty for 610, 611 and numbers outside 601-619.
    static QString StatusTextFor(MessageT inMessage, const void* inParam);

    // A thread working for this window (an importer, the send thread): Cleanup asks it to stop
    // and waits for it to end before any control goes.
    void AdoptThread(CThread* inThread);

    // State the application reads.
    Boolean IsSending() const { return mSending != 0; }
    Boolean IsScheduledLater() const;
    QString GetDocumentPath() const { return mDocumentPath; }
    WindowRef GetMainWindow() const { return Window(ENibWindow::main); }
    WindowRef Window(ENibWindow inWhich) const { return mWindows[size_t(inWhich)]; }
    // The control of a role, or null when its window or the control is missing.
    ControlRef Control(ControlRole inRole) const;
    // Brings the main window to the front and makes the window the command target.
    void SelectWindow();

    // Status line (Mailer 'CNTL' 18 and 19); also shown on the progress sheet while it is up.
    void SetStatusText(const QString& inText) override;
    void HideProgress();
    void SetStatusTextAndYield(const QString& inText);

    // Panels.
    Boolean ResolveSender();
    void UpdateSenderCaption(Boolean inResolveFirst);
    void RefreshGroupsPopup();
    void FillCharsetPopup();
    void RefreshAttachmentsList();
    void RefreshDeliveredList(SInt32 inRevealItem) override;
    void UpdateViewButton();
    void FocusControl(ControlRef inControl);
    void SelectRecipientsTab(SInt32 inValue);
    void SelectSenderTab(SInt32 inValue);
    OSStatus RecipientsTabHit(ControlEvent& ioEvent);
    OSStatus SenderTabHit(ControlEvent& ioEvent);
    static QString RecipientsTabHelp(SInt16 inPart);
    static QString SenderTabHelp(SInt16 inPart);
    // "1 byte", "1000 bytes", "1 KB"; "1 file", "0 files".
    static QString AttachmentSizeText(UInt64 inTotal);
    static QString AttachmentCountText(SInt32 inCount);

    // The server settings: the POP-before-SMTP controls shown or hidden; the secure road
    // chosen (its check box on, its pop-up shown, the plain road's controls hidden).
    void ShowPopBeforeSmtpControls(Boolean inShow);
    void TurnOnSSL();

    // Layout and defaults.
    void SaveBrowserStates();
    void SaveWindowLayout();
    void SaveWindowDefaults();
    void ApplyWindowDefaults();

    // Sending. StartSending runs the checks (each refusal is told in a sheet) and starts the
    // send thread, which runs RunMailing. Pause and abort are the progress sheet's buttons.
    void StartSending();
    void RunMailing();
    void TogglePause();
    void AbortMailing();
    Boolean IsBatchMode() const { return mThrottle.batchMode; }
    SInt32 GetBatchSize() const { return mThrottle.batchSize; }
    // The schedule: its captions and timer from mScheduledTime (true when it lies ahead and
    // the timer runs); the timer's check, which starts a due mailing; a repeat's next time
    // measured from now; the sheet that edits it; one frame of the schedule icon (8 or more
    // only erases).
    Boolean ShowSchedule();
    Boolean CheckSchedule();
    Boolean RearmRepeatSchedule();
    void ShowScheduleSheet();
    void DrawScheduleIcon(SInt32 inFrame);
    // Tests: the resend timer's delay (15 s) and the schedule timer's interval (0.2 s).
    static void SetSendTimersForTests(double inResendDelay, double inScheduleInterval);
    // Tests: StartSending only tells the hook, checking and sending nothing (empty: the real start).
    static void SetStartSendingHookForTests(std::function<void(CBrevantoWindow*)> inHook);

    // Seams filled by the document, send and source code.
    // Pacing from the throttle preferences into mThrottle and the batch type.
    void ReadThrottleSettings();
    void HideProgressSheets(Boolean inDispose);
    // The mailing document: the dictionary of the window's whole mailing, and a parsed one
    // applied to a window freshly set up (missing keys and wrong-typed values leave it as is).
    CFPropertyList BuildDocumentDictionary();
    void ReadDocument(const CFPropertyList& inDictionary);
    // Saving: to the document file (false, with an alert, when it could not be written; the old
    // file stays), to a file the user chooses (true when it saved), back to the file as saved.
    Boolean SaveToFile();
    Boolean SaveAs();
    void Revert();
    // The saved state is what IsModified compares the window with.
    void UpdateSavedState();
    Boolean IsModified();
    // The save question on close and quit: true when the user cancelled (nothing closes).
    Boolean AskSaveChanges();
    // The subject (or inFallback) as a file name with that extension, "/" and NUL made "-", in
    // the document's folder (the user's documents folder for an untitled mailing).
    QString ProposedFilePath(const QString& inFallback, const QString& inExtension) const;
    // The document and editing commands of the window (CBrevantoWindowDocumentCommands.cpp):
    // true when the command was one of them.
    Boolean ObeyDocumentCommand(CommandT inCommand, void* ioParam);
    Boolean FindDocumentCommandStatus(CommandT inCommand, Boolean& outEnabled);
    // The side texts (plain-text alternative, preamble, epilogue) as their editors hold them.
    enum class ESideText { plainTextAlternative, preamble, epilogue };
    QString GetSideText(ESideText inWhich) const;
    void SetSideText(ESideText inWhich, const QString& inText);
    // The source field's text into mWebPageURL (held whole), "http://" put in front of an
    // address without a scheme and written back; true when not empty.
    Boolean NormalizeURL();
    void UpdateErrorCount();
    void ShowAlertSheet(const QString& inMessage, const QString& inExplanation, Boolean inAsSheet = true);
    void StartFileImport(const QString& inPath, Boolean inAddToGroup, Boolean inReplace);
    // True, after an alert, while an import runs: a second import would fill the one list in
    // turns with it, and a mailing would walk a list that changes under it.
    Boolean RefuseWhileImporting();
    void SetWebPageURLText(const QString& inURL);
    OSStatus GetServerPassword(const QString& inServer, const QString& inUser, QString* outPassword);
    // Replaces the keychain's password for that server and user; nothing with an empty one.
    OSStatus StoreServerPassword(const QString& inServer, const QString& inUser, const QString& inPassword);
    // The server fields into the preferences; with inStorePassword the password into the
    // keychain too (not for a mailing the schedule started). True when a server is named.
    Boolean SaveServerDefaults(Boolean inStorePassword);

    // Send preparation: the checks before a mailing, a preview or the raw source, each refusal
    // an alert naming what is missing. Main context.
    // The Send command's checks in order (address verification when it is on, recipients,
    // flagged recipients, the page image, the network, the sender, Validate); true: go on.
    Boolean CheckBeforeSending();
    // "Not connected" caution when the network is unreachable: true when there is a network or
    // the user chose to go on.
    Boolean ConfirmNetworkReachable();
    // Server, sender and subject checks, the message source loaded, then AssembleMessage: true
    // when the message may go out (mMessage is ready).
    Boolean Validate(Boolean inRawSource);
    Boolean AssembleMessage(Boolean inRawSource);
    // Connects to the server of the Server Settings fields, reads its mechanisms into
    // detectedMechanisms and sets checkDone/checkSucceeded; interactive: sends the test mail to
    // the sender and tells the outcome. Ends by its deadline whatever the server does.
    void TestServerPort(Boolean inInteractive);
    // Tests shorten the wait for the server test (0 restores the default, 35 s).
    static void SetPortTestDeadlineForTests(std::chrono::milliseconds inDeadline);
    // The mechanism popup value for a server's mechanism list: PLAIN 2, LOGIN 3, CRAM-MD5 4,
    // none of them 2.
    static SInt16 ChooseMechanism(const QString& inMechanisms);
    // The page image of the source, made by the page imager and added to the attachments;
    // true when none was asked for or it was made.
    Boolean ImageWebPageIfRequested();
    // A file for the attachments drawer, converted or split by the preferences; once per path.
    void AddAttachmentFile(const QString& inPath);
    // Address checks over the current source. Verify: true when every flagged address passed
    // (failures are selected and alerted). The others answer recipient indexes, ascending.
    Boolean VerifyAddresses(Boolean inFromSendCommand);
    std::vector<SInt32> ValidateFlaggedAddresses();
    std::vector<SInt32> CheckDuplicateAddresses();
    // The comma-separated addresses of a recipient's address text, trimmed, empties skipped.
    static QStringList SplitRecipientAddresses(const QString& inAddressText);
    // The side texts of the three editors, in the mailing's character set; a text the set
    // cannot hold alerts and leaves the old bytes.
    void GetPlainTextAlternative(CText& ioText);
    void GetPreamble(CText& ioText);
    void GetEpilogue(CText& ioText);

    // The Address Book source (tab 1): the groups popup ("No Group Name?" items, "All" last),
    // the chosen group's people with every subgroup's (each once, by unique ID) and their flags.
    void FillGroupsPopup();
    // The popup's value as the group (a value past the groups picks the first; "All": none);
    // another value than last time drops the group's flags. Then RebuildABRecipients(false).
    void ApplyGroupSelection();
    void RebuildABRecipients(Boolean inClear);
    void LoadGroupPeople();
    // Nameless groups first, then by name ignoring case (-1, 0, 1); people by unique ID.
    static int CompareGroupsByName(const ContactsRecord* inA, const ContactsRecord* inB);
    static int ComparePeopleByUniqueID(const ContactsRecord* inA, const ContactsRecord* inB);
    // Recipient i of the Address Book source; null outside it.
    ContactsRecord* AddressBookPerson(SInt32 inIndex) const;
    const ContactsRecord* CurrentGroup() const { return mCurrentGroup; }
    // The chosen group's name; null for "All".
    QString GetGroupName() const;
    // The address type popup's command ('PRIM', 'DIST', 'ALL ', 'HOME', 'WORK', 'OTHE'); 0: none.
    CommandT GetAddressTypeCommand() const;
    // The "From Me At" popup from the Me card's addresses (a disabled item without a Me card).
    void RebuildMyAddressesMenu();
    // Groups, sender, Me card addresses and the recipients list read again.
    void RefreshFromAddressBook();
    // Reads the address book afresh and refreshes every window; false (nothing done) while an
    // import holds records, changes wait to be saved or a window is sending.
    static bool ReloadAddressBookIntoWindows();
    // The same when the contacts folder changed since it was last looked at.
    static void RefreshFromChangedAddressBook();
    // Held by an import while it keeps records of the address book across yields.
    struct AddressBookHold {
        AddressBookHold();
        ~AddressBookHold();
        AddressBookHold(const AddressBookHold&) = delete;
        AddressBookHold& operator=(const AddressBookHold&) = delete;
    };

    // The window's own commands (its buttons, popups and pull-downs; the Mailing menu's items
    // through ObeyMenuCommand): true when the command is one of them. The modified mark follows
    // every command.
    Boolean ObeyMailingCommand(CommandT inCommand, void* ioParam);
    Boolean ObeyMenuCommand(CommandT inCommand);
    // True (outEnabled set) for the menu commands the window enables.
    Boolean FindMailingCommandStatus(CommandT inCommand, Boolean& outEnabled);
    void UpdateModifiedMark();
    // True, after an alert, while a mailing or a preview runs: the send engine walks the
    // recipients by index, so they must not change under it.
    Boolean RefuseWhileSending();
    // The Select Recipients sheet's count caption: flagged "/" all of the current source.
    void UpdateSelectionCountText();
    // The find field's search: the next recipient of the current source whose field of the
    // search kind holds the text (case ignored), from the row after the one selected row,
    // wrapping round; -1 when none.
    SInt32 FindNextRecipient(const QString& inText);
    // Deletes the selected imported recipients after asking.
    void DeleteSelectedRecipients();
    // Unflags the recipients a report log lists as sent, so a new run reaches only the others.
    void UnflagFromReportLog(const QString& inPath);

    // The Server Settings sheet and the named servers (MailServerList): the menu rebuilt
    // ("Select Server..." and the names), the sheet's values stored under its server name (an
    // alert says added or updated), a new entry with defaults, the named entry removed after
    // asking, the entry chosen in the menu loaded (with the secure road and its keychain
    // password), Mail's SMTP accounts added.
    void BuildServersMenu();
    void SaveServerEntry();
    void StoreServerEntry(const QString& inServer, const QString& inUser);
    void RemoveServerEntry();
    void SelectServerEntry();
    void ImportMailServers();
    // The secure popup with "Use SSL" on; else the authentication popup, with the POP period for
    // its POP-before-SMTP items.
    void ShowServerAuthenticationControls();

    // The attachments drawer: chosen paths added (a folder's visible files), the file named in the
    // path field (else the source field) added, the selected rows removed.
    void AddAttachmentPaths(const QStringList& inPaths);
    void AttachFieldFile();
    void RemoveSelectedAttachments();

    // The schedule sheet: its date and time controls as schedule seconds (0 when unreadable) and
    // back; a number field read as digits up to the first other character, capped at 32767 and
    // shown back; OK or Cancel done (the schedule shown or its display cleared); Unschedule.
    SInt64 ReadScheduleDateControls() const;
    void SetScheduleDateControls(SInt64 inSeconds);
    SInt32 ReadScheduleNumberField(ControlRole inRole);
    void EnableScheduleFields();
    void CloseScheduleSheet();
    void Unschedule();
    void ClearScheduleDisplay();

    // The progress sheet with the mailing's summary, nothing logged.
    void ShowProgressSummary();

    // The preview: after the checks, one message made for the sender goes through the server
    // on a CPreviewThread (Preview), or its raw source to a ".eml" file the user names
    // (GenerateRawSource: false when a check refused). The window is busy meanwhile.
    void Preview();
    Boolean GenerateRawSource();
    void BuildPreview(Boolean inRawSource);
    // Sends mMessage; the job's code when it is negative, else 0. A failure's text becomes the
    // status; a server asking for STARTTLS turns the SSL box on and says so.
    SInt32 SendPreviewMessage();
    // The user's mail program (the desktop's handler of mailto: links); a failure is alerted.
    void OpenMailApplication();
    // Send-time settings: "Play Success Sound" (off), "Play Error Sound" (on), "StartMailingPaused"
    // (off), "Open Default Emailer" (on).
    static Boolean GetPlaySuccessSound();
    static Boolean GetPlayErrorSound();
    static Boolean GetStartMailingPaused();
    static Boolean GetOpenDefaultEmailer();

    // Mailing logs. At a run's start: the header block into the log (not with inShowOnly) and
    // onto the progress sheet, which is shown. At its end: the HTML report of deliveredList and
    // the raw source of mMessage in the Reports folder; each answers the file written, or empty
    // (a report failure beeps and is logged).
    void LogMailingHeader(Boolean inShowOnly);
    void ClearProgressCaptions();
    void AppendLogSummary(CText& ioText, UInt32 inElapsedSeconds);
    QString WriteReport(UInt32 inElapsedSeconds);
    QString WriteRawSourceLog();
    // "<subject> [<date>]<extension>" with ":" and "/" replaced, the subject cut so the name
    // fits in 255 bytes; "[<date>]<extension>" for an empty subject.
    static QString ReportFileName(const QString& inSubject, const QString& inDate, const char* inExtension);
    // " (Size = n, Copy by Cc)", " (Delay = 5 secs )" or "None".
    static QString ThrottleCaption(const ThrottleSettings& inThrottle);

    // The sixteen window handlers (answer eventNotHandledErr to let the default run).
    virtual OSStatus HandleWindowEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleAttachmentsDrawerEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleSelectRecipientsEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleScheduleSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleAddRecipientEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleSenderSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleServerSettingsEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleProgressSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandlePreambleSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleEpilogueSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandlePlainTextAlternativeEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleReplaceAppendEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleConfirmSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleGroupSheetEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleNoMeCardEvent(WindowEvent& ioEvent);
    virtual OSStatus HandleFindFieldEvent(ControlEvent& ioEvent);

    // Message sources: the body is fetched or read when a mailing is prepared (LoadWebDocument:
    // true on success, mMessageText and mContentType set; failures alert and answer false).
    Boolean LoadWebDocument();
    // Base element or relinking of an HTML body by "Relative URLs", against the address the
    // page was finally served from.
    void PrepareHTMLLinks(CText& ioText, const std::string& inBase);
    void RelinkDocument(CText& ioText, const std::string& inBase);
    void ClearAttachments();
    // The source shown in the default browser; a chosen file, Mail's selected message or the
    // front browser page made the source (the subject following by the settings).
    void ViewMessageSource();
    void ChooseMessageFile();
    void ChooseAttachmentPathFile(OSType inFileType);
    void LoadMailMessageSource();
    void LoadFrontBrowserURL();
    static Boolean GetSetSubjectToFilename();
    static Boolean GetSetSubjectToTitle();
    // The side-text editors: field controls by the recipient source, sheet or window by the
    // setting; the first show loads the stored text and focuses the pane.
    void ShowPlainTextAlternativeEditor();
    void ShowPreambleEditor();
    void ShowEpilogueEditor();
    // The Entourage group sheet: its popup filled from the groups script (the error code of
    // the run; 0 on success), the window's group reselected.
    OSErr ShowEntourageGroups();
    OSErr LoadEntourageGroups();
    void FillEntourageGroupsMenu(const QStringList& inNames);
    // The main window and the editors titled after the document's file name (nothing unsaved).
    void SetEditorTitles();
    // The message-source commands of the commander chain ('SPEL' in a focused side-text
    // editor): false for other commands.
    Boolean ObeySourceCommand(CommandT inCommand, void* ioParam);
    Boolean FindSourceCommandStatus(CommandT inCommand, Boolean& outEnabled);
    // The editing commands for the focused field or editor pane of the mailing's windows.
    Boolean ObeyEditCommand(CommandT inCommand, void* ioParam);
    Boolean FindEditCommandStatus(CommandT inCommand, Boolean& outEnabled);
    // The side-text editor's pane that has the keyboard focus in the front window, or null.
    ControlRef FocusedEditorPane() const;
    // Selects the next misspelled word of an editor's pane after its selection (wrapping).
    void CheckEditorSpelling(ControlRef inPane);
    // Appends a path once (false when it was there, or when it is longer than
    // kAttachmentPathLimit: refused with an alert naming the file, never cut).
    Boolean AppendAttachmentPath(const QString& inPath);

    // The delivery side's view of the window.
    QString GetServerName() const override;
    QString GetUserName() const override;
    QString GetPassword() const override;
    UInt16 GetServerPort() const override;
    SInt32 GetPopPeriod() const override;
    SInt16 GetSecureMechanismValue() const override;
    void SetSecureMechanismValue(SInt16 inValue) override;
    SInt16 GetAuthenticationTypeValue() const override;
    bool GetAcceptAnyCertificate() const override;
    QString GetMyEmail() const override;
    QString GetCharsetName() const override;
    SInt32 GetPriorityValue() const override;
    void ExpandMergeTags(CText& ioText) override;
    void ExpandPlainMergeTags(CText& ioText) override;
    // One merge tag's value (flag 0: quoted); true for a registered field or a script file.
    bool ResolveMergeTag(UInt8 inFlag, const QByteArray& inName, CText& out);
    // "__" + field name in a script becomes the field's value as a string literal.
    void SubstituteMergeVariables(CText& ioScript);
    QString GetRecipientFirstName(SInt32 inIndex) const override;
    QString GetRecipientLastName(SInt32 inIndex) const override;
    QString GetRecipientEmail(SInt32 inIndex) const override;
    void ShowCurrentRecipient(const QString& inDisplayName, const QString& inEmail) override;
    void UpdateProgress() override;
    void RecordRecipientResult(UInt8 inSent, SInt32 inIndex) override;
    void UpdateBatchRate() override;
    void AutoSaveIfDue() override;
    void WaitWhilePaused() override;

    // Recipients of the current source (tab 1: the Address Book group, tab 2: the imported
    // list) and their send flags: one flag per recipient, none while a source has no array.
    enum class ERecipientSource : SInt16 { addressBook = 1, imported = 2 };
    using SendFlags = std::optional<std::vector<bool>>;
    ERecipientSource CurrentSource() const;
    SInt32 CountRecipients() const;
    SInt32 CountFlaggedRecipients() const;
    SendFlags& CurrentSendFlags();
    // Keeps the array when its count equals inCount; otherwise a new one, each flag on when the
    // recipient has an address (all off with inClear). Updates the count caption.
    void ResetSendFlags(ERecipientSource inSource, SInt32 inCount, SendFlags& ioFlags, Boolean inClear);
    void SetAllSendFlags(Boolean inFlag);
    void SetSelectedSendFlags(Boolean inFlag);
    void InvertSendFlags();
    void ApplyBlacklist();
    void UnflagRecipientsFromLog(const QStringList& inAddresses);
    // Display name and address of recipient i of a source; both empty when there is none.
    void GetRecipientNameAndAddress(ERecipientSource inSource, SInt32 inIndex, QString& outName,
                                    QString& outEmail) const;
    // The imported recipients as flat records (empty without recipients), and back (appended).
    QByteArray RecipientsToData() const;
    void RecipientsFromData(const QByteArray& inData);
    // Recipients as tab-separated lines ("first\tlast\temail\r", UTF-8) through the accessors:
    // those selected in the list, or those of a flag array flagged (every one with inAll); into a
    // file whole (0 selected, 1 flagged, 2 all of the current source; the old file kept when the
    // write fails), or into a file the user chooses (true when the user cancelled).
    void AppendRecipientLine(SInt32 inIndex, CText& ioText) const;
    void AppendSelectedRecipientsText(CText& ioText) const;
    void AppendFlaggedRecipientsText(const SendFlags& inFlags, CText& ioText, Boolean inAll) const;
    OSErr WriteRecipientsFile(const QString& inPath, SInt16 inMode);
    Boolean ExportRecipients(SInt16 inMode);
    // Captions and the recipients list.
    void UpdateRecipientCountText();
    void UpdateImportSourceText();
    void RefreshRecipientsList();
    void RefreshSendColumn();
    void ShowImportedRecipients();
    // Asks for a text file and imports it (inReplace: in place of the imported recipients).
    void ChooseImportFile(Boolean inReplace);
    // The import panel, shown in place of the import-source caption while an import runs (put
    // away, its bar is indeterminate again), and its status caption (at most 255 characters).
    void ShowImportPanel(Boolean inShow);
    void SetImportStatusText(const QString& inText);
    // Imports the members of the Entourage group mEntourageGroup on a thread the window adopts.
    void StartEntourageImport(Boolean inAddToGroup);
    // Imports the recipients (or senders) of the messages selected in Mail in place of the
    // imported list, at once; the text form: one "Name <address>" or address a line. True when
    // the text was imported.
    void ImportFromMail(Boolean inRecipients);
    Boolean ImportMailText(const QString& inText, Boolean inReplace = false);

    // The lists. Recipients list order (item IDs are index + 1): true when a sorts before b,
    // ignoring case; a recipient without the value sorts after every one with it.
    bool CompareRecipientFirstNames(DataBrowserItemID inA, DataBrowserItemID inB) const;
    bool CompareRecipientLastNames(DataBrowserItemID inA, DataBrowserItemID inB) const;
    bool CompareRecipientEmails(DataBrowserItemID inA, DataBrowserItemID inB) const;
    // Opens the card of recipient i (Address Book source only).
    void ShowRecipientInAddressBook(SInt32 inIndex) const;
    // A dropped vCard file: each of its cards becomes an imported recipient unless an equal one
    // is there. False for another extension or when no card could be read.
    Boolean ImportVCardFile(const QString& inPath);
    // A dropped text file is imported after the imported recipients; false for another file.
    Boolean ImportTextFile(const QString& inPath);
    // The visible files directly inside a folder become attachments, each once; true when one
    // was added.
    Boolean AttachFolderFiles(const QString& inFolder);

    // Sender texts as resolved.
    const CString256& SenderName() const { return mSenderName; }
    const CString256& SenderAddress() const { return mSenderAddress; }
    const CString256& SenderText() const { return mSenderText; }

    // The members the send engine, the documents and the sources share.
    SInt32 mRecipientsTab = 1;          // 1 group, 2 import
    SInt32 mSenderTab = 1;              // 1 My Card, 2 manual
    QString mImportPath;                // the recipient import file
    QString mEntourageGroup;            // the Entourage group imported from; null when none
    ImportedRecipients mImported;
    Boolean mImporting = false;         // a file, Entourage or Mail import runs
    SendFlags mABSendFlags;
    SendFlags mImportSendFlags;
    // Absolute paths, each at most kAttachmentPathLimit bytes of UTF-8.
    static constexpr qsizetype kAttachmentPathLimit = 1023;
    QStringList mAttachmentPaths;
    QString mWebPageURL;                // the source field as last normalised, whole
    CText mMessageText;                 // the body LoadWebDocument fetched or read
    CString256 mContentType;            // its content type
    // Per editor (plain-text alternative, preamble, epilogue): the stored text the first show
    // puts into the pane (null: leave the pane as it is), and whether that is still to do.
    QString mEditorStoredText[3];
    UInt8 mEditorTextNotLoaded[3] = {1, 1, 1};
    QString mUniqueName;                // creation date and time
    MergeRecipient mMergeRecipient;     // whom the message being made is for
    // The window's message: Validate assembles the sender and header fields, the engine (or
    // the preview) fills the recipient's part before each send.
    Message mMessage;
    CText mPlainTextAlternative;        // the side texts as last extracted
    CText mPreamble;
    CText mEpilogue;
    // CC, BCC, Return Path and Reply To as the Other Options sheet last took them over.
    CString256 mCC;
    CString256 mBCC;
    CString256 mReturnPath;
    CString256 mReplyTo;
    SInt64 mScheduledTime = 0;          // seconds since 1904; 0 = none
    UInt8 mSending = 0;
    UInt8 mUseOrganization = 0;
    UInt8 mImageHTML = 0;
    UInt8 mStartedBySchedule = 0;      // the running mailing was started by the schedule
    ThrottleSettings mThrottle;         // read at construction and at each run's start
    MailingRun mRun;                    // the send engine's state
    bool mHasMeCard = false;
    QStringList mMeAddresses;           // the Me card's e-mail addresses ("From Me At")
    QString mMeName;
    QString mMeOrganization;

    static constexpr const char* kNibName = "Brevanto";

private:
    void Build(const QString& inDocumentPath);
    void CreateWindows();
    WindowRef CreateNibWindow(ENibWindow inWhich, const QString& inName);
    void InstallWindowHandler(ENibWindow inWhich);
    OSStatus DispatchWindowEvent(ENibWindow inWhich, WindowEvent& ioEvent);
    void BindControls();
    void SetUp();
    void Load(const QString& inDocumentPath);
    void LoadDocument(const QString& inDocumentPath);
    void ShowNoMeCardAlertIfNeeded();
    void ReadMeCard();
    void GetAddressBookNameAndAddress(SInt32 inIndex, QString& outName, QString& outEmail) const;
    QString GetAddressBookEmail(SInt32 inIndex) const;
    void InstallControlHandlers();
    void SetUpIcons();
    void InstallKeyFilters();
    void ReadScheduleControls();
    void SetUpEditors();
    void ShowEditor(int inEditor);
    OSStatus HandleEditorEvent(int inEditor, const WindowEvent& inEvent);
    // The editors' tools (CBrevantoWindowEditors.cpp): tags, the script tag, the preamble's
    // font, Command-; and the spelling menu at a point of the pane's viewport.
    OSStatus ObeyEditorTool(int inEditor, const WindowEvent& inEvent);
    OSStatus HandleEditorKey(int inEditor, const WindowEvent& inEvent);
    void InsertIntoEditor(int inEditor, const QString& inText);
    void ChooseEditorFont(int inEditor);
    void InstallSpellingMenus();
    void ShowSpellingMenu(int inEditor, QPoint inAt);
    void SetUpLists();
    void KeepMinimumSizes();
    void InstallListCallbacks();
    void InstallImportPanelHandlers();
    OSStatus RecipientItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                               DataBrowserItemData& ioData, bool inSetValue);
    bool RecipientsLess(DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID inProperty);
    void ShowRecipientsContextMenu(QPoint inGlobal);
    bool ReceiveRecipientFiles(const QMimeData* inData);
    const DeliveredRecipient* DeliveredRow(DataBrowserItemID inItem) const;
    OSStatus DeliveredItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty, DataBrowserItemData& ioData);
    bool DeliveredLess(DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID inProperty) const;
    OSStatus AttachmentItemData(DataBrowserItemID inItem, DataBrowserPropertyID inProperty,
                                DataBrowserItemData& ioData);
    bool AttachmentsLess(DataBrowserItemID inA, DataBrowserItemID inB, DataBrowserPropertyID inProperty) const;
    void AttachmentsNotification(DataBrowser* inList, DataBrowserItemID inItem, UInt32 inMessage);
    bool ReceiveAttachmentDrop(const QMimeData* inData, DataBrowserItemID inTarget);
    void DisposeWindows();
    void DisposeWindow(ENibWindow inWhich);
    void StopThreads();
    OSStatus TabHit(ControlEvent& ioEvent, ControlRole inTabs, ControlRole inFirstPane, ControlRole inSecondPane,
                    SInt32& ioStored);
    void SelectTab(SInt32 inValue, ControlRole inTabs, ControlRole inFirstPane, ControlRole inSecondPane);
    // The document reader's groups of keys.
    void ReadScheduleKeys(const QMap<QString, CFPropertyList>& inDocument);
    void ReadRecipientKeys(const QMap<QString, CFPropertyList>& inDocument);
    void ReadGroupKey(const QMap<QString, CFPropertyList>& inDocument);
    void ReadAttachmentKeys(const QMap<QString, CFPropertyList>& inDocument);
    void ReadServerKeys(const QMap<QString, CFPropertyList>& inDocument);
    void ReadSendFlagKeys(const QMap<QString, CFPropertyList>& inDocument);
    MailingSnapshot TakeSnapshot();
    Boolean WriteDocument(const QString& inPath);
    bool WriteIntoDocument(const std::function<void(QMap<QString, CFPropertyList>&)>& inFill);
    // Commands of the main window.
    Boolean RefuseAutoSaveWithoutFile(const QString& inMessage, const QString& inExplanation);
    void OpenScheduleIfAllowed();
    void ShowSheet(ENibWindow inWhich);
    void ShowAddressBookRecipients();
    void RevealImportFile();
    void OpenMyCard();
    void PopUpPullDown(ControlRole inRole);
    OSStatus CloseRequested();
    OSStatus ConstrainLiveResize(WindowEvent& ioEvent);
    // Sheets of the recipients.
    void SelectRecipientRows(CommandT inHow);
    void ChooseSearchKind(int inKind);
    void FindDuplicateRecipients();
    Boolean AddRecipientFromSheet();
    void RemoveImport();
    CString256* OtherOption(int inIndex);
    QString mOtherOptionsBackup[4];     // the Other Options fields as the sheet was shown

    std::shared_ptr<bool> mAlive = std::make_shared<bool>(true); // watched by the window handlers
    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindows[size_t(ENibWindow::count)] = {};
    MenuRef mRecipientsContextMenu = nullptr;
    MenuRef mSpellCheckMenu = nullptr;
    std::map<ControlRole, ControlRef> mControls;
    QList<QPair<QString, QString>> mCharsets; // display name, MIME name; in popup order
    std::vector<CThread*> mThreads;
    std::shared_ptr<bool> mPortTestRunning;  // the server test's thread still runs
    void SaveRawSource();
    QString mDocumentPath;              // empty while unsaved
    EOpenedBy mOpenedBy = EOpenedBy::user;
    bool mCleanedUp = false;
    bool mSendOnOpen = false;
    bool mEditorsAreSheets = false;
    CString256 mSenderName;
    CString256 mSenderAddress;
    CString256 mSenderText;
    QRect mMainScheduleIconBounds;
    QRect mProgressScheduleIconBounds;
    int mSelectedSearchField = 2;
    SInt32 mRepeatCount = 0;
    SInt32 mWakeBeforeSeconds = 0;
    SInt16 mRepeatUnit = 1;
    // The address book's records this window shows; valid until the store is read afresh.
    std::vector<ContactsRecord*> mGroups; // sorted by CompareGroupsByName
    std::vector<ContactsRecord*> mPeople; // of the current group (all people for "All")
    ContactsRecord* mCurrentGroup = nullptr;
    SInt16 mGroupIndex = 0;               // the group popup value last applied
    QString mCurrentGroupUID;             // the chosen group's, kept across a new reading
    int mMinimumWidth = 0;              // of the main window: its width as built
    int mFixedHeight = 0;               // and its height, which never changes
    UInt8 mPreviewing = 0;              // a preview's send thread runs
    SInt64 mPreviousScheduleTime = 0;   // the schedule sheet's time when it opened
    bool mScheduleSheetRepeat = false;  // and its two check boxes
    bool mScheduleSheetWake = false;
    // The delivered list's records by row (item n is entry n - 1) and how many failed.
    std::vector<const DeliveredRecipient*> mDeliveredRows;
    SInt32 mDeliveredErrors = 0;
    QHash<QString, QIcon> mAttachmentIcons; // by path

    std::unique_ptr<MailingSnapshot> mSavedState; // as last opened or saved
    bool mReverting = false;            // a confirmed revert closes without asking

    // The send engine's steps (CBrevantoWindowSending.cpp, CBrevantoWindowResults.cpp).
    enum class ESendResult { sent, failed, skipped };
    void PrepareMailingRun();
    void ShowMailingProgress();
    void SendToRecipient(SInt32 inIndex);
    void SendToAddress(const QString& inAddress);
    void PrepareRecipientMessage();
    void ExpandMessageTexts(Message& ioMessage);
    ESendResult SendCurrentMessage();
    std::unique_ptr<class CSendJob> SendOrBatch();
    void SendBatch();
    void ThrottleDelay();
    void EndMailingRun();
    std::vector<bool>* RunSendFlags();
    void UpdateRate();
    void ShowAddressCountText();
    void RecordJobResult(const CSendJob& inJob);
    void FinishSendFlags();
    void InstallResendTimer();
    void RemoveSendTimers();
    static void ResendTimerFired(EventLoopTimerRef inTimer, void* inWindow);
    void ShowRunSummary();
    // The schedule's timer (CBrevantoWindowSchedule.cpp).
    static void ScheduleTimerTick(EventLoopTimerRef inTimer, void* inWindow);
    EventLoopTimerRef mScheduleTimer = nullptr;
    static double sResendDelaySeconds;
    static double sScheduleIntervalSeconds;
};

// The open mailing windows, oldest first.
extern CList<CBrevantoWindow*> gWindowList;
