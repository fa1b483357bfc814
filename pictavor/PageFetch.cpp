#include "PageFetch.h"

#include "DescriptorIO.h"
#include "HttpClient.h"

#include <QDeadlineTimer>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace pictavor {

namespace {

std::atomic<bool> gStopRequested { false };
bool gLastWasCut = false;

std::optional<QByteArray> ReadLocalFile(const QString& path)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    QByteArray bytes(PageFetch::kMaxBytes, Qt::Uninitialized);
    size_t got = 0;
    ReadFully(fd, bytes.data(), size_t(bytes.size()), &got); // a failure keeps what came
    const qsizetype total = qsizetype(got);
    gLastWasCut = total == PageFetch::kMaxBytes && info.st_size > total;
    close(fd);
    bytes.truncate(total);
    return bytes;
}

std::optional<QByteArray> ReadHttp(const QString& url)
{
    HttpRequestOptions options;
    options.url = url.toStdString();
    options.connectTimeoutSeconds = PageFetch::kDeadlineSeconds;
    options.idleTimeoutSeconds = PageFetch::kDeadlineSeconds;
    const QDeadlineTimer deadline(PageFetch::kDeadlineSeconds * 1000);
    QByteArray body;
    bool cut = false;
    bool outOfTime = false;
    const HttpResult result = HttpClient::Perform(
        options,
        [&](const char* bytes, size_t count) {
            const qsizetype room = PageFetch::kMaxBytes - body.size();
            body.append(bytes, std::min<qsizetype>(room, qsizetype(count)));
            cut = qsizetype(count) > room;
            return !cut;
        },
        [&] {
            outOfTime = deadline.hasExpired();
            return outOfTime || gStopRequested.load();
        });
    if (result.succeeded || (result.cancelled && cut && !outOfTime)) {
        gLastWasCut = cut;
        return body;
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> PageFetch::Fetch(const QString& url)
{
    gLastWasCut = false;
    if (gStopRequested.load())
        return std::nullopt;
    if (HttpClient::IsSupportedURL(url.toStdString()))
        return ReadHttp(url);
    if (url.startsWith(QLatin1StringView("file://"), Qt::CaseInsensitive)) {
        const QUrl parsed(url);
        if (!parsed.isValid() || !parsed.isLocalFile())
            return std::nullopt;
        return ReadLocalFile(parsed.toLocalFile());
    }
    return std::nullopt;
}

bool PageFetch::LastWasCut()
{
    return gLastWasCut;
}

void PageFetch::Stop()
{
    gStopRequested.store(true);
}

} // namespace pictavor
