// The mailing document: what the window writes (read back by Python's plistlib, a real reader),
// a round trip of every setting, documents written by plistlib with missing, wrong-typed and
// odd values, files that are no mailing, and the unsaved-changes comparison.
#include "MailingWindowFixture.h"

#include "CEnvironment.h"
#include "CFPropertyList.h"
#include "CFPropertyListWriter.h"
#include "ControlValues.h"
#include "Drawer.h"
#include "FileManager.h"
#include "CThread.h"
#include "LThread.h"
#include "MailingDocumentFile.h"
#include "MailingSnapshot.h"
#include "PythonPeer.h"
#include "WorkingFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(inBytes);
}

QByteArray ReadFile(const QString& inPath)
{
    QFile file(inPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The popup item whose text begins with inPrefix; 0 when none.
SInt32 ItemStartingWith(ControlRef inPopup, const QString& inPrefix)
{
    for (SInt32 item = 1; item <= CountPopupItems(inPopup); ++item) {
        if (GetPopupItemText(inPopup, item).startsWith(inPrefix))
            return item;
    }
    return 0;
}

// A document written by plistlib from a Python expression (`struct` and `big`, a number past
// 32 bits, are at hand).
void WritePythonDocument(const QString& inPath, const char* inExpression)
{
    const QByteArray script = QByteArray("import plistlib, struct, sys\nbig = 2**40\n"
                                         "plistlib.dump(") + inExpression +
                              ", open(sys.argv[1], 'wb'), fmt=plistlib.FMT_XML, sort_keys=True)\n";
    ASSERT_TRUE(RunPythonPeer(script.constData(), {inPath}));
}

// A file whose absolute path is exactly inBytes long, under inRoot (folders of 200 bytes, then
// the name), holding inContent.
QString FileWithPathOfLength(const QString& inRoot, int inBytes, const QByteArray& inContent)
{
    QString folder = inRoot;
    while (inBytes - folder.toUtf8().size() - 1 > 255)
        folder += QLatin1Char('/') + QString(200, QLatin1Char('d'));
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + QString(inBytes - folder.toUtf8().size() - 5, QLatin1Char('f')) + ".txt";
    WriteFile(path, inContent);
    return path;
}

} // namespace

class MailingDocumentTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        gEnvironment = &mEnvironment;
        mEnvironment.OpenLog();
        SetPreference(nullptr, CString256(kSaveImportedKey));
        // Files the document refers to.
        for (const char* name : {"a.pdf", "b.txt", "people.csv"})
            WriteFile(FolderPath(name), name);
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        mEnvironment.CloseLog();
        gEnvironment = nullptr;
        SetPreference(nullptr, CString256(kSaveImportedKey));
    }

    QString LogText() const
    {
        FSRef folder;
        return GetLogsFolder(&folder) ? QString::fromUtf8(ReadFile(QString::fromStdString(folder.path) + "/Brevanto.log"))
                                      : QString();
    }

    ControlRef C(CBrevantoWindow* inWindow, ControlRole inRole) { return inWindow->Control(inRole); }

    // A window with every setting away from its default.
    CBrevantoWindow* FilledWindow()
    {
        SetPreference("true", CString256(kSaveImportedKey));
        auto* w = new CBrevantoWindow();
        ControlRef charset = C(w, ControlRole::CharsetPopup);
        SetControl32BitValue(charset, ItemStartingWith(charset, "Greek"));
        w->SetSideText(CBrevantoWindow::ESideText::plainTextAlternative, "Καλή αρχή\nplain");
        w->SetSideText(CBrevantoWindow::ESideText::preamble, "Αγαπητέ φίλε,");
        w->SetSideText(CBrevantoWindow::ESideText::epilogue, "Bye");
        SetControlText(C(w, ControlRole::SourceField), "example.org/news");
        SetControl32BitValue(C(w, ControlRole::PriorityPopup), 2);
        SetControl32BitValue(C(w, ControlRole::AuthenticationPopup), 2);
        SetControl32BitValue(C(w, ControlRole::SecureAuthenticationPopup), 2);
        SetControlText(C(w, ControlRole::SubjectField), "Spring/Summer offers");
        w->mScheduledTime = SInt64(5) << 32;
        SetControl32BitValue(C(w, ControlRole::RepeatCheckBox), 1);
        SetControlText(C(w, ControlRole::RepeatCountField), "12");
        SetControl32BitValue(C(w, ControlRole::RepeatUnitsPopup), 2);
        SetControl32BitValue(C(w, ControlRole::WakeCheckBox), 1);
        SetControlText(C(w, ControlRole::WakeSecondsField), "90");
        w->mImportPath = FolderPath("people.csv");
        w->mEntourageGroup = "Friends";
        w->mImported.Append(Person("Ann", "Lee", "ann@example.org"));
        w->mImported.Append(Person("Δήμος", "", "d@example.gr"));
        w->mImported.Append(Person("", "Smith", "smith@example.com"));
        w->mImportSendFlags = std::vector<bool>{true, false, true};
        w->mABSendFlags = std::vector<bool>{false, true};
        SetControlText(C(w, ControlRole::SenderNameField), "Ann Sender");
        SetControlText(C(w, ControlRole::SenderEmailField), "sender@example.org");
        SetControlText(C(w, ControlRole::CcField), "cc@example.org");
        SetControlText(C(w, ControlRole::BccField), "bcc@example.org");
        SetControlText(C(w, ControlRole::ReturnPathField), "bounce@example.org");
        SetControlText(C(w, ControlRole::ReplyToField), "reply@example.org");
        w->SelectRecipientsTab(2);
        w->SelectSenderTab(2);
        for (ControlRole role : {ControlRole::AddressTypePopup, ControlRole::SenderAddressTypePopup,
                                 ControlRole::OptionsAddressTypePopup, ControlRole::AddAddressTypePopup,
                                 ControlRole::DispositionPopup})
            SetControl32BitValue(C(w, role), 2);
        w->AppendAttachmentPath(FolderPath("a.pdf"));
        w->AppendAttachmentPath(FolderPath("b.txt"));
        SetControlText(C(w, ControlRole::ServerField), "smtp.example.org");
        SetControlText(C(w, ControlRole::UserNameField), "ann");
        SetControlText(C(w, ControlRole::PortField), "2525");
        SetControlText(C(w, ControlRole::PopPeriodField), "5");
        w->mUseOrganization = 0;
        w->mImageHTML = 1;
        SetControl32BitValue(C(w, ControlRole::BinHexCheckBox), 1);
        SetControlText(C(w, ControlRole::AttachmentPathField), "/var/tmp/extra");
        return w;
    }

    // The values a document carries, as the window shows them.
    static MailingSnapshot Snapshot(CBrevantoWindow* inWindow);

    CEnvironment mEnvironment;
};

// The window's own comparison snapshot, taken through the public surface.
MailingSnapshot MailingDocumentTest::Snapshot(CBrevantoWindow* inWindow)
{
    MailingSnapshot s;
    for (int index = 0; index < 3; ++index)
        s.sideTexts[index] = inWindow->GetSideText(CBrevantoWindow::ESideText(index));
    const auto text = [inWindow](ControlRole inRole) { return GetControlText(inWindow->Control(inRole)); };
    const auto value = [inWindow](ControlRole inRole) { return GetControl32BitValue(inWindow->Control(inRole)); };
    s.url = text(ControlRole::SourceField);
    s.subject = text(ControlRole::SubjectField);
    s.myName = text(ControlRole::SenderNameField);
    s.myEmail = text(ControlRole::SenderEmailField);
    s.addressType = value(ControlRole::AddressTypePopup);
    s.senderAddressType = value(ControlRole::SenderAddressTypePopup);
    s.optionsAddressType = value(ControlRole::OptionsAddressTypePopup);
    s.attachments = inWindow->mAttachmentPaths;
    s.attachmentPathField = text(ControlRole::AttachmentPathField);
    s.server = text(ControlRole::ServerField);
    s.userName = text(ControlRole::UserNameField);
    s.port = text(ControlRole::PortField);
    s.popPeriod = text(ControlRole::PopPeriodField);
    s.useOrganization = inWindow->mUseOrganization;
    s.recipientsTab = value(ControlRole::RecipientsTabs);
    s.senderTab = value(ControlRole::SenderTabs);
    s.importPath = inWindow->mImportPath;
    s.entourageGroup = inWindow->mEntourageGroup;
    s.scheduledTime = inWindow->mScheduledTime;
    s.wake = value(ControlRole::WakeCheckBox);
    s.repeat = value(ControlRole::RepeatCheckBox);
    s.repeatCount = text(ControlRole::RepeatCountField).toInt();
    s.repeatUnit = value(ControlRole::RepeatUnitsPopup);
    s.wakeBeforeSeconds = text(ControlRole::WakeSecondsField).toInt();
    s.priority = value(ControlRole::PriorityPopup);
    s.authentication = value(ControlRole::AuthenticationPopup);
    s.secureAuthentication = value(ControlRole::SecureAuthenticationPopup);
    s.charset = value(ControlRole::CharsetPopup);
    s.imageHTML = inWindow->mImageHTML;
    s.cc = text(ControlRole::CcField);
    s.bcc = text(ControlRole::BccField);
    s.returnPath = text(ControlRole::ReturnPathField);
    s.replyTo = text(ControlRole::ReplyToField);
    s.importFlags = inWindow->mImportSendFlags;
    return s;
}

TEST_F(MailingDocumentTest, WrittenDocumentIsAPropertyListPlistlibReadsWithEveryKeyTyped)
{
    CBrevantoWindow* window = FilledWindow();
    const QString path = FolderPath("Offers.bvto");
    mPresenter->QueueSaveFile(path, false);
    ASSERT_TRUE(window->SaveAs());
    EXPECT_EQ(QFileInfo(mPresenter->Requests().back().explanation).fileName(), "Spring-Summer offers.bvto")
        << "the proposed name";

    const char* script = R"(
import json, plistlib, sys
d = plistlib.load(open(sys.argv[1], 'rb'))
assert isinstance(d, dict)
out = {k: type(v).__name__ for k, v in d.items()}
out['_flags'] = [d['ImportRecipientsSendArray'], d['ABRecipientsSendArray']]
out['_flagtypes'] = sorted({type(x).__name__ for x in d['ImportRecipientsSendArray']})
out['_attachments'] = [type(x).__name__ for x in d['Attachments']]
r = d['ImportedRecipients']
out['_recordbytes'] = len(r)
out['_people'] = [[r[i*768 + f*256:i*768 + f*256 + 256].split(b'\0')[0].decode('utf-8') for f in range(3)]
                  for i in range(len(r) // 768)]
out['_preamble'] = d['Preamble'].decode('iso-8859-7')
out['_values'] = [d['Schedule'], d['RepeatSchedulePeriod'], d['WakeBeforeSeconds'], d['UseSSL'], d['Subject'],
                  d['DocumentURL'], d['MailServerPort'], len(d['WindowBounds'])]
print(json.dumps(out))
)";
    const std::optional<QByteArray> output = RunPythonPeer(script, {path});
    ASSERT_TRUE(output);
    const QJsonObject read = QJsonDocument::fromJson(*output).object();
    const std::pair<const char*, const char*> types[] = {
        {"Version", "str"}, {"WindowBounds", "bytes"}, {"AttachmentsDrawerBounds", "bytes"},
        {"PlainTextAlternative", "bytes"}, {"Preamble", "bytes"}, {"Epilogue", "bytes"},
        {"ProgressSheetBounds", "bytes"}, {"DocumentURL", "str"}, {"Priority", "int"}, {"AuthMethod", "int"},
        {"SSLAuthMethod", "int"}, {"UseSSL", "int"}, {"Subject", "str"}, {"UniqueName", "str"},
        {"Schedule", "int"}, {"RepeatSchedule", "bool"}, {"RepeatSchedulePeriod", "int"},
        {"RepeatScheduleUnits", "int"}, {"WakeComputer", "bool"}, {"WakeBeforeSeconds", "int"},
        {"ImportFile", "bytes"}, {"EntourageGroupName", "str"}, {"ImportedRecipients", "bytes"},
        {"MyName", "str"}, {"MyEmail", "str"}, {"CC", "str"}, {"BCC", "str"}, {"ReturnPath", "str"},
        {"ReplyTo", "str"}, {"SelectedRecipientsTab", "int"}, {"SelectedSenderTab", "int"},
        {"DefaultCharset", "int"}, {"FromMeAt", "int"}, {"AddressType", "int"},
        {"SenderAddressType", "int"}, {"OtherOptionsAddressType", "int"}, {"AddRecipientAddressType", "int"},
        {"Attachments", "list"}, {"MailServer", "str"}, {"MailServerUsername", "str"},
        {"MailServerPort", "str"}, {"MailServerPopPeriod", "str"}, {"ABRecipientsSendArray", "list"},
        {"ImportRecipientsSendArray", "list"}, {"UseOrganization", "bool"}, {"ImageHTML", "bool"},
        {"AttachmentsDrawerOpen", "bool"}, {"AttachmentsDrawerUseBinhex", "bool"},
        {"AttachmentsDrawerAttachmentsDisposition", "int"}, {"AttachmentPath", "str"},
    };
    for (const auto& [key, type] : types)
        EXPECT_EQ(read.value(key).toString(), type) << key;
    EXPECT_FALSE(read.contains("MailServerPassword"));
    EXPECT_EQ(read.value("_flags").toArray(),
              QJsonArray({QJsonArray({true, false, true}), QJsonArray({false, true})}));
    EXPECT_EQ(read.value("_flagtypes").toArray(), QJsonArray({"bool"}));
    EXPECT_EQ(read.value("_attachments").toArray(), QJsonArray({"bytes", "bytes"}));
    EXPECT_EQ(read.value("_recordbytes").toInt(), 3 * 768);
    EXPECT_EQ(read.value("_people").toArray(),
              QJsonArray({QJsonArray({"Ann", "Lee", "ann@example.org"}), QJsonArray({"Δήμος", "", "d@example.gr"}),
                          QJsonArray({"", "Smith", "smith@example.com"})}));
    EXPECT_EQ(read.value("_preamble").toString(), "Αγαπητέ φίλε,") << "side texts are in the mailing's set";
    EXPECT_EQ(read.value("_values").toArray(),
              QJsonArray({double(SInt64(5) << 32), 12, 90, 1, "Spring/Summer offers", "http://example.org/news",
                          "2525", 8}));
}

TEST_F(MailingDocumentTest, EmptyValuesAreLeftOutAndLongNumbersAreClamped)
{
    auto* window = new CBrevantoWindow();
    SetControlText(window->Control(ControlRole::RepeatCountField), "40000");
    SetControlText(window->Control(ControlRole::WakeSecondsField), "99999999");
    window->mImported.Append(Person("Ann", "Lee", "ann@example.org")); // "Save Imported" is off
    const QString path = FolderPath("Plain.bvto");
    mPresenter->QueueSaveFile(path, false);
    // An untitled mailing is proposed in the documents folder, else at home; a saved one in its folder.
    const QString documents = QDir::home().filePath("Documents");
    ASSERT_FALSE(QFileInfo::exists(documents));
    ASSERT_TRUE(window->SaveAs());
    EXPECT_EQ(mPresenter->Requests().back().explanation, QDir::home().filePath("Untitled.bvto"));
    mPresenter->QueueSaveFile(std::nullopt, false);
    EXPECT_FALSE(window->SaveAs());
    EXPECT_EQ(mPresenter->Requests().back().explanation, FolderPath("Untitled.bvto"));
    auto* other = new CBrevantoWindow();
    ASSERT_TRUE(QDir().mkpath(documents));
    mPresenter->QueueSaveFile(std::nullopt, false);
    EXPECT_FALSE(other->SaveAs());
    EXPECT_EQ(mPresenter->Requests().back().explanation, QDir(documents).filePath("Untitled.bvto"));
    QDir(documents).removeRecursively();

    const std::optional<QByteArray> output = RunPythonPeer(R"(
import plistlib, sys
d = plistlib.load(open(sys.argv[1], 'rb'))
absent = [k for k in ('Subject', 'DocumentURL', 'PlainTextAlternative', 'Preamble', 'Epilogue', 'MailServer',
          'MailServerUsername', 'MailServerPort', 'MailServerPopPeriod', 'ImportedRecipients', 'ImportFile',
          'EntourageGroupName', 'Attachments', 'Group', 'ABRecipientsSendArray') if k not in d]
print(len(absent), d['RepeatSchedulePeriod'], d['WakeBeforeSeconds'], d['Schedule'])
)",
                                                           {path});
    ASSERT_TRUE(output);
    EXPECT_EQ(output->trimmed(), "15 32767 32767 0");
}

TEST_F(MailingDocumentTest, SavedMailingReopensWithEveryValueAndUnchanged)
{
    CBrevantoWindow* window = FilledWindow();
    const QString path = FolderPath("RoundTrip.bvto");
    mPresenter->QueueSaveFile(path, false);
    ASSERT_TRUE(window->SaveAs());
    EXPECT_FALSE(window->IsModified());
    const MailingSnapshot saved = Snapshot(window);
    const QByteArray savedRecipients = window->RecipientsToData();
    window->Cleanup();
    DeleteQueued();

    CBrevantoWindow* reopened = CBrevantoWindow::OpenDocumentFile(path);
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(Snapshot(reopened) == saved);
    EXPECT_EQ(reopened->RecipientsToData(), savedRecipients);
    EXPECT_EQ(Snapshot(reopened).sideTexts[1], "Αγαπητέ φίλε,");
    EXPECT_EQ(reopened->mScheduledTime, SInt64(5) << 32);
    // A schedule ahead is shown and armed again, not just remembered.
    EXPECT_TRUE(IsControlVisible(reopened->Control(ControlRole::ScheduleTimeCaption)));
    EXPECT_TRUE(IsControlEnabled(reopened->Control(ControlRole::UnscheduleButton)));
    EXPECT_EQ(reopened->mImported.Count(), 3);
    EXPECT_EQ(reopened->GetRecipientEmail(2), "smith@example.com");
    EXPECT_FALSE(reopened->IsModified());
    EXPECT_TRUE(LogText().contains("The send flags have not been initialized.")) << "no group has people here";
}

TEST_F(MailingDocumentTest, EveryKindOfEditMakesTheWindowModified)
{
    CBrevantoWindow* window = FilledWindow();
    const QString path = FolderPath("Edits.bvto");
    mPresenter->QueueSaveFile(path, false);
    ASSERT_TRUE(window->SaveAs());
    window->Cleanup();
    DeleteQueued();

    using Edit = std::function<void(CBrevantoWindow*)>;
    const std::pair<const char*, Edit> edits[] = {
        {"subject", [](CBrevantoWindow* w) { SetControlText(w->Control(ControlRole::SubjectField), "Other"); }},
        {"preamble", [](CBrevantoWindow* w) { w->SetSideText(CBrevantoWindow::ESideText::preamble, "x"); }},
        {"wake-before seconds",
         [](CBrevantoWindow* w) { SetControlText(w->Control(ControlRole::WakeSecondsField), "91"); }},
        {"imported name", [](CBrevantoWindow* w) { w->mImported.SetField(0, ImportedRecipients::EField::firstName, "Anne"); }},
        {"one send flag", [](CBrevantoWindow* w) { (*w->mImportSendFlags)[1] = true; }},
        {"schedule", [](CBrevantoWindow* w) { w->mScheduledTime += 1; }},
        {"attachment", [](CBrevantoWindow* w) { w->mAttachmentPaths.clear(); }},
        {"server port", [](CBrevantoWindow* w) { SetControlText(w->Control(ControlRole::PortField), "25"); }},
        {"reply-to", [](CBrevantoWindow* w) { SetControlText(w->Control(ControlRole::ReplyToField), "x@y.z"); }},
        {"charset", [](CBrevantoWindow* w) { SetControl32BitValue(w->Control(ControlRole::CharsetPopup), 1); }},
    };
    for (const auto& [name, edit] : edits) {
        CBrevantoWindow* reopened = CBrevantoWindow::OpenDocumentFile(path);
        ASSERT_NE(reopened, nullptr);
        EXPECT_FALSE(reopened->IsModified()) << name;
        edit(reopened);
        EXPECT_TRUE(reopened->IsModified()) << name;
        reopened->Cleanup();
        DeleteQueued();
    }
}

TEST_F(MailingDocumentTest, AttachmentPathsUpTo1023BytesAreKeptWholeAndLongerOnesRefused)
{
    const QString at300 = FileWithPathOfLength(FolderPath("deep"), 300, "three hundred");
    const QString at1023 = FileWithPathOfLength(FolderPath("deep"), 1023, "one thousand twenty-three");
    const QString at1024 = FileWithPathOfLength(FolderPath("deep"), 1024, "one too many");
    ASSERT_EQ(at1023.toUtf8().size(), 1023);
    ASSERT_TRUE(QFile::exists(at1024));

    auto* window = new CBrevantoWindow();
    window->SelectSenderTab(2);
    window->mSenderTab = 2;
    SetControlText(C(window, ControlRole::SenderNameField), "Ann Sender");
    SetControlText(C(window, ControlRole::SenderEmailField), "sender@example.org");
    SetControlText(C(window, ControlRole::ServerField), "127.0.0.1");
    SetControlText(C(window, ControlRole::SubjectField), "Deep files");
    WriteFile(FolderPath("body.txt"), "Hello\n");
    SetControlText(C(window, ControlRole::SourceField), FolderPath("body.txt"));
    mPresenter->QueueSheet(kSheetOKCommand);
    window->AddAttachmentPaths({at300, at1024, at1023});
    EXPECT_EQ(window->mAttachmentPaths, (QStringList{at300, at1023})) << "kept whole, the longer one refused";
    EXPECT_EQ(mPresenter->Requests().back().message,
              QStringLiteral("The file \"%1\" could not be attached.").arg(QFileInfo(at1024).fileName()));

    const QString path = FolderPath("Deep.bvto");
    mPresenter->QueueSaveFile(path, false);
    ASSERT_TRUE(window->SaveAs());
    window->Cleanup();
    DeleteQueued();
    CBrevantoWindow* reopened = CBrevantoWindow::OpenDocumentFile(path);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->mAttachmentPaths, (QStringList{at300, at1023}));
    EXPECT_FALSE(reopened->IsModified());

    // The message made from the reopened mailing carries both files, as Python's email reads it.
    const QString source = FolderPath("deep.eml");
    mPresenter->QueueSaveFile(source, false);
    ASSERT_TRUE(reopened->GenerateRawSource());
    const std::optional<QByteArray> parts = RunPythonPeer(R"(
import email, email.policy, sys
m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)
for part in m.walk():
    if part.get_filename():
        print(len(part.get_filename()), part.get_content().strip())
)",
                                                          {source});
    ASSERT_TRUE(parts);
    const int name300 = QFileInfo(at300).fileName().size();
    const int name1023 = QFileInfo(at1023).fileName().size();
    EXPECT_EQ(QString::fromUtf8(*parts),
              QStringLiteral("%1 three hundred\n%2 one thousand twenty-three\n").arg(name300).arg(name1023));
}

TEST_F(MailingDocumentTest, PlistlibDocumentsWithMissingOddAndWrongTypedValuesOpen)
{
    struct Case {
        const char* name;
        const char* document;
        std::function<void(CBrevantoWindow*)> check;
    };
    const Case cases[] = {
        {"empty", "{}",
         [](CBrevantoWindow* w) {
             EXPECT_TRUE(GetControlText(w->Control(ControlRole::SubjectField)).isEmpty());
             EXPECT_EQ(w->mImported.Count(), 0);
             EXPECT_FALSE(w->IsModified());
         }},
        {"wrong types",
         "{'Subject': 3, 'Schedule': 'soon', 'ImportedRecipients': 'Ann', 'UseSSL': 'yes', 'Attachments': b'x',"
         " 'WindowBounds': 'wide', 'RepeatSchedule': 1, 'MyName': b'Ann', 'Group': 2, 'Unknown': [1, 2]}",
         [](CBrevantoWindow* w) {
             EXPECT_TRUE(GetControlText(w->Control(ControlRole::SubjectField)).isEmpty());
             EXPECT_TRUE(GetControlText(w->Control(ControlRole::SenderNameField)).isEmpty());
             EXPECT_EQ(w->mScheduledTime, 0);
             EXPECT_EQ(w->mImported.Count(), 0);
             EXPECT_EQ(GetControl32BitValue(w->Control(ControlRole::RepeatCheckBox)), 0);
         }},
        {"1,537 bytes of recipients", "{'ImportedRecipients': b'Ann'.ljust(256, b'\\0') * 6 + b'x'}",
         [](CBrevantoWindow* w) { EXPECT_EQ(w->mImported.Count(), 2); }},
        {"UseSSL 0 still turns the secure road on", "{'UseSSL': 0, 'AuthMethod': 4}",
         [](CBrevantoWindow* w) {
             EXPECT_EQ(GetControl32BitValue(w->Control(ControlRole::UseSSLCheckBox)), 1);
             EXPECT_FALSE(IsControlVisible(w->Control(ControlRole::PopPeriodField)));
         }},
        {"AuthMethod 4 shows the POP controls", "{'AuthMethod': 4}",
         [](CBrevantoWindow* w) { EXPECT_TRUE(IsControlVisible(w->Control(ControlRole::PopPeriodField))); }},
        {"period beyond 16 bits", "{'RepeatSchedulePeriod': big, 'WakeBeforeSeconds': -5, 'Schedule': big}",
         [](CBrevantoWindow* w) {
             EXPECT_EQ(GetControlText(w->Control(ControlRole::RepeatCountField)), "32767");
             EXPECT_EQ(GetControlText(w->Control(ControlRole::WakeSecondsField)), "0");
             EXPECT_EQ(w->mScheduledTime, SInt64(1) << 40);
         }},
        {"pop-up numbers out of range pin", "{'DispositionPopup': 1, 'AttachmentsDrawerAttachmentsDisposition': 99}",
         [](CBrevantoWindow* w) {
             ControlRef popup = w->Control(ControlRole::DispositionPopup);
             EXPECT_EQ(GetControl32BitValue(popup), CountPopupItems(popup));
         }},
        {"import flags of another count are ignored",
         "{'ImportedRecipients': b'\\0' * 768 * 2, 'ImportRecipientsSendArray': [False, False, False]}",
         [](CBrevantoWindow* w) {
             ASSERT_TRUE(w->mImportSendFlags);
             EXPECT_EQ(w->mImportSendFlags->size(), 2u);
         }},
        {"flags of the same count are taken",
         "{'ImportedRecipients': (b'a'.ljust(512, b'\\0') + b'a@b.c'.ljust(256, b'\\0')) * 2,"
         " 'ImportRecipientsSendArray': [False, True]}",
         [](CBrevantoWindow* w) { EXPECT_EQ(w->mImportSendFlags, (std::vector<bool>{false, true})); }},
        {"drawer closed and options", "{'AttachmentsDrawerOpen': False, 'AttachmentsDrawerUseBinhex': True,"
                                      " 'UseOrganization': False, 'ImageHTML': True, 'AttachmentPath': '/x'}",
         [](CBrevantoWindow* w) {
             EXPECT_NE(Drawer::GetDrawerState(w->Window(CBrevantoWindow::ENibWindow::drawer)), UInt32(kWindowDrawerOpen));
             EXPECT_EQ(GetControl32BitValue(w->Control(ControlRole::BinHexCheckBox)), 1);
             EXPECT_EQ(w->mUseOrganization, 0);
             EXPECT_EQ(w->mImageHTML, 1);
             EXPECT_EQ(GetControlText(w->Control(ControlRole::AttachmentPathField)), "/x");
         }},
    };
    int index = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QString path = FolderPath(QStringLiteral("case%1.bvto").arg(++index));
        WritePythonDocument(path, test.document);
        CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(path);
        ASSERT_NE(window, nullptr);
        test.check(window);
        window->Cleanup();
        DeleteQueued();
    }
}

TEST_F(MailingDocumentTest, WindowBoundsApplyOnlyWhenTheyTouchTheDisplay)
{
    // The display is 1280 x 800 (fixture). Rectangles as top, left, bottom, right.
    const struct {
        const char* bounds;
        bool applied;
    } cases[] = {
        {"struct.pack('>hhhh', 100, 120, 500, 900)", true},
        {"struct.pack('>hhhh', 100, 1279, 500, 1700)", true},   // one pixel of overlap, kept unclipped
        {"struct.pack('>hhhh', 100, 1280, 500, 1700)", false},  // wholly right of the display
        {"struct.pack('>hhhh', 800, 100, 1200, 600)", false},   // wholly below
        {"struct.pack('>hhhh', 100, 120, 500, 900)[:7]", false}, // 7 bytes
    };
    int index = 0;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.bounds);
        const QString path = FolderPath(QStringLiteral("bounds%1.bvto").arg(++index));
        WritePythonDocument(path, (QByteArray("{'WindowBounds': ") + test.bounds + "}").constData());
        auto* plain = new CBrevantoWindow();
        const QRect setUp = WindowAttributes::GetContentBounds(plain->GetMainWindow());
        plain->Cleanup();
        DeleteQueued();
        CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(path);
        ASSERT_NE(window, nullptr);
        const QRect shown = WindowAttributes::GetContentBounds(window->GetMainWindow());
        if (test.applied)
            EXPECT_NE(shown.topLeft(), setUp.topLeft());
        else
            EXPECT_EQ(shown.topLeft(), setUp.topLeft());
        if (index == 2) {
            EXPECT_EQ(shown.left(), 1279) << "applied as stored, not clipped";
        }
        window->Cleanup();
        DeleteQueued();
    }
}

TEST_F(MailingDocumentTest, SideTextsAreReadInTheCharsetTheDocumentNames)
{
    // Saved in Greek while new windows start in another set: the text is read as Greek.
    WritePythonDocument(FolderPath("greek.bvto"),
                        "{'Preamble': 'Καλημέρα'.encode('iso-8859-7'), 'DefaultCharset': 6}");
    CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(FolderPath("greek.bvto"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->GetCharsetName().compare("ISO-8859-7", Qt::CaseInsensitive) == 0) << "item 6 is Greek";
    EXPECT_EQ(window->GetSideText(CBrevantoWindow::ESideText::preamble), "Καλημέρα");
}

TEST_F(MailingDocumentTest, AnImportFileWithoutSavedRecipientsIsImportedAgain)
{
    WriteFile(FolderPath("people.csv"), "First Name,Last Name,Email Address\nAnn,Lee,ann@example.org\n");
    auto* source = new CBrevantoWindow();
    source->mImportPath = FolderPath("people.csv");
    mPresenter->QueueSaveFile(FolderPath("import.bvto"), false);
    ASSERT_TRUE(source->SaveAs());
    source->Cleanup();
    DeleteQueued();

    CBrevantoWindow* window = CBrevantoWindow::OpenDocumentFile(FolderPath("import.bvto"));
    ASSERT_NE(window, nullptr);
    LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1)));
    ASSERT_EQ(window->mImported.Count(), 1);
    EXPECT_EQ(window->mImported.At(0)->Email(), "ann@example.org");
    window->Cleanup();
    DeleteQueued();

    // The file gone: the user is told, and the window opens all the same.
    ASSERT_TRUE(QFile::remove(FolderPath("people.csv")));
    mPresenter->QueueAlert(kAlertStdAlertOKButton);
    window = CBrevantoWindow::OpenDocumentFile(FolderPath("import.bvto"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(mPresenter->Requests().back().message, "The import file could not be found.");
}

TEST_F(MailingDocumentTest, FilesThatAreNoMailingOpenNoWindowAndSayWhy)
{
    const std::pair<const char*, QByteArray> files[] = {
        {"truncated XML", CFPropertyListWriter::Write(CFPropertyList(CFPropertyList::Dictionary{{"Subject", "x"}}))
                              .left(90)},
        {"root array", CFPropertyListWriter::Write(CFPropertyList(CFPropertyList::Array{CFPropertyList(1)}))},
        {"binary property list", QByteArray("bplist00\xd0\x08\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00"
                                            "\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                                            "\x00\x09", 42)},
        {"random bytes", QByteArray::fromHex("8f02c1ffee00417a9b")},
    };
    int index = 0;
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const QString path = FolderPath(QStringLiteral("bad%1.bvto").arg(++index));
        WriteFile(path, bytes);
        mPresenter->QueueAlert(kAlertStdAlertOKButton);
        EXPECT_EQ(CBrevantoWindow::OpenDocumentFile(path), nullptr);
        EXPECT_EQ(gWindowList.Count(), 0);
        ASSERT_FALSE(mPresenter->Requests().empty());
        EXPECT_TRUE(mPresenter->Requests().back().message.contains(QFileInfo(path).fileName()));
        EXPECT_FALSE(mPresenter->Requests().back().explanation.isEmpty());
        EXPECT_FALSE(IsMailingDocumentFile(path));
    }

    // A mailing of this program says so with a "Version" text; the reader does without one.
    WritePythonDocument(FolderPath("versioned.bvto"), "{'Version': '0.1', 'Subject': 'x'}");
    WritePythonDocument(FolderPath("numbered.bvto"), "{'Version': 2}");
    WritePythonDocument(FolderPath("plain.bvto"), "{'Subject': 'x'}");
    EXPECT_TRUE(IsMailingDocumentFile(FolderPath("versioned.bvto")));
    EXPECT_FALSE(IsMailingDocumentFile(FolderPath("numbered.bvto")));
    EXPECT_FALSE(IsMailingDocumentFile(FolderPath("plain.bvto")));
    EXPECT_FALSE(IsMailingDocumentFile(FolderPath("missing.bvto")));
    EXPECT_NE(CBrevantoWindow::OpenDocumentFile(FolderPath("plain.bvto")), nullptr);
}
