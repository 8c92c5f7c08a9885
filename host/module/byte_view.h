#pragma once

// Bounds-checked reading of a module file's bytes, shared by the ELF and PE readers: fixed-size
// numbers at named places of a header or table entry, and NUL-terminated names. Every read is
// checked against the end of the file, so a header that points anywhere cannot lead outside.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include "module_file.h"

namespace host {

enum class ByteOrder { little, big };

// One field of a header or table entry: where it stands from the entry's start, and by its
// type how wide it is.
template <typename T>
struct Field {
    static_assert(std::is_unsigned_v<T>, "fields are read as unsigned numbers");
    std::uint64_t offset;
};

class ByteView {
public:
    ByteView(std::string_view data, ByteOrder order)
        : data_(data), bigEndian_(order == ByteOrder::big) {}

    std::size_t size() const { return data_.size(); }

    // True when `length` bytes from `offset` lie inside the file (no overflow either way).
    bool holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }

    void require(std::uint64_t offset, std::uint64_t length, const char* what) const {
        if (!holds(offset, length)) outside(offset, length, what);
    }

    // The field of the header or entry that starts at `base`.
    template <typename T>
    std::uint64_t read(std::uint64_t base, Field<T> field, const char* what) const {
        return number(base, field.offset, sizeof(T), what);
    }

    // The `width` bytes at `offset` from `base`. A base so far past the end that the sum
    // would wrap round is refused as it stands, never read as an offset near the start.
    std::uint64_t number(std::uint64_t base, std::uint64_t offset, unsigned width,
                         const char* what) const {
        if (offset > std::numeric_limits<std::uint64_t>::max() - base) {
            outside(base, offset + width, what);
        }
        const std::uint64_t at = base + offset;
        require(at, width, what);
        std::uint64_t value = 0;
        for (unsigned index = 0; index < width; ++index) {
            const unsigned position = bigEndian_ ? index : width - 1 - index;
            value = (value << 8) | static_cast<unsigned char>(data_[at + position]);
        }
        return value;
    }

    // The NUL-terminated text at `offset`, which must end before `limit`.
    std::string name(std::uint64_t offset, std::uint64_t limit, const char* what) const {
        if (limit > data_.size()) limit = data_.size();
        if (offset >= limit) throw ModuleFileError(std::string(what) + " lies outside its table");
        const std::size_t end = data_.find('\0', offset);
        if (end == std::string_view::npos || end >= limit) {
            throw ModuleFileError(std::string(what) + " is not terminated within its table");
        }
        // Tables may share names (and ELF string tables the ends of names), but a file whose
        // entries all point at one long name would otherwise make its size many times over.
        if (end - offset > nameBudget_) {
            throw ModuleFileError("the file's tables name far more text than the file holds");
        }
        nameBudget_ -= end - offset;
        return std::string(data_.substr(offset, end - offset));
    }

private:
    [[noreturn]] void outside(std::uint64_t offset, std::uint64_t length, const char* what) const {
        throw ModuleFileError(std::string(what) + " lies outside the file (offset " +
                              std::to_string(offset) + ", " + std::to_string(length) +
                              " bytes, file " + std::to_string(data_.size()) + " bytes)");
    }

    std::string_view data_;
    bool bigEndian_;
    // The text that names may still add up to; see name().
    mutable std::uint64_t nameBudget_ = 4 * std::uint64_t{data_.size()} + 65536;
};

}  // namespace host
