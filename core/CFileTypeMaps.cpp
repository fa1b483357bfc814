#include "CFileTypeMaps.h"

#include <mutex>

namespace {

std::mutex gMapsLock;
std::shared_ptr<const CFileTypeMaps> gMaps;

} // namespace

void CFileTypeMaps::Install(std::shared_ptr<const CFileTypeMaps> maps)
{
    std::lock_guard<std::mutex> lock(gMapsLock);
    gMaps = std::move(maps);
}

std::shared_ptr<const CFileTypeMaps> CFileTypeMaps::Installed()
{
    std::lock_guard<std::mutex> lock(gMapsLock);
    return gMaps;
}
