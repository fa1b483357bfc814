#include "ReverseLookup.h"

#include "InterfaceAddresses.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

std::mutex gResolverMutex;
ReverseResolver gResolver;

// What the lookup thread and its caller share; whoever leaves last frees it.
struct Answer {
    std::mutex mutex;
    std::condition_variable ready;
    bool done = false;
    std::string name;
};

ReverseResolver CurrentResolver()
{
    std::lock_guard lock(gResolverMutex);
    if (gResolver)
        return gResolver;
    return [](const std::string& address) { return InterfaceAddresses::HostNameForAddress(address); };
}

bool IsLabelCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

bool IsWellFormedHostName(const std::string& name)
{
    if (name.empty() || name.size() > 253)
        return false;
    std::size_t label = 0;
    for (char c : name) {
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
        } else if (!IsLabelCharacter(c) || ++label > 63) {
            return false;
        }
    }
    return label > 0;
}

void SetReverseResolver(ReverseResolver resolver)
{
    std::lock_guard lock(gResolverMutex);
    gResolver = std::move(resolver);
}

std::string ReverseLookup(const std::string& address, std::chrono::milliseconds deadline)
{
    auto answer = std::make_shared<Answer>();
    try {
        std::thread([answer, address, resolve = CurrentResolver()] {
            std::string name = resolve(address);
            std::lock_guard lock(answer->mutex);
            answer->name = std::move(name);
            answer->done = true;
            answer->ready.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    std::unique_lock lock(answer->mutex);
    if (!answer->ready.wait_for(lock, deadline, [&] { return answer->done; }))
        return {};
    return IsWellFormedHostName(answer->name) ? answer->name : std::string();
}
