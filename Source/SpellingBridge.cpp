#include "SpellingBridge.h"

#include "CFBundle.h"
#include "SpellCheckModule.h"

#include <QDir>

#include <cstdlib>
#include <dlfcn.h>
#include <memory>

namespace {

// The system version this program reports to the module choice (no older system exists here).
constexpr UInt32 kSystemVersion = 0x1060;

// The loaded module and its bound functions; each null when missing.
class CSpellBundle {
public:
    CSpellBundle()
    {
        const QString name = SpellBundleName(kSystemVersion);
        if (name.isEmpty())
            return;
        const QString path = QDir(CFBundle::Main().PrivateFrameworksPath()).filePath(name);
        mHandle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!mHandle)
            return;
        Bind(initialize, "InitializeCocoaSpellChecking");
        Bind(terminate, "TerminateCocoaSpellChecking");
        Bind(check, "CheckSpellingOfString");
        Bind(ignoreWord, "IgnoreWord");
        Bind(copyGuesses, "CopyGuessesForWord");
        Bind(uniqueTag, "GetUniqueSpellDocumentTag");
        Bind(setIgnoredWords, "SetIgnoredWords");
        Bind(copyIgnoredWords, "CopyIgnoredWordsInSpellDocumentWithTag");
        Bind(closeDocument, "CloseSpellDocumentWithTag");
        // A module that cannot start checks nothing: none of it stays bound.
        if (initialize && initialize() != 0)
            Unbind();
    }

    ~CSpellBundle()
    {
        if (terminate)
            terminate();
        Unbind();
        if (mHandle)
            dlclose(mHandle);
    }

    CSpellBundle(const CSpellBundle&) = delete;
    CSpellBundle& operator=(const CSpellBundle&) = delete;

    InitializeSpellCheckingProc initialize = nullptr;
    TerminateSpellCheckingProc terminate = nullptr;
    CheckSpellingOfStringProc check = nullptr;
    IgnoreWordProc ignoreWord = nullptr;
    CopyGuessesForWordProc copyGuesses = nullptr;
    GetUniqueSpellDocumentTagProc uniqueTag = nullptr;
    SetIgnoredWordsProc setIgnoredWords = nullptr;
    CopyIgnoredWordsProc copyIgnoredWords = nullptr;
    CloseSpellDocumentProc closeDocument = nullptr;

private:
    template <class Proc>
    void Bind(Proc& outProc, const char* inName)
    {
        outProc = reinterpret_cast<Proc>(dlsym(mHandle, inName));
    }

    void Unbind()
    {
        initialize = nullptr;
        terminate = nullptr;
        check = nullptr;
        ignoreWord = nullptr;
        copyGuesses = nullptr;
        uniqueTag = nullptr;
        setIgnoredWords = nullptr;
        copyIgnoredWords = nullptr;
        closeDocument = nullptr;
    }

    void* mHandle = nullptr;
};

std::unique_ptr<CSpellBundle>& TheBundle()
{
    static std::unique_ptr<CSpellBundle> bundle;
    return bundle;
}

CSpellBundle& Bundle()
{
    if (!TheBundle())
        TheBundle() = std::make_unique<CSpellBundle>();
    return *TheBundle();
}

const uint16_t* Units(const QString& inText) { return reinterpret_cast<const uint16_t*>(inText.utf16()); }

// Takes over a module's list block.
QStringList ListFrom(SpellList inList)
{
    QStringList items;
    const char* at = inList.items;
    for (int32_t index = 0; at && index < inList.count; ++index) {
        const QByteArray item(at);
        items << QString::fromUtf8(item);
        at += item.size() + 1;
    }
    std::free(inList.items);
    return items;
}

} // namespace

QString SpellBundleName(UInt32 inSystemVersion)
{
    if (inSystemVersion < 0x1020)
        return {};
    if (inSystemVersion < 0x1030)
        return QStringLiteral("SpellCheckJaguar.so");
    return QStringLiteral("SpellCheck.so");
}

Boolean IsSpellCheckingAvailable() { return Bundle().check != nullptr; }

SpellCheckRange SpellCheckString(const QString& inText, SInt32 inStart, const QString& inLanguage, Boolean inWrap,
                                 SInt32 inTag)
{
    const CSpellBundle& bundle = Bundle();
    if (!bundle.check)
        return {};
    const SpellRange range = bundle.check(Units(inText), int32_t(inText.size()), inStart, Units(inLanguage),
                                          int32_t(inLanguage.size()), inWrap ? 1 : 0, inTag);
    return {range.location, range.length};
}

QStringList SpellCopyGuesses(const QString& inWord)
{
    const CSpellBundle& bundle = Bundle();
    return bundle.copyGuesses ? ListFrom(bundle.copyGuesses(Units(inWord), int32_t(inWord.size()))) : QStringList();
}

void SpellIgnoreWord(const QString& inWord, SInt32 inTag)
{
    if (const CSpellBundle& bundle = Bundle(); bundle.ignoreWord)
        bundle.ignoreWord(Units(inWord), int32_t(inWord.size()), inTag);
}

SInt32 SpellGetUniqueDocumentTag()
{
    const CSpellBundle& bundle = Bundle();
    return bundle.uniqueTag ? bundle.uniqueTag() : 0;
}

void SpellSetIgnoredWords(const QStringList& inWords, SInt32 inTag)
{
    const CSpellBundle& bundle = Bundle();
    if (!bundle.setIgnoredWords)
        return;
    QByteArray block;
    for (const QString& word : inWords)
        block += word.toUtf8() + '\0';
    bundle.setIgnoredWords(block.constData(), int32_t(inWords.size()), inTag);
}

QStringList SpellCopyIgnoredWords(SInt32 inTag)
{
    const CSpellBundle& bundle = Bundle();
    return bundle.copyIgnoredWords ? ListFrom(bundle.copyIgnoredWords(inTag)) : QStringList();
}

void SpellCloseDocument(SInt32 inTag)
{
    if (const CSpellBundle& bundle = Bundle(); bundle.closeDocument)
        bundle.closeDocument(inTag);
}

void DisposeSpellBundle() { TheBundle().reset(); }
