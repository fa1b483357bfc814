// Recipients of a mailing as tab-separated text: one line per recipient, first name, a tab, last
// name, a tab, e-mail address and a CR, read through the window's accessors (the current
// source's). Written whole into a file the user chooses: a write that fails keeps the old file
// and tells the user why. GUI thread only.
#include "CBrevantoWindow.h"

#include "DataBrowser.h"
#include "Presenter.h"
#include "WholeFileWrite.h"

#include <QFileInfo>

namespace {

void AppendField(CText& ioText, const QString& inField)
{
    const QByteArray bytes = inField.toUtf8();
    ioText.AppendBytes(bytes.constData(), long(bytes.size()));
}

} // namespace

void CBrevantoWindow::AppendRecipientLine(SInt32 inIndex, CText& ioText) const
{
    AppendField(ioText, GetRecipientFirstName(inIndex));
    ioText.AppendChar('\t');
    AppendField(ioText, GetRecipientLastName(inIndex));
    ioText.AppendChar('\t');
    AppendField(ioText, GetRecipientEmail(inIndex));
    ioText.AppendChar('\r');
}

// The rows selected in the recipients list, in the list's order (item n is recipient n - 1).
void CBrevantoWindow::AppendSelectedRecipientsText(CText& ioText) const
{
    const auto* list = qobject_cast<DataBrowser*>(Control(ControlRole::RecipientsList));
    if (!list)
        return;
    const SInt32 count = CountRecipients();
    for (DataBrowserItemID item : list->GetSelectedItems()) {
        const SInt32 index = SInt32(item) - 1;
        if (index >= 0 && index < count)
            AppendRecipientLine(index, ioText);
    }
}

void CBrevantoWindow::AppendFlaggedRecipientsText(const SendFlags& inFlags, CText& ioText, Boolean inAll) const
{
    if (!inFlags)
        return;
    for (size_t index = 0; index < inFlags->size(); ++index) {
        if (inAll || (*inFlags)[index])
            AppendRecipientLine(SInt32(index), ioText);
    }
}

OSErr CBrevantoWindow::WriteRecipientsFile(const QString& inPath, SInt16 inMode)
{
    CText text;
    text.Clear();
    if (inMode == 0) {
        AppendSelectedRecipientsText(text);
    } else {
        const SendFlags& flags = CurrentSource() == ERecipientSource::addressBook ? mABSendFlags : mImportSendFlags;
        AppendFlaggedRecipientsText(flags, text, inMode == 2);
    }
    return WriteWholeFileAtomically(inPath.toStdString(), text.buffer ? text.buffer : "", size_t(text.length),
                                    WholeFileMode::ReplaceAsNew);
}

Boolean CBrevantoWindow::ExportRecipients(SInt16 inMode)
{
    bool replacing = false;
    const std::optional<QString> path = Presenter::Get().AskSaveFile(
        QStringLiteral("Save Recipients"), ProposedFilePath(QStringLiteral("Recipients"), QStringLiteral("txt")),
        &replacing);
    if (!path || path->isEmpty())
        return true;
    if (const OSErr error = WriteRecipientsFile(*path, inMode); error != noErr)
        ShowAlertSheet(QStringLiteral("The recipients could not be saved to \"%1\".").arg(QFileInfo(*path).fileName()),
                       QStringLiteral("The file could not be written (error %1).").arg(error));
    return false;
}
