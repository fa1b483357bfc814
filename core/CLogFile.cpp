#include "CLogFile.h"

#include "DatesAndTimes.h"
#include "DescriptorIO.h"
#include "FileErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string DateTimeText()
{
    char text[CString256::kCapacity] = {};
    CurrentDateTimeText(text, sizeof text);
    return text;
}

// CR LF and a lone CR become LF.
std::string WithLineFeeds(const char* bytes, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != '\r') {
            out.push_back(bytes[i]);
            continue;
        }
        out.push_back('\n');
        if (i + 1 < length && bytes[i + 1] == '\n')
            ++i;
    }
    return out;
}

}  // namespace

CLogFile::CLogFile(const CString256& version, const UInt8& dateStampFlag)
    : mVersion(version)
    , mDateStamp(dateStampFlag)
{
}

CLogFile::~CLogFile()
{
    if (mDescriptor >= 0)
        ::close(mDescriptor);
}

std::string CLogFile::RunLine(const char* event) const
{
    return std::string("Brevanto ") + mVersion.text + " " + event + " at " + DateTimeText() + ".\n";
}

OSErr CLogFile::Open(const char* path)
{
    if (mDescriptor >= 0)
        return noErr;
    if (path == nullptr || *path == 0)
        return paramErr;
    const int descriptor = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return OSErrFromLastErrno();
    mDescriptor = descriptor;
    return WriteBytes(RunLine("up"));
}

OSErr CLogFile::WriteLine(const CText& text)
{
    if (mDescriptor < 0)
        return noErr;
    std::string entry;
    if (mDateStamp)
        entry = "[" + DateTimeText() + "] ";
    if (text.buffer != nullptr)
        entry += WithLineFeeds(text.buffer, size_t(text.length));
    return WriteBytes(entry);
}

OSErr CLogFile::Close()
{
    if (mDescriptor < 0)
        return noErr;
    WriteBytes(RunLine("down"));
    const int result = ::close(mDescriptor);
    mDescriptor = -1;
    return result == 0 ? OSErr(noErr) : OSErrFromLastErrno();
}

OSErr CLogFile::WriteBytes(const std::string& bytes)
{
    return OSErrFromErrno(WriteFully(mDescriptor, bytes.data(), bytes.size()));
}
