// The preferences window against the real preference file: what a user does in each control
// reaches the store in the form its readers expect (read back with Python's plistlib), and what
// is stored (also by hand) comes back into the controls.
#include "ApplicationFixture.h"

#include "CFPreferenceDomain.h"
#include "CPreferencesWindow.h"
#include "CommandRouter.h"
#include "ControlLookup.h"
#include "ControlMap.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "HelpTags.h"
#include "LException.h"
#include "MenuBar.h"
#include "MessageMonitor.h"
#include "NibLoader.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>

#include <chrono>
#include <map>

namespace {

QString PreferenceFile() { return qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brevanto/org.brevanto.Brevanto.plist"; }

// Every value of the preference file as Python reads it: "key=value" for strings, "key=[a, b]"
// for arrays of strings, "key=<type>" for anything else.
std::map<QString, QString> StoredByPython()
{
    const QString script = QStringLiteral(
        "import plistlib, sys\n"
        "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
        "for k, v in d.items():\n"
        "    if isinstance(v, str): print(k + '=' + v)\n"
        "    elif isinstance(v, list) and all(isinstance(e, str) for e in v): print(k + '=[' + ', '.join(v) + ']')\n"
        "    else: print(k + '=<' + type(v).__name__ + '>')\n");
    QProcess python;
    python.start(BREVANTO_PYTHON, {"-c", script, PreferenceFile()});
    EXPECT_TRUE(python.waitForFinished(20000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    std::map<QString, QString> values;
    for (const QString& line : QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf('=');
        values[line.left(equals)] = line.mid(equals + 1);
    }
    return values;
}

// Distinct colours on a coarse grid: a blank window has one or two.
int ColourCount(const QImage& inImage)
{
    QSet<QRgb> colours;
    for (int y = 0; y < inImage.height(); y += 4) {
        for (int x = 0; x < inImage.width(); x += 4)
            colours.insert(inImage.pixel(x, y));
    }
    return int(colours.size());
}

void TypeKey(QWidget* inField, const QString& inText)
{
    inField->setFocus();
    for (QChar c : inText) {
        QKeyEvent press(QEvent::KeyPress, c.isDigit() ? Qt::Key_0 + (c.unicode() - '0') : Qt::Key_A, Qt::NoModifier,
                        QString(c));
        QApplication::sendEvent(inField, &press);
    }
}

class PreferencesWindowTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        MakeApplication().BuildMenuBar();
        app->SetUpApplication();
    }
    void TearDown() override
    {
        CloseWindow();
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
        NibLoader::SetNibFolder(QString());
    }

    CPreferencesWindow& Open()
    {
        OpenPreferencesWindow();
        EXPECT_NE(gPreferencesWindow, nullptr);
        return *gPreferencesWindow;
    }
    void CloseWindow()
    {
        if (gPreferencesWindow)
            gPreferencesWindow->Window()->close();
        CCleanupObject::DeleteAll();
    }
    ControlRef Control(SInt32 inID) { return gPreferencesWindow->Control(inID); }
    void Click(SInt32 inID) { qobject_cast<QAbstractButton*>(Control(inID))->click(); }
    void Choose(SInt32 inID, int inItem)
    {
        auto* popup = qobject_cast<QComboBox*>(Control(inID));
        popup->setCurrentIndex(inItem - 1);
        emit popup->activated(inItem - 1);
    }
    void Command(CommandT inCommand)
    {
        CommandRouter::Get().SendWindowCommand(gPreferencesWindow->Window(), inCommand);
    }
    static QString Stored(const char* inKey)
    {
        const auto value = GetPreference(CString256(inKey));
        return value ? QString::fromUtf8(value.get()) : QStringLiteral("<absent>");
    }
};

} // namespace

TEST_F(PreferencesWindowTest, EveryControlAndCommandIsInTheNib)
{
    ControlLookup::ClearMisses();
    CPreferencesWindow& window = Open();
    const SInt32 ids[] = {1000, 1001, 1002, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1012, 1013, 1014, 1015,
                          1016, 1017, 1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030,
                          1031, 1032, 1033, 1034, 1035, 1036, 1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045,
                          1046, 1047, 1048, 1049, 1050, 1052, 1053, 1054, 1055, 1056, 1057, 1061, 1062, 1063,
                          1064, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 55};
    for (SInt32 id : ids)
        EXPECT_NE(window.Control(id), nullptr) << id;
    EXPECT_NE(ControlLookup::FindControl(window.Window(), 'PRTT', 1000), nullptr);
    for (SInt32 n = 1; n <= 11; ++n)
        EXPECT_NE(ControlLookup::FindControl(window.Window(), 'THRT', n), nullptr) << n;
    for (SInt32 n = 1; n <= 9; ++n)
        EXPECT_NE(ControlLookup::FindControl(window.Window(), 'PRTB', 999 + n), nullptr) << n;
    for (SInt32 n = 1; n <= 2; ++n)
        EXPECT_NE(ControlLookup::FindControl(window.Window(), 'ASST', n), nullptr) << n;
    EXPECT_TRUE(ControlLookup::Misses().empty()) << "loading looked up a control the nib lacks";

    QSet<QString> commands;
    for (const QObject* child : window.Window()->findChildren<QObject*>()) {
        if (const QVariant command = child->property("command"); command.isValid())
            commands.insert(command.toString());
    }
    for (const char* command : {"CHNG", "RsRT", "VIEW", "HELP", "LdBl", "ExBl", "ClBl", "eedc", "TTYP", "WAIT",
                                "INCR", "ASAV", "EHLO", "IHAT", "bTyp", "TUNT", "ImQu", "RELA", "WLOG", "VERB"})
        EXPECT_TRUE(commands.contains(command)) << command << " has no sender";
}

TEST_F(PreferencesWindowTest, UserChoicesReachTheStoreAsTheirReadersExpect)
{
    Open();
    Click(1000);         // Auto Save on
    Click(1010);         // Include XMailer Header off (on by default)
    Click(1020);         // Verbose Logging on
    Click(1048);         // Resend On Error on
    Click(1009);         // Include MDN Header on
    Choose(1061, 2);     // JPEG
    Choose(1017, 2);     // HELO
    Choose(1064, 3);     // Copy by Bcc
    Choose(1040, 3);     // high quality
    qobject_cast<QRadioButton*>(Control(1022)->findChildren<QRadioButton*>().at(2))->click(); // batches
    auto* slider = qobject_cast<QSlider*>(Control(1004));
    slider->setValue(6);
    emit slider->sliderReleased();
    qobject_cast<QSpinBox*>(Control(1007))->stepUp();
    SetControlText(Control(1030), "40");
    SetControlText(Control(1016), "My Agent");
    CloseWindow();

    const std::map<QString, QString> stored = StoredByPython();
    const std::pair<const char*, const char*> expected[] = {
        {"Auto Save", "true"},       {"Include XMailer Header", "false"}, {"Verbose Logging", "true"},
        {"Resend On Error", "true"}, {"Include MDN Header", "true"},      {"Image HTML As Type", "JPEG"},
        {"SMTP Hello", "HELO"},      {"Throttle Batch Type", "3"},        {"Codec Quality", "3"},
        {"Throttle Type", "3"},      {"Throttle Period Delay", "6"},      {"Tag Delay", "3"},
        {"Throttle Batch Size", "40"}, {"User Agent", "My Agent"},        {"Last Preference Pane", "1"},
        {"Network Timeout", "15"},   {"Consecutive Errors", "3"},         {"Throttle Message Number", "12"},
    };
    for (const auto& [key, value] : expected) {
        const auto found = stored.find(key);
        ASSERT_NE(found, stored.end()) << key;
        EXPECT_EQ(found->second, value) << key;
    }
    EXPECT_EQ(gEnvironment->verboseLogging, 1) << "'VERB' applies at once";
    EXPECT_EQ(HelpTags::Get().Delay(), 3000);
    EXPECT_EQ(stored.count("ShowCharsetCheckbox"), 0u) << "the character-set box stores nothing";
}

TEST_F(PreferencesWindowTest, StoredValuesComeBackIncludingHandEditedOnes)
{
    const std::pair<const char*, const char*> settings[] = {
        {"Auto Save", "yes"},          // "true"-rule: off
        {"Include MDN Header", "yes"}, // "false"-rule: on
        {"Image HTML As Type", "PNG"}, // unknown: the nib's item 1
        {"SMTP Hello", "ehlo"},        // not exactly "EHLO": item 2
        {"Throttle Type", "7"},        // out of range: the nib's state, nothing regrouped
        {"Codec Quality", "1"},
        {"Throttle Batch Size", "33"},
        {"XMailer Header", "brevanto (0.9)"},
        {"User Agent", "My Mailer"},
    };
    for (const auto& [key, value] : settings)
        SetSetting(key, value);
    Open();
    EXPECT_EQ(GetControl32BitValue(Control(1000)), 0);
    EXPECT_EQ(GetControl32BitValue(Control(1009)), 1);
    EXPECT_EQ(GetControl32BitValue(Control(1061)), 1);
    EXPECT_EQ(GetControl32BitValue(Control(1017)), 2);
    EXPECT_EQ(GetControl32BitValue(Control(1022)), 1);
    EXPECT_EQ(GetControl32BitValue(Control(1040)), 1);
    EXPECT_EQ(GetControlText(Control(1030)), "33");
    EXPECT_EQ(GetControlText(Control(1015)), "Brevanto (1.0)") << "an older default follows the version";
    EXPECT_EQ(Stored("XMailer Header"), "Brevanto (1.0)");
    EXPECT_EQ(GetControlText(Control(1016)), "My Mailer");
    EXPECT_FALSE(IsControlEnabled(Control(1033))) << "the period follows Auto Save";
}

TEST_F(PreferencesWindowTest, FirstDisplayStoresDefaultsAndCloseSubstitutes)
{
    Open();
    for (const char* key : {"Network Timeout", "Message Retries", "Message Retries Interval", "Consecutive Errors",
                            "XMailer Header", "User Agent"})
        EXPECT_NE(Stored(key), "<absent>") << key;
    EXPECT_EQ(Stored("User Agent"), "Brevanto (1.0)");
    SetControlText(Control(1030), "");   // batch size
    SetControlText(Control(1023), "");   // message number
    SetControlText(Control(1031), "");   // network time-out
    SetControlText(Control(1032), "");   // consecutive errors
    SetControlText(Control(1033), "");   // auto-save period
    gEnvironment->networkTimeout = 99;
    gEnvironment->consecutiveErrors = 99;
    CloseWindow();
    EXPECT_EQ(Stored("Throttle Batch Size"), "25");
    EXPECT_EQ(Stored("Throttle Message Number"), "12");
    EXPECT_EQ(Stored("Network Timeout"), "");
    EXPECT_EQ(gEnvironment->networkTimeout, 15);
    EXPECT_EQ(Stored("Consecutive Errors"), "");
    EXPECT_EQ(gEnvironment->consecutiveErrors, 3);
    EXPECT_EQ(Stored("Auto Save Period"), "");
}

TEST_F(PreferencesWindowTest, QuitWithTheWindowOpenStoresItsFields)
{
    Open();
    SetControlText(Control(1070), "127.0.0.1");
    app->CleanUp();
    app.reset();
    EXPECT_EQ(Stored("MessageMonitorIPAddress"), "127.0.0.1");
}

TEST_F(PreferencesWindowTest, NumericFieldsTakeDigitsOnly)
{
    Open();
    auto* batch = qobject_cast<QLineEdit*>(Control(1030));
    batch->clear();
    const int beeps = presenter->Beeps();
    TypeKey(batch, "a");
    TypeKey(batch, "0");
    EXPECT_EQ(batch->text(), "") << "a letter and a first zero are refused";
    EXPECT_EQ(presenter->Beeps(), beeps + 2);
    TypeKey(batch, "10");
    EXPECT_EQ(batch->text(), "10");
    QApplication::clipboard()->setText("12a");
    batch->paste();
    EXPECT_EQ(batch->text(), "10") << "a paste with a letter is refused";
    batch->setText("123456789");
    batch->setCursorPosition(9);
    TypeKey(batch, "1");
    EXPECT_EQ(batch->text(), "123456789") << "a tenth digit is refused";

    auto* port = qobject_cast<QLineEdit*>(Control(1066));
    port->clear();
    TypeKey(port, "65535");
    EXPECT_EQ(port->text(), "65535");
    port->clear();
    TypeKey(port, "65536");
    EXPECT_EQ(port->text(), "6553");
}

TEST_F(PreferencesWindowTest, ThrottleTypeRegroupsItsControls)
{
    Open();
    auto visible = [this](OSType inSignature, SInt32 inID) {
        return IsControlVisible(ControlLookup::FindControl(gPreferencesWindow->Window(), inSignature, inID));
    };
    const struct {
        int type;
        bool delay, perUnit, batches;
    } cases[] = {{1, true, false, false}, {2, false, true, false}, {3, true, false, true}};
    for (const auto& entry : cases) {
        qobject_cast<QRadioButton*>(Control(1022)->findChildren<QRadioButton*>().at(entry.type - 1))->click();
        EXPECT_EQ(Stored("Throttle Type"), QString::number(entry.type));
        for (SInt32 n = 1; n <= 7; ++n)
            EXPECT_EQ(visible('THRT', n), entry.delay) << entry.type << " THRT " << n;
        for (SInt32 n : {8, 9})
            EXPECT_EQ(visible('THRT', n), entry.perUnit) << entry.type << " THRT " << n;
        for (SInt32 n : {10, 11})
            EXPECT_EQ(visible('THRT', n), entry.batches) << entry.type << " THRT " << n;
        for (SInt32 id : {1004, 1005})
            EXPECT_EQ(visible('PREF', id), entry.delay) << entry.type << " " << id;
        for (SInt32 id : {1023, 1024})
            EXPECT_EQ(visible('PREF', id), entry.perUnit) << entry.type << " " << id;
        for (SInt32 id : {1030, 1064, 1065})
            EXPECT_EQ(visible('PREF', id), entry.batches) << entry.type << " " << id;
    }
}

TEST_F(PreferencesWindowTest, LogBoxOpensAndClosesTheLog)
{
    Open();
    ASSERT_NE(gEnvironment->logFile, nullptr);
    Click(1012);
    EXPECT_EQ(gEnvironment->logFile, nullptr);
    EXPECT_FALSE(IsControlEnabled(Control(1020)));
    EXPECT_FALSE(IsControlEnabled(Control(1045)));
    EXPECT_EQ(Stored("Log"), "false");
    Click(1012);
    EXPECT_NE(gEnvironment->logFile, nullptr);
    EXPECT_TRUE(IsControlEnabled(Control(1020)));
}

TEST_F(PreferencesWindowTest, RestartWithTheMonitorOffOnlyTellsSo)
{
    Open();
    SetControlText(Control(1066), "8123");
    presenter->QueueAlert(1);
    Command('RsRT');
    ASSERT_FALSE(presenter->Requests().empty());
    EXPECT_EQ(presenter->Requests().back().message, "The Message Monitor is not on.");
    EXPECT_EQ(presenter->Requests().back().explanation, "There is no need to restart it.");
    EXPECT_EQ(Stored("MessageMonitorPort"), "8123");
    EXPECT_FALSE(gEnvironment->monitorOn);
}

TEST_F(PreferencesWindowTest, HelpOpensThePaneAnchor)
{
    Open();
    const std::pair<SInt32, const char*> cases[] = {{1, "#Saving"}, {3, "#Throttle"}, {9, "#Blacklist"}};
    for (const auto& [pane, anchor] : cases) {
        gPreferencesWindow->SelectPane(pane);
        Command('HELP');
        ASSERT_FALSE(launcher.opened.empty());
        EXPECT_TRUE(launcher.opened.back().endsWith(QStringLiteral("/BrevantoHelp/Preferences.html") + anchor))
            << launcher.opened.back().toStdString();
    }
}

TEST_F(PreferencesWindowTest, PanesAreRememberedAndBadOnesShowTheFirst)
{
    Open().SelectPane(7);
    CloseWindow();
    EXPECT_EQ(Stored("Last Preference Pane"), "7");
    ASSERT_TRUE(CommandRouter::Get().SendMenuCommand('pref'));
    EXPECT_EQ(gPreferencesWindow->CurrentPane(), 7);
    CPreferencesWindow* first = gPreferencesWindow;
    ASSERT_TRUE(CommandRouter::Get().SendMenuCommand('pref'));
    EXPECT_EQ(gPreferencesWindow, first) << "a second request raises the same window";
    EXPECT_TRUE(IsControlVisible(ControlLookup::FindControl(first->Window(), 'PRTB', 1006)));
    EXPECT_FALSE(IsControlVisible(ControlLookup::FindControl(first->Window(), 'PRTB', 1000)));
    ShowPreferencesWindow();
    EXPECT_EQ(gPreferencesWindow->CurrentPane(), 2);
    CloseWindow();
    for (const char* bad : {"12", "abc", "0"}) {
        SetSetting("Last Preference Pane", bad);
        EXPECT_EQ(Open().CurrentPane(), 1) << bad;
        CloseWindow();
    }
}

TEST_F(PreferencesWindowTest, AMissingNibLeavesNoWindowAndALaterRequestWorks)
{
    QTemporaryDir empty;
    NibLoader::SetNibFolder(empty.path());
    EXPECT_THROW(OpenPreferencesWindow(), LException);
    EXPECT_EQ(gPreferencesWindow, nullptr);
    NibLoader::SetNibFolder(QString());
    OpenPreferencesWindow();
    EXPECT_NE(gPreferencesWindow, nullptr);
}

TEST_F(PreferencesWindowTest, DownloadFolderIsShownAndChanged)
{
    QTemporaryDir chosen;
    Open();
    presenter->QueueChooseFolder(std::nullopt);
    Command('CHNG');
    presenter->QueueChooseFolder(chosen.path());
    Command('CHNG');
    EXPECT_EQ(CopyControlTitleAsCFString(Control(1002)), chosen.path());
    EXPECT_EQ(CFPreferenceDomain::Application().CopyValue("DownloadFolder").ToString(), chosen.path());
}

// ---------------------------------------------------------------------------------------------
// Blacklist

TEST(BlacklistLines, ImportSplitsEveryLineEndAndDecodesTheText)
{
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"a@x\r\nb@x\r\n", {"a@x", "b@x"}},
        {"a@x\nb@x", {"a@x", "b@x"}},
        {"a@x\rb@x\r", {"a@x", "b@x"}},
        {"a@x\r\n\nb@x\rc@x", {"a@x", "", "b@x", "c@x"}},
        {"\xEF\xBB\xBF" "a@x\n", {"a@x"}},
        {QByteArray("\xFF\xFE" "a\0@\0x\0\n\0\xE9\0", 12), {"a@x", "\u00E9"}},
        {"caf\xE9@x\n\x80", {"caf\u00E9@x", "\u20AC"}},
        {"", {}},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(CPreferencesWindow::ReadAddressLines(entry.bytes), entry.lines) << entry.bytes.toHex().constData();
}

TEST_F(PreferencesWindowTest, BlacklistImportExportAndClear)
{
    const QString source = folder.path() + "/list.txt";
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("b@example.com\r\n\r\nA@example.com\r\n");
    file.close();
    Open().SelectPane(9);
    presenter->QueueOpenFile(source);
    Command('LdBl');
    EXPECT_EQ(StoredByPython()["Blacklist"], "[b@example.com, , A@example.com]");
    auto* list = qobject_cast<DataBrowser*>(Control(1057));
    ASSERT_EQ(list->CountItems(), 3u);
    DataBrowserItemData data;
    EXPECT_EQ(list->Callbacks().itemData(list, 1, 'name', data, false), errDataBrowserPropertyNotSupported);
    EXPECT_TRUE(list->Callbacks().compare(list, 3, 1, 'Mail')) << "sorted ignoring case";

    const QString target = folder.path() + "/out.txt";
    presenter->QueueSaveFile(target, false);
    Command('ExBl');
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "b@example.com\n\nA@example.com");

    // A folder in the way: the user hears why, nothing is replaced.
    const QString blocked = folder.path() + "/blocked";
    ASSERT_TRUE(QDir().mkpath(blocked));
    presenter->QueueSaveFile(blocked, true);
    presenter->QueueAlert(1);
    Command('ExBl');
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_TRUE(presenter->Requests().back().message.contains(blocked));

    presenter->QueueAlert(2);
    Command('ClBl');
    EXPECT_EQ(gEnvironment->blacklist.size(), 3);
    presenter->QueueAlert(1);
    Command('ClBl');
    EXPECT_TRUE(gEnvironment->blacklist.isEmpty());
    EXPECT_EQ(StoredByPython()["Blacklist"], "[]");
    EXPECT_EQ(list->CountItems(), 0u);

    const int beeps = presenter->Beeps();
    Command('ClBl');
    EXPECT_EQ(presenter->Beeps(), beeps + 1) << "clearing an empty list only beeps";
    presenter->QueueAlert(1);
    Command('ExBl');
    EXPECT_EQ(presenter->Requests().back().message, "There are no recipients to export.");
}

TEST_F(PreferencesWindowTest, PriorityAndCharsetBoxesActOnEveryMailingWindow)
{
    new CBrevantoWindow();
    new CBrevantoWindow();
    Open();
    Click(1034); // priority on
    Click(55);   // character set on
    for (CBrevantoWindow* window : Windows()) {
        EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::PriorityPopup)));
        EXPECT_TRUE(IsControlVisible(window->Control(ControlRole::CharsetPopup)));
    }
    Click(55);
    for (CBrevantoWindow* window : Windows())
        EXPECT_FALSE(IsControlVisible(window->Control(ControlRole::CharsetPopup)));
    EXPECT_EQ(Stored("ShowPriorityCheckbox"), "true");
    EXPECT_EQ(Stored("ShowCharsetCheckbox"), "<absent>") << "the character-set box stores nothing";

    presenter->QueueAlert(1);
    Click(1053);
    EXPECT_EQ(presenter->Requests().back().message, "Changes take effect the next time you launch Brevanto.");
    Click(1001);
    EXPECT_EQ(Stored("Message Monitor Open On Launch"), "true");
    EXPECT_EQ(presenter->PendingAnswers(), 0u) << "its command starts no update check";
}

TEST_F(PreferencesWindowTest, EveryPaneDrawsOnlyItsControls)
{
    CPreferencesWindow& window = Open();
    window.Window()->resize(640, 480);
    for (SInt32 pane = 1; pane <= CPreferencesWindow::kPaneCount; ++pane) {
        window.SelectPane(pane);
        for (SInt32 other = 1; other <= CPreferencesWindow::kPaneCount; ++other)
            EXPECT_EQ(IsControlVisible(ControlLookup::FindControl(window.Window(), 'PRTB', 999 + other)), other == pane);
        const QImage shot = window.Window()->grab().toImage();
        EXPECT_EQ(shot.size(), window.Window()->size());
        EXPECT_GT(ColourCount(shot), 2) << "pane " << pane << " draws nothing";
    }
}

TEST_F(PreferencesWindowTest, RestartWithTheMonitorOnStopsAndStartsItAgain)
{
    presenter->QueueAlert(1); // the monitor's own switch tells it is on
    ToggleMessageMonitor(false);
    ASSERT_TRUE(gEnvironment->monitorOn);
    Open();
    SetControlText(Control(1066), "8124");
    SetControlText(Control(1070), "127.0.0.1");
    const auto started = std::chrono::steady_clock::now();
    Command('RsRT');
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900)) << "a second between";
    EXPECT_TRUE(gEnvironment->monitorOn);
    EXPECT_EQ(Stored("MessageMonitorPort"), "8124");
    EXPECT_EQ(Stored("MessageMonitorIPAddress"), "127.0.0.1");
    EXPECT_EQ(presenter->PendingAnswers(), 0u) << "a quiet restart shows nothing";
    presenter->QueueAlert(1);
    ToggleMessageMonitor(false);
}
