// FormRequestText: the text work behind form requests, as pure functions of the bytes - the
// parts of an HTTP request (method, target, header values, POST body, authorization), the
// control fields of a form-to-mail post and the name/value pairs of form data or a query.
// Decoding is left to the caller's FormValueDecoder (the program passes its own decoders), so
// this unit keeps to the standard library and the fuzz harness builds it alone.
// Every function takes time in proportion to its input; any thread; nothing is shared.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class FormMethod : long { Get = 0, Post = 1, Other = 2 };

struct FormRequestParts {
    FormMethod method = FormMethod::Other;
    std::string headerBlock;   // the request line and the header lines, without the blank line
    std::string userAgent;
    std::string referer;
    std::string body;          // POST: up to the first line break after the blank line
    std::string target;        // between the first two blanks of the request line
    std::string authorizationScheme;
    std::string credentials;   // as sent (base64 for "Basic")
};

// The request with "\r\n" put in front and one added at its end when missing. Header names
// are matched without regard to case, their values without the blanks after the colon.
FormRequestParts ParseFormRequestText(std::string_view request);

enum class FormDecoding {
    Percent = 0,          // "%XX" escapes (query strings)
    Form = 1,             // "+" as a blank and "%XX" escapes (posted forms)
    FormLineBreaksAsCommas, // as Form, after each "%0D%0A" became ","
    Verbatim                // the bytes as they stand
};

// Turns a raw (still escaped) piece of form data into its value.
using FormValueDecoder = std::string (*)(std::string_view raw, FormDecoding decoding);

// The data split at "&", each piece into the name before its first "=" and the rest; both
// decoded. Empty pieces are skipped; a piece without "=" is a name with an empty value.
std::vector<std::pair<std::string, std::string>> SplitFormFields(std::string_view data, FormDecoding decoding,
                                                                 FormValueDecoder decode);

// The decoded value of each "&" + key + "=" field ("key=" passed as `key`) in the form data,
// in order; the value runs to the next "&".
std::vector<std::string> FormControlValues(std::string_view data, std::string_view key, FormDecoding decoding,
                                           FormValueDecoder decode);

// The items of a comma-separated list field: every occurrence of the key, line-break escapes
// read as commas, split at ",", empty items dropped.
std::vector<std::string> FormControlList(std::string_view data, std::string_view key, FormValueDecoder decode);
