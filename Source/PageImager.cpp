#include "PageImager.h"

#include "Attachment.h"
#include "CFBundle.h"
#include "Message.h"
#include "ProcessRunner.h"
#include "WorkingFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

// The imager gives up after 110 s; a little more lets it end by itself.
constexpr std::chrono::milliseconds kDefaultDeadline{120000};

QString& ProgramOverride()
{
    static QString program;
    return program;
}

std::chrono::milliseconds& Deadline()
{
    static std::chrono::milliseconds deadline = kDefaultDeadline;
    return deadline;
}

} // namespace

QString PageImager::ProgramPath()
{
    if (!ProgramOverride().isEmpty()) {
        const QFileInfo program(ProgramOverride());
        return program.isFile() && program.isExecutable() ? program.filePath() : QString();
    }
    return CFBundle::Main().AuxiliaryExecutablePath(QStringLiteral("pictavor"));
}

void PageImager::SetProgramForTests(const QString& inPath) { ProgramOverride() = inPath; }

void PageImager::SetDeadlineForTests(std::chrono::milliseconds inDeadline)
{
    Deadline() = inDeadline.count() > 0 ? inDeadline : kDefaultDeadline;
}

QString PageImager::LocationArgument(const QString& inLocation)
{
    if (inLocation.startsWith(QLatin1Char('/')))
        return QString::fromLatin1(QUrl::fromLocalFile(inLocation).toEncoded(QUrl::FullyEncoded));
    return inLocation;
}

bool PageImager::MakeImage(const QString& inLocation)
{
    const QString image = ImagePath();
    if (image.isEmpty())
        return false;
    QFile::remove(image);
    ProcessRunner::Run(ProgramPath(), {LocationArgument(inLocation), QStringLiteral("jpg"), QStringLiteral("3")},
                       Deadline());
    return QFile::exists(image);
}

QString PageImager::ImagePath()
{
    std::string root;
    if (!GetTemporaryRoot(&root))
        return QString();
    return QString::fromStdString(root) + QStringLiteral("/load-url-1963.jpg");
}

bool PageImager::AddImagePart(Message& ioMessage)
{
    const QString path = ImagePath();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    attachment part;
    MakeAttachmentFromData(part, file.readAll(), "image.jpg", "image/jpeg");
    ioMessage.attachments.Append(part);
    return true;
}
