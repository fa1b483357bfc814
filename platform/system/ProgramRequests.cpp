#include "ProgramRequests.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace {

QString CodeText(OSType inCode)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar::fromLatin1(char((inCode >> shift) & 0xFF));
    return text;
}

std::optional<OSType> CodeFromText(const QString& inText)
{
    if (inText.size() != 4)
        return std::nullopt;
    OSType code = 0;
    for (QChar c : inText) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return std::nullopt;
        code = (code << 8) | c.unicode();
    }
    return code;
}

bool HasControlCharacter(const QString& inText)
{
    for (QChar c : inText) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

bool IsAcceptablePath(const QString& inPath)
{
    return inPath.startsWith(u'/') && inPath.size() <= ProgramRequests::kMaxTextLength &&
           !inPath.contains(QChar(u'\0'));
}

// A URL the program opens in a window: a scheme of its own (not "file") before the colon.
bool LooksLikeURL(const QString& inArgument)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(inArgument).hasMatch();
}

QString AbsolutePath(const QString& inPath, const QString& inWorkingFolder)
{
    return QDir::cleanPath(QDir(inWorkingFolder).absoluteFilePath(inPath));
}

} // namespace

ProgramRequests::Invocation ProgramRequests::FromArguments(const QStringList& inArguments,
                                                           const QString& inWorkingFolder)
{
    Invocation result;
    QStringList documents;
    std::vector<AppleEvent> others;
    for (qsizetype i = 0; i < inArguments.size(); ++i) {
        const QString& argument = inArguments[i];
        if (argument == QLatin1String("--import")) {
            if (i + 1 >= inArguments.size() || inArguments[i + 1].isEmpty()) {
                result.error = QStringLiteral("--import needs the path of the file to import");
                return result;
            }
            others.push_back(AppleEvent::Make(kImportEventClass, kImportEventID,
                                              {AbsolutePath(inArguments[++i], inWorkingFolder)}));
            continue;
        }
        if (argument.startsWith(QLatin1String("--"))) {
            result.error = QStringLiteral("unknown option %1").arg(argument);
            return result;
        }
        if (argument.isEmpty())
            continue;
        const bool existing = QFileInfo::exists(AbsolutePath(argument, inWorkingFolder));
        if (!existing && LooksLikeURL(argument)) {
            const QUrl url(argument);
            if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0) {
                if (!url.toLocalFile().isEmpty())
                    documents << QDir::cleanPath(url.toLocalFile());
                continue;
            }
            others.push_back(AppleEvent::Make(kInternetEventClass, kAEGetURL, {argument}));
            continue;
        }
        documents << AbsolutePath(argument, inWorkingFolder);
    }
    if (!documents.isEmpty())
        result.events.push_back(AppleEvent::Make(kCoreEventClass, kAEOpenDocuments, documents));
    result.events.insert(result.events.end(), others.begin(), others.end());
    if (result.events.empty())
        result.events.push_back(AppleEvent::Make(kCoreEventClass, kAEOpenApplication));
    return result;
}

std::vector<AppleEvent> ProgramRequests::ForRunningInstance(std::vector<AppleEvent> inEvents)
{
    for (AppleEvent& event : inEvents) {
        if (event.Is(kCoreEventClass, kAEOpenApplication))
            event.eventID = kAEReopenApplication;
    }
    return inEvents;
}

std::optional<AppleEvent> ProgramRequests::Accept(const AppleEvent& inEvent)
{
    if (inEvent.Is(kCoreEventClass, kAEOpenApplication) || inEvent.Is(kCoreEventClass, kAEReopenApplication))
        return AppleEvent::Make(kCoreEventClass, kAEReopenApplication);
    if (inEvent.Is(kCoreEventClass, kAEQuitApplication))
        return AppleEvent::Make(kCoreEventClass, kAEQuitApplication);
    if (inEvent.Is(kCoreEventClass, kAEOpenDocuments)) {
        QStringList paths;
        for (const QString& path : inEvent.directObject) {
            if (IsAcceptablePath(path) && paths.size() < kMaxPathsPerEvent)
                paths << QDir::cleanPath(path);
        }
        if (paths.isEmpty())
            return std::nullopt;
        return AppleEvent::Make(kCoreEventClass, kAEOpenDocuments, paths);
    }
    if (inEvent.directObject.size() != 1)
        return std::nullopt;
    const QString text = inEvent.directObject.front();
    if (inEvent.Is(kInternetEventClass, kAEGetURL)) {
        if (text.isEmpty() || text.size() > kMaxTextLength || HasControlCharacter(text))
            return std::nullopt;
        return inEvent;
    }
    if (inEvent.Is(kImportEventClass, kImportEventID)) {
        if (!IsAcceptablePath(text))
            return std::nullopt;
        return AppleEvent::Make(kImportEventClass, kImportEventID, {QDir::cleanPath(text)});
    }
    return std::nullopt;
}

QByteArray ProgramRequests::Encode(const std::vector<AppleEvent>& inEvents)
{
    QJsonArray events;
    for (const AppleEvent& event : inEvents) {
        QJsonObject object;
        object.insert(QStringLiteral("class"), CodeText(event.eventClass));
        object.insert(QStringLiteral("id"), CodeText(event.eventID));
        object.insert(QStringLiteral("direct"), QJsonArray::fromStringList(event.directObject));
        events.append(object);
    }
    QJsonObject root;
    root.insert(QStringLiteral("events"), events);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<std::vector<AppleEvent>> ProgramRequests::Decode(const QByteArray& inBytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(inBytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue list = document.object().value(QStringLiteral("events"));
    if (!list.isArray() || list.toArray().size() > kMaxEvents)
        return std::nullopt;
    std::vector<AppleEvent> events;
    for (const QJsonValue& value : list.toArray()) {
        const QJsonObject object = value.toObject();
        const auto eventClass = CodeFromText(object.value(QStringLiteral("class")).toString());
        const auto eventID = CodeFromText(object.value(QStringLiteral("id")).toString());
        const QJsonValue direct = object.value(QStringLiteral("direct"));
        if (!eventClass || !eventID || !direct.isArray())
            return std::nullopt;
        AppleEvent event = AppleEvent::Make(*eventClass, *eventID);
        for (const QJsonValue& item : direct.toArray()) {
            if (!item.isString())
                return std::nullopt;
            event.directObject << item.toString();
        }
        events.push_back(std::move(event));
    }
    return events;
}
