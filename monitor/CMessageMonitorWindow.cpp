#include "CMessageMonitorWindow.h"

#include "AlertHelpers.h"
#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "ControlLookup.h"
#include "CPreferencesWindow.h"
#include "DataBrowser.h"
#include "InterfaceAddressWatch.h"
#include "MessageMonitor.h"
#include "NibLoader.h"
#include "Presenter.h"
#include "WholeFileWrite.h"
#include "WindowEvents.h"

#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QtEndian>

CMessageMonitorWindow* gMessageMonitorWindow = nullptr;

namespace {

constexpr char kStateKey[] = "MessageMonitorDBData";
constexpr char kBoundsKey[] = "MessageMonitorBoundsData";
constexpr int kRestartDelayMs = 1000;

QDateTime DateOf(const MonitorRecord& record)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(record.date * 1000.0));
}

QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\r')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The text between " <" and ">" of a name, found ignoring case; empty without one.
QString AddressIn(const QString& name)
{
    const int start = name.indexOf(QLatin1String(" <"), 0, Qt::CaseInsensitive);
    if (start < 0)
        return {};
    const int end = name.indexOf(QLatin1Char('>'), start + 2);
    return end < 0 ? QString() : name.mid(start + 2, end - start - 2);
}

} // namespace

QString MailerIDDateText(const QString& inMailerID)
{
    // "yyyy-MM-dd HH:mm:ss +hhmm"
    if (inMailerID.size() != 25 || inMailerID[19] != QLatin1Char(' ') ||
        (inMailerID[20] != QLatin1Char('+') && inMailerID[20] != QLatin1Char('-')))
        return {};
    QDateTime local = QDateTime::fromString(inMailerID.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    bool hoursOK = false, minutesOK = false;
    const int hours = inMailerID.mid(21, 2).toInt(&hoursOK);
    const int minutes = inMailerID.mid(23, 2).toInt(&minutesOK);
    if (!local.isValid() || !hoursOK || !minutesOK || minutes > 59)
        return {};
    const int offset = (inMailerID[20] == QLatin1Char('-') ? -1 : 1) * (hours * 3600 + minutes * 60);
    local.setOffsetFromUtc(offset);
    return QLocale::c().toString(local, QStringLiteral("ddd dd MMM, yyyy hh:mm:ss AP")) + QStringLiteral(" (") +
           inMailerID.mid(20) + QLatin1Char(')');
}

QString ExportLine(const MonitorRecord& inRecord)
{
    return CsvField(AddressIn(inRecord.name)) + QLatin1Char(',') + CsvField(inRecord.name) + QLatin1Char(',') +
           CsvField(inRecord.subject) + QLatin1Char(',') + CsvField(StandardDateDescription(DateOf(inRecord))) +
           QLatin1Char('\n');
}

CMessageMonitorWindow::CMessageMonitorWindow()
{
    if (NibLoader::CreateNibReference(QStringLiteral("Brevanto"), mNib) == noErr)
        mWindow = mNib->CreateWindow(QStringLiteral("MessageMonitor"));
    if (!mWindow) {
        // Without the nib's window the object still answers; it shows an empty window.
        mWindow = new QWidget;
        mWindow->setObjectName(QStringLiteral("MessageMonitor"));
        mWindow->setWindowTitle(QStringLiteral("Message Monitor"));
        return;
    }
    WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& ioEvent) { return HandleEvent(ioEvent); });
    SetUpBrowser();
}

CMessageMonitorWindow::~CMessageMonitorWindow()
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, {});
    delete mWindow;
}

void CMessageMonitorWindow::SetUpBrowser()
{
    mBrowser = qobject_cast<DataBrowser*>(ControlLookup::FindControl(mWindow, 'DATA', 0));
    mStatus = ControlLookup::FindControl(mWindow, 'MMWT', 0);
    if (mBrowser) {
        DataBrowserCallbacks callbacks;
        callbacks.itemData = [this](DataBrowser*, DataBrowserItemID item, DataBrowserPropertyID property,
                                    DataBrowserItemData& data, bool set) -> OSStatus {
            if (item < 1 || item > mRequests.size())
                return noErr;
            if (set)
                return noErr; // edits are not kept
            const MonitorRecord& record = mRequests[item - 1];
            switch (property) {
            case 'INDX':
                data.text = QString::number(item);
                break;
            case 'DATE':
                data.text = QLocale().toString(DateOf(record), QLocale::ShortFormat);
                break;
            case 'NAME':
                data.text = record.name;
                break;
            case 'SBJT':
                data.text = record.subject;
                break;
            case 'MIDP':
                data.text = MailerIDDateText(record.mailerID);
                break;
            case 'edit':
                data.boolean = true;
                break;
            default:
                return -4979; // property not supported
            }
            return noErr;
        };
        callbacks.compare = [this](DataBrowser*, DataBrowserItemID a, DataBrowserItemID b,
                                   DataBrowserPropertyID property) {
            if (a < 1 || b < 1 || a > mRequests.size() || b > mRequests.size())
                return false;
            const MonitorRecord& first = mRequests[a - 1];
            const MonitorRecord& second = mRequests[b - 1];
            switch (property) {
            case 'INDX':
                return a < b;
            case 'DATE':
                return first.date < second.date;
            case 'NAME':
                return first.name.compare(second.name) < 0;
            case 'SBJT':
                return first.subject.compare(second.subject) < 0;
            case 'MIDP':
                return first.mailerID.compare(second.mailerID) < 0;
            default:
                return false;
            }
        };
        mBrowser->SetCallbacks(callbacks);
        const CFPropertyList state = CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(kStateKey));
        if (!state.IsNull())
            mBrowser->SetUserState(state);
        // Every opening starts newest first, whatever order was saved.
        mBrowser->SetSortProperty('DATE');
        mBrowser->SetSortOrder(kDataBrowserOrderDecreasing);
    }
    mReload = true;
    SetRequests();
    const CFPropertyList bounds = CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(kBoundsKey));
    if (bounds.IsData() && bounds.ToData().size() == 8) {
        const QByteArray bytes = bounds.ToData();
        const auto at = [&bytes](int i) { return int(qFromBigEndian<qint16>(bytes.constData() + 2 * i)); };
        const int top = at(0), left = at(1), bottom = at(2), right = at(3);
        if (bottom > top && right > left) // an empty or inverted rectangle is ignored
            mWindow->setGeometry(left, top, right - left, bottom - top);
    }
    UpdateStatusText();
    mWatch = std::make_unique<InterfaceAddressWatch>();
    if (mWatch->IsWatching())
        QObject::connect(mWatch.get(), &InterfaceAddressWatch::Changed, mWatch.get(),
                         [this] { RestartOnAddressChange(); });
}

void CMessageMonitorWindow::RestartOnAddressChange()
{
    if (!gEnvironment || !gEnvironment->monitorOn)
        return;
    ToggleMessageMonitor(true);
    QTimer::singleShot(kRestartDelayMs, mWatch.get(), [] {
        if (gEnvironment && !gEnvironment->monitorOn)
            ToggleMessageMonitor(true);
    });
}

void CMessageMonitorWindow::SetRequests()
{
    if (!mReload || mBusy)
        return;
    mBusy = true;
    mReload = false;
    mRequests = gApplication ? FetchMessageMonitorRequests(*gApplication) : std::vector<MonitorRecord>();
    Reload();
    mBusy = false;
}

void CMessageMonitorWindow::Reload()
{
    if (!mBrowser)
        return;
    mBrowser->RemoveAllItems();
    if (!mRequests.empty())
        mBrowser->AddItems(UInt32(mRequests.size()));
    mBrowser->SortItems();
    mBrowser->scrollToTop();
}

void CMessageMonitorWindow::ClearRequests()
{
    mRequests.clear();
    Reload();
}

void CMessageMonitorWindow::UpdateStatusText()
{
    if (auto* label = qobject_cast<QLabel*>(mStatus))
        label->setText(MessageMonitorStatusText());
}

void CMessageMonitorWindow::SaveState()
{
    if (mBrowser)
        CFPreferenceDomain::Application().SetValue(QString::fromLatin1(kStateKey), mBrowser->GetUserState());
}

void CMessageMonitorWindow::Cleanup()
{
    SaveState();
    if (mWindow)
        mWindow->hide();
}

OSStatus CMessageMonitorWindow::HandleEvent(WindowEvent& ioEvent)
{
    switch (ioEvent.kind) {
    case WindowEventKind::commandProcess:
        if (ioEvent.command == 'OPNP') {
            ShowPreferencesWindow();
            return noErr;
        }
        if (ioEvent.command == 'ECSV') {
            ExportRequests();
            return noErr;
        }
        return eventNotHandledErr;
    case WindowEventKind::close: {
        SaveState();
        const QRect content = mWindow->geometry();
        QByteArray bounds(8, '\0');
        const qint16 values[] = {qint16(content.top()), qint16(content.left()), qint16(content.bottom() + 1),
                                 qint16(content.right() + 1)};
        for (int i = 0; i < 4; ++i)
            qToBigEndian<qint16>(values[i], bounds.data() + 2 * i);
        CFPreferenceDomain::Application().SetValue(QString::fromLatin1(kBoundsKey), CFPropertyList(bounds));
        mWindow->hide();
        return noErr;
    }
    case WindowEventKind::shown:
        UpdateStatusText();
        return eventNotHandledErr;
    default:
        return eventNotHandledErr;
    }
}

void CMessageMonitorWindow::ExportRequests()
{
    if (mRequests.empty()) {
        ShowStandardAlert(QStringLiteral("There are no requests to export."), QString());
        return;
    }
    bool replacing = false;
    const std::optional<QString> path =
        Presenter::Get().AskSaveFile(QStringLiteral("Export Requests"), QStringLiteral("Message Monitor Requests.txt"),
                                     &replacing);
    if (!path)
        return;
    QString text;
    for (const MonitorRecord& record : mRequests) // the fetch order, whatever the list shows
        text += ExportLine(record);
    const QByteArray bytes = text.toUtf8();
    const OSErr error = WriteWholeFileAtomically(path->toStdString(), bytes.constData(), size_t(bytes.size()),
                                                 WholeFileMode::ReplaceAsNew);
    if (error != noErr)
        ShowStandardAlert(QStringLiteral("The requests could not be exported."),
                          QStringLiteral("%1 could not be written (error %2).").arg(*path).arg(error));
}
