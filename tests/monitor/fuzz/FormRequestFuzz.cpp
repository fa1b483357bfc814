// libFuzzer target over the form request text: the request parser, the field splitter and the
// control-field readers, with the monitor protocol's percent decoder in place of the program's.
// The checks: a target never holds a blank or a line break, body and header values no line
// break, the fields come from the pieces between "&" (never more pieces, never more bytes), list
// items are non-empty, comma-free and trimmed.
#include "FormRequestText.h"
#include "MonitorProtocol.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The program's decoders need Qt; the monitor's byte decoder does the same work on bytes.
std::string Decode(std::string_view raw, FormDecoding decoding)
{
    std::string text(raw);
    if (decoding == FormDecoding::Verbatim)
        return text;
    if (decoding != FormDecoding::Percent)
        std::replace(text.begin(), text.end(), '+', ' ');
    return PercentDecodedBytes(text);
}

bool HasLineBreak(const std::string& text)
{
    return text.find("\r\n") != std::string::npos;
}

constexpr const char* kKeys[] = {"Brevanto_mailTo=", "Brevanto_subject=", "Brevanto_requiredItems=", "a="};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view key = kKeys[data[0] % std::size(kKeys)];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const FormRequestParts parts = ParseFormRequestText(bytes);
    Check(parts.target.find(' ') == std::string::npos && !HasLineBreak(parts.target));
    Check(!HasLineBreak(parts.body) && !HasLineBreak(parts.referer) && !HasLineBreak(parts.userAgent));
    Check(parts.authorizationScheme.find(' ') == std::string::npos);
    Check(parts.headerBlock.size() <= bytes.size());
    Check(parts.method != FormMethod::Post || parts.body.size() <= bytes.size());

    std::size_t pieces = 1, bytesInFields = 0;
    for (char c : bytes)
        pieces += c == '&';
    const auto fields = SplitFormFields(bytes, FormDecoding::Verbatim, Decode);
    Check(fields.size() <= pieces);
    for (const auto& [name, value] : fields) {
        Check(name.find('&') == std::string::npos && name.find('=') == std::string::npos);
        Check(value.find('&') == std::string::npos);
        bytesInFields += name.size() + value.size();
    }
    Check(bytesInFields <= bytes.size());
    SplitFormFields(bytes, FormDecoding::Form, Decode);

    for (const std::string& value : FormControlValues(bytes, key, FormDecoding::Percent, Decode))
        Check(value.size() <= bytes.size());
    for (const std::string& item : FormControlList(bytes, key, Decode)) {
        Check(!item.empty() && item.find(',') == std::string::npos);
        Check(item.front() != ' ' && item.back() != ' ' && item.front() != '\t' && item.back() != '\t');
    }
    return 0;
}
