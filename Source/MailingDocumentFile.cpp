#include "MailingDocumentFile.h"

#include "CFPropertyListReader.h"
#include "WholeFileWrite.h"

#include <string>

bool ReadDocumentDictionary(const QString& inPath, CFPropertyList* outDictionary, QString* outReason)
{
    std::string bytes;
    if (const OSErr error = ReadWholeFileBytes(inPath.toStdString(), &bytes); error != noErr) {
        *outReason = QStringLiteral("The file could not be read (error %1).").arg(error);
        return false;
    }
    QString error;
    CFPropertyList value = CFPropertyListReader::Read(QByteArrayView(bytes.data(), qsizetype(bytes.size())), &error);
    if (!error.isEmpty()) {
        *outReason = error;
        return false;
    }
    if (!value.IsDictionary()) {
        *outReason = QStringLiteral("Its property list holds no dictionary.");
        return false;
    }
    *outDictionary = value;
    return true;
}

bool IsMailingDocumentFile(const QString& inPath)
{
    CFPropertyList dictionary;
    QString reason;
    if (!ReadDocumentDictionary(inPath, &dictionary, &reason))
        return false;
    const CFPropertyList::Dictionary entries = dictionary.ToDictionary();
    const auto version = entries.constFind(QStringLiteral("Version"));
    return version != entries.constEnd() && version->IsString();
}
