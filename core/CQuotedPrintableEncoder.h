// CQuotedPrintableEncoder: turns a UTF-8 text into quoted-printable text (RFC 2045) in ISO-8859-1.
//
// The text is first converted to ISO-8859-1: every character ISO-8859-1 lacks, and every byte
// that is not valid UTF-8, becomes "?", and the conversion goes on (nothing is dropped). Encoding
// then writes printable ASCII other than "=" as it is, "=" and every other byte as "=XX", and
// keeps output lines at most 76 characters with soft breaks ("=" LF). LF, CR LF and a lone CR
// are line breaks, all written as LF; a space or tab is never left last before a line end (a soft
// break follows it). Output line ends are LF: a sender turns them into CR LF on the wire.
//
// One object encodes one text, on one thread; nothing fails.
#pragma once

#include "MacTypes.h"

#include <string>

class CQuotedPrintableEncoder {
public:
    static constexpr SInt32 kSoftBreakColumn = 74;  // a plain character past this column breaks first
    static constexpr SInt32 kEscapeColumn = 73;     // an escape or blank from this column breaks first

    explicit CQuotedPrintableEncoder(const char* text);

    // Printable ASCII 33-126 except "=" (bytes from 0x80 are not plain).
    static bool IsPlainChar(char c);

    // Encodes the whole converted input into the output (from the start).
    void Encode();

    // A NewPtr copy of the output with a NUL after it (the caller disposes of it with
    // DisposePtr), or null when the output is empty.
    Ptr CopyResult() const;

    const std::string& Input() const { return mInput; }
    const std::string& Output() const { return mOutput; }

private:
    void EncodeChar(char c);
    void SoftBreak();
    bool AtLineBreak(UInt32 index) const;
    UInt32 LineBreakLength(UInt32 index) const;

    UInt32 mPosition = 0;
    SInt32 mColumn = 0;
    std::string mInput;
    std::string mOutput;
};
