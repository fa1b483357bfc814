// Events from outside the program's windows: documents, web addresses and the people-import
// request; and the quit sequence, which remembers the open documents and stops every thread.
#include "CBrevantoApp.h"

#include "AlertHelpers.h"

#include "CBrevantoWindow.h"
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFileItems.h"
#include "CThread.h"
#include "FileManager.h"
#include "FileUtilities.h"
#include "LExceptionReporter.h"
#include "PathHelpers.h"
#include "PreferenceGetters.h"
#include "TextHelpers.h"
#include "WorkingFolders.h"

#include <QUrl>

#include <vector>

namespace {

constexpr SInt32 kOpenItemsCapacity = 25;
const char kImportNamePrefix[] = "Daylite Import ";

std::vector<CBrevantoWindow*> OpenWindows()
{
    std::vector<CBrevantoWindow*> windows;
    gWindowList.Rewind();
    while (CBrevantoWindow** window = gWindowList.Next())
        windows.push_back(*window);
    return windows;
}

// The value as one field of an import line: the importer splits lines at commas and tabs and
// people at line ends, so none of those may stand inside a value.
QString ImportField(const CFPropertyList& inValue)
{
    QString text = inValue.ToString();
    for (QChar& character : text) {
        if (character == QLatin1Char(',') || character == QLatin1Char('\t') || character == QLatin1Char('\r') ||
            character == QLatin1Char('\n'))
            character = QLatin1Char(' ');
    }
    return text;
}

} // namespace

void CBrevantoApp::HandleAppleEvent(const AppleEvent& inEvent, AppleEvent& outReply, AppleEvent& outResult,
                                    SInt32 inAENumber)
{
    if (inAENumber == ae_GetURL) {
        OpenURLInNewWindow(inEvent);
        return;
    }
    LDocApplication::HandleAppleEvent(inEvent, outReply, outResult, inAENumber);
}

void CBrevantoApp::OpenURLInNewWindow(const AppleEvent& inEvent)
{
    if (!mSetUp)
        SetUpApplication();
    const QString text = inEvent.DirectString();
    if (text.isEmpty())
        return;
    const QString host = QUrl(text, QUrl::TolerantMode).host();
    CBrevantoWindow* window = nullptr;
    LExceptionReporter::CallReporting("new mailing", [&window] { window = new CBrevantoWindow(); });
    if (!window)
        return;
    if (host.isEmpty()) {
        // A mail address or a text without a host gives the window nothing to show: say so
        // rather than leave an empty window unexplained.
        ShowStandardAlert(QStringLiteral("The address \u201C%1\u201D has no web host.").arg(text),
                          QStringLiteral("A new mailing was opened without a web page."));
        return;
    }
    const QString address = ReplacePercentEscapes(host);
    if (!address.isEmpty())
        window->SetWebPageURLText(address);
}

void CBrevantoApp::OpenDocumentFile(const QString& inPath)
{
    if (!mSetUp)
        SetUpApplication();
    OpenDocumentReporting(inPath, false);
}

void CBrevantoApp::OpenDocumentFile(const FSSpec& inFile)
{
    OpenDocumentFile(QString::fromStdString(inFile.Path()));
}

void CBrevantoApp::PerformQuit(SInt32 inSaveOption)
{
    const QStringList documents = OpenDocumentPaths();
    StoreOpenItems(documents);
    LDocApplication::PerformQuit(inSaveOption);
    // Closing windows write their layout into their files, which replaces each file: the list
    // is stored again so that its records name the files as they are now.
    StoreOpenItems(documents);
}

Boolean CBrevantoApp::ConfirmQuitSelf(SInt32)
{
    CThread::StopAllAndWait();
    return true;
}

void CBrevantoApp::SaveOpenItems() { StoreOpenItems(OpenDocumentPaths()); }

// The documents of the open windows in list order; windows never saved are left out.
QStringList CBrevantoApp::OpenDocumentPaths()
{
    QStringList paths;
    for (CBrevantoWindow* window : OpenWindows()) {
        if (!window->GetDocumentPath().isEmpty())
            paths << window->GetDocumentPath();
    }
    return paths;
}

// The list keeps the last file added first and at most 25.
void CBrevantoApp::StoreOpenItems(const QStringList& inPaths)
{
    CFileItems items(QString::fromUtf8(kOpenItemsKey), kOpenItemsCapacity);
    items.mItems.clear();
    for (const QString& path : inPaths) {
        FSRef file;
        if (FSPathMakeRef(path, &file) == noErr)
            items.AddItem(file);
    }
}

void HandleDayliteImportEvent(const AppleEvent& inEvent)
{
    const QString path = inEvent.DirectString();
    if (path.isEmpty())
        return;
    if (gApplication && !gApplication->IsSetUp())
        gApplication->SetUpApplication();
    ReadDayliteImportFile(path);
}

void ReadDayliteImportFile(const QString& inPath)
{
    FSRef file;
    if (FSPathMakeRef(inPath, &file) != noErr)
        return;
    const QByteArray bytes = ReadFileData(file);
    if (bytes.isEmpty())
        return;
    const CFPropertyList people = CFPropertyListReader::Read(bytes);
    if (people.IsArray())
        WriteDayliteImportFile(people);
}

QString DayliteImportLine(const CFPropertyList& inPerson)
{
    const CFPropertyList address = inPerson.Value(QStringLiteral("Email Address"));
    if (!address.IsString() || address.ToString().isEmpty())
        return QString();
    return ImportField(inPerson.Value(QStringLiteral("First Name"))) + QLatin1Char(',') +
           ImportField(inPerson.Value(QStringLiteral("Last Name"))) + QLatin1Char(',') + ImportField(address) +
           QLatin1Char('\n');
}

QString DayliteImportFileName()
{
    QString date = MakeUUIDName(true);
    date.replace(QLatin1Char(':'), QLatin1Char('.'));
    QString name = QString::fromLatin1(kImportNamePrefix);
    if (!date.isEmpty())
        name += QLatin1Char('[') + date + QLatin1Char(']');
    return name + QStringLiteral(".txt");
}

OSErr WriteDayliteImportFile(const CFPropertyList& inPeople)
{
    FSRef folder;
    if (!GetTessarocSupportFolder(&folder))
        return fnfErr;
    FSRef file;
    if (const OSErr error = CreateFileWithTypeCreator(folder, DayliteImportFileName(), 0, 'TEXT', file))
        return error;
    QString text;
    text.reserve(2048);
    for (qsizetype index = 0; index < inPeople.Count(); ++index)
        text += DayliteImportLine(inPeople.At(index));
    const QByteArray bytes = text.toUtf8();
    if (const OSErr error = WriteWholeFile(file, bytes.constData(), size_t(bytes.size())))
        return error;
    if (LDocApplication* application = LDocApplication::GetDocApplication())
        application->SendAEOpenDoc(QString::fromStdString(file.path));
    return noErr;
}
