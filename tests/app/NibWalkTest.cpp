// The nib "Brevanto" against the control map: every window and menu loads through the layer's
// loader, every mapped control exists in each window drawn from its design with the class its
// kind needs, every control ID in the nib is mapped, the command tables of the mailing window,
// its sheets, the server sheet and the progress sheet all have a sender, popups hold their items
// in the fixed order, and each window grabs offscreen to a picture that is not blank.
#include "CAboutBox.h"
#include "CURLPushButton.h"
#include "ControlMap.h"
#include "LQtApplication.h"
#include "Drawer.h"
#include "MenuBar.h"
#include "SheetController.h"
#include "NibLoader.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolButton>
#include <QWidget>

#include <map>
#include <memory>

namespace {

QString CodeString(OSType inCode)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar::fromLatin1(char((inCode >> shift) & 0xFF));
    return text;
}

// Loads every window of the nib once for the whole test program.
class NibWalk : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LQtApplication::Instance();
        CAboutBox::Register(); // the application's own classes, as its constructor registers them
        CURLPushButton::Register();
        ASSERT_EQ(NibLoader::CreateNibReference("Brevanto", sNib), noErr);
        for (const char* name : ControlMap::NibWindows()) {
            QWidget* window = sNib->CreateWindow(name);
            ASSERT_NE(window, nullptr) << name << ": " << sNib->LastError().toStdString();
            sWindows[name].reset(window);
        }
    }
    static void TearDownTestSuite()
    {
        sWindows.clear();
        sNib.reset();
    }

    static QWidget* Window(const QString& inName) { return sWindows.at(inName).get(); }

    // The commands that the widgets, pull-down items and actions of a tree carry.
    static QSet<QString> CommandsIn(const QObject* inRoot)
    {
        QSet<QString> found;
        const auto add = [&found](const QObject* object) {
            const QVariant command = object->property("command");
            if (command.isValid())
                found.insert(command.toString());
            for (const QString& entry : object->property("menuItems").toStringList())
                found.insert(entry.mid(entry.lastIndexOf(u'|') + 1));
        };
        add(inRoot);
        for (const QObject* child : inRoot->findChildren<QObject*>())
            add(child);
        return found;
    }

    static inline std::unique_ptr<NibLoader> sNib;
    static inline std::map<QString, std::unique_ptr<QWidget>> sWindows;
};

TEST(ControlMapNames, BlanksOfASignatureBecomeUnderscores)
{
    EXPECT_EQ(ControlMap::ObjectName('CC  ', 0), "CC__:0");
    EXPECT_EQ(ControlMap::ObjectName('CNTL', 543), "CNTL:543");
    EXPECT_EQ(ControlMap::ObjectName('PTA ', 7), "PTA_:7");
}

TEST(ControlMapNames, EachNibWindowHasADesignWithControls)
{
    const std::pair<const char*, const char*> designs[] = {
        {"AttachmentsSmall", "Attachments"}, {"Attachments", "Attachments"},
        {"PreambleSheet", "Preamble"},       {"EpilogueWindow", "Epilogue"},
        {"PlainTextAlternativeSheet", "PlainTextAlternative"}, {"ServerSettings", "ServerSettings"},
    };
    for (const auto& [window, design] : designs)
        EXPECT_EQ(ControlMap::DesignOf(window), design) << window;
    for (const char* window : ControlMap::NibWindows()) {
        const QString design = ControlMap::DesignOf(window);
        const bool plainDialog = design == "AppendOrReplace" || design == "RemoveImport" || design == "About";
        EXPECT_EQ(ControlMap::EntriesOf(design).empty(), plainDialog) << window;
    }
}

TEST(ControlMapNames, RolesAreUniqueAndFoundBack)
{
    QSet<int> roles;
    for (const ControlMapEntry& entry : ControlMap::Entries()) {
        EXPECT_FALSE(roles.contains(int(entry.role))) << entry.design;
        roles.insert(int(entry.role));
        EXPECT_EQ(ControlMap::Find(entry.role), &entry);
        EXPECT_EQ(ControlMap::Find(entry.design, entry.signature, entry.number), &entry);
    }
    EXPECT_EQ(ControlMap::Find("Mailer", 'CNTL', 9999), nullptr);
}

TEST_F(NibWalk, EveryMappedControlIsInEachWindowOfItsDesignWithItsClass)
{
    for (const char* name : ControlMap::NibWindows()) {
        QWidget* window = Window(name);
        for (const ControlMapEntry* entry : ControlMap::EntriesOf(ControlMap::DesignOf(name))) {
            const QString objectName = ControlMap::ObjectName(entry->signature, entry->number);
            const auto found = window->findChildren<QWidget*>(objectName);
            ASSERT_EQ(found.size(), 1) << name << " " << objectName.toStdString();
            const QWidget* control = found.front();
            EXPECT_TRUE(control->inherits(ControlMap::QtClassOf(entry->kind)))
                << name << " " << objectName.toStdString() << " is " << control->metaObject()->className();
            if (const char* promoted = ControlMap::PromotedClassOf(entry->kind)) {
                EXPECT_STREQ(control->metaObject()->className(), promoted) << name << " " << objectName.toStdString();
            }
            if (entry->kind == ControlKind::PullDown) {
                const auto* button = qobject_cast<const QToolButton*>(control);
                ASSERT_NE(button->menu(), nullptr) << objectName.toStdString();
                EXPECT_FALSE(button->menu()->actions().isEmpty()) << objectName.toStdString();
            }
        }
    }
}

TEST_F(NibWalk, EveryControlIDInTheNibIsMapped)
{
    for (const char* name : ControlMap::NibWindows()) {
        const QString design = ControlMap::DesignOf(name);
        for (const QWidget* widget : Window(name)->findChildren<QWidget*>()) {
            const QString objectName = widget->objectName();
            const qsizetype colon = objectName.indexOf(u':');
            if (colon != 4 || objectName.startsWith(QLatin1String("pane:")))
                continue; // no control ID: a label, a command-only button, or a pane of a resource window
            const QString signature = objectName.left(4).replace(u'_', u' ');
            bool numeric = false;
            const SInt32 number = objectName.mid(5).toInt(&numeric);
            ASSERT_TRUE(numeric) << name << " " << objectName.toStdString();
            OSType code = 0;
            for (QChar c : signature)
                code = (code << 8) | c.toLatin1();
            EXPECT_NE(ControlMap::Find(design, code, number), nullptr) << name << " " << objectName.toStdString();
        }
    }
}

TEST_F(NibWalk, EveryCommandOfTheWindowTablesHasASender)
{
    // The mailing window, its sheets, drawer and editors, the server sheet and the progress sheet.
    const char* const commands[] = {
        "SEND", "SCHD", "PRVW", "SRCE", "goRP", "SAVE", "HELP", "RCPT", "SIRT", "RTYP", "STYP", "GRUP",
        "UORG", "IMaG", "VIEW", "WEB ", "FILE", "MaiL", "MaRe", "MaSe", "QUIK", "EPIL", "PTA ", "OPTS",
        "SSeT", "ENTO", "RMVe", "IFIL", "uPFt", "SHOW", "SipT", "IPRT", "LoaF", "Imfl", "SMET", "MEBK",
        "BOOK", "PPIK", "TGGL", "mm  ",
        "ok  ", "ADDr", "BLST", "SLCT", "SNON", "INVS", "FSEL", "USEL", "VLID", "UCHK", "IFLG", "FSRP",
        "fnme", "lnme", "mail", "DUPL", "VERI", "DELE", "UFRL", "SelR", "SRCP", "SALL", "clea", "not!",
        "Rpte", "TUNT", "Wake", "Usch", "APND", "RPLC", "OKAY", "show", "SPEL", "IABT", "MAIT", "iprt",
        "CST1", "CST2", "CST3", "CST4", "SCPT", "shfp", "ADD ", "Apth", "CLAR", "BHEX", "EBED", "AHlp",
        "tnmf", "hpge",
        "ssPU", "Asrv", "Rsrv", "MAIL", "PICK", "AUTH", "USSL", "TPRT", "THRT",
        "ABRT", "PAUS", "CLSE", "OrLg", "Phlp",
    };
    QSet<QString> senders;
    for (const auto& [name, window] : sWindows)
        senders += CommandsIn(window.get());
    std::unique_ptr<QWidget> menuBar(sNib->CreateWindow("MenuBar"));
    ASSERT_NE(menuBar, nullptr) << sNib->LastError().toStdString();
    senders += CommandsIn(menuBar.get());
    for (const char* command : commands)
        EXPECT_TRUE(senders.contains(QString::fromLatin1(command))) << "'" << command << "'";
}

TEST_F(NibWalk, PopupsHoldTheirItemsInTheFixedOrder)
{
    struct Case {
        const char* window;
        const char* control;
        QStringList items;
    };
    const QStringList addressCommands = {"PRIM", "DIST", "ALL ", "HOME", "WORK", "OTHE"};
    const Case cases[] = {
        {"Mailer", "CNTL:119", {"1 (Highest)", "2 (High)", "3 (Normal)", "4 (Low)", "5 (Lowest)"}},
        {"ServerSettings", "CNTL:125", {"None", "PLAIN", "LOGIN", "POP", "APOP"}},
        {"ServerSettings", "CNTL:138", {"Automatic", "PLAIN", "LOGIN", "CRAM-MD5"}},
        {"ServerSettings", "CNTL:139", {"Port", "25", "587", "465"}},
        {"ScheduleRecipients", "CNTL:9", {"seconds", "minutes", "hours", "days", "weeks"}},
        {"Attachments", "CNTL:12", {"Inline", "Attachment", "Embedded"}},
        {"AttachmentsSmall", "CNTL:12", {"Inline", "Attachment", "Embedded"}},
    };
    for (const Case& c : cases) {
        const auto* popup = Window(c.window)->findChild<QComboBox*>(c.control);
        ASSERT_NE(popup, nullptr) << c.window << " " << c.control;
        QStringList items;
        for (int i = 0; i < popup->count(); ++i)
            items << popup->itemText(i);
        EXPECT_EQ(items, c.items) << c.window << " " << c.control;
    }
    // With no preference yet a new mailing has normal priority (no X-Priority header).
    EXPECT_EQ(Window("Mailer")->findChild<QComboBox*>("CNTL:119")->currentIndex(), 2);
    const std::pair<const char*, const char*> addressPopups[] = {
        {"Mailer", "CNTL:21"}, {"Mailer", "CNTL:117"}, {"OtherOptions", "CNTL:136"}, {"AddRecipient", "ATYP:0"}};
    for (const auto& [window, control] : addressPopups) {
        const auto* popup = Window(window)->findChild<QComboBox*>(control);
        ASSERT_NE(popup, nullptr) << window << " " << control;
        ASSERT_EQ(popup->count(), addressCommands.size()) << window << " " << control;
        for (int i = 0; i < popup->count(); ++i) {
            EXPECT_EQ(CodeString(OSType(popup->itemData(i).toUInt())), addressCommands[i])
                << window << " " << control << " item " << i + 1;
        }
    }
}

TEST_F(NibWalk, SearchFieldMenuAndContextMenus)
{
    QStringList search;
    for (const QString& entry : Window("Recipients")->findChild<QWidget*>("CNTL:6")->property("menuItems").toStringList())
        search << entry.mid(entry.lastIndexOf(u'|') + 1);
    EXPECT_EQ(search, QStringList({"fnme", "lnme", "mail"}));

    std::unique_ptr<QMenu> context(sNib->CreateMenu("RecipientsContextMenu"));
    ASSERT_NE(context, nullptr) << sNib->LastError().toStdString();
    const QList<QAction*> items = context->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->property("command").toString(), "FSEL");
    EXPECT_EQ(items[1]->property("command").toString(), "USEL");
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->property("command").toString(), "DELE");

    std::unique_ptr<QMenu> spelling(sNib->CreateMenu("SpellCheckContextualMenu"));
    ASSERT_NE(spelling, nullptr) << sNib->LastError().toStdString();
    EXPECT_TRUE(spelling->actions().isEmpty());
}

TEST_F(NibWalk, MenuBarItemsCarryTheirNumberedCommands)
{
    std::unique_ptr<QWidget> holder(sNib->CreateWindow("MenuBar"));
    ASSERT_NE(holder, nullptr) << sNib->LastError().toStdString();
    const auto commandAt = [&holder](const char* menu, int item) {
        const auto* found = holder->findChild<QMenu*>(QStringLiteral("menu:") + menu);
        if (!found || item > found->actions().size())
            return QString("(none)");
        const QAction* action = found->actions().at(item - 1);
        return action->menu() ? action->menu()->property("command").toString() : action->property("command").toString();
    };
    const struct {
        const char* menu;
        int item;
        const char* command;
    } cases[] = {
        {"129", 3, "IPRT"}, {"129", 4, "RCNT"}, {"129", 11, "CONS"},
        {"128", 3, "SIMS"}, {"128", 5, "MsgM"}, {"128", 6, "ERLM"}, {"128", 8, "ROLL"}, {"128", 9, "OPNL"},
        {"128", 11, "OPNP"},
        {"Application", 1, "1"}, {"Application", 3, "pref"}, {"Application", 4, "SRVS"},
        {"Application", 5, "UPDT"}, {"Application", 9, "10"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commandAt(c.menu, c.item), c.command) << "menu " << c.menu << " item " << c.item;
    // "Report Logs..." is appended after the last item, as item 12.
    EXPECT_EQ(holder->findChild<QMenu*>("menu:129")->actions().size(), 11);
    EXPECT_TRUE(holder->findChild<QMenu*>("menu:Help")->actions().isEmpty());

    // The shared bar takes the menus by number and finds the item of the recent-items submenu.
    MenuBar& bar = MenuBar::Get();
    bar.RemoveAllMenus();
    QString error;
    ASSERT_TRUE(bar.LoadFromNib(*sNib, "MenuBar", &error)) << error.toStdString();
    EXPECT_NE(bar.GetMenu(128), nullptr);
    EXPECT_NE(bar.GetMenu(129), nullptr);
    EXPECT_TRUE(bar.SetRecentItemsMenu(new QMenu(holder.get())));
    bar.RemoveAllMenus();
}

TEST_F(NibWalk, AboutWindowHasItsPanesAndCopyrightCaption)
{
    QWidget* about = Window("About");
    for (const char* pane : {"pane:1", "pane:2"}) {
        const QWidget* link = about->findChild<QWidget*>(pane);
        ASSERT_NE(link, nullptr) << pane;
        EXPECT_FALSE(link->property("url").toString().isEmpty()) << pane;
    }
    EXPECT_NE(about->findChild<QWidget*>("pane:'VERS'"), nullptr);
    int copyright = 0;
    for (const QLabel* label : about->findChildren<QLabel*>())
        copyright += label->text().startsWith("Copyright") ? 1 : 0;
    EXPECT_EQ(copyright, 1);
}

// Offscreen pictures: written under the test program's folder, with the widget's size and
// showing something (more than a hundredth of the pixels differ from the corner's colour).
void ExpectGrab(QWidget* inWidget, const QString& inName)
{
    const QString folder = QCoreApplication::applicationDirPath() + "/grabs";
    ASSERT_TRUE(QDir().mkpath(folder));
    QCoreApplication::processEvents();
    const QImage image = inWidget->grab().toImage();
    ASSERT_FALSE(image.isNull()) << inName.toStdString();
    EXPECT_EQ(image.size() / image.devicePixelRatio(), inWidget->size()) << inName.toStdString();
    ASSERT_TRUE(image.save(folder + "/" + inName + ".png")) << inName.toStdString();
    const QRgb background = image.pixel(0, 0);
    qsizetype differing = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            differing += image.pixel(x, y) != background ? 1 : 0;
    }
    EXPECT_GT(differing, image.width() * image.height() / 100) << inName.toStdString();
}

TEST_F(NibWalk, EveryWindowGrabsToAPictureThatIsNotBlank)
{
    for (const auto& [name, window] : sWindows) {
        window->show();
        ExpectGrab(window.get(), name);
        window->hide();
    }
}

TEST_F(NibWalk, MailerGrabsWithItsDrawerClosedAndOpenAndWithEachSheetShown)
{
    std::unique_ptr<QWidget> mailer(sNib->CreateWindow("Mailer"));
    QWidget* drawer = sNib->CreateWindow("Attachments"); // owned by the mailer once docked
    ASSERT_TRUE(mailer && drawer);
    ASSERT_EQ(Drawer::SetDrawerParent(drawer, mailer.get()), noErr);
    mailer->show();
    ExpectGrab(mailer.get(), "MailerDrawerClosed");
    const int closedHeight = mailer->height();
    ASSERT_EQ(Drawer::OpenDrawer(drawer), noErr);
    ExpectGrab(mailer.get(), "MailerDrawerOpen");
    EXPECT_GT(mailer->height(), closedHeight);
    ASSERT_EQ(Drawer::CloseDrawer(drawer), noErr);

    for (const char* name : {"Recipients", "ScheduleRecipients", "AddRecipient", "OtherOptions", "ServerSettings",
                             "Progress", "NoMyCardAlert", "AppendOrReplace", "RemoveImport", "SelectEntourageGroup",
                             "PreambleSheet", "EpilogueSheet", "PlainTextAlternativeSheet"}) {
        std::unique_ptr<QWidget> sheet(sNib->CreateWindow(name));
        ASSERT_NE(sheet, nullptr) << name;
        ASSERT_EQ(SheetController::ShowSheetWindow(sheet.get(), mailer.get()), noErr) << name;
        ExpectGrab(sheet.get(), QStringLiteral("MailerWith") + name);
        SheetController::HideSheetWindow(sheet.get());
    }
    mailer->hide();
}

} // namespace
