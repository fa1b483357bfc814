#include "NibLoader.h"

#include "CodeText.h"
#include "CommandRouter.h"
#include "DataBrowser.h"
#include "NibRegistrar.h"
#include "SearchField.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QStandardItemModel>
#include <QToolButton>
#include <QUiLoader>

namespace {
QString& FolderOverride()
{
    static QString sFolder;
    return sFolder;
}

// Creates promoted classes through the registrar and refuses classes nobody can make.
class RegistrarUiLoader : public QUiLoader {
public:
    QString mFailure;

    QWidget* createWidget(const QString& inClassName, QWidget* inParent, const QString& inName) override
    {
        QWidget* widget = NibRegistrar::Get().CreateWidget(inClassName, inParent);
        // Only Qt's own classes go to Qt's loader, which would quietly make the base class of
        // a promoted class it does not know.
        if (!widget && (availableWidgets().contains(inClassName) || inClassName == QLatin1String("Line")))
            widget = QUiLoader::createWidget(inClassName, inParent, inName);
        if (!widget) {
            if (mFailure.isEmpty())
                mFailure = QStringLiteral("unregistered class %1 (object \"%2\")").arg(inClassName, inName);
            widget = new QWidget(inParent);
        }
        widget->setObjectName(inName);
        return widget;
    }
};

void FillMenu(QMenu* ioMenu, const QStringList& inItems)
{
    for (const QString& entry : inItems) {
        if (entry == QLatin1String("-")) {
            ioMenu->addSeparator();
            continue;
        }
        const qsizetype bar = entry.lastIndexOf(QLatin1Char('|'));
        QAction* action = ioMenu->addAction(bar < 0 ? entry : entry.left(bar));
        if (bar >= 0)
            action->setProperty("command", entry.mid(bar + 1));
    }
}

void ApplyItemCommands(QComboBox* ioPopup)
{
    const QStringList commands = ioPopup->property("itemCommands").toStringList();
    for (int index = 0; index < commands.size() && index < ioPopup->count(); ++index)
        ioPopup->setItemData(index, CodeText::ParseCommand(commands[index]), Qt::UserRole);
}

void ApplyMenuItems(QToolButton* ioButton)
{
    const QVariant items = ioButton->property("menuItems");
    if (!items.isValid())
        return;
    auto* menu = new QMenu(ioButton);
    FillMenu(menu, items.toStringList());
    ioButton->setMenu(menu);
    ioButton->setPopupMode(QToolButton::InstantPopup);
}
} // namespace

QString NibLoader::NibFolder()
{
    return FolderOverride().isEmpty() ? QStringLiteral(":/nib") : FolderOverride();
}

void NibLoader::SetNibFolder(const QString& inFolder) { FolderOverride() = inFolder; }

OSStatus NibLoader::CreateNibReference(const QString& inNibName, std::unique_ptr<NibLoader>& outNib)
{
    outNib.reset();
    const QString path = NibFolder() + QLatin1Char('/') + inNibName;
    if (inNibName.isEmpty() || !QDir(path).exists())
        return fnfErr;
    outNib = std::make_unique<NibLoader>(path);
    return noErr;
}

NibLoader::NibLoader(const QString& inNibPath)
    : mPath(inNibPath)
{
}

QWidget* NibLoader::Load(const QString& inName)
{
    mLastError.clear();
    QFile file(mPath + QLatin1Char('/') + inName + QStringLiteral(".ui"));
    if (!file.open(QIODevice::ReadOnly)) {
        mLastError = QStringLiteral("no window \"%1\" in %2").arg(inName, mPath);
        return nullptr;
    }
    RegistrarUiLoader loader;
    QWidget* root = loader.load(&file);
    if (!loader.mFailure.isEmpty() || !root) {
        mLastError = QStringLiteral("\"%1\" failed to load: %2")
                         .arg(inName, loader.mFailure.isEmpty() ? loader.errorString() : loader.mFailure);
        delete root;
        return nullptr;
    }
    root->setProperty(kWindowNameProperty, inName);
    FinishLoadedWidgets(root);
    return root;
}

WindowRef NibLoader::CreateWindow(const QString& inWindowName)
{
    QWidget* window = Load(inWindowName);
    if (window && qobject_cast<QMenu*>(window)) {
        mLastError = QStringLiteral("\"%1\" is a menu, not a window").arg(inWindowName);
        delete window;
        return nullptr;
    }
    return window;
}

MenuRef NibLoader::CreateMenu(const QString& inMenuName)
{
    QWidget* root = Load(inMenuName);
    if (!root)
        return nullptr;
    auto* menu = qobject_cast<QMenu*>(root);
    if (!menu) {
        mLastError = QStringLiteral("\"%1\" is not a menu").arg(inMenuName);
        delete root;
        return nullptr;
    }
    CommandRouter::Get().WireNibMenu(menu);
    return menu;
}

void NibLoader::FinishLoadedWidgets(QWidget* inRoot)
{
    for (QComboBox* popup : inRoot->findChildren<QComboBox*>())
        ApplyItemCommands(popup);
    for (QToolButton* button : inRoot->findChildren<QToolButton*>())
        ApplyMenuItems(button);
    for (SearchField* field : inRoot->findChildren<SearchField*>())
        FillMenu(field->Menu(), field->property("menuItems").toStringList());
    for (DataBrowser* browser : inRoot->findChildren<DataBrowser*>())
        browser->ApplyNibColumns();
    CommandRouter::Get().WireControls(inRoot);
}
