#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace Log::detail {

// When to try a failed step again: at a point of some count that only grows (the bytes of a
// file, the records logged) that moves further away with each failure, by a gap that doubles
// from `first` up to `limit`. A fresh or reset back-off is due at once.
class Backoff {
public:
    constexpr Backoff(std::int64_t first, std::int64_t limit) noexcept
        : first_(first), limit_(limit), gap_(first) {}

    bool due(std::int64_t now) const noexcept { return now >= next_; }
    std::int64_t next() const noexcept { return next_; }

    // The step failed at `now`: next try one gap later, but at `latest` at the latest.
    void failed(std::int64_t now,
                std::int64_t latest = std::numeric_limits<std::int64_t>::max()) noexcept {
        next_ = std::min(now + gap_, latest);
        gap_ = std::min(gap_ * 2, limit_);
    }

    void reset() noexcept {
        gap_ = first_;
        next_ = std::numeric_limits<std::int64_t>::min();
    }

private:
    std::int64_t first_;
    std::int64_t limit_;
    std::int64_t gap_;
    std::int64_t next_ = std::numeric_limits<std::int64_t>::min();
};

}  // namespace Log::detail
