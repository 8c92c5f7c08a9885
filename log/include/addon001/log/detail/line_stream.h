#pragma once

#include <new>
#include <ostream>
#include <streambuf>
#include <string>

namespace Log {

// The narrow output string stream in which a record composes its line. Unlike
// std::ostringstream it sets up its stream state once instead of twice, and keeps the first
// part of the line in the object itself, so that a typical line needs no allocation until its
// text is taken. Longer lines spill into a string; when memory runs out the stream turns bad
// and the line is shorter, as with any string stream.
class LineStream : public std::ostream {
public:
    LineStream() : std::ostream(nullptr) { rdbuf(&buffer_); }
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;

    // A copy of everything inserted so far, with room for one more character.
    std::string str() const { return buffer_.text(); }

private:
    class Buffer : public std::streambuf {
    public:
        Buffer() { setp(inPlace_, inPlace_ + sizeof inPlace_); }

        // With room for one more character, so that a line end can still be added when
        // memory has run out.
        std::string text() const {
            std::string text;
            text.reserve(spilled_.size() + static_cast<std::size_t>(pptr() - pbase()) + 1);
            text.append(spilled_).append(pbase(), pptr());
            return text;
        }

    protected:
        // The in-place part is full: move it to the string and start it afresh. Running out
        // of memory is reported as a buffer could report it, by eof, so that the stream turns
        // bad wherever the insertion's own code lives (on Windows the exception would otherwise
        // cross the runtime DLL's insertion code uncaught).
        int_type overflow(int_type character) override {
            try {
                spilled_.append(pbase(), pptr());
            } catch (const std::bad_alloc&) {
                return traits_type::eof();
            }
            setp(inPlace_, inPlace_ + sizeof inPlace_);
            if (traits_type::eq_int_type(character, traits_type::eof())) {
                return traits_type::not_eof(character);
            }
            *pptr() = traits_type::to_char_type(character);
            pbump(1);
            return character;
        }

    private:
        // Room for a typical line: header, a message of a few fields and the line end.
        char inPlace_[240];
        std::string spilled_;
    };

    Buffer buffer_;
};

}  // namespace Log
