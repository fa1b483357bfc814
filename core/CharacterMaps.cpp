#include "CharacterMaps.h"

#include <atomic>

namespace {
std::atomic<const CCharacterMaps*> gCharacterMaps{nullptr};
}

const CCharacterMaps* GetCharacterMaps()
{
    return gCharacterMaps.load(std::memory_order_acquire);
}

void SetCharacterMaps(const CCharacterMaps* maps)
{
    gCharacterMaps.store(maps, std::memory_order_release);
}
