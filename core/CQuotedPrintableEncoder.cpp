#include "CQuotedPrintableEncoder.h"

#include "MemoryBlocks.h"
#include "TextHelpers.h"

#include <cstring>

namespace {

// ISO-8859-1 bytes of a UTF-8 text; "?" for every character above U+00FF and every invalid byte.
std::string ToLatin1(const char* text)
{
    std::string out;
    if (text == nullptr)
        return out;
    const size_t length = std::strlen(text);
    out.reserve(length);
    size_t index = 0;
    while (index < length) {
        const size_t width = Utf8SequenceLength(text + index, length - index);
        if (width == 0) {
            out.push_back('?');
            ++index;
            continue;
        }
        char32_t character;
        ReadCharacter(text + index, length - index, character);
        out.push_back(character <= 0xFF ? char(character) : '?');
        index += width;
    }
    return out;
}

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

CQuotedPrintableEncoder::CQuotedPrintableEncoder(const char* text)
    : mInput(ToLatin1(text))
{
}

bool CQuotedPrintableEncoder::IsPlainChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 33 && byte <= 126 && byte != '=';
}

UInt32 CQuotedPrintableEncoder::LineBreakLength(UInt32 index) const
{
    if (index >= mInput.size())
        return 0;
    if (mInput[index] == '\n')
        return 1;
    if (mInput[index] != '\r')
        return 0;
    return (index + 1 < mInput.size() && mInput[index + 1] == '\n') ? 2 : 1;
}

bool CQuotedPrintableEncoder::AtLineBreak(UInt32 index) const
{
    return index >= mInput.size() || LineBreakLength(index) > 0;
}

void CQuotedPrintableEncoder::SoftBreak()
{
    mOutput.append("=\n");
    mColumn = 0;
}

void CQuotedPrintableEncoder::Encode()
{
    mPosition = 0;
    mColumn = 0;
    mOutput.clear();
    mOutput.reserve(mInput.size() + mInput.size() / 4);
    while (mPosition < mInput.size()) {
        if (const UInt32 breakLength = LineBreakLength(mPosition)) {
            mOutput.push_back('\n');
            mColumn = 0;
            mPosition += breakLength;
            continue;
        }
        EncodeChar(mInput[mPosition++]);
    }
}

void CQuotedPrintableEncoder::EncodeChar(char c)
{
    const bool plain = IsPlainChar(c);
    if (mColumn > kSoftBreakColumn || (!plain && mColumn >= kEscapeColumn))
        SoftBreak();
    if (plain) {
        mOutput.push_back(c);
        mColumn += 1;
        return;
    }
    if (c == ' ' || c == '\t') {
        mOutput.push_back(c);
        if (AtLineBreak(mPosition))
            SoftBreak();
        else
            mColumn += 1;
        return;
    }
    const auto byte = static_cast<unsigned char>(c);
    mOutput.push_back('=');
    mOutput.push_back(kHexDigits[byte >> 4]);
    mOutput.push_back(kHexDigits[byte & 0x0F]);
    mColumn += 3;
}

Ptr CQuotedPrintableEncoder::CopyResult() const
{
    if (mOutput.empty())
        return nullptr;
    Ptr copy = NewPtr(Size(mOutput.size() + 1));
    if (copy == nullptr)
        return nullptr;
    std::memcpy(copy, mOutput.c_str(), mOutput.size() + 1);
    return copy;
}
