#include "AppleEventHelpers.h"

#include "FileManager.h"
#include "FileMetadata.h"

#include <cstring>

OSErr MoreFEUpdateItemFSRef(const FSRef* item)
{
    return item ? noErr : paramErr;
}

OSErr MoreProcFindProcessBySignature(OSType, OSType, ProcessSerialNumber* psn)
{
    return psn ? OSErr(procNotFound) : OSErr(paramErr);
}

OSErr MoreFEGetComment(const FSRef* item, Str255 comment, AEIdleUPP)
{
    if (!item || !comment)
        return paramErr;
    std::string text;
    if (OSErr err = FSGetComment(*item, &text))
        return err;
    if (text.size() > 255)
        return errAECoercionFail;
    comment[0] = static_cast<unsigned char>(text.size());
    std::memcpy(comment + 1, text.data(), text.size());
    return noErr;
}

OSErr MoreFEGetCommentCFString(const FSRef* item, QString* comment, AEIdleUPP)
{
    if (!item || !comment)
        return paramErr;
    std::string text;
    if (OSErr err = FSGetComment(*item, &text))
        return err;
    *comment = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return noErr;
}

OSErr MoreFESetComment(const FSRef* item, ConstStr255Param comment, AEIdleUPP)
{
    if (!item || !comment)
        return paramErr;
    return FSSetComment(*item, std::string(reinterpret_cast<const char*>(comment + 1), comment[0]));
}

OSErr MoreFESetCommentCFString(const FSRef* item, const QString& comment, AEIdleUPP)
{
    if (!item)
        return paramErr;
    return FSSetComment(*item, comment.toStdString());
}
