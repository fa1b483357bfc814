// libFuzzer target over the Message Monitor's protocol unit. The first byte chooses how the rest
// is cut into chunks; the checks: the verdict after the chunks equals the verdict over the same
// bytes at once, a complete request's reply is one of the four, the kept text stays within the
// cap, and decoded values are UTF-8 without control characters.
#include "MonitorProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool Clean(const std::string& value)
{
    for (unsigned char c : value)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = std::size_t(data[0] % 64) + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    MonitorLimits limits;
    limits.maxRequestBytes = 2048; // small enough that the fuzzer reaches the cap
    limits.maxHeaderLines = 8;
    MonitorRequest request(limits);
    std::size_t consumed = 0;
    MonitorVerdict verdict = MonitorVerdict::Incomplete;
    while (consumed < bytes.size() && verdict == MonitorVerdict::Incomplete) {
        const std::size_t length = std::min(step, bytes.size() - consumed);
        verdict = request.Append(bytes.substr(consumed, length));
        consumed += length;
    }
    Check(verdict == MonitorRequest::Classify(bytes.substr(0, consumed), limits));
    Check(request.Text().size() <= limits.maxRequestBytes + 1);
    if (verdict == MonitorVerdict::Complete) {
        const MonitorReplies replies("1.0", std::string("J"), std::string("P"));
        Check(replies.ReplyFor(request.Kind()) != nullptr);
        const MonitorHit hit = DecodeMonitorHit(request.Text());
        Check(Clean(hit.name) && Clean(hit.subject) && Clean(hit.mailerID));
    }
    return 0;
}
