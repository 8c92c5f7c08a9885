#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "addon001/platform/thread_id.h"

namespace {

TEST(CurrentThreadId, EachThreadKeepsItsOwnId) {
    const std::uint32_t mainId = platform::currentThreadId();
    EXPECT_NE(mainId, 0u);
    EXPECT_EQ(platform::currentThreadId(), mainId);
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::thread([&] {
        first = platform::currentThreadId();
        second = platform::currentThreadId();
    }).join();
    EXPECT_NE(first, mainId);
    EXPECT_EQ(second, first);
}

}  // namespace
