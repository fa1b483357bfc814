// Nibs by name, the registrar's refusal of unknown classes, and control lookup by ID.
#include "UiTestSupport.h"

#include "ControlLookup.h"
#include "ControlValues.h"
#include "Drawer.h"
#include "NibRegistrar.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>

TEST_F(NibTest, MissingNibIsFileNotFound)
{
    std::unique_ptr<NibLoader> nib;
    EXPECT_EQ(NibLoader::CreateNibReference(QStringLiteral("NoSuchNib"), nib), fnfErr);
    EXPECT_EQ(nib, nullptr);
}

TEST_F(NibTest, MissingWindowIsNullWithAnError)
{
    EXPECT_EQ(mNib->CreateWindow(QStringLiteral("NoSuchWindow")), nullptr);
    EXPECT_TRUE(mNib->LastError().contains(QStringLiteral("NoSuchWindow")));
    EXPECT_EQ(mNib->CreateMenu(QStringLiteral("NoSuchMenu")), nullptr);
}

TEST_F(NibTest, UnregisteredPromotedClassFailsTheLoadInsteadOfFallingBack)
{
    EXPECT_EQ(mNib->CreateWindow(QStringLiteral("Unregistered")), nullptr);
    EXPECT_TRUE(mNib->LastError().contains(QStringLiteral("NoSuchWell"))) << mNib->LastError().toStdString();

    NibRegistrar::Get().RegisterWidget(QStringLiteral("NoSuchWell"), 'NSWl',
                                       [](QWidget* parent) { return new QLabel(QStringLiteral("well"), parent); });
    QWidget* window = Load(QStringLiteral("Unregistered"));
    ASSERT_NE(window, nullptr);
    auto* well = qobject_cast<QLabel*>(ControlLookup::FindControl(window, 'CNTL', 20));
    ASSERT_NE(well, nullptr);
    EXPECT_EQ(well->text(), QStringLiteral("well"));
    EXPECT_EQ(NibRegistrar::Get().ClassNameOf('NSWl'), QStringLiteral("NoSuchWell"));
    NibRegistrar::Get().UnregisterWidget(QStringLiteral("NoSuchWell"));
    EXPECT_TRUE(NibRegistrar::Get().ClassNameOf('NSWl').isEmpty());
}

TEST_F(NibTest, ControlsAreFoundByIDWithBlanksEscaped)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef field = nullptr;
    const ControlID cc{'CC  ', 0};
    EXPECT_EQ(GetControlByID(window, &cc, &field), noErr);
    EXPECT_NE(qobject_cast<QLineEdit*>(field), nullptr);
    EXPECT_EQ(field->objectName(), QStringLiteral("CC__:0"));
    EXPECT_EQ(ControlLookup::NibWindowName(window), QStringLiteral("Main"));
}

TEST_F(NibTest, MissingControlIsParamErrNullAndRecorded)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlLookup::ClearMisses();
    ControlRef control = window; // must be overwritten
    EXPECT_EQ(ControlLookup::GetControlByID(window, ControlID{'CNTL', 999}, &control), paramErr);
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(ControlLookup::FindControl(nullptr, 'CNTL', 1), nullptr);
    const auto misses = ControlLookup::Misses();
    ASSERT_EQ(misses.size(), 2u);
    EXPECT_EQ(misses[0].window, QStringLiteral("Main"));
    EXPECT_EQ(misses[0].id.signature, OSType('CNTL'));
    EXPECT_EQ(misses[0].id.id, 999);
}

TEST_F(NibTest, LookupStaysInsideItsWindowWhenAnotherNibWindowIsEmbedded)
{
    QWidget* window = Load(QStringLiteral("Main"));
    QWidget* drawer = Load(QStringLiteral("Drawer"));
    ASSERT_EQ(Drawer::SetDrawerParent(drawer, window), noErr);
    // Both windows have a 'CNTL' 1; each lookup finds its own.
    EXPECT_EQ(CopyControlTitleAsCFString(ControlLookup::FindControl(window, 'CNTL', 1)), QStringLiteral("Send"));
    EXPECT_EQ(CopyControlTitleAsCFString(ControlLookup::FindControl(drawer, 'CNTL', 1)),
              QStringLiteral("Drawer caption"));
}

TEST_F(NibTest, TopLevelMenuFileIsANibMenuWithItemCommands)
{
    std::unique_ptr<QMenu> menu(mNib->CreateMenu(QStringLiteral("ContextMenu")));
    ASSERT_NE(menu, nullptr) << mNib->LastError().toStdString();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    EXPECT_EQ(menu->actions()[2]->property("command").toString(), QStringLiteral("DELE"));
    EXPECT_EQ(mNib->CreateWindow(QStringLiteral("ContextMenu")), nullptr); // a menu is no window
}
