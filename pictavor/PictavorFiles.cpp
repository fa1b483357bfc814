#include "PictavorFiles.h"

#include "FileManager.h"
#include "AppleEventHelpers.h"
#include "StringExtensions.h"

#include <QDateTime>

namespace pictavor {

bool FSObjectExists(const FSRef& folder, const QString& name, FSRef* ref)
{
    FSRef found;
    const OSErr status = FSMakeFSRefUnicode(folder, name, &found);
    if (status == fnfErr)
        return false;
    if (ref && status == noErr)
        *ref = found;
    return true;
}

QString CurrentDateDescription()
{
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

OSErr FSCreateFile(const FSRef& folder, const QString& name, FSRef* ref, bool replace)
{
    std::string path;
    if (const OSErr status = FSChooseNewFileName(folder, name, &path, replace); status != noErr)
        return status;
    FSRef made;
    const OSErr status = FSCreateFileUnicode(folder, path.substr(path.rfind('/') + 1), &made);
    if (status == noErr && ref)
        *ref = made;
    return status;
}

OSErr FSChooseNewFileName(const FSRef& folder, const QString& name, std::string* path, bool replace)
{
    QString itemName = name;
    FSRef existing;
    const OSErr lookup = FSMakeFSRefUnicode(folder, itemName, &existing);
    if (lookup != fnfErr) {
        if (replace) {
            // A name that cannot be looked up cannot be replaced either.
            if (lookup != noErr)
                return lookup;
            if (const OSErr status = FSDeleteObject(existing); status != noErr)
                return status;
        } else if (const qsizetype dot = itemName.lastIndexOf('.'); dot >= 0) {
            itemName.insert(dot, QStringLiteral(" [") + pictavor::CleanForFilename(CurrentDateDescription()) + QStringLiteral("]"));
        }
    }
    FSRef taken;
    const OSErr lookupChosen = FSMakeFSRefUnicode(folder, itemName, &taken);
    if (lookupChosen == noErr)
        return dupFNErr;
    if (lookupChosen != fnfErr)
        return lookupChosen;
    *path = folder.path + "/" + itemName.toStdString();
    return noErr;
}

QString GetObjectDisplayName(const FSRef& ref)
{
    std::string name;
    if (FSGetName(ref, &name) != noErr)
        return {};
    return QString::fromStdString(name);
}

OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec)
{
    return FSGetFSSpec(ref, spec);
}

std::u16string GetUnicodeString(const QString& text)
{
    return text.toStdU16String();
}

OSErr FSSetComment(const FSRef& ref, const QString& comment)
{
    return MoreFESetCommentCFString(&ref, comment, MyAEIdleProc);
}

bool MyAEIdleProc(void*, long* sleepTime, void* mouseRegion)
{
    if (sleepTime)
        *sleepTime = 10;
    (void)mouseRegion;
    return false;
}

} // namespace pictavor
