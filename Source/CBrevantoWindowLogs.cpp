// The logs of a mailing: the header block written to the application log and shown on the
// progress sheet when a run starts, and at its end the HTML report of every delivery and the
// raw source of the last message, both in the Reports folder.
#include "CBrevantoWindow.h"

#include "BuildSendJobMessage.h"
#include "CEnvironment.h"
#include "CMailMessage.h"
#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"
#include "PreferenceGetters.h"
#include "Presenter.h"
#include "SheetController.h"
#include "TextEncodings.h"
#include "WholeFileWrite.h"
#include "WorkingFolders.h"

#include <QFileInfo>

namespace {

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

QString Duration(UInt32 inSeconds)
{
    CText text;
    FormatDuration(inSeconds, text);
    return QString::fromUtf8(text.buffer, text.length);
}

// A value from the mailing as it may stand in HTML text or in a quoted attribute.
QString Escaped(const QString& inValue) { return inValue.toHtmlEscaped(); }

QString Paragraph(const char* inLabel, const QString& inValue)
{
    return QStringLiteral("<p><u>%1</u>: %2</p>\r").arg(QLatin1String(inLabel), inValue);
}

// The bytes of a file name: one name of the file system at most.
constexpr qsizetype kMaxNameBytes = 255;

// Where a report goes: the folder's path, or empty (logged) when there is none.
QString ReportsFolderPath()
{
    FSRef folder;
    if (!GetReportsFolder(&folder))
        return QString();
    return QString::fromStdString(folder.path);
}

bool WriteReportFile(const QString& inPath, const QByteArray& inBytes)
{
    return WriteWholeFileAtomically(inPath.toStdString(), inBytes.constData(), size_t(inBytes.size()),
                                    WholeFileMode::ReplaceAsNew) == noErr;
}

} // namespace

QString CBrevantoWindow::ReportFileName(const QString& inSubject, const QString& inDate, const char* inExtension)
{
    QString tail = QStringLiteral("[%1]%2").arg(inDate, QLatin1String(inExtension));
    tail.replace(QLatin1Char(':'), QLatin1Char('.')).replace(QLatin1Char('/'), QLatin1Char('-'));
    QString subject = inSubject;
    subject.replace(QLatin1Char(':'), QLatin1Char('.')).replace(QLatin1Char('/'), QLatin1Char('-'));
    // A long subject is cut, character by character, until the whole name fits.
    while (!subject.isEmpty() && (subject + QLatin1Char(' ') + tail).toUtf8().size() > kMaxNameBytes) {
        subject.chop(subject.size() >= 2 && subject.at(subject.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    subject = subject.trimmed();
    return subject.isEmpty() ? tail : subject + QLatin1Char(' ') + tail;
}

QString CBrevantoWindow::ThrottleCaption(const ThrottleSettings& inThrottle)
{
    if (inThrottle.batchMode) {
        static const char* const kCopyModes[] = {", No copying)", ", Copy by Cc)", ", Copy by Bcc)"};
        QString caption = QStringLiteral(" (Size = %1").arg(inThrottle.batchSize);
        if (inThrottle.batchType >= 1 && inThrottle.batchType <= 3)
            caption += QLatin1String(kCopyModes[inThrottle.batchType - 1]);
        return caption;
    }
    const QString delay = Duration(UInt32(std::max<SInt32>(inThrottle.delaySeconds, 0)));
    return delay.isEmpty() || inThrottle.delaySeconds <= 0 ? QStringLiteral("None")
                                                           : QStringLiteral(" (Delay = %1)").arg(delay);
}

void CBrevantoWindow::ClearProgressCaptions()
{
    for (ControlRole role : {ControlRole::SummaryDocumentCaption, ControlRole::SummarySubjectCaption,
                             ControlRole::SummaryServerCaption, ControlRole::SummaryMonitorCaption,
                             ControlRole::SummarySenderCaption, ControlRole::SummarySourceCaption}) {
        SetControlTitleWithCFString(Control(role), QString());
        Draw1Control(Control(role));
    }
}

// The recipient source as the logs name it: label and value; both empty when there is none.
static std::pair<QString, QString> RecipientSourceOf(const CBrevantoWindow& inWindow)
{
    if (inWindow.mRecipientsTab == 1) {
        const QString group = inWindow.GetGroupName();
        return {QStringLiteral("Address Book Group"), group.isEmpty() ? QStringLiteral("All") : group};
    }
    if (!inWindow.mImportPath.isEmpty())
        return {QStringLiteral("Import File"), QFileInfo::exists(inWindow.mImportPath) ? inWindow.mImportPath : QString()};
    if (!inWindow.mEntourageGroup.isEmpty())
        return {QStringLiteral("Entourage Group"), inWindow.mEntourageGroup};
    return {};
}

void CBrevantoWindow::LogMailingHeader(Boolean inShowOnly)
{
    const QString subject = GetControlText(Control(ControlRole::SubjectField));
    const QString server = GetServerName();
    const QString sender = QString::fromUtf8(mSenderText.text);
    if (!inShowOnly) {
        ClearProgressCaptions();
        CText when("\r");
        AppendDateTime(when);
        LogLine(QString::fromUtf8(when.buffer, when.length) + " Sending mail");
        LogLine("\tDocument: " + mWebPageURL);
        LogLine("\tSubject: " + subject);
        LogLine("\tServer: " + server);
        LogLine("\tSender: " + sender);
        LogLine("\tCC: " + GetControlText(Control(ControlRole::CcField)));
        LogLine("\tBCC: " + GetControlText(Control(ControlRole::BccField)));
        LogLine("\tReturn Path: " + GetControlText(Control(ControlRole::ReturnPathField)));
        LogLine("\tReply To: " + GetControlText(Control(ControlRole::ReplyToField)) + "\n_______________________");
    }
    SetControlTitleWithCFString(Control(ControlRole::SummaryDocumentCaption), mWebPageURL);
    SetControlTitleWithCFString(Control(ControlRole::SummarySubjectCaption), subject);
    SetControlTitleWithCFString(Control(ControlRole::SummaryServerCaption),
                                QStringLiteral("%1 (SSL; port %2)").arg(server, QString::number(GetServerPort())));
    SetControlTitleWithCFString(Control(ControlRole::SummaryMonitorCaption),
                                gEnvironment && gEnvironment->monitorOn ? QStringLiteral("ON") : QStringLiteral("OFF"));
    SetControlTitleWithCFString(Control(ControlRole::SummarySenderCaption), sender);
    const auto [label, value] = RecipientSourceOf(*this);
    SetControlTitleWithCFString(Control(ControlRole::SummarySourceLabel), label.isEmpty() ? label : label + ':');
    SetControlTitleWithCFString(Control(ControlRole::SummarySourceCaption), value);
    if (!inShowOnly && !label.isEmpty())
        LogLine("\t" + label + ": " + value);
    SetControlTitleWithCFString(Control(ControlRole::SummaryThrottleCaption), ThrottleCaption(mThrottle));
    if (WindowRef progress = Window(ENibWindow::progress))
        SheetController::ShowSheetWindow(progress, GetMainWindow());
}

void CBrevantoWindow::ShowProgressSummary() { LogMailingHeader(true); }

void CBrevantoWindow::AppendLogSummary(CText& ioText, UInt32 inElapsedSeconds)
{
    SInt32 errors = 0;
    deliveredList.Rewind();
    while (const DeliveredRecipient* record = deliveredList.Next())
        errors += record->errorCode != 0 ? 1 : 0;

    QString html = QStringLiteral("<h2>Brevanto Log</h2><blockquote> ");
    html += Paragraph("Mailer ID", Escaped(mUniqueName));
    html += Paragraph("Date-Time", Escaped(QLocale().toString(Clock::NowDateTime(), QLocale::ShortFormat)));
    html += Paragraph("Document", QStringLiteral("<a href=\"%1\" target=_blank>%1</a>").arg(Escaped(mWebPageURL)));
    html += Paragraph("Subject", Escaped(GetControlText(Control(ControlRole::SubjectField))));
    html += Paragraph("Server", Escaped(GetServerName()) + QStringLiteral(" (SSL; port %1)").arg(GetServerPort()));
    html += Paragraph("Message Monitor", gEnvironment && gEnvironment->monitorOn ? " ON" : " OFF");
    html += Paragraph("Sender", Escaped(QString::fromUtf8(mSenderName.text)) + " (" +
                                    Escaped(QString::fromUtf8(mSenderAddress.text)) + ")");
    if (!mAttachmentPaths.isEmpty()) {
        QStringList paths;
        for (const QString& path : mAttachmentPaths)
            paths.append(Escaped(path));
        html += Paragraph("Attachments", paths.join(QStringLiteral(", <br>\r")));
    }
    html += Paragraph("Time Elapsed", Escaped(Duration(inElapsedSeconds)));
    html += Paragraph("Number Errors", QString::number(errors));
    const auto [label, value] = RecipientSourceOf(*this);
    if (mRecipientsTab == 1)
        html += Paragraph("Group", Escaped(value));
    else if (!label.isEmpty())
        html += Paragraph(label == QLatin1String("Import File") ? "Import File" : "Entourage Group", Escaped(value));
    if (mThrottle.batchMode)
        html += Paragraph("Batch size", QString::number(mThrottle.batchSize));
    else
        html += Paragraph("Message delay", Escaped(Duration(UInt32(std::max<SInt32>(mThrottle.delaySeconds, 0)))));
    html += QStringLiteral("</blockquote>\r");
    ioText.AppendCFString(html);
}

QString CBrevantoWindow::WriteReport(UInt32 inElapsedSeconds)
{
    CList<DeliveredRecipient> records;
    deliveredList.Rewind();
    while (const DeliveredRecipient* record = deliveredList.Next())
        records.Append(*record);
    LogLine("Generating report...");
    const QString folder = ReportsFolderPath();
    if (folder.isEmpty()) {
        Presenter::Get().Beep();
        LogLine("The report log folder could not be found or created.");
        return QString();
    }
    const QString subject = GetControlText(Control(ControlRole::SubjectField));
    const QString name = ReportFileName(subject, Clock::NowDateTime().toString(Qt::ISODate), ".html");

    CText text;
    text.AppendCFString(QStringLiteral("<html>\r<head>\r"
                                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r"
                                       "<title>%1</title>\r"
                                       "<meta name=\"Author\" content=\"Brevanto %2\">\r"
                                       "</head>\r<body>\r")
                            .arg(Escaped(subject), Escaped(QStringLiteral(BREVANTO_VERSION))));
    AppendLogSummary(text, inElapsedSeconds);
    text.Append("\r<h3>Recipients</h3><hr><table  cellspacing=\"10\" cellpadding=\"1\">\r"
                "<tr>\r<td>Index</td> <td>First Name</td> <td>Last Name</td> <td>Email</td> <td>Error</td> "
                "<td>Retries</td>\r</tr>\r");
    if (ReadFalseRuleFlag(kSortErrorsKey, true))
        SortByLastNameDescending(records);
    records.Rewind();
    while (const DeliveredRecipient* record = records.Next()) {
        // Joined, not substituted: a "%1" in a name stays as it is.
        const QString row = "<tr>\r<td>" + QString::number(record->recipientIndex + 1) + "</td><td>" +
                            Escaped(record->firstName) + "</td><td>" + Escaped(record->lastName) + "</td><td>" +
                            Escaped(record->emailAddress) + "</td><td>" +
                            Escaped(QString::fromUtf8(record->errorText.text)) + "</td><td>" +
                            QString::number(record->retries) + "</td>\r</tr>\r<tr><td colspan=\"6\"><hr></td></tr>\r";
        text.AppendCFString(row);
    }
    text.Append("</table>\r</body>\r</html>");
    const QString path = folder + QLatin1Char('/') + name;
    if (!WriteReportFile(path, QByteArray(text.buffer, text.length))) {
        Presenter::Get().Beep();
        LogLine("The report log file could not be created.");
        return QString();
    }
    LogLine("Log file is: " + name);
    return path;
}

QString CBrevantoWindow::WriteRawSourceLog()
{
    LogLine("Generating raw source log...");
    const QString folder = ReportsFolderPath();
    if (folder.isEmpty())
        return QString();
    const QString name = ReportFileName(GetControlText(Control(ControlRole::SubjectField)),
                                        Clock::NowDateTime().toString(Qt::ISODate), ".eml");
    CMailMessage mail;
    const std::string source = BuildSendJobMessage(*this, mMessage, mail) ? mail.WriteSource() : std::string();
    const QString path = folder + QLatin1Char('/') + name;
    if (!WriteReportFile(path, QByteArray::fromStdString(source)))
        return QString();
    LogLine("Raw source log file is: " + name);
    return path;
}
