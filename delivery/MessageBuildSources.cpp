#include "MessageBuildSources.h"

#include "CEnvironment.h"

#include <QUuid>

#include <mutex>
#include <random>

namespace {

MessageBuildSources Defaults()
{
    MessageBuildSources sources;
    sources.now = [] { return QDateTime::currentDateTime(); };
    sources.newUUID = [] { return QUuid::createUuid().toString(QUuid::WithoutBraces); };
    sources.version = [] { return gEnvironment != nullptr ? QString::fromUtf8(gEnvironment->version.text) : QString(); };
    return sources;
}

std::mutex gRandomLock;

std::mt19937& Generator()
{
    static std::mt19937 generator {std::random_device {}()};
    return generator;
}

}  // namespace

MessageBuildSources& MessageBuildSources::Current()
{
    static MessageBuildSources sources = Defaults();
    return sources;
}

void MessageBuildSources::Reset()
{
    Current() = Defaults();
}

uint32_t MessageBuildSources::NextRandom()
{
    std::lock_guard lock(gRandomLock);
    return Generator()() >> 1;
}

void MessageBuildSources::SeedRandom(uint32_t seed)
{
    std::lock_guard lock(gRandomLock);
    Generator().seed(seed);
}
