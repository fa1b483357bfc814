// WebEnvironment: the two things web access takes from the program's environment object, the
// user agent it sends and the extension-to-MIME map it types local files by. The environment
// installs its sources when it is made; until then (and in tests) the user agent is "Brevanto"
// and no extension is mapped. Install sources on the GUI thread before any request starts;
// reading is then safe from any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class WebEnvironment {
public:
    using UserAgentSource = std::function<std::string()>;
    // Takes the lower-case extension with its dot (".pdf").
    using MIMESource = std::function<std::optional<std::string>(std::string_view)>;

    static std::string UserAgent();
    static std::optional<std::string> MIMETypeForExtension(std::string_view dottedLowerExtension);

    // An empty source restores the default.
    static void SetUserAgentSource(UserAgentSource source);
    static void SetMIMESource(MIMESource source);
};
