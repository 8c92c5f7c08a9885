#include "addon001/log/detail/line_stream.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <locale>
#include <memory>

namespace Log {

namespace {

// The streams of one thread, kept from one record to the next. Trivially destructible, so that
// it can be asked for at any moment of the thread's life; its streams are freed by the
// thread's Keeper, after which `finished` sends every record to a stream of its own.
struct ThreadStreams {
    LineStream** streams = nullptr;
    std::size_t count = 0;
    std::size_t inUse = 0;
    bool finished = false;
};
thread_local ThreadStreams threadStreams;

struct Keeper {
    ~Keeper() {
        ThreadStreams& mine = threadStreams;
        for (std::size_t index = 0; index < mine.count; ++index) delete mine.streams[index];
        delete[] mine.streams;
        mine = ThreadStreams{};
        mine.finished = true;
    }
};
thread_local Keeper keeper;

// The thread's stream for the next level of nesting, made when the thread first needs it;
// null when none can be had.
LineStream* borrow() noexcept {
    ThreadStreams& mine = threadStreams;
    if (mine.finished) return nullptr;
    if (mine.inUse == mine.count) {
        try {
            static_cast<void>(&keeper);  // made once per thread, to free the streams at its end
            auto streams = std::make_unique<LineStream*[]>(mine.count + 1);
            std::copy(mine.streams, mine.streams + mine.count, streams.get());
            streams[mine.count] = new LineStream;
            delete[] mine.streams;
            mine.streams = streams.release();
            ++mine.count;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    LineStream* stream = mine.streams[mine.inUse++];
    stream->reset();
    return stream;
}

}  // namespace

LineStream::LineStream() : std::ostream(&buffer_) {}

void LineStream::reset() {
    buffer_.reset();
    // What a new stream has, and the global locale, which may have changed since.
    const std::ios_base::fmtflags fresh = std::ios_base::skipws | std::ios_base::dec;
    if (flags() != fresh) flags(fresh);
    precision(6);
    width(0);
    fill(' ');
    tie(nullptr);
    exceptions(std::ios_base::goodbit);
    clear();
    const std::locale global;
    if (!(getloc() == global)) imbue(global);
}

LineStreamLease::LineStreamLease() : stream_(borrow()) {
    lent_ = stream_ != nullptr;
    if (!lent_) stream_ = new (own_) LineStream;
}

LineStreamLease::~LineStreamLease() {
    if (lent_) {
        --threadStreams.inUse;
    } else {
        stream_->~LineStream();
    }
}

void LineStream::endLine() {
    // The plain case without the insertion's machinery: nothing pads a newline when no field
    // width is pending, and flushing the line's own buffer does nothing.
    if (good() && width() <= 1 && tie() == nullptr) {
        buffer_.forceLineEnd();
        return;
    }
    // An exception mask the message set served its insertions; ending the line must not throw
    // (the line would be lost, and while another exception unwinds, it would be swallowed).
    exceptions(std::ios_base::goodbit);
    *this << '\n';
    flush();
    if (!good()) buffer_.forceLineEnd();
}

void LineStream::Buffer::forceLineEnd() {
    if (spilled()) {
        spilled_.push_back('\n');  // within the room kept for it
        return;
    }
    // The in-place part keeps its last place for this.
    const int length = static_cast<int>(pptr() - pbase()) + 1;
    *pptr() = '\n';
    setp(pbase(), epptr() + 1);
    pbump(length);
}

void LineStream::Buffer::reset() {
    // A spilled line's storage is kept for the next long one, unless it is large.
    if (spilled_.capacity() > 64 * 1024) {
        std::string().swap(spilled_);
    } else {
        spilled_.clear();
    }
    setp(inPlace_, inPlace_ + sizeof inPlace_ - 1);
}

bool LineStream::Buffer::spill(std::size_t more) {
    const std::size_t used = static_cast<std::size_t>(pptr() - pbase());
    try {
        spilled_.reserve(2 * (used + more) + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    spilled_.assign(pbase(), used);
    setp(nullptr, nullptr);
    return true;
}

bool LineStream::Buffer::appendSpilled(const char* text, std::size_t count) {
    // Reserved first, so that a failed allocation leaves the text as it was, with its room.
    if (spilled_.capacity() < spilled_.size() + count + 1) {
        try {
            spilled_.reserve(2 * (spilled_.size() + count) + 1);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    spilled_.append(text, count);
    return true;
}

// Running out of memory is reported as a buffer could report it, by eof or a short count, so
// that the stream turns bad wherever the insertion's own code lives (on Windows the exception
// would otherwise cross the runtime DLL's insertion code uncaught).
LineStream::Buffer::int_type LineStream::Buffer::overflow(int_type character) {
    if (traits_type::eq_int_type(character, traits_type::eof())) {
        return traits_type::not_eof(character);
    }
    if (!spilled() && !spill(1)) return traits_type::eof();
    const char text = traits_type::to_char_type(character);
    return appendSpilled(&text, 1) ? character : traits_type::eof();
}

std::streamsize LineStream::Buffer::xsputn(const char* text, std::streamsize count) {
    if (count <= 0) return 0;
    const auto size = static_cast<std::size_t>(count);
    if (!spilled()) {
        if (static_cast<std::size_t>(epptr() - pptr()) >= size) {
            std::memcpy(pptr(), text, size);
            pbump(static_cast<int>(count));
            return count;
        }
        if (!spill(size)) return 0;
    }
    return appendSpilled(text, size) ? count : 0;
}

}  // namespace Log
