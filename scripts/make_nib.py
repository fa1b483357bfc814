#!/usr/bin/env python3
"""Writes the nibs (resources/nib/<nib>/*.ui) and prints the control-map rows of "Brevanto".

The windows are described once below as nested layouts; every control that the program finds by
control ID carries a role (the enumerator of ControlRole in Source/ControlMap.h) and a kind.
Run from the repository root:  /usr/bin/python3 scripts/make_nib.py [--map]
With --map the C++ rows of the control map are printed instead of writing the files.
"""
import os
import sys
import xml.etree.ElementTree as ET

NIBS = os.path.join("resources", "nib")

# Kind -> (Qt class, promoted base or None)
KINDS = {
    "Field": ("QLineEdit", None),
    "SecureField": ("QLineEdit", None),
    "Caption": ("QLabel", None),
    "Popup": ("QComboBox", None),
    "CheckBox": ("QCheckBox", None),
    "Button": ("QPushButton", None),
    "Bevel": ("QToolButton", None),
    "PullDown": ("QToolButton", None),
    "IconWell": ("IconWell", "QWidget"),
    "ProgressBar": ("QProgressBar", None),
    "Arrows": ("QProgressBar", None),
    "Tabs": ("QTabWidget", None),
    "Pane": ("QWidget", None),
    "Separator": ("Line", None),
    "DataBrowser": ("DataBrowser", "QTreeView"),
    "TextPane": ("TextPane", "QTextEdit"),
    "UserPane": ("UserPane", "QWidget"),
    "SearchField": ("SearchField", "QLineEdit"),
    "Date": ("QDateEdit", None),
    "Time": ("QTimeEdit", None),
    "Slider": ("QSlider", None),
    "LittleArrows": ("QSpinBox", None),
    "RadioGroup": ("RadioGroup", "QWidget"),
    "Radio": ("QRadioButton", None),
    "TabBar": ("QTabBar", "QWidget"),
    "LinkButton": ("CURLPushButton", "QPushButton"),
    "PaneBox": ("QWidget", None),
}

ADDRESS_TYPES = [("Primary Email", "PRIM"), ("Distribution Email", "DIST"), ("All Email", "ALL "),
                 ("Home Email", "HOME"), ("Work Email", "WORK"), ("Other Email", "OTHE")]

MERGE_GENERAL = [
    ("CurrentIndex", "cidx"), ("ToNameFirst", "tnmf"), ("ToNameLast", "tnml"), ("ToName", "tnme"),
    ("ToGroup", "tgrp"), ("ToAddress", "tadr"), ("FromNameFirst", "fnmf"), ("FromNameLast", "fnml"),
    ("FromName", "fnme"), ("FromAddress", "fadr"), ("DateTime", "datm"), ("LongDate", "lngd"),
    ("ShortDate", "shtd"), ("AbbrevDate", "abrd"), ("Time", "time"), ("Subject", "sbct"),
    ("DocumentURL", "dURL"), ("DocumentPath", "dPTH"), ("DocumentDisplayName", "dDSP"),
    ("DocumentFilename", "dFln"), ("AttachmentPosixPath", "apos"), ("AttachmentHFSPath", "ahfs"),
    ("Content", "ctnt"),
]
MERGE_ADDRESS_BOOK = [
    ("HomeAddressStreet", "stre"), ("HomeAddressCity", "city"), ("HomeAddressState", "stat"),
    ("HomeAddressZip", "zip "), ("HomeAddressCountry", "coun"), ("HomeAddressCountryCode", "couc"),
    ("WorkAddressStreet", "wstr"), ("WorkAddressCity", "wcit"), ("WorkAddressState", "wsta"),
    ("WorkAddressZip", "wzip"), ("WorkAddressCountry", "wcou"), ("WorkAddressCountryCode", "wcoc"),
    ("EmailWork", "ewrk"), ("EmailHome", "ehme"), ("PhoneWork", "work"), ("PhoneHome", "home"),
    ("PhoneMobile", "mobi"), ("PhoneMain", "main"), ("PhoneHomeFax", "hmef"), ("PhoneWorkFax", "wrkf"),
    ("PhonePager", "pagr"), ("UID", "uidp"), ("DateBirthday", "brth"), ("DateAnniversary", "aniv"),
    ("RelatedNamesFather", "fthr"), ("RelatedNamesMother", "mthr"), ("RelatedNamesParent", "prnt"),
    ("RelatedNamesBrother", "bthr"), ("RelatedNamesSister", "sist"), ("RelatedNamesChild", "chld"),
    ("RelatedNamesFriend", "frnd"), ("RelatedNamesSpouse", "spse"), ("RelatedNamesPartner", "ptnr"),
    ("RelatedNamesAssistant", "asit"), ("RelatedNamesManager", "mngr"), ("OtherNote", "note"),
    ("OtherMiddleName", "mnme"), ("OtherPrefix", "prfx"), ("OtherSuffix", "sffx"),
    ("OtherNickname", "nick"), ("OtherMaidenName", "maid"), ("OtherOrganization", "orgn"),
    ("OtherJobTitle", "titl"), ("OtherHomePage", "hpge"),
]


# ---------------------------------------------------------------------------------------------
# Description helpers

class W:
    """One widget: a control (sig/num/role/kind) or a plain widget (no role)."""

    def __init__(self, kind, sig=None, num=0, role=None, text=None, cmd=None, items=None,
                 item_cmds=None, actions=None, columns=None, tip=None, qt=None, props=None, body=None):
        self.kind, self.sig, self.num, self.role, self.body = kind, sig, num, role, body
        self.text, self.cmd, self.items, self.item_cmds = text, cmd, items, item_cmds
        self.actions, self.columns, self.tip, self.qt = actions, columns, tip, qt
        self.props = props or {}


def C(kind, sig, num, role, **kw):
    return W(kind, sig, num, role, **kw)


def Label(text):
    return W("Caption", text=text)


def Btn(text, cmd, **kw):
    return W("Button", text=text, cmd=cmd, **kw)


def Popup(sig, num, role, items, cmd=None, item_cmds=None):
    return W("Popup", sig, num, role, items=items, cmd=cmd, item_cmds=item_cmds)


def AddressPopup(sig, num, role, cmd=None):
    return Popup(sig, num, role, [t for t, _ in ADDRESS_TYPES], cmd=cmd,
                 item_cmds=[c for _, c in ADDRESS_TYPES])


def PullDown(sig, num, role, text, actions, cmd=None):
    return W("PullDown", sig, num, role, text=text, actions=actions, cmd=cmd)


class Box:
    def __init__(self, direction, children, stretch=None):
        self.direction, self.children, self.stretch = direction, children, stretch


def V(*children, stretch=None):
    return Box("V", list(children), stretch)


def H(*children, stretch=None):
    return Box("H", list(children), stretch)


class Grid:
    def __init__(self, *rows):
        self.rows = rows


class Tabs:
    def __init__(self, sig, num, role, pages):
        self.sig, self.num, self.role, self.pages = sig, num, role, pages


STRETCH = "stretch"
SEP = "separator"


def OkCancel(ok="ok  ", cancel="not!", ok_text="OK"):
    return H(STRETCH, Btn("Cancel", cancel), Btn(ok_text, ok, props={"default": True}))


# ---------------------------------------------------------------------------------------------
# The windows

def mailer():
    source_row = H(
        PullDown("CNTL", 141, "MessageSourcePullDown", "Load", [
            ("Front Browser Page", "WEB "), ("Choose File...", "FILE"), ("Message Selected in Mail", "MaiL")]),
        Label("Web page or file:"),
        C("Field", "CNTL", 1, "SourceField"),
        C("IconWell", "CNTL", 134, "SiteIconWell", props={"minimumSize": (24, 24)}),
        C("IconWell", "CNTL", 20, "BrowserIconWell", props={"minimumSize": (24, 24)}),
        C("Button", "CNTL", 2, "ViewButton", text="View", cmd="VIEW"),
    )
    subject_row = H(C("Caption", "CNTL", 124, "SubjectLabel", text="Subject:"),
                    C("Field", "CNTL", 3, "SubjectField"))
    group_pane = V(
        Grid([C("Caption", "CNTL", 106, "GroupLabel", text="Group:"),
              Popup("CNTL", 4, "GroupPopup", ["All Contacts"], cmd="GRUP")],
             [C("Caption", "CNTL", 15, "AddressTypeLabel", text="Send to:"),
              AddressPopup("CNTL", 21, "AddressTypePopup", cmd="RTYP")]),
        H(C("Caption", "CNTL", 131, "GroupCountCaption", text="0/0"), STRETCH,
          Btn("Select Recipients...", "RCPT")),
        STRETCH)
    import_pane = V(
        H(PullDown("CNTL", 100, "ImportPullDown", "Import", [
            ("Import File...", "IFIL"), ("Recipients Selected in Mail", "MaRe"),
            ("Entourage Group...", "ENTO")]),
          PullDown("CNTL", 111, "ImportActionsPullDown", "Import Actions", [
              ("Show Imported Recipients...", "SIRT"), ("Import Again", "uPFt"),
              ("Reveal Import File", "SHOW"), ("Remove Import...", "RMVe")]),
          STRETCH),
        C("Caption", "CNTL", 114, "ImportSourceCaption", text=" "),
        # The import panel: hidden until an import runs (the importer shows it).
        H(C("ProgressBar", "IPRT", 0, "ImportProgressBar", props={"visible": False}),
          C("Arrows", "SPNR", 0, "ImportArrows"),
          C("Button", "SipT", 0, "ImportStopButton", text="Stop", cmd="SipT", props={"visible": False})),
        C("Caption", "PSTM", 0, "ImportStatusCaption", props={"visible": False}),
        H(C("CheckBox", "CNTL", 107, "AddToGroupCheckBox", text="Add to group"),
          C("Caption", "CNTL", 132, "ImportCountCaption", text="0/0"), STRETCH,
          Btn("Select Recipients...", "SIRT")),
        STRETCH)
    recipients = Tabs("RTAB", 0, "RecipientsTabs", [
        ("Group", "RPNE", 1000, "RecipientsGroupPane", group_pane),
        ("Import", "RPNE", 1001, "RecipientsImportPane", import_pane)])
    card_pane = V(
        Grid([Label("From:"), Popup("CNTL", 27, "FromMeAtPopup", [])]),
        C("CheckBox", "CNTL", 28, "UseOrganizationCheckBox", text="Use Organization", cmd="UORG"),
        H(C("Bevel", "CNTL", 116, "EditMyCardButton", text="My Card", cmd="MEBK"),
          C("Bevel", "CNTL", 115, "ContactsButton", text="Contacts", cmd="BOOK"), STRETCH),
        STRETCH)
    manual_pane = V(
        Grid([C("Caption", "CNTL", 102, "SenderNameLabel", text="Name:"),
              C("Field", "CNTL", 103, "SenderNameField")],
             [C("Caption", "CNTL", 104, "SenderEmailLabel", text="Email:"),
              C("Field", "CNTL", 105, "SenderEmailField")]),
        H(C("Bevel", "CNTL", 112, "PeoplePickerButton", text="People", cmd="PPIK"),
          AddressPopup("CNTL", 117, "SenderAddressTypePopup", cmd="STYP"),
          PullDown("CNTL", 122, "SenderPullDown", "Load", [
              ("Sender Selected in Mail", "MaSe"), ("Edit My Card", "MEBK")]),
          STRETCH),
        STRETCH)
    sender = V(
        Tabs("STAB", 0, "SenderTabs", [
            ("My Card", "SPNE", 1000, "SenderCardPane", card_pane),
            ("Manual", "SPNE", 1001, "SenderManualPane", manual_pane)]),
        C("Caption", "CNTL", 113, "SenderCaption", text=" "),
        H(C("Bevel", "CNTL", 118, "AttachmentsButton", text="Attachments", cmd="TGGL"),
          C("Bevel", "CNTL", 130, "OtherOptionsButton", text="Options", cmd="OPTS"),
          C("Bevel", "CNTL", 133, "ServerSettingsButton", text="Server", cmd="SSeT"), STRETCH),
        H(C("Caption", "CNTL", 120, "PriorityLabel", text="Priority:"),
          W("Popup", "CNTL", 119, "PriorityPopup",
            items=["1 (Highest)", "2 (High)", "3 (Normal)", "4 (Low)", "5 (Lowest)"], props={"currentIndex": 2}),
          Popup("CNTL", 123, "CharsetPopup", []), STRETCH))
    columns = H(V(recipients), V(sender), stretch=[1, 1])
    editors_row = H(Btn("Preamble...", "QUIK"), Btn("Epilogue...", "EPIL"), Btn("Plain Text...", "PTA "),
                    STRETCH, C("CheckBox", "CNTL", 126, "ImageHTMLCheckBox", text="Image HTML", cmd="IMaG"))
    status_row = H(C("ProgressBar", "CNTL", 18, "StatusProgress"),
                   C("Caption", "CNTL", 19, "StatusCaption"),
                   C("Caption", "STAT", 1, "ScheduleLabelCaption"),
                   C("Caption", "Time", 1, "ScheduleTimeCaption", props={"minimumSize": (16, 16)}),
                   C("Caption", "STAT", 3, "ScheduleDateCaption"),
                   C("Caption", "STAT", 4, "ScheduleRepeatCaption"),
                   C("Caption", "STAT", 9, "ScheduleWakeCaption"), stretch=[0, 1, 0, 0, 0, 0, 0])
    action_row = H(C("Caption", "mmID", 0, "UniqueNameCaption"),
                   W("Bevel", text="•", cmd="mm  ", props={"autoRaise": True}),
                   STRETCH,
                   C("IconWell", "CNTL", 109, "MailAppIconWell", props={"minimumSize": (24, 24)}),
                   Btn("?", "HELP"), Btn("Save", "SAVE"), Btn("Progress...", "goRP"),
                   Btn("Schedule...", "SCHD"),
                   C("Caption", "CNTL", 108, "TestLabel", text="Test:"),
                   C("Button", "CNTL", 13, "RawSourceButton", text="Raw Source...", cmd="SRCE"),
                   C("Button", "CNTL", 11, "PreviewButton", text="Preview", cmd="PRVW"),
                   C("Caption", "CNTL", 14, "SendLabel", text="Mailing:"),
                   C("Button", "CNTL", 5, "SendButton", text="Send", cmd="SEND", props={"default": True}))
    body = V(source_row, subject_row, columns, editors_row,
             C("Separator", "SEPA", 4, "MailerSeparator"), status_row, action_row)
    return dict(name="Mailer", cls="QMainWindow", title="Untitled", size=(760, 470), body=body)


def attachments(name, list_height):
    body = V(
        C("DataBrowser", "CNTL", 7, "AttachmentsList", columns=[
            ("indx", "text", "#", False), ("name", "icontext", "Name", False),
            ("path", "text", "Path", False), ("size", "text", "Size", False)],
          props={"minimumSize": (0, list_height)}),
        H(C("Button", "CNTL", 8, "AddAttachmentButton", text="+", cmd="ADD "),
          C("Button", "CNTL", 9, "RemoveAttachmentButton", text="−", cmd="DELE"),
          Btn("Clear", "CLAR"), Btn("Attach Page", "Apth"), STRETCH,
          C("Caption", "CNTL", 14, "AttachmentCountCaption", text="0 files"),
          C("Caption", "CNTL", 11, "AttachmentSizeCaption", text="0 bytes")),
        H(Label("Path:"), C("Field", "CNTL", 15, "AttachmentPathField")),
        H(C("CheckBox", "CNTL", 10, "BinHexCheckBox", text="BinHex", cmd="BHEX"),
          Label("Disposition:"),
          Popup("CNTL", 12, "DispositionPopup", ["Inline", "Attachment", "Embedded"], cmd="EBED"),
          STRETCH, Btn("?", "AHlp")))
    return dict(name=name, design="Attachments", cls="QWidget", title="Attachments",
                size=(760, list_height + 110), body=body)


def recipients():
    body = V(
        H(Popup("CNTL", 4, "RecipientsDisplayPopup",
                ["All Recipients", "Flagged Recipients", "Unflagged Recipients"]),
          Btn("Show All", "FSRP"), STRETCH,
          C("SearchField", "CNTL", 6, "RecipientsSearchField", actions=[
              ("First Name", "fnme"), ("Last Name", "lnme"), ("Email Address", "mail")],
            props={"placeholderText": "Last Name"})),
        C("DataBrowser", "CNTL", 1, "RecipientsList", columns=[
            ("send", "check", "Send", True), ("indx", "text", "#", False),
            ("fnme", "text", "First Name", True), ("lnme", "text", "Last Name", True),
            ("mail", "text", "Primary Email", True)]),
        H(PullDown("CNTL", 2, "SelectionPullDown", "Select", [
            ("Select All", "SLCT"), ("Select None", "SNON"), ("Invert Selection", "INVS")]),
          PullDown("CNTL", 3, "FlagsPullDown", "Flags", [
              ("Flag Selected", "FSEL"), ("Unflag Selected", "USEL"), SEP, ("Flag All", "VLID"),
              ("Unflag All", "UCHK"), ("Invert Flags", "IFLG")]),
          PullDown("CNTL", 7, "CheckPullDown", "Check", [
              ("Find Duplicates", "DUPL"), ("Verify Addresses", "VERI"), ("Apply Blacklist", "BLST"),
              ("Unflag From Report Log...", "UFRL")]),
          PullDown("CNTL", 8, "SavePullDown", "Save", [
              ("Save Recipients...", "SelR"), ("Save Flagged Recipients...", "SRCP"),
              ("Save All Recipients...", "SALL")]),
          C("Button", "BEVE", 1, "DeleteImportedButton", text="Delete", cmd="DELE"),
          STRETCH, C("Caption", "BEVE", 0, "SelectionCountCaption", text="0/0")),
        C("Separator", "SEPA", 1, "RecipientsSeparator"),
        H(Btn("?", "HELP"), Btn("Add Recipient...", "ADDr"), Btn("Schedule...", "SCHD"), STRETCH,
          Btn("OK", "ok  ", props={"default": True})))
    return dict(name="Recipients", cls="QDialog", title="Select Recipients", size=(640, 420), body=body)


def schedule():
    body = V(
        Grid([Label("Date:"), C("Date", "CNTL", 2, "ScheduleDate", props={"calendarPopup": True})],
             [Label("Time:"), C("Time", "CNTL", 1, "ScheduleTime", props={"displayFormat": "HH:mm:ss"})]),
        H(C("CheckBox", "CNTL", 7, "RepeatCheckBox", text="Repeat every", cmd="Rpte"),
          C("Field", "CNTL", 8, "RepeatCountField", text="1"),
          Popup("CNTL", 9, "RepeatUnitsPopup", ["seconds", "minutes", "hours", "days", "weeks"], cmd="TUNT")),
        H(C("CheckBox", "CNTL", 10, "WakeCheckBox", text="Wake the computer", cmd="Wake"),
          C("Field", "CNTL", 11, "WakeSecondsField", text="60"), Label("seconds before")),
        STRETCH,
        H(C("Button", "CNTL", 5, "UnscheduleButton", text="Unschedule", cmd="Usch"), OkCancel()))
    return dict(name="ScheduleRecipients", cls="QDialog", title="Schedule", size=(420, 220), body=body)


def add_recipient():
    body = V(
        Grid([Label("First Name:"), C("Field", "FNME", 0, "AddFirstNameField")],
             [Label("Last Name:"), C("Field", "LNME", 0, "AddLastNameField")],
             [Label("Email:"), C("Field", "MAIL", 0, "AddEmailField")],
             [Label("Address:"), AddressPopup("ATYP", 0, "AddAddressTypePopup")]),
        H(C("Bevel", "PPIK", 0, "AddPeoplePickerButton", text="People", cmd="PPIK"), STRETCH),
        C("Caption", "ERR1", 0, "AddErrorCaption", text="Please enter an email address."),
        STRETCH,
        H(Btn("Clear", "clea"), OkCancel()))
    return dict(name="AddRecipient", cls="QDialog", title="Add Recipient", size=(420, 240), body=body)


def other_options():
    body = V(
        Grid([Label("CC:"), C("Field", "CC  ", 0, "CcField")],
             [Label("BCC:"), C("Field", "BCC ", 0, "BccField")],
             [Label("Return Path:"), C("Field", "RTRN", 0, "ReturnPathField")],
             [Label("Reply To:"), C("Field", "RPLY", 0, "ReplyToField")]),
        H(C("Bevel", "CNTL", 135, "OptionsPeoplePickerButton", text="People", cmd="PPIK"),
          AddressPopup("CNTL", 136, "OptionsAddressTypePopup"), STRETCH),
        STRETCH, OkCancel())
    return dict(name="OtherOptions", cls="QDialog", title="Other Options", size=(440, 230), body=body)


def server_settings():
    body = V(
        H(Popup("CNTL", 543, "ServersPopup", ["Select Server..."], cmd="ssPU"),
          Btn("+", "Asrv"), Btn("−", "Rsrv"), STRETCH,
          C("Button", "MAIL", 0, "ImportMailServersButton", text="Import from Mail", cmd="MAIL")),
        Grid([Label("Server:"), C("Field", "CNTL", 10, "ServerField")],
             [Label("User Name:"), C("Field", "CNTL", 23, "UserNameField")],
             [Label("Password:"), C("SecureField", "CNTL", 24, "PasswordField")],
             [Label("Port:"), H(C("Field", "CNTL", 25, "PortField", text="587"),
                                Popup("CNTL", 139, "PortPopup", ["Port", "25", "587", "465"], cmd="PICK"))],
             [C("Caption", "CNTL", 128, "PopPeriodLabel", text="POP period:"),
              C("Field", "CNTL", 127, "PopPeriodField", text="30")],
             [Label("Authentication:"),
              Popup("CNTL", 125, "AuthenticationPopup", ["None", "PLAIN", "LOGIN", "POP", "APOP"], cmd="AUTH")],
             [C("CheckBox", "CNTL", 137, "UseSSLCheckBox", text="Use Secure Sockets (SSL)", cmd="USSL"),
              Popup("CNTL", 138, "SecureAuthenticationPopup", ["Automatic", "PLAIN", "LOGIN", "CRAM-MD5"])],
             [None, C("CheckBox", "CNTL", 144, "AcceptAnyCertificateCheckBox",
                      text="Accept any certificate",
                      tip="The server's certificate is not verified for this server.")]),
        STRETCH,
        H(C("Button", "TPRT", 0, "TestPortButton", text="Test Port", cmd="TPRT"),
          C("Arrows", "CNTL", 140, "TestBusyIndicator"), Btn("Throttle...", "THRT"), STRETCH,
          Btn("?", "HELP"), Btn("OK", "ok  ", props={"default": True})))
    return dict(name="ServerSettings", cls="QDialog", title="Server Settings", size=(480, 330), body=body)


def progress():
    body = V(
        Grid([Label("Document:"), C("Caption", "CNTL", 1, "SummaryDocumentCaption")],
             [Label("Subject:"), C("Caption", "CNTL", 2, "SummarySubjectCaption")],
             [Label("Server:"), C("Caption", "CNTL", 3, "SummaryServerCaption")],
             [Label("Message Monitor:"), C("Caption", "CNTL", 4, "SummaryMonitorCaption")],
             [Label("Sender:"), C("Caption", "CNTL", 13, "SummarySenderCaption")],
             [C("Caption", "CNTL", 14, "SummarySourceLabel"), C("Caption", "CNTL", 15, "SummarySourceCaption")],
             [Label("Throttle:"), C("Caption", "CNTL", 23, "SummaryThrottleCaption")]),
        C("Separator", "SEPA", 1, "ProgressTopSeparator"),
        C("ProgressBar", "CNTL", 5, "SendProgressBar"),
        C("Caption", "CNTL", 6, "ProgressStatusCaption"),
        C("Caption", "CNTL", 17, "RecipientCaption"),
        C("Caption", "CNTL", 18, "RecipientCountCaption"),
        H(C("Caption", "CNTL", 16, "RateCaption"), STRETCH,
          C("Caption", "CNTL", 21, "ElapsedLabel", text="Elapsed:"),
          C("Caption", "CNTL", 19, "ElapsedCaption")),
        C("Caption", "CNTL", 10, "DeliveredLabel", text="Delivered:"),
        C("DataBrowser", "CNTL", 8, "DeliveredList", columns=[
            ("indx", "text", "#", False), ("fnme", "text", "First Name", False),
            ("lnme", "text", "Last Name", False), ("mail", "text", "Email", False),
            ("erro", "text", "Error", False), ("rtry", "text", "Retries", False)]),
        H(C("Caption", "BEVE", 0, "ErrorCountCaption", text="0 errors"), STRETCH,
          C("Caption", "Time", 1, "ProgressScheduleCaption", props={"minimumSize": (16, 16)}),
          C("UserPane", "CNTL", 22, "SimulateIconPane", props={"minimumSize": (32, 32)})),
        C("Separator", "SEPA", 2, "ProgressBottomSeparator"),
        H(Btn("?", "Phlp"), C("Caption", "CNTL", 12, "ReportsLabel", text="Reports:"),
          C("Button", "CNTL", 11, "ReportsButton", text="Open Reports", cmd="OrLg"), STRETCH,
          C("Button", "CNTL", 20, "PauseButton", text="Pause", cmd="PAUS"),
          C("Button", "CNTL", 7, "AbortButton", text="Abort", cmd="ABRT"),
          C("Button", "CNTL", 9, "CloseProgressButton", text="Close", cmd="CLSE", props={"default": True})))
    return dict(name="Progress", cls="QDialog", title="Progress", size=(600, 520), body=body)


def editor(design, variant):
    role = design  # roles are per design: Preamble..., Epilogue..., PlainTextAlternative...
    tools = [PullDown("CNTL", 9, role + "TagPullDown", "Insert Tag",
                      [(name, code) for name, code in MERGE_GENERAL], cmd="IABT"),
             PullDown("CNTL", 10, role + "AddressBookTagPullDown", "Insert Address Book Tag",
                      [(name, code) for name, code in MERGE_ADDRESS_BOOK] + [SEP,
                       ("RelatedNames=CustomLabel", "CST1"), ("Date=CustomLabel", "CST2"),
                       ("Email=CustomLabel", "CST3"), ("Phone=CustomLabel", "CST4")], cmd="MAIT"),
             C("Button", "CNTL", 17, role + "ImportTagButton", text="Import Tag", cmd="iprt"),
             C("Button", "CNTL", 16, role + "ScriptButton", text="Script...", cmd="SCPT"),
             C("Button", "CNTL", 15, role + "SpellingButton", text="Spelling", cmd="SPEL")]
    if design == "Preamble":
        tools.append(C("Button", "CNTL", 18, "PreambleFontsButton", text="Fonts", cmd="shfp"))
    tools.append(STRETCH)
    titles = {"Preamble": "Preamble", "Epilogue": "Epilogue", "PlainTextAlternative": "Plain Text Alternative"}
    body = V(
        C("TextPane", "CNTL", 8, role + "TextPane"),
        H(*tools),
        H(C("Button", "CNTL", 14, role + "HelpButton", text="?", cmd="HELP"),
          C("Button", "CNTL", 13, role + "ClearButton", text="Clear", cmd="clea"), STRETCH,
          C("Button", "CNTL", 12, role + "CancelButton", text="Cancel", cmd="not!"),
          C("Button", "CNTL", 11, role + "OKButton", text="OK", cmd="ok  ", props={"default": True})))
    return dict(name=design + variant, design=design, cls="QDialog", title=titles[design],
                size=(640, 400), body=body)


def entourage():
    body = V(
        C("Caption", "CNTL", 3, "EntourageCaption", text="Choose the Entourage group to import:"),
        H(Popup("CNTL", 1, "EntourageGroupPopup", []), C("Arrows", "CNTL", 2, "EntourageArrows")),
        STRETCH,
        H(Btn("Recipients...", "GRUP"), OkCancel()))
    return dict(name="SelectEntourageGroup", cls="QDialog", title="Entourage Group", size=(400, 150), body=body)


def no_my_card():
    body = V(
        Label("No \"My Card\" was found in Contacts."),
        W("Caption", text="The sender of a mailing is taken from your own card in Contacts. Open Contacts and "
                          "make a card your card, or enter the sender on the \"Manual\" tab.",
          props={"wordWrap": True}),
        C("CheckBox", "show", 0, "DontShowAgainCheckBox", text="Do not show this message again", cmd="show"),
        STRETCH,
        H(Btn("?", "HELP"), Btn("Open Contacts", "BOOK"), STRETCH, Btn("OK", "ok  ", props={"default": True})))
    return dict(name="NoMyCardAlert", cls="QDialog", title="No My Card", size=(440, 180), body=body)


def append_or_replace():
    body = V(Label("Append the imported recipients to the current list, or replace the list?"), STRETCH,
             H(Btn("Cancel", "CNCL"), STRETCH, Btn("Append", "APND"), Btn("Replace", "RPLC", props={"default": True})))
    return dict(name="AppendOrReplace", cls="QDialog", title="Import", size=(420, 120), body=body)


def remove_import():
    body = V(Label("Remove the imported recipients from this mailing?"), STRETCH,
             H(STRETCH, Btn("Cancel", "CNCL"), Btn("Remove", "OKAY", props={"default": True})))
    return dict(name="RemoveImport", cls="QDialog", title="Remove Import", size=(400, 120), body=body)


def about():
    # A resource-ID window: its panes are named by pane ID ("pane:1", "pane:'VERS'"); the link
    # buttons broadcast their value message to the about box.
    body = V(
        W("Caption", text="<b>Brevanto</b>", props={"alignment": "Qt::AlignCenter"}),
        W("Caption", qt=None, text="Version", props={"alignment": "Qt::AlignCenter", "name": "pane:'VERS'"}),
        W("Caption", text="Copyright", props={"alignment": "Qt::AlignCenter", "wordWrap": True}),
        H(STRETCH,
          W("LinkButton", text="Web Site", props={"url": "http://www.tessaroc.com/products/brevanto/",
                                                  "valueMessage": "WWW ", "name": "pane:2"}),
          W("LinkButton", text="Support", props={"url": "mailto:support@tessaroc.com",
                                                 "valueMessage": "Mail", "name": "pane:1"}),
          STRETCH))
    return dict(name="About", cls="CAboutBox", extends="QDialog", title="About Brevanto", size=(360, 180),
                body=body)


def message_monitor():
    body = V(C("DataBrowser", "DATA", 0, "RequestsList", columns=[
                 ("INDX", "text", "#", False), ("DATE", "text", "Date", True), ("NAME", "text", "Name", True),
                 ("SBJT", "text", "Subject", True), ("MIDP", "text", "Mailing", True)]),
             H(C("Caption", "MMWT", 0, "MonitorStatusCaption"), STRETCH,
               C("Button", "OPNP", 0, "MonitorPreferencesButton", text="Preferences...", cmd="OPNP"),
               C("Button", "ECSV", 0, "ExportRequestsButton", text="Export...", cmd="ECSV")))
    return dict(name="MessageMonitor", cls="QWidget", title="Message Monitor", size=(720, 420), body=body)


# ---------------------------------------------------------------------------------------------
# The preferences, servers and software-update windows (nibs of their own). Their controls are
# found by ID by their window classes, not through the control map.

def P(kind, num, text=None, cmd=None, **kw):
    return W(kind, "PREF", num, None, text=text, cmd=cmd, **kw)


def Check(num, text, cmd):
    return P("CheckBox", num, text, cmd)


def Numeric(num, text=None):
    return P("Field", num, text, props={"maximumWidth": 90})


def Thrt(num, text):
    return W("Caption", "THRT", num, None, text=text)


def preferences():
    saving = V(
        Check(1000, "Save the mailing automatically while sending", "ASAV"),
        H(W("Caption", "ASST", 1, None, text="Save every"), Numeric(1033),
          W("Caption", "ASST", 2, None, text="messages"), STRETCH),
        Check(1043, "Save imported recipients with the mailing", "SIPT"), STRETCH)
    monitor = V(
        Check(1001, "Open the Message Monitor window at launch", "UPDT"),
        Grid([Label("Port:"), Numeric(1066)], [Label("Address:"), P("Field", 1070)]),
        Check(1068, "Use the external address in tracking links", "UEXT"),
        Check(1069, "Use the host name (DNS) in tracking links", "UDNS"),
        H(STRETCH, Btn("Restart Message Monitor", "RsRT")), STRETCH)
    throttle = V(
        W("RadioGroup", "PREF", 1022, None, cmd="TTYP",
          items=["Delay between messages", "A number of messages per time unit", "Batches of messages"]),
        H(Thrt(1, "Wait"), P("Slider", 1004, cmd="WAIT", props={"minimum": 0, "maximum": 360}),
          P("Caption", 1005, "No delay")),
        H(Thrt(2, "between"), Thrt(3, "messages"), Thrt(4, "(in steps of"), Thrt(5, "10"),
          Thrt(6, "seconds)"), Thrt(7, ""), STRETCH),
        H(Thrt(8, "Send"), Numeric(1023, "12"), Thrt(9, "messages per"),
          Popup("PREF", 1024, None, ["minute", "hour", "day"], cmd="TUNT"), STRETCH),
        H(Thrt(10, "Batch size:"), Numeric(1030), Thrt(11, "Copies:"),
          Popup("PREF", 1064, None, ["No copying", "Copy by Cc", "Copy by Bcc"], cmd="bTyp"),
          P("Caption", 1065, "per batch"), STRETCH), STRETCH)
    windows = V(
        Check(1006, "Display help tags", "DISP"),
        H(Label("Help tag delay:"), P("LittleArrows", 1007, cmd="INCR", props={"minimum": 0, "maximum": 10}),
          P("Caption", 1008, "2"), Label("seconds"), STRETCH),
        Check(1034, "Show the priority popup in mailing windows", "SPRM"),
        W("CheckBox", "PREF", 55, None, text="Show the character set popup in mailing windows", cmd="eedc"),
        Check(1053, "Display message editors with sheets", "DMes"),
        Check(1054, "Restore the workspace at launch", "rstW"), STRETCH)
    message = V(
        Check(1009, "Include a read-receipt (MDN) header", "IMDN"),
        Check(1036, "Include a BCC header", "BCC "),
        H(Check(1010, "Include an X-Mailer header:", "IXML"), P("Field", 1015)),
        Check(1035, "Encode text as quoted-printable", "enQP"),
        Check(1039, "Sender is recipient", "sISr"),
        Check(1067, "Insert content ID tags", "ICid"),
        Grid([Label("Image quality:"), W("Popup", "PREF", 1040, None, items=["Low", "Normal", "High"], cmd="ImQu",
                                         props={"currentIndex": 1})],
             [Label("Image web pages as:"), Popup("PREF", 1061, None, ["PDF", "JPEG", "TIFF"], cmd="IHAT")]),
        STRETCH)
    behavior = V(
        Grid([Check(1013, "Reset recipients after a mailing", "RSET"),
              Check(1021, "Open the default e-mail program", "ODEM")],
             [Check(1026, "Play a sound on success", "SSND"), Check(1027, "Play a sound on error", "ESND")],
             [Check(1028, "Set the subject to the file name", "SSTF"),
              Check(1029, "Set the subject to the page title", "SSTT")],
             [Check(1038, "Start mailings paused", "PaUs"), Check(1041, "Eliminate duplicates", "DuPl")],
             [Check(1046, "Zip attached folders", "ZipF"), Check(1048, "Resend on error", "RsNd")],
             [Check(1049, "Verify e-mail addresses", "Veml"), Check(1056, "Warn if the subject is empty", "WiSF")],
             [Check(1062, "Split PDF attachments", "sPLt"),
              Check(1063, "Convert text attachments to PDF", "CTaP")]),
        STRETCH)
    logs = V(
        Check(1012, "Keep a log", "WLOG"),
        Check(1020, "Verbose logging", "VERB"),
        Check(1045, "Date-stamp log entries", "sTmp"),
        Check(1014, "Sort errors in reports", "SORT"),
        Check(1052, "Save the mailing log automatically", "ASLg"),
        H(STRETCH, Btn("View Log", "VIEW")), STRETCH)
    special = V(
        Grid([Label("Download folder:"), P("Caption", 1002, "", props={"wordWrap": True}), Btn("Change...", "CHNG")],
             [Label("User agent:"), P("Field", 1016)],
             [Label("Network time-out (seconds):"), Numeric(1031)],
             [Label("Message retries:"), Numeric(1042)],
             [Label("Retry interval (seconds):"), Numeric(1044)],
             [Label("Consecutive errors:"), Numeric(1032)],
             [Label("SMTP greeting:"), Popup("PREF", 1017, None, ["EHLO", "HELO"], cmd="EHLO")],
             [Label("Relative links:"),
              Popup("PREF", 1025, None, ["Insert a base element", "Rewrite links"], cmd="RELA")]),
        Check(1019, "Look up the recipient's mail server (DNS)", "DDNS"),
        Check(1050, "Use the external address", "exIP"),
        Check(1047, "Simulate to self", "SSlf"),
        Check(1055, "Simulate errors", "Esim"), STRETCH)
    blacklist = V(
        Label("Addresses that are never sent to:"),
        W("DataBrowser", "PREF", 1057, None, columns=[("Mail", "text", "Address", False)]),
        Check(1071, "Match addresses as regular expressions", "REGX"),
        H(Btn("Import...", "LdBl"), Btn("Export...", "ExBl"), STRETCH, Btn("Clear", "ClBl")))
    panes = [saving, monitor, throttle, windows, message, behavior, logs, special, blacklist]
    body = V(W("TabBar", "PRTT", 1000, None),
             *[W("PaneBox", "PRTB", 999 + n, None, body=pane) for n, pane in enumerate(panes, 1)],
             H(STRETCH, Btn("?", "HELP")))
    return dict(nib="Preferences", name="PreferencesWindow", cls="QWidget", title="Preferences", size=(800, 500),
                body=body)


def servers():
    body = V(W("Caption", text="Mail servers are set in each mailing's Server Settings sheet: choose "
                              "Server Settings in a mailing window to add, change or remove a server.",
               props={"wordWrap": True}),
             STRETCH, H(STRETCH, Btn("?", "HELP")))
    return dict(nib="Servers", name="ServersWindow", cls="QWidget", title="Servers", size=(420, 150), body=body)


def update_window(name, title, text, buttons, extra=(), size=(420, 150)):
    body = V(W("Caption", text=text, props={"wordWrap": True}), *extra, STRETCH, H(STRETCH, *buttons))
    return dict(nib="SoftwareUpdate", name=name, cls="QWidget", title=title, size=size, body=body)


def software_update():
    ok = Btn("OK", "ok  ", props={"default": True})
    return [
        update_window("CheckingForSoftwareWindow", "Software Update", "Checking for a newer version of Brevanto...",
                      [], extra=[W("ProgressBar", props={"maximum": 0})]),
        update_window("UpToDateWindow", "Software Update", "Brevanto is up to date.", [ok]),
        update_window("UpdateCheckFailedWindow", "Software Update",
                      "The check for a newer version failed. Please try again later.", [ok]),
        update_window("UpdateAvailableWindow", "Software Update",
                      "A newer version of Brevanto is available. Do you want to download it now?",
                      [Btn("Save Release Notes...", "SAVE"), Btn("Not Now", "no  "),
                       Btn("Download", "yes ", props={"default": True})],
                      extra=[W("TextPane", "CNTL", 2, None, props={"readOnly": True})], size=(480, 360)),
        update_window("DownloadUpdateWindow", "Downloading Update", "Downloading the update...",
                      [Btn("Cancel", "not!")], extra=[W("ProgressBar", "CNTL", 128, None, props={"maximum": 0})]),
        update_window("DownloadUpdateResultWindow", "Software Update", "",
                      [ok], extra=[W("Caption", "CNTL", 1, None, props={"wordWrap": True})]),
    ]


WINDOWS = [mailer(), attachments("Attachments", 180), attachments("AttachmentsSmall", 90),
           recipients(), schedule(), add_recipient(), other_options(), server_settings(), progress()]
for _design in ("Preamble", "Epilogue", "PlainTextAlternative"):
    for _variant in ("Sheet", "Window"):
        WINDOWS.append(editor(_design, _variant))
WINDOWS += [entourage(), no_my_card(), append_or_replace(), remove_import(), about(), message_monitor(),
            preferences(), servers()]
WINDOWS += software_update()

MENUS = [
    ("RecipientsContextMenu", [("Flag", "FSEL"), ("Unflag", "USEL"), SEP, ("Delete", "DELE")]),
    ("SpellCheckContextualMenu", []),
]

# The menu bar: the application menu, the File menu (129), the Edit menu, menu 128 and Help.
MENU_BAR = [
    ("Application", "Brevanto", [("About Brevanto", "1"), SEP, ("Preferences...", "pref"),
                                 ("Servers...", "SRVS"), ("Check for Updates...", "UPDT"),
                                 ("Release Notes", "Mrnt"), ("Send Feedback...", "MAIL"), SEP,
                                 ("Quit Brevanto", "10")]),
    ("129", "File", [("New", "2"), ("Open...", "3"), ("Import Recipients...", "IPRT"),
                     ("Open Recent", "RCNT"), SEP, ("Close", "4"), ("Save", "5"), ("Save As...", "6"),
                     ("Revert", "7"), SEP, ("Open Log", "CONS")]),
    ("Edit", "Edit", [("Undo", "11"), SEP, ("Cut", "12"), ("Copy", "13"), ("Paste", "14"),
                      ("Clear", "15"), ("Select All", "16")]),
    ("128", "Mailing", [("Send", "SEND"), ("Schedule...", "SCHD"), ("Simulate Send", "SIMS"), SEP,
                        ("Message Monitor", "MsgM"), ("Message Monitor Window", "ERLM"), SEP,
                        ("Roll Log", "ROLL"), ("Open Previous Log...", "OPNL"), SEP,
                        ("Message Monitor Preferences...", "OPNP"), SEP,
                        ("Load Message Menu", "LoaF"), ("Import Actions Menu", "Imfl"),
                        ("Load Sender Menu", "SMET")]),
    ("Help", "Help", []),
]

SHORTCUTS = {"2": "Ctrl+N", "3": "Ctrl+O", "4": "Ctrl+W", "5": "Ctrl+S", "6": "Ctrl+Shift+S",
             "10": "Ctrl+Q", "11": "Ctrl+Z", "12": "Ctrl+X", "13": "Ctrl+C", "14": "Ctrl+V",
             "16": "Ctrl+A", "pref": "Ctrl+,"}


# ---------------------------------------------------------------------------------------------
# Writing the .ui XML

def object_name(sig, num):
    return sig.replace(" ", "_") + ":" + str(num)


class Writer:
    def __init__(self, window):
        self.window = window
        self.used = set()
        self.actions = []     # (name, text, cmd)
        self.customs = set()
        self.rows = []        # control-map rows

    def unique(self, base):
        name, n = base, 1
        while name in self.used:
            n += 1
            name = "%s_%d" % (base, n)
        self.used.add(name)
        return name

    def prop(self, parent, name, value, stdset=True):
        p = ET.SubElement(parent, "property", name=name)
        if not stdset:
            p.set("stdset", "0")
        if isinstance(value, bool):
            ET.SubElement(p, "bool").text = "true" if value else "false"
        elif isinstance(value, int):
            ET.SubElement(p, "number").text = str(value)
        elif isinstance(value, tuple):
            s = ET.SubElement(p, "size")
            ET.SubElement(s, "width").text = str(value[0])
            ET.SubElement(s, "height").text = str(value[1])
        elif isinstance(value, list):
            sl = ET.SubElement(p, "stringlist")
            for v in value:
                ET.SubElement(sl, "string").text = v
        elif isinstance(value, str) and value.startswith(("Qt::", "QLineEdit::", "QToolButton::", "QFrame::")):
            ET.SubElement(p, "enum" if "|" not in value else "set").text = value
        else:
            ET.SubElement(p, "string").text = value
        return p

    def add_action(self, parent_widget, text, cmd):
        name = self.unique("action_" + cmd.replace(" ", "_").replace("!", "x"))
        self.actions.append((name, text, cmd))
        ET.SubElement(parent_widget, "addaction", name=name)

    def widget(self, parent, w):
        cls, base = KINDS[w.kind]
        if w.qt:
            cls = w.qt
        if base:
            self.customs.add((cls, base))
        if w.sig is not None:
            name = object_name(w.sig, w.num)
            assert name not in self.used, (self.window["name"], name)
            self.used.add(name)
            self.rows.append((w.sig, w.num, w.role, w.kind))
        elif "name" in w.props:
            name = w.props["name"]
            assert name not in self.used, name
            self.used.add(name)
        else:
            name = self.unique(("button_" + w.cmd.replace(" ", "_").replace("!", "x")) if w.cmd else
                               ("label" if w.kind == "Caption" else w.kind.lower()))
        el = ET.SubElement(parent, "widget", {"class": cls, "name": name})
        if w.kind in ("Caption",) and w.text is not None:
            self.prop(el, "text", w.text)
        elif w.kind in ("Button", "Bevel", "CheckBox", "PullDown", "LinkButton") and w.text is not None:
            self.prop(el, "text", w.text)
        elif w.kind in ("Field", "SecureField") and w.text is not None:
            self.prop(el, "text", w.text)
        if w.kind == "SecureField":
            self.prop(el, "echoMode", "QLineEdit::Password")
        if w.kind == "Bevel":
            self.prop(el, "toolButtonStyle", "Qt::ToolButtonTextBesideIcon")
        if w.kind == "PullDown":
            self.prop(el, "popupMode", "QToolButton::InstantPopup")
            self.prop(el, "toolButtonStyle", "Qt::ToolButtonTextOnly")
        if w.kind in ("Separator", "Slider"):
            self.prop(el, "orientation", "Qt::Horizontal")
        if w.kind == "RadioGroup":
            box = ET.SubElement(el, "layout", {"class": "QVBoxLayout", "name": self.unique("radioLayout")})
            for n, text in enumerate(w.items, 1):
                item = ET.SubElement(box, "item")
                radio = ET.SubElement(item, "widget", {"class": "QRadioButton",
                                                       "name": self.unique("%s_radio%d" % (name.replace(":", "_"), n))})
                self.prop(radio, "text", text)
                if n == 1:
                    self.prop(radio, "checked", True)
                self.prop(radio, "command", w.cmd, stdset=False)
        if w.kind == "PaneBox":
            self.layout(el, w.body)
        if w.kind == "LinkButton":
            self.prop(el, "title", w.text, stdset=False)
            self.prop(el, "flat", True)
        if w.kind == "Arrows":
            # Busy arrows animate while visible: hidden until the work they show runs.
            self.prop(el, "maximum", 0)
            self.prop(el, "textVisible", False)
            self.prop(el, "visible", False)
        if w.kind == "ProgressBar":
            self.prop(el, "textVisible", False)
        for key, value in w.props.items():
            if key == "name":
                continue
            if key == "minimumSize":
                self.prop(el, key, value)
            elif key in ("url", "valueMessage"):
                self.prop(el, key, value, stdset=False)
            else:
                self.prop(el, key, value)
        if w.tip:
            self.prop(el, "toolTip", w.tip)
        if w.cmd is not None:
            self.prop(el, "command", w.cmd, stdset=False)
        if w.item_cmds:
            self.prop(el, "itemCommands", w.item_cmds, stdset=False)
        if w.columns:
            # "PROP|kind|Title", with "|editable" for columns the user may edit.
            self.prop(el, "columns", ["%s|%s|%s%s" % (c[0], c[1], c[2], "|editable" if c[3] else "")
                                      for c in w.columns], stdset=False)
        for text in (w.items or [] if w.kind != "RadioGroup" else []):
            item = ET.SubElement(el, "item")
            self.prop(item, "text", text)
        if w.kind == "Popup" and "currentIndex" in w.props:
            # The loader selects an item only once the items exist.
            current = el.find("property[@name='currentIndex']")
            el.remove(current)
            el.append(current)
        if w.actions:
            # Pull-downs and search fields: the loader builds the menu from "Text|CODE" entries.
            self.prop(el, "menuItems", ["-" if a == SEP else "%s|%s" % a for a in w.actions], stdset=False)
        return el

    def layout(self, parent, box, is_top=False):
        if isinstance(box, Grid):
            lay = ET.SubElement(parent, "layout", {"class": "QGridLayout", "name": self.unique("gridLayout")})
            for r, row in enumerate(box.rows):
                for c, cell in enumerate(row):
                    if cell is None:
                        continue
                    item = ET.SubElement(lay, "item", row=str(r), column=str(c))
                    self.item_content(item, cell)
            return lay
        cls = "QVBoxLayout" if box.direction == "V" else "QHBoxLayout"
        lay = ET.SubElement(parent, "layout", {"class": cls, "name": self.unique(cls[1].lower() + "Layout")})
        if box.stretch:
            lay.set("stretch", ",".join(str(n) for n in box.stretch))
        for child in box.children:
            item = ET.SubElement(lay, "item")
            self.item_content(item, child, "V" if box.direction == "V" else "H")
        return lay

    def item_content(self, item, child, direction="H"):
        if child == STRETCH:
            sp = ET.SubElement(item, "spacer", name=self.unique("spacer"))
            self.prop(sp, "orientation", "Qt::Vertical" if direction == "V" else "Qt::Horizontal")
            self.prop(sp, "sizeHint", (0, 0) if direction == "H" else (0, 0))
        elif isinstance(child, (Box, Grid)):
            self.layout(item, child)
        elif isinstance(child, Tabs):
            self.tabs(item, child)
        else:
            self.widget(item, child)

    def tabs(self, parent, t):
        name = object_name(t.sig, t.num)
        self.used.add(name)
        self.rows.append((t.sig, t.num, t.role, "Tabs"))
        el = ET.SubElement(parent, "widget", {"class": "QTabWidget", "name": name})
        self.prop(el, "currentIndex", 0)
        for title, sig, num, role, body in t.pages:
            pname = object_name(sig, num)
            self.used.add(pname)
            self.rows.append((sig, num, role, "Pane"))
            page = ET.SubElement(el, "widget", {"class": "QWidget", "name": pname})
            a = ET.SubElement(page, "attribute", name="title")
            ET.SubElement(a, "string").text = title
            self.layout(page, body)
        return el

    def document(self):
        win = self.window
        ui = ET.Element("ui", version="4.0")
        ET.SubElement(ui, "class").text = win["name"]
        top = ET.SubElement(ui, "widget", {"class": win["cls"], "name": win["name"]})
        self.used.add(win["name"])
        geo = ET.SubElement(top, "property", name="geometry")
        rect = ET.SubElement(geo, "rect")
        for tag, v in (("x", 0), ("y", 0), ("width", win["size"][0]), ("height", win["size"][1])):
            ET.SubElement(rect, tag).text = str(v)
        self.prop(top, "windowTitle", win["title"])
        if "extends" in win:
            self.customs.add((win["cls"], win["extends"]))
        if win["cls"] == "QMainWindow":
            central = ET.SubElement(top, "widget", {"class": "QWidget", "name": "centralWidget"})
            self.layout(central, win["body"])
        else:
            self.layout(top, win["body"])
        for name, text, cmd in self.actions:
            a = ET.SubElement(top, "action", name=name)
            self.prop(a, "text", text)
            self.prop(a, "command", cmd, stdset=False)
        self.custom_widgets(ui)
        return ui

    def custom_widgets(self, ui):
        if not self.customs:
            return
        cws = ET.SubElement(ui, "customwidgets")
        for cls, base in sorted(self.customs):
            cw = ET.SubElement(cws, "customwidget")
            ET.SubElement(cw, "class").text = cls
            ET.SubElement(cw, "extends").text = base
            ET.SubElement(cw, "header").text = cls + ".h"


def menu_document(name, items):
    w = Writer({"name": name})
    ui = ET.Element("ui", version="4.0")
    ET.SubElement(ui, "class").text = name
    top = ET.SubElement(ui, "widget", {"class": "QMenu", "name": name})
    w.prop(top, "title", name)
    for entry in items:
        if entry == SEP:
            ET.SubElement(top, "addaction", name="separator")
        else:
            w.add_action(top, entry[0], entry[1])
    for aname, text, cmd in w.actions:
        a = ET.SubElement(top, "action", name=aname)
        w.prop(a, "text", text)
        w.prop(a, "command", cmd, stdset=False)
    return ui


def menu_bar_document():
    w = Writer({"name": "MenuBar"})
    ui = ET.Element("ui", version="4.0")
    ET.SubElement(ui, "class").text = "MenuBar"
    top = ET.SubElement(ui, "widget", {"class": "QMainWindow", "name": "MenuBar"})
    ET.SubElement(top, "widget", {"class": "QWidget", "name": "centralWidget"})
    bar = ET.SubElement(top, "widget", {"class": "QMenuBar", "name": "menuBar"})
    for ident, title, items in MENU_BAR:
        menu = ET.SubElement(bar, "widget", {"class": "QMenu", "name": "menu:" + ident})
        w.prop(menu, "title", title)
        for entry in items:
            if entry == SEP:
                ET.SubElement(menu, "addaction", name="separator")
                continue
            text, cmd = entry
            # The recent-items submenu is set on the 'RCNT' item by code.
            w.add_action(menu, text, cmd)
            if cmd in SHORTCUTS:
                w.actions[-1] = w.actions[-1] + (SHORTCUTS[cmd],)
        ET.SubElement(bar, "addaction", name="menu:" + ident)
    for entry in w.actions:
        aname, text, cmd = entry[:3]
        a = ET.SubElement(top, "action", name=aname)
        w.prop(a, "text", text)
        w.prop(a, "command", cmd, stdset=False)
        if len(entry) > 3:
            w.prop(a, "shortcut", entry[3])
    return ui


def write(ui, name, nib="Brevanto"):
    ET.indent(ui, space=" ")
    os.makedirs(os.path.join(NIBS, nib), exist_ok=True)
    path = os.path.join(NIBS, nib, name + ".ui")
    with open(path, "wb") as f:
        f.write(b'<?xml version="1.0" encoding="UTF-8"?>\n')
        f.write(ET.tostring(ui, encoding="utf-8"))
        f.write(b"\n")


def main():
    map_rows = {}
    for win in WINDOWS:
        w = Writer(win)
        ui = w.document()
        write(ui, win["name"], win.get("nib", "Brevanto"))
        if "nib" in win:
            continue  # found by ID by their own window classes
        design = win.get("design", win["name"])
        map_rows.setdefault(design, w.rows)
    for name, items in MENUS:
        write(menu_document(name, items), name)
    write(menu_bar_document(), "MenuBar")
    if "--map" in sys.argv:
        roles = set()
        for design, rows in map_rows.items():
            for sig, num, role, kind in rows:
                assert role not in roles, role
                roles.add(role)
                print("    {\"%s\", '%s', %d, ControlRole::%s, ControlKind::%s}," % (design, sig, num, role, kind))
        print("// roles:", ", ".join(r for d in map_rows.values() for _, _, r, _ in d))


if __name__ == "__main__":
    main()
