#include "viewer/MappingGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace MappingGuard {

namespace {

struct Range {
    std::atomic<std::uintptr_t> Begin{0};
    std::atomic<std::uintptr_t> End{0};
    std::atomic<bool> Hit{false};
};

constexpr int Slots = 64;
std::array<Range, Slots> ranges;
std::mutex slotsMutex;
std::uintptr_t pageSize = 4096;
struct sigaction previous {};

void PassOn(int signal, siginfo_t* info, void* context) {
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // The default: the program ends, as it would have without us.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    }
}

// Only system calls and atomics here: it runs inside the signal.
void OnBus(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Range& range : ranges) {
        const std::uintptr_t begin = range.Begin.load(std::memory_order_acquire);
        if (begin == 0 || at < begin || at >= range.End.load(std::memory_order_acquire))
            continue;
        void* page = reinterpret_cast<void*>(at & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            range.Hit.store(true, std::memory_order_release);
            return; // the read is done again, and finds zeros
        }
        break;
    }
    PassOn(signal, info, context);
}

void Install() {
    pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBus;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous);
}

} // namespace

int Watch(const void* data, qint64 bytes) {
    static std::once_flag installed;
    std::call_once(installed, Install);
    if (!data || bytes <= 0)
        return -1;
    std::lock_guard lock(slotsMutex);
    for (int slot = 0; slot < Slots; ++slot) {
        Range& range = ranges[size_t(slot)];
        if (range.Begin.load() != 0)
            continue;
        range.Hit.store(false);
        range.End.store(reinterpret_cast<std::uintptr_t>(data) + std::uintptr_t(bytes),
                        std::memory_order_release);
        range.Begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return slot;
    }
    return -1;
}

void Forget(int slot) {
    if (slot < 0 || slot >= Slots)
        return;
    std::lock_guard lock(slotsMutex);
    ranges[size_t(slot)].Begin.store(0, std::memory_order_release);
    ranges[size_t(slot)].End.store(0, std::memory_order_release);
}

bool Shortened(int slot) {
    return slot >= 0 && slot < Slots && ranges[size_t(slot)].Hit.load(std::memory_order_acquire);
}

} // namespace MappingGuard
