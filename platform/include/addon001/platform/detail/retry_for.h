#pragma once

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace platform {

template <class Attempt>
std::error_code retryFor(std::chrono::milliseconds limit, Attempt attempt) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::chrono::milliseconds pause(1);
    for (;;) {
        const std::error_code error = attempt();
        if (error != std::errc::resource_unavailable_try_again) return error;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return error;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(16));
    }
}

}  // namespace platform
