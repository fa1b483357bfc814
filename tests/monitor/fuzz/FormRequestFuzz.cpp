// libFuzzer target over the form request text: the request parser, the field splitter and the
// control-field readers, with a plain percent decoder in place of the program's. The checks: a
// target never holds a blank or a line break, body and header values no line break, the fields
// come from the pieces between "&" (never more pieces, never more bytes), list items are
// non-empty, comma-free and trimmed.
#include "FormRequestText.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Decode(std::string_view raw, FormDecoding decoding)
{
    if (decoding == FormDecoding::Verbatim)
        return std::string(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '+' && decoding != FormDecoding::Percent) {
            out += ' ';
        } else if (raw[i] == '%' && i + 2 < raw.size() && HexValue(raw[i + 1]) >= 0 && HexValue(raw[i + 2]) >= 0) {
            out += char(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
            i += 2;
        } else {
            out += raw[i];
        }
    }
    return out;
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
