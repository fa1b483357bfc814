#include "LExceptionReporter.h"

#include "LException.h"

#include <cstdio>
#include <exception>
#include <mutex>

namespace {
std::mutex sReporterLock;
LExceptionReporter::Reporter sReporter;

void ReportToStderr(const std::string& inWhere, const std::string& inWhat)
{
    std::fprintf(stderr, "Brevanto: exception in %s: %s\n", inWhere.c_str(), inWhat.c_str());
    std::fflush(stderr);
}

std::string DescribeCurrent()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}
} // namespace

LExceptionReporter::Reporter LExceptionReporter::Set(Reporter inReporter)
{
    std::lock_guard lock(sReporterLock);
    Reporter previous = std::move(sReporter);
    sReporter = std::move(inReporter);
    return previous;
}

void LExceptionReporter::ReportCurrent(const std::string& inWhere)
{
    const std::string what = DescribeCurrent();
    std::lock_guard lock(sReporterLock);
    if (!sReporter) {
        ReportToStderr(inWhere, what);
        return;
    }
    try {
        sReporter(inWhere, what);
    } catch (...) {
        ReportToStderr(inWhere, what);
    }
}
