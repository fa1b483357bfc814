// attachment: one MIME part made from a file (or from bytes in memory): its transfer encoding
// (0 7bit, 1 BinHex, 2 base64), file name, content type, encoded body and ready-made header
// block (lines ended by CR LF).
//
// A file goes as 7bit only when its bytes are 7-bit, free of NUL, with CR LF lines of at most
// 998 octets; any other file goes as base64 (or BinHex when asked and it has a resource fork).
// File names in the part headers are quoted with \" and \\ escaped, lose their control
// characters, and use the RFC 2231 "name*="/"filename*=" UTF-8 form when they hold non-ASCII
// or "=?"; the Content-ID is the name in its RFC 2392 form (MakeContentIDForm, HeaderForms.h). A type nothing maps is application/octet-stream.
//
// Encode fails (with a text naming the file) when the file cannot be read; the part is then not
// to be sent. A zero-byte file gives an empty body, which is a part like any other.
// One thread at a time per part; the fork hooks are process-wide and meant for tests.
#pragma once

#include "CBinHexEncoder.h"
#include "CText.h"
#include "MacTypes.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct attachment {
    enum : SInt32 { k7Bit = 0, kBinHex = 1, kBase64 = 2 };

    // Resource-fork access for the BinHex branch: the fork's size and the whole-file encoding.
    // The defaults read the file's metadata; tests replace them with a stub fork.
    struct ForkAccess {
        std::function<uint64_t(const char* path)> resourceForkSize;
        std::function<OSErr(const char* path, CBinHexEncoder& encoder)> encodeBinHex;
    };
    static ForkAccess& Forks();
    static void ResetForks();

    // Type and creator from the file-name mapping, else the file's own; the encoding by them.
    void ChooseEncoding(UInt8 useBinHex);
    // Fills the encoded body; on failure the error and a text naming the file.
    OSErr Encode(CText& errorText);
    // Content type by the encoding, the extension table, type and creator, 'TEXT', the type
    // already set, else "application/octet-stream".
    void AdjustContentType();
    // Header block: disposition 1 inline, any other value attachment.
    void WriteHeaders(SInt32 disposition);
    // Header block of an embedded part with its Content-ID.
    void WriteContentIDHeaders();

    // True when `data` may go as 7bit (see the top).
    static bool Is7BitData(const QByteArray& data);

    CText path;
    SInt32 transferEncoding = k7Bit;
    CText fileName;
    CText contentType;
    // The encoded body in CR LF lines, as it goes out; null until encoded. Read and encoded once:
    // every copy of the part (each recipient's Message and mail message) shares these bytes.
    std::shared_ptr<const std::string> encodedBody;
    CText headerBlock;
    OSType fileType = 0;
    OSType fileCreator = 0;

private:
    void AppendEncodingLine();
    void AppendParameterLine(const char* name);
};

// A base64 inline part from bytes in memory (the page image); an empty encoding leaves every
// text of the part empty, so it is not sent.
void MakeAttachmentFromData(attachment& part, const QByteArray& data, const char* fileName, const char* contentType);
