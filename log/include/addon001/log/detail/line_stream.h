#pragma once

#include <cstddef>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "addon001/log/export.h"

namespace Log {

// The narrow output string stream in which a record composes its line. It keeps the first
// part of the line in the object itself, so that a typical line needs no allocation, and
// hands the finished line over as a view, without a copy. Longer lines spill into a string;
// when memory runs out the stream turns bad and the line is shorter, as with any string
// stream, but it still gets its line end.
class ADDONLOG_API LineStream : public std::ostream {
public:
    LineStream();
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;

    // Room for `count` characters at the end of the line, to be written directly and then
    // committed; null when the line's in-place part has less room (then insert instead).
    char* room(std::size_t count) { return buffer_.room(count); }
    void commit(char* last) { buffer_.commit(last); }

    // Ends the line: a newline inserted and the stream flushed, as a record does. A stream
    // that turned bad refuses that insertion; the line then gets its line end all the same,
    // so that it never runs into the next one.
    void endLine();

    // Everything inserted so far.
    std::string_view view() const { return buffer_.view(); }
    // A copy of it.
    std::string str() const { return std::string(view()); }

    // Empty again, in the state of a new stream (flags, precision, width, fill, exceptions,
    // error state, tie, and the global locale of now), for the next record. A long line's
    // spilled storage is let go, so that one huge record does not stay in memory.
    void reset();

private:
    class ADDONLOG_API Buffer : public std::streambuf {
    public:
        Buffer() { setp(inPlace_, inPlace_ + sizeof inPlace_ - 1); }

        char* room(std::size_t count) {
            return spilled() || static_cast<std::size_t>(epptr() - pptr()) < count ? nullptr
                                                                                   : pptr();
        }
        void commit(char* last) { pbump(static_cast<int>(last - pptr())); }

        // Adds the line end whatever the stream's state; never allocates.
        void forceLineEnd();

        std::string_view view() const {
            if (spilled()) return spilled_;
            return std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        }
        void reset();

    protected:
        int_type overflow(int_type character) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;

    private:
        // Once the in-place part is full, the whole line moves to the string and every later
        // character goes there. The string always keeps room for one more character beyond
        // its text, for the line end.
        bool spilled() const { return pbase() == nullptr; }
        bool spill(std::size_t more);
        bool appendSpilled(const char* text, std::size_t count);

        // Room for a typical line: header, a message of a few fields and the line end; the
        // last place is kept for the line end.
        char inPlace_[240];
        std::string spilled_;
    };

    Buffer buffer_;
};

// The stream of one record, lent by the calling thread for the record's life. Each thread keeps
// its streams and reuses them, reset to a new stream's state: setting a stream up (with its
// locale's facets) costs as much as the rest of a record. A record made while another is being
// composed on the same thread (an operand of its message that logs) gets a stream of its own.
// Should the thread's streams be unavailable (memory ran out for a new one, or the thread is
// ending), the record gets a stream of its own that lives in the lease.
class ADDONLOG_API LineStreamLease {
public:
    LineStreamLease();
    ~LineStreamLease();
    LineStreamLease(const LineStreamLease&) = delete;
    LineStreamLease& operator=(const LineStreamLease&) = delete;

    LineStream& operator*() const { return *stream_; }
    LineStream* operator->() const { return stream_; }

private:
    LineStream* stream_;
    bool lent_ = false;
    alignas(LineStream) unsigned char own_[sizeof(LineStream)];
};

}  // namespace Log
