// pictavor URL TYPE QUALITY: renders the page at URL off-screen and writes it as
// "load-url-1963.TYPE" into the user's private temporary folder, with the URL as the file's
// comment. Progress and failures go to the log; the exit status is always 0 (the caller looks
// for the file).
#include "PictavorLog.h"
#include "TerminationSignals.h"
#include "WebViewController.h"

#include <QCoreApplication>
#include <QStringList>

#include <exception>

namespace {

// "\n\n argc = N \n argv[0] = ... \n" with only the arguments that exist.
QString ArgumentBlock(int argc, char** argv)
{
    QString block = QStringLiteral("\n\n argc = %1 ").arg(argc);
    for (int i = 0; i < argc && i < 4; ++i)
        block += QStringLiteral("\n argv[%1] = %2 ").arg(i).arg(QString::fromUtf8(argv[i]));
    block.chop(1);
    return block + QStringLiteral("\n\n");
}

int Run(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc && i < 4; ++i)
        arguments << QString::fromUtf8(argv[i]);
    int appArgc = 1;
    QCoreApplication application(appArgc, argv);
    pictavor::LogEntry(ArgumentBlock(argc, argv));
    if (arguments.size() < 3) {
        pictavor::LogEntry(QStringLiteral("usage: pictavor URL TYPE QUALITY"));
        return 0;
    }
    pictavor::WebViewController controller;
    pictavor::TerminationSignals stopSignals(controller);
    controller.PictavorWithParams(arguments);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Run(argc, argv);
    } catch (const std::exception& error) {
        pictavor::LogEntry(QStringLiteral("Stopped by an error: %1").arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        pictavor::LogEntry(QStringLiteral("Stopped by an error"));
    }
    return 0;
}
