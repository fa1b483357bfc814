// The spell-checking module over Enchant-2 (Hunspell dictionaries first). One broker and a
// default dictionary for the life of the module: the locale's ll_CC, else en_US, else the first
// one Enchant lists. Other languages are asked for once and kept (an unknown one is the
// default). Words are found by Unicode word boundaries; a segment without a letter is no word.
// Ignored words are kept per document tag in the order added. GUI thread only.
#include "SpellCheckModule.h"

#include <enchant.h>

#include <QList>
#include <QString>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#define SPELL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Checker {
    EnchantBroker* broker = nullptr;
    EnchantDict* defaultDictionary = nullptr;
    std::map<std::string, EnchantDict*> dictionaries; // by language; null: unknown, use the default
    std::map<int32_t, std::vector<std::string>> ignored;
    int32_t lastTag = 0;
};

Checker gChecker;

std::string LocaleLanguage()
{
    const char* locale = std::setlocale(LC_MESSAGES, nullptr);
    std::string name = locale ? locale : "";
    name = name.substr(0, name.find_first_of(".@"));
    const size_t bar = name.find('_');
    if (bar < 2 || bar > 3 || name.size() != bar + 3)
        return {};
    return name;
}

void AddFirstListed(const char* inTag, const char*, const char*, const char*, void* ioData)
{
    auto* first = static_cast<std::string*>(ioData);
    if (first->empty())
        *first = inTag;
}

EnchantDict* RequestDefault(EnchantBroker* inBroker)
{
    std::vector<std::string> candidates;
    if (const std::string locale = LocaleLanguage(); !locale.empty())
        candidates.push_back(locale);
    candidates.emplace_back("en_US");
    std::string first;
    enchant_broker_list_dicts(inBroker, AddFirstListed, &first);
    if (!first.empty())
        candidates.push_back(first);
    for (const std::string& language : candidates) {
        if (enchant_broker_dict_exists(inBroker, language.c_str()))
            return enchant_broker_request_dict(inBroker, language.c_str());
    }
    return nullptr;
}

EnchantDict* DictionaryFor(const QString& inLanguage)
{
    if (inLanguage.isEmpty())
        return gChecker.defaultDictionary;
    const std::string language = inLanguage.toStdString();
    auto found = gChecker.dictionaries.find(language);
    if (found == gChecker.dictionaries.end()) {
        EnchantDict* dictionary = enchant_broker_dict_exists(gChecker.broker, language.c_str())
                                      ? enchant_broker_request_dict(gChecker.broker, language.c_str())
                                      : nullptr;
        found = gChecker.dictionaries.emplace(language, dictionary).first;
    }
    return found->second ? found->second : gChecker.defaultDictionary;
}

QString FromUTF16(const uint16_t* inText, int32_t inLength)
{
    return inText && inLength > 0 ? QString(reinterpret_cast<const QChar*>(inText), inLength) : QString();
}

bool HasLetter(QStringView inSegment)
{
    for (const char32_t c : inSegment.toUcs4()) {
        if (QChar::isLetter(c))
            return true;
    }
    return false;
}

bool IsIgnored(const std::string& inWord, int32_t inTag)
{
    const auto found = gChecker.ignored.find(inTag);
    return found != gChecker.ignored.end() &&
           std::find(found->second.begin(), found->second.end(), inWord) != found->second.end();
}

// The word boundaries of the text last checked: a walk through one text, word after word,
// finds them once instead of once per call.
QTextBoundaryFinder& WordsOf(const QString& inText)
{
    static QString text;
    static QTextBoundaryFinder words;
    if (!words.isValid() || text != inText) {
        text = inText;
        words = QTextBoundaryFinder(QTextBoundaryFinder::Word, text);
    }
    return words;
}

// The first misspelled word starting in [inFrom, inTo); location -1 when none.
SpellRange FirstMisspelled(const QString& inText, int32_t inFrom, int32_t inTo, EnchantDict* inDictionary,
                           int32_t inTag)
{
    QTextBoundaryFinder& words = WordsOf(inText);
    words.setPosition(inFrom);
    if (!words.isAtBoundary())
        words.toNextBoundary();
    for (qsizetype start = words.position(); start >= 0 && start < inTo;) {
        const qsizetype end = words.toNextBoundary();
        if (end < 0)
            break;
        const QStringView word = QStringView(inText).mid(start, end - start);
        if (HasLetter(word)) {
            const std::string bytes = word.toUtf8().toStdString();
            if (!IsIgnored(bytes, inTag) &&
                enchant_dict_check(inDictionary, bytes.c_str(), ssize_t(bytes.size())) > 0)
                return {int32_t(start), int32_t(end - start)};
        }
        start = end;
    }
    return {-1, 0};
}

SpellList MakeList(const std::vector<std::string>& inItems)
{
    SpellList list {nullptr, 0};
    size_t size = 0;
    for (const std::string& item : inItems)
        size += item.size() + 1;
    if (size == 0)
        return list;
    list.items = static_cast<char*>(std::malloc(size));
    if (!list.items)
        return list;
    char* at = list.items;
    for (const std::string& item : inItems) {
        std::memcpy(at, item.c_str(), item.size() + 1);
        at += item.size() + 1;
    }
    list.count = int32_t(inItems.size());
    return list;
}

} // namespace

SPELL_EXPORT int InitializeCocoaSpellChecking(void)
{
    if (gChecker.defaultDictionary)
        return 0;
    gChecker.broker = enchant_broker_init();
    if (!gChecker.broker)
        return 1;
    enchant_broker_set_ordering(gChecker.broker, "*", "hunspell,aspell,myspell");
    gChecker.defaultDictionary = RequestDefault(gChecker.broker);
    if (gChecker.defaultDictionary)
        return 0;
    enchant_broker_free(gChecker.broker);
    gChecker.broker = nullptr;
    return 1;
}

SPELL_EXPORT void TerminateCocoaSpellChecking(void)
{
    if (!gChecker.broker)
        return;
    for (auto& [language, dictionary] : gChecker.dictionaries) {
        if (dictionary)
            enchant_broker_free_dict(gChecker.broker, dictionary);
    }
    if (gChecker.defaultDictionary)
        enchant_broker_free_dict(gChecker.broker, gChecker.defaultDictionary);
    enchant_broker_free(gChecker.broker);
    gChecker = Checker();
}

SPELL_EXPORT SpellRange CheckSpellingOfString(const uint16_t* text, int32_t length, int32_t start,
                                              const uint16_t* language, int32_t languageLength, int32_t wrap,
                                              int32_t tag)
{
    const SpellRange none {0, 0};
    EnchantDict* dictionary = gChecker.broker ? DictionaryFor(FromUTF16(language, languageLength)) : nullptr;
    if (!dictionary || length <= 0)
        return none;
    const QString whole = FromUTF16(text, length);
    const int32_t from = std::clamp(start, 0, length);
    SpellRange found = FirstMisspelled(whole, from, length, dictionary, tag);
    if (found.location < 0 && wrap && from > 0)
        found = FirstMisspelled(whole, 0, from, dictionary, tag);
    return found.location < 0 ? none : found;
}

SPELL_EXPORT void IgnoreWord(const uint16_t* word, int32_t length, int32_t tag)
{
    const std::string bytes = FromUTF16(word, length).toStdString();
    std::vector<std::string>& words = gChecker.ignored[tag];
    if (!bytes.empty() && std::find(words.begin(), words.end(), bytes) == words.end())
        words.push_back(bytes);
}

SPELL_EXPORT SpellList CopyGuessesForWord(const uint16_t* word, int32_t length)
{
    if (!gChecker.defaultDictionary || length <= 0)
        return {nullptr, 0};
    const std::string bytes = FromUTF16(word, length).toStdString();
    size_t count = 0;
    char** suggestions = enchant_dict_suggest(gChecker.defaultDictionary, bytes.c_str(), ssize_t(bytes.size()), &count);
    std::vector<std::string> items;
    for (size_t index = 0; index < count; ++index)
        items.emplace_back(suggestions[index]);
    if (suggestions)
        enchant_dict_free_string_list(gChecker.defaultDictionary, suggestions);
    return MakeList(items);
}

SPELL_EXPORT int32_t GetUniqueSpellDocumentTag(void) { return ++gChecker.lastTag; }

SPELL_EXPORT void SetIgnoredWords(const char* words, int32_t count, int32_t tag)
{
    std::vector<std::string>& list = gChecker.ignored[tag];
    list.clear();
    for (int32_t index = 0; words && index < count; ++index) {
        const std::string item(words);
        words += item.size() + 1;
        if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
            list.push_back(item);
    }
}

SPELL_EXPORT SpellList CopyIgnoredWordsInSpellDocumentWithTag(int32_t tag)
{
    const auto found = gChecker.ignored.find(tag);
    return found == gChecker.ignored.end() ? SpellList {nullptr, 0} : MakeList(found->second);
}

SPELL_EXPORT void CloseSpellDocumentWithTag(int32_t tag) { gChecker.ignored.erase(tag); }
