// PosixPaths: the textual form of POSIX paths the file layer works with. Pure text work, apart
// from the working folder a relative path is made absolute against. Any thread.
#pragma once

#include <string>
#include <string_view>

// The path made absolute (against the working folder) and tidied: "//" and "/./" collapse,
// a trailing "/" goes. ".." stays for the system to resolve. Empty stays empty.
std::string NormalizePOSIXPath(std::string_view path);

// `name` inside `folder`, with exactly one "/" between them.
std::string JoinPath(const std::string& folder, std::string_view name);
