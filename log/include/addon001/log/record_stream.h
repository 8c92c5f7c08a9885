#pragma once

#include <cstddef>
#include <ios>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "addon001/log/exception_report.h"
#include "addon001/log/export.h"

namespace Log {

namespace detail {
// Writes the narrow form of `length` wide characters at `text` (as toNarrow converts them)
// into `stream`.
ADDONLOG_API void insertWide(std::ostream& stream, const wchar_t* text, std::size_t length);

// A wchar_t* or const wchar_t* (not an array, which is never null).
template <class T>
inline constexpr bool isWidePointer =
    std::is_same_v<T, const wchar_t*> || std::is_same_v<T, wchar_t*>;
}  // namespace detail

// What a logging statement inserts into: the record's narrow stream, with wide texts converted.
// A wide text (wchar_t*, const wchar_t[N], std::wstring, std::wstring_view, or one wchar_t)
// is written in its narrow form, as the exception reports convert theirs, instead of as a
// pointer (which is what a narrow std::ostream makes of a wchar_t*). A null wide pointer is
// written as nothing. Everything else goes to the stream as it would go to any std::ostream,
// manipulators included; the exception reports of exception_report.h need no using
// declaration here.
class RecordStream {
public:
    explicit RecordStream(std::ostream& stream) : stream_(stream) {}

    template <class T>
    RecordStream& operator<<(const T& value) {
        if constexpr (std::is_array_v<T> && detail::isWidePointer<std::decay_t<T>>) {
            insertWide(std::wstring_view(value));  // up to its first zero character
        } else if constexpr (detail::isWidePointer<T>) {
            if (value != nullptr) insertWide(std::wstring_view(value));
        } else if constexpr (std::is_same_v<T, wchar_t>) {
            insertWide(std::wstring_view(&value, 1));
        } else if constexpr (std::is_convertible_v<const T&, std::wstring_view>) {
            insertWide(std::wstring_view(value));
        } else {
            stream_ << value;
        }
        return *this;
    }

    RecordStream& operator<<(std::ostream& (*manipulator)(std::ostream&)) {
        manipulator(stream_);
        return *this;
    }
    RecordStream& operator<<(std::ios& (*manipulator)(std::ios&)) {
        manipulator(stream_);
        return *this;
    }
    RecordStream& operator<<(std::ios_base& (*manipulator)(std::ios_base&)) {
        manipulator(stream_);
        return *this;
    }

    // The record's stream itself, for what takes a std::ostream.
    std::ostream& stream() { return stream_; }

private:
    void insertWide(std::wstring_view text) {
        detail::insertWide(stream_, text.data(), text.size());
    }

    std::ostream& stream_;
};

}  // namespace Log
