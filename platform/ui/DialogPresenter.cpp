#include "DialogPresenter.h"

#include "CFBundle.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>

namespace {
QMessageBox::Icon IconOf(AlertKind inKind)
{
    switch (inKind) {
    case AlertKind::stop: return QMessageBox::Information;
    case AlertKind::caution: return QMessageBox::Warning;
    case AlertKind::note: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// Alerts are titled with the program's name (its bundle name), not the executable's.
QString AlertTitle()
{
    const QString name = CFBundle::Main().ValueForInfoDictionaryKey(QStringLiteral("CFBundleName")).ToString();
    return name.isEmpty() ? QApplication::applicationName() : name;
}

QMessageBox* MakeAlert(QWidget* inParent, AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                       AlertButtons inButtons)
{
    auto* box = new QMessageBox(IconOf(inKind), AlertTitle(), inMessage,
                                inButtons == AlertButtons::okCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                                    : QMessageBox::Ok,
                                inParent);
    box->setInformativeText(inExplanation);
    box->setDefaultButton(QMessageBox::Ok);
    // A stop alert shows the program's own icon, as the alerts the program was written for did:
    // it tells something the user must take in (a mode switched on, a mailing refused), not
    // always an error, so it does not wear the error sign.
    if (inKind == AlertKind::stop && !QApplication::windowIcon().isNull())
        box->setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    return box;
}
} // namespace

void DialogPresenter::Beep() { QApplication::beep(); }

SInt16 DialogPresenter::ShowAlert(AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                                  AlertButtons inButtons)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return kAlertNotShown;
    std::unique_ptr<QMessageBox> box(MakeAlert(nullptr, inKind, inMessage, inExplanation, inButtons));
    return box->exec() == QMessageBox::Ok ? kAlertStdAlertOKButton : kAlertStdAlertCancelButton;
}

void DialogPresenter::ShowAlertSheet(WindowRef inParent, AlertKind inKind, const QString& inMessage,
                                     const QString& inExplanation, AlertButtons inButtons, SheetHandler inHandler)
{
    QMessageBox* box = MakeAlert(inParent, inKind, inMessage, inExplanation, inButtons);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(inParent ? Qt::WindowModal : Qt::ApplicationModal);
    QObject::connect(box, &QMessageBox::finished, box, [handler = std::move(inHandler)](int result) {
        if (handler)
            handler(result == QMessageBox::Ok ? kSheetOKCommand : kSheetCancelCommand);
    });
    box->open();
}

bool DialogPresenter::ChooseOneFile(OSType inFileType, QString* outPath)
{
    // Linux files carry no type: a mailing document is known by its extension.
    const QString filter = inFileType == 'Bvto' ? QStringLiteral("Brevanto mailings (*.bvto)") : QString();
    const QString path = QFileDialog::getOpenFileName(nullptr, QString(), QString(), filter);
    if (outPath)
        *outPath = path;
    return path.isEmpty();
}

std::optional<QStringList> DialogPresenter::ChooseFiles(const QString& inMessage, const QString& inStartFolder)
{
    const QStringList paths = QFileDialog::getOpenFileNames(nullptr, inMessage, inStartFolder);
    if (paths.isEmpty())
        return std::nullopt;
    return paths;
}

std::optional<QString> DialogPresenter::AskSaveFile(const QString& inTitle, const QString& inDefaultName,
                                                    bool* outReplacing)
{
    const QString path = QFileDialog::getSaveFileName(nullptr, inTitle, inDefaultName);
    if (path.isEmpty())
        return std::nullopt;
    if (outReplacing)
        *outReplacing = QFileInfo::exists(path);
    return path;
}

std::optional<QString> DialogPresenter::AskOpenFile(const QString& inTitle, const QString& inPrompt, OSType,
                                                    const QString& inFolder)
{
    QFileDialog dialog(nullptr, inTitle, inFolder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, inPrompt.isEmpty() ? QStringLiteral("Open") : inPrompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> DialogPresenter::ChooseFolder(const QString& inTitle, const QString& inStartFolder)
{
    const QString folder = QFileDialog::getExistingDirectory(nullptr, inTitle, inStartFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QFont> DialogPresenter::ChooseFont(WindowRef inParent, const QFont& inInitial)
{
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, inInitial, inParent);
    if (!chosen)
        return std::nullopt;
    return font;
}

SaveChangesAnswer DialogPresenter::AskSaveChanges(WindowRef inParent, const QString& inDocumentName)
{
    QMessageBox box(QMessageBox::Warning, AlertTitle(),
                    QStringLiteral("Do you want to save the changes you made in the document \"%1\"?")
                        .arg(inDocumentName),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, inParent);
    box.setInformativeText(QStringLiteral("Your changes will be lost if you don't save them."));
    switch (box.exec()) {
    case QMessageBox::Save: return SaveChangesAnswer::save;
    case QMessageBox::Discard: return SaveChangesAnswer::dontSave;
    default: return SaveChangesAnswer::cancel;
    }
}
