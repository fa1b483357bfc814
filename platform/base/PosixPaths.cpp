#include "PosixPaths.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace

std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

std::string NormalizePOSIXPath(std::string_view path)
{
    if (path.empty())
        return {};
    std::string absolute = path.front() == '/' ? std::string(path)
                                               : JoinPath(CurrentFolder(), path);
    std::string tidy;
    size_t start = 0;
    while (start <= absolute.size()) {
        size_t end = absolute.find('/', start);
        if (end == std::string::npos)
            end = absolute.size();
        const std::string_view part(absolute.data() + start, end - start);
        if (!part.empty() && part != ".") {
            tidy += '/';
            tidy += part;
        }
        start = end + 1;
    }
    return tidy.empty() ? std::string("/") : tidy;
}
