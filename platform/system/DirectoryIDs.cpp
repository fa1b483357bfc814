#include "DirectoryIDs.h"

#include "FileManager.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<std::string, int32_t> byPath {{"/", DirectoryIDs::kRootDirID}};
    std::vector<std::string> byID {"", "", "/"}; // index = number; 0 and 1 name no path
};

Table& TheTable()
{
    static Table table;
    return table;
}

} // namespace

int32_t DirectoryIDs::IDForPath(const std::string& absolutePath)
{
    const std::string tidy = NormalizePOSIXPath(absolutePath);
    const std::string path = tidy.empty() ? std::string(1, '/') : tidy;
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    const auto found = table.byPath.find(path);
    if (found != table.byPath.end())
        return found->second;
    const auto id = int32_t(table.byID.size());
    table.byID.push_back(path);
    table.byPath.emplace(path, id);
    return id;
}

std::optional<std::string> DirectoryIDs::PathForID(int32_t id)
{
    Table& table = TheTable();
    std::lock_guard guard(table.lock);
    if (id < kRootDirID || size_t(id) >= table.byID.size())
        return std::nullopt;
    return table.byID[size_t(id)];
}
