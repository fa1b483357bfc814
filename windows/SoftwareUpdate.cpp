#include "SoftwareUpdate.h"

#include "CEnvironment.h"
#include "CFPropertyListReader.h"
#include "CHTTPRequest.h"
#include "HelpLinks.h"
#include "LThread.h"
#include "MemoryBlocks.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "UpdateWindows.h"

#include <QStringList>
#include <QUrl>

#include <atomic>
#include <cstdlib>
#include <limits>

namespace {

constexpr char kProductKey[] = "Brevanto";
constexpr char kListName[] = "ProductVersions.plist";

bool IsWebURL(const QUrl& inURL)
{
    return inURL.isValid() && (inURL.scheme() == QLatin1String("http") || inURL.scheme() == QLatin1String("https")) &&
           !inURL.host().isEmpty();
}

// Leading digits of each dotted part, missing parts 0 ("2.2b1" → 2, 2).
QList<long> VersionParts(const QString& inText)
{
    QList<long> parts;
    for (const QString& piece : inText.split(QLatin1Char('.')))
        parts.append(std::atol(piece.toUtf8().constData()));
    return parts;
}

int CompareParts(const QList<long>& inA, const QList<long>& inB)
{
    for (qsizetype i = 0; i < std::max(inA.size(), inB.size()); ++i) {
        const long a = i < inA.size() ? inA[i] : 0, b = i < inB.size() ? inB[i] : 0;
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

bool IsDottedVersion(const QString& inText)
{
    const QStringList parts = inText.split(QLatin1Char('.'));
    if (parts.size() < 2 || parts.size() > 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || !std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
            return false;
    }
    return true;
}

// Counts what a request receives and lets the waiting check stop one that grows too long.
class ByteCounter : public CHTTPRequestOwner {
public:
    void PostMessage(SInt32 inMessage, const void* inBytes, SInt32 inLength) override
    {
        SInt32 count = 0;
        if (inMessage == CHTTPRequest::kProgressMessage && inLength == sizeof(count)) {
            std::memcpy(&count, inBytes, sizeof(count));
            received += count;
        }
    }
    std::atomic<qint64> received {0};
};

// The body of a GET, or null when it failed, took too long, grew too large or the user closed the
// checking window. Waits in the main context's loop, so threads and timers go on meanwhile.
std::optional<QByteArray> FetchWithin(const QString& inURL, const UpdateCheckLimits& inLimits, LDeadline inDeadline,
                                      const CCheckingForSoftwareWindow* inChecking)
{
    ByteCounter counter;
    CHTTPRequest request(&counter, inLimits.idleSeconds, false);
    CString256 agent;
    if (gEnvironment)
        gEnvironment->GetUserAgent(agent);
    else
        MakeDefaultAgentText("", agent);
    if (request.Get(inURL.toUtf8().constData(), agent.text, nullptr, nullptr) != 0)
        return std::nullopt;
    const bool ended = LThread::WaitUntil(
        [&] {
            return request.IsThreadEnded() || counter.received > inLimits.maximumBytes ||
                   (inChecking && inChecking->CloseRequested());
        },
        inDeadline);
    if (!ended || !request.IsThreadEnded()) {
        request.Cancel(); // the destructor waits for its thread
        return std::nullopt;
    }
    if (!request.Succeeded() || request.GetDataLength() > inLimits.maximumBytes)
        return std::nullopt;
    Ptr data = request.GetData();
    const QByteArray body = data ? QByteArray(data, request.GetDataLength()) : QByteArray();
    DisposePtr(data);
    return body;
}

} // namespace

bool ParseVersionList(CUpdateInfo& ioInfo, const QByteArray& inBytes)
{
    const CFPropertyList list = CFPropertyListReader::Read(inBytes);
    const CFPropertyList product = list.Value(QString::fromLatin1(kProductKey));
    if (!list.IsDictionary() || !product.IsDictionary())
        return false;
    const CFPropertyList version = product.Value(QStringLiteral("CurrentVersion"));
    const CFPropertyList notes = product.Value(QStringLiteral("ReleaseNotesLocation"));
    if (!notes.IsString())
        return false;
    if (version.IsInteger() || version.IsReal()) {
        const double value = version.ToReal();
        if (version.IsReal() && value != double(int64_t(value)))
            return false;
        const int64_t whole = version.IsInteger() ? version.ToInteger() : int64_t(value);
        if (whole < std::numeric_limits<SInt32>::min() || whole > std::numeric_limits<SInt32>::max())
            return false;
        ioInfo.currentVersion = SInt32(whole);
        ioInfo.currentVersionText.clear();
    } else if (version.IsString() && IsDottedVersion(version.ToString())) {
        ioInfo.currentVersionText = version.ToString();
    } else {
        return false;
    }
    ioInfo.releaseNotesLocation = notes.ToString();
    const CFPropertyList download = product.Value(QStringLiteral("DownloadLocation"));
    ioInfo.downloadLocation = download.IsString() ? download.ToString() : QString();
    return true;
}

short CompareWithInstalled(const CUpdateInfo& inInfo, const QString& inInstalled)
{
    if (!inInfo.currentVersionText.isEmpty())
        return CompareParts(VersionParts(inInstalled), VersionParts(inInfo.currentVersionText)) < 0 ? kUpdateAvailable
                                                                                                    : kUpToDate;
    QString digits = inInstalled;
    digits.remove(QLatin1Char('.'));
    const SInt32 installed = SInt32(std::atol(digits.toUtf8().constData()));
    return installed < inInfo.currentVersion ? kUpdateAvailable : kUpToDate;
}

QString VersionListURL()
{
    const auto stored = GetPreference(CString256(kSoftwareUpdateSiteKey));
    QString site = stored ? QString::fromUtf8(stored.get()).trimmed() : QString();
    if (site.isEmpty())
        site = QStringLiteral("https://") + QLatin1String(kHelpHost);
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    const QUrl base(site, QUrl::StrictMode);
    if (!IsWebURL(base) || !base.path().isEmpty() || base.hasQuery() || base.hasFragment() || !base.userInfo().isEmpty())
        return QString();
    return site + QLatin1Char('/') + QLatin1String(kListName);
}

short CheckForUpdate(CUpdateInfo& ioInfo, bool inSilent, const UpdateCheckLimits& inLimits)
{
    const QString url = VersionListURL();
    if (url.isEmpty())
        return kUpdateCheckFailed;
    std::unique_ptr<CCheckingForSoftwareWindow> checking;
    if (!inSilent)
        checking = std::make_unique<CCheckingForSoftwareWindow>();
    const LDeadline deadline = DeadlineAfter(inLimits.deadline);
    const std::optional<QByteArray> body = FetchWithin(url, inLimits, deadline, checking.get());
    if (!body || body->isEmpty() || !ParseVersionList(ioInfo, *body))
        return kUpdateCheckFailed;
    const QString installed = gEnvironment ? QString::fromUtf8(gEnvironment->version.text) : QString();
    const short result = CompareWithInstalled(ioInfo, installed);
    if (result == kUpdateAvailable && IsWebURL(QUrl(ioInfo.releaseNotesLocation))) {
        if (const std::optional<QByteArray> notes = FetchWithin(ioInfo.releaseNotesLocation, inLimits, deadline, checking.get()))
            ioInfo.releaseNotes = QString::fromUtf8(*notes);
    }
    return result;
}

short CheckForUpdates(bool inSilent, const UpdateCheckLimits& inLimits)
{
    static bool sChecking = false; // 'UPDT' during a check does nothing
    if (sChecking)
        return kUpdateCheckFailed;
    sChecking = true;
    auto info = std::make_unique<CUpdateInfo>();
    const short result = CheckForUpdate(*info, inSilent, inLimits);
    sChecking = false;
    if (result == kUpdateAvailable)
        new CUpdateAvailableWindow(std::move(info));
    else if (result == kUpToDate && !inSilent)
        new CUpToDateWindow(std::move(info));
    else if (result == kUpdateCheckFailed && !inSilent)
        new CUpdateCheckFailedWindow(std::move(info));
    return result;
}
