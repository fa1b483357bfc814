// DialogPresenter: the presenter a person sees: QMessageBox alerts (modal) and sheets
// (window-modal, non-blocking), QFileDialog choosers, the QFontDialog, and the system beep. GUI thread only.
#pragma once

#include "Presenter.h"

class DialogPresenter : public Presenter {
public:
    void Beep() override;
    SInt16 ShowAlert(AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                     AlertButtons inButtons) override;
    void ShowAlertSheet(WindowRef inParent, AlertKind inKind, const QString& inMessage, const QString& inExplanation,
                        AlertButtons inButtons, SheetHandler inHandler) override;
    bool ChooseOneFile(OSType inFileType, QString* outPath) override;
    std::optional<QStringList> ChooseFiles(const QString& inMessage, const QString& inStartFolder) override;
    std::optional<QString> AskSaveFile(const QString& inTitle, const QString& inDefaultName,
                                       bool* outReplacing) override;
    std::optional<QString> AskOpenFile(const QString& inTitle, const QString& inPrompt, OSType inFileType,
                                       const QString& inFolder) override;
    std::optional<QString> ChooseFolder(const QString& inTitle, const QString& inStartFolder) override;
    std::optional<QFont> ChooseFont(WindowRef inParent, const QFont& inInitial) override;
    SaveChangesAnswer AskSaveChanges(WindowRef inParent, const QString& inDocumentName) override;
};
