// The exporter's output device: a pass-through to the temporary file of a QSaveFile that
// remembers any write or seek that did not go through in full. The encoders (Qt's among them)
// do not all report a failed write, and a short write to a file does not always set the file's
// error; the exporter commits the file only when this device saw no failure.
// The file is opened unbuffered by the caller, so every write reaches the system at once.
// One thread at a time (the exporter's).
#pragma once

#include <QFileDevice>
#include <QIODevice>
#include <QString>

class CheckedFileOutput : public QIODevice {
public:
    explicit CheckedFileOutput(QFileDevice& file) : fFile(file) {}

    bool Failed() const { return fFailed; }
    QString FailureText() const { return fFailureText; }

    bool isSequential() const override { return false; }
    bool seek(qint64 position) override;
    qint64 size() const override { return fFile.size(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 count) override;

private:
    void Fail();

    QFileDevice& fFile;
    bool fFailed = false;
    QString fFailureText;
};
