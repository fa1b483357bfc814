#include "TextFiles.h"

#include "FSRef.h"
#include "FileMetadata.h"

#include <QMimeDatabase>

bool IsTextFile(const QString& inPath)
{
    QString type = QMimeDatabase().mimeTypeForFile(inPath, QMimeDatabase::MatchExtension).name();
    if (type == QLatin1String("application/octet-stream")) {
        OSType fileType = 0;
        OSType creator = 0;
        if (FSGetTypeCreator(FSRef{inPath.toStdString()}, &fileType, &creator) == noErr && fileType == 'TEXT')
            type = QStringLiteral("text/plain");
    }
    return type.startsWith(QLatin1String("text/"), Qt::CaseInsensitive) ||
           type.startsWith(QLatin1String("message/"), Qt::CaseInsensitive);
}
