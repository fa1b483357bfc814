// Header forms: the texts that go into a message's header lines from data the user or a
// recipient list supplied. One place decides how a display name and an address become a
// header address, how a subject becomes encoded words, and how any other value is kept from
// starting a header line of its own.
//
// Rules:
//   - No form ever holds a CR, LF or other control character: controls become blanks (names,
//     subjects, plain values) or are dropped (addresses).
//   - A display name of plain printable ASCII stands as it is; with a special ( ) < > [ ] : ; @
//     \ , . or " it becomes a quoted string (with \" and \\); with any other byte, or with
//     "=?", it becomes RFC 2047 UTF-8 "B" words of at most 75 characters that never split a
//     character. A name longer than kMaxNameBytes is cut on a character boundary first.
//   - Under a length limit the name is shortened, character by character, never the address;
//     when even the bare address is longer, the bare address is the form.
//   - An address is never repaired: one holding a control (CR, LF, NUL, TAB), a blank or one of
//     < > , ; " inside it is refused (its form is ""), so nothing is joined into another
//     address. Blanks, CR and LF around it are trimmed.
//   - Typed address lists (Cc, Bcc, Reply-To, Return-Path as the user wrote them) are split at
//     commas outside quotes and angle brackets; each piece holding "@" is "Name <address>",
//     "\"Name\" <address>", "<address>" or the bare address, and gets the same form as To.
//   - Subjects are cut into pieces of at most 32 bytes on character boundaries, each one
//     "=?UTF-8?B?…?=", joined by CR LF TAB so the header folds.
// Stateless; any thread.
#pragma once

#include "CText.h"

#include <QString>

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

class CDeliveryWindow;
struct Message;

constexpr size_t kMaxNameBytes = 128;
constexpr size_t kSubjectPieceBytes = 32;
constexpr size_t kNoHeaderLimit = std::numeric_limits<size_t>::max();

// "Name <address>" for a header, or the bare address when there is no name; "" when the
// address is empty. See the rules above.
std::string MakeAddressHeaderForm(const QString& name, const QString& address, size_t limit = kNoHeaderLimit);
// The same text for people to read: the name unencoded (controls as blanks), never for a header.
std::string MakeAddressDisplayForm(const QString& name, const QString& address);
// The address trimmed of blanks, CR and LF around it; "" when it holds a control, a blank or
// one of < > , ; " (see the rules above).
std::string CleanAddress(const QString& address);
// The header forms of a typed list, in order; pieces without "@" are left out. False, with the
// piece in `bad`, when a piece holds an address that is refused.
bool MakeTypedAddressForms(const CText& list, std::vector<std::string>& forms, std::string& bad);
// Every control character (CR and LF among them) a blank.
std::string HeaderSafeText(const char* text, size_t length);
inline std::string HeaderSafeText(const CText& text) { return HeaderSafeText(text.buffer, size_t(text.length)); }
// The Content-ID (without its angle brackets) of a part named `fileName`: the name itself
// with controls, "<", ">" and every byte outside ASCII percent-encoded (%XX of the UTF-8), so
// the header stays ASCII (RFC 2392). A "cid:" reference to the part must use the same text.
std::string MakeContentIDForm(const std::string& fileName);
// The subject words of UTF-8 text (controls become blanks first); "" for an empty text.
std::string MakeSubjectWords(const char* text, size_t length);

// The Message's subject string with its merge tags expanded for the window's current
// recipient, as subject words into `out` (emptied first; stays empty for a null or empty
// subject).
void EncodeCFString(const Message& message, CDeliveryWindow& window, CText& out);
