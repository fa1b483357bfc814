// HTMLRewriting: the small operations on an HTML message body that preparing a mailing's source
// needs: the link-attribute markers relinking scans for, the resolution of one reference against
// the page's address, the content type a page declares in its head, the relinking and base
// steps themselves, and the turning of a local page's images into content-ID references.
//
// Every operation works on the bytes (a page need not be UTF-8) and holds URLs and references
// whole, however long. Matching of tags and markers ignores ASCII case only.
// GUI thread or a cooperative thread; RelinkDocument yields now and then on a cooperative thread.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// An opening and a closing marker around a link value, as `option value="` and `"`.
struct CDelimiterPair {
    const char* opening;
    const char* closing;
};

// Empties the list and fills it with the link-attribute markers, in scanning order.
void BuildLinkDelimiterList(std::vector<CDelimiterPair>& outList);

// True when the reference begins with a scheme: a letter, then letters, digits, "+", "-" or
// ".", then ":" ("data:", "javascript:", "cid:", "http:").
bool BeginsWithScheme(std::string_view inReference);

// The absolute form of a reference found in a page at `inBase`. `inScheme` is the base's CURL
// scheme code, giving the prefix of "//" references ("http:", "ftp:", "https:", else none).
// References with a scheme are absolute and come back unchanged; only leading "../" climb.
std::string ResolveRelativeURL(const std::string& inBase, SInt32 inScheme, const std::string& inToken);

// The content type a page declares in its head (<meta http-equiv="content-type" content="...">),
// as written but with control characters made blanks (it becomes a header); when there is none,
// ioContentType stays as it was.
void ReadContentTypeMeta(const CText& inText, CString256& ioContentType);

// Every relative link of the page (quoted values, link-like tokens and the values of the link
// attributes) replaced by its absolute form against `inBase`; fragments, "mailto:" and
// references with a scheme stay. Unquoted src values are quoted first.
void RelinkDocument(CText& ioText, const std::string& inBase);

// Base mode: a head without a base element gets <base href="inBase"> as its first line; a page
// that has a base element is left alone; false (and nothing done) when the page has no head.
bool InsertBaseElement(CText& ioText, const std::string& inBase);

// Image references of a local page turned into content-ID references. Each <img> element's src
// value that, percent-decoded and taken relative to `inPageFolder`, names an existing regular
// file typed image/* becomes "cid:" + the file's name percent-encoded; the file is appended to
// outFiles once (absolute paths, in document order). Any other source stays as written: empty,
// with a scheme, absolute, missing, not an image, or a file name another file already took.
void RewriteImagesAsCid(CText& ioText, const QString& inPageFolder, std::vector<QString>& outFiles);
