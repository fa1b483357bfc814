// Runs the pictavor program for the end-to-end tests: each run gets a fresh, short TMPDIR of
// its own (so parallel runs never share the fixed output name), holds one of the four browser
// slots, and has its log (standard error), exit status and output folder at hand.
#pragma once

#include "../platform/BrowserSlot.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

// A folder under /tmp with a short name, removed with everything in it at the end.
class ShortTempFolder {
public:
    ShortTempFolder()
    {
        char pattern[] = "/tmp/pv-XXXXXX";
        if (mkdtemp(pattern))
            fPath = QString::fromLatin1(pattern);
    }
    ~ShortTempFolder()
    {
        if (!fPath.isEmpty())
            QDir(fPath).removeRecursively();
    }
    ShortTempFolder(const ShortTempFolder&) = delete;
    ShortTempFolder& operator=(const ShortTempFolder&) = delete;

    const QString& Path() const { return fPath; }

private:
    QString fPath;
};

struct PictavorResult {
    bool finished = false;
    int exitCode = -1;
    QString log;
    qint64 milliseconds = 0;

    bool Logged(const QString& text) const { return log.contains(text); }
};

class PictavorRunner {
public:
    static constexpr int kTimeoutMs = 150000;

    PictavorRunner() = default;

    const QString& TempDir() const { return fTemp.Path(); }
    QString OutputFolder() const { return fTemp.Path() + QStringLiteral("/Brevanto-%1").arg(getuid()); }
    QString OutputFile(const QString& type) const { return OutputFolder() + "/load-url-1963." + type; }
    // Names left in the output folder besides output files (run folders, temporary files).
    QStringList Leftovers() const
    {
        QStringList left = QDir(OutputFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.removeIf([](const QString& name) { return name.startsWith("load-url-1963."); });
        return left;
    }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", fTemp.Path());
        for (auto it = fExtra.begin(); it != fExtra.end(); ++it)
            environment.insert(it.key(), it.value());
        return environment;
    }
    // An environment variable for the runs of this runner.
    void Set(const QString& name, const QString& value) { fExtra.insert(name, value); }

    PictavorResult Run(const QStringList& arguments, const QStringList& prefix = {})
    {
        BrowserSlot slot;
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardInputFile(QProcess::nullDevice());
        if (prefix.isEmpty()) {
            process.start(QStringLiteral(PICTAVOR_EXECUTABLE), arguments);
        } else {
            process.start(prefix.first(), prefix.mid(1) + QStringList { QStringLiteral(PICTAVOR_EXECUTABLE) } + arguments);
        }
        return Finish(process);
    }

    static PictavorResult Finish(QProcess& process)
    {
        PictavorResult result;
        QElapsedTimer clock;
        clock.start();
        if (process.state() == QProcess::Starting && !process.waitForStarted(10000))
            return result;
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(kTimeoutMs)) {
            process.kill();
            process.waitForFinished(5000);
        } else {
            result.finished = process.exitStatus() == QProcess::NormalExit;
            result.exitCode = process.exitCode();
        }
        result.milliseconds = clock.elapsed();
        result.log = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    // Starts the run without waiting; Poll finishes it. False while no browser slot is free.
    bool TryStart(const QStringList& arguments)
    {
        fSlot = std::make_unique<BrowserSlot>(true);
        if (!fSlot->Held()) {
            fSlot.reset();
            return false;
        }
        fProcess = std::make_unique<QProcess>();
        fProcess->setProcessEnvironment(Environment());
        fProcess->setStandardInputFile(QProcess::nullDevice());
        fProcess->start(QStringLiteral(PICTAVOR_EXECUTABLE), arguments);
        return true;
    }
    // True once a started run has finished (its result is then in `result`).
    bool Poll(PictavorResult* result)
    {
        if (!fProcess)
            return false;
        fProcess->waitForFinished(0);   // reads what is waiting and notices an exit
        if (fProcess->state() != QProcess::NotRunning)
            return false;
        *result = Finish(*fProcess);
        fProcess.reset();
        fSlot.reset();
        return true;
    }

private:
    ShortTempFolder fTemp;
    std::unique_ptr<BrowserSlot> fSlot;
    std::unique_ptr<QProcess> fProcess;
    QMap<QString, QString> fExtra;
};

// Runs each runner's arguments at once, as browser slots allow; the results in the same order.
// A run waits for a slot only while it holds none, so tests never block one another.
inline std::vector<PictavorResult> RunConcurrently(std::vector<PictavorRunner*> runners, const std::vector<QStringList>& arguments)
{
    std::vector<PictavorResult> results(runners.size());
    std::vector<int> state(runners.size(), 0);  // 0 waiting, 1 running, 2 done
    size_t done = 0;
    QElapsedTimer clock;
    clock.start();
    while (done < runners.size() && clock.elapsed() < 4 * PictavorRunner::kTimeoutMs) {
        for (size_t i = 0; i < runners.size(); ++i) {
            if (state[i] == 0 && runners[i]->TryStart(arguments[i]))
                state[i] = 1;
            if (state[i] == 1) {
                if (runners[i]->Poll(&results[i])) {
                    state[i] = 2;
                    ++done;
                }
            }
        }
        QThread::msleep(100);
    }
    return results;
}
