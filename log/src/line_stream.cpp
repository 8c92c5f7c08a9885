#include "addon001/log/detail/line_stream.h"

#include <cstring>
#include <istream>
#include <locale>

namespace Log {

// Setting up a record's stream the portable way (std::basic_ios::init) looks the locale's
// three facets up again for every record, which costs about as much as the rest of the record:
// counted under callgrind (addon-bench-instructions, one thread, the text record), 2,027
// user-space instructions per record that way, 1.01 times spdlog's 2,013, against 1,111
// (0.55 times) when this file writes the members that init sets itself and takes the facets of
// the classic locale looked up once. Those are libstdc++'s private members of std::ios_base and
// std::basic_ios, so that set-up is limited to the libstdc++ release whose layout the test
// LineStream.SetsUpEveryByteOfTheStreamBaseAsInitDoes has checked byte for byte; any other
// standard library, or another release, takes the portable way until it is checked too.
#if defined(__GLIBCXX__) && defined(_GLIBCXX_RELEASE) && _GLIBCXX_RELEASE == 12
#define ADDONLOG_STREAM_SETUP_FROM_CACHED_FACETS 1
#else
#define ADDONLOG_STREAM_SETUP_FROM_CACHED_FACETS 0
#endif

namespace {

#if ADDONLOG_STREAM_SETUP_FROM_CACHED_FACETS
// The classic locale and the facets of it that a stream caches, looked up once.
struct ClassicFacets {
    std::locale locale;
    const std::ctype<char>* ctype;
    const std::num_put<char>* numPut;
    const std::num_get<char>* numGet;
};

const ClassicFacets& classicFacets() {
    static const ClassicFacets facets{std::locale::classic(),
                                      &std::use_facet<std::ctype<char>>(std::locale::classic()),
                                      &std::use_facet<std::num_put<char>>(std::locale::classic()),
                                      &std::use_facet<std::num_get<char>>(std::locale::classic())};
    return facets;
}

// The argument that selects libstdc++'s constructor of std::ostream that leaves the stream to
// be set up by the class that derives from it. It is never read.
std::iostream& selectsUnsetStream() {
    static std::iostream& unused = *new std::iostream(nullptr);
    return unused;
}
#endif

}  // namespace

#if ADDONLOG_STREAM_SETUP_FROM_CACHED_FACETS

LineStream::LineStream() : std::ostream(selectsUnsetStream()) {
    // The members are the ones std::basic_ios::init sets; only the locale's facets are not
    // looked up but taken from the classic locale's, when the stream's locale (the global one,
    // copied by the constructor) is the classic locale. Any other locale takes the usual way.
    const ClassicFacets& facets = classicFacets();
    if (!(_M_ios_locale == facets.locale)) {
        init(&buffer_);
        return;
    }
    _M_precision = 6;
    _M_width = 0;
    _M_flags = std::ios_base::skipws | std::ios_base::dec;
    _M_exception = std::ios_base::goodbit;
    _M_streambuf_state = std::ios_base::goodbit;
    _M_tie = nullptr;
    _M_fill = char();
    _M_fill_init = false;
    _M_streambuf = &buffer_;
    _M_ctype = facets.ctype;
    _M_num_put = facets.numPut;
    _M_num_get = facets.numGet;
}

#else

LineStream::LineStream() : std::ostream(nullptr) {
    rdbuf(&buffer_);
}

#endif

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
