#include "addon001/log/exception_report.h"

#include <boost/core/demangle.hpp>
#include <cstdint>
#include <string>
#include <typeinfo>

#include "addon001/log/hex_dump.h"
#include "addon001/log/text_conversion.h"
#include "addon001/platform/com_error.h"

namespace Log {

namespace {

// Stands in for a text the error does not supply.
constexpr const char* missingText = "???";

// The narrow form of a text that may be missing (null). The meaning text is wide on a build
// with UNICODE and narrow otherwise; both convert the same way.
template <class Char>
std::string narrowOrMissing(const Char* text) {
    return text != nullptr ? toNarrow(text) : std::string(missingText);
}

}  // namespace

std::ostream& operator<<(std::ostream& stream, const std::exception& error) {
    const char* what = error.what();
    // Compilers that store mangled type names (GCC, Clang) get them demangled; others already
    // store the readable form.
    const std::string typeName = boost::core::demangle(typeid(error).name());
    return stream << "Caught " << typeName << ": " << (what != nullptr ? what : "");
}

std::ostream& operator<<(std::ostream& stream, const _com_error& error) {
    // The owning text objects stay alive until their texts have been written.
    const auto source = error.Source();
    const auto description = error.Description();
    // Read the signed 32-bit code as unsigned before widening: a failure code keeps its eight
    // digits instead of gaining eight leading f digits.
    const std::string code = toHexString(8, static_cast<std::uint32_t>(error.Error()));
    const std::string meaning = narrowOrMissing(error.ErrorMessage());
    return stream << "Caught _com_error Code = " << code << " Code meaning = " << meaning
                  << " Source = " << narrowOrMissing(static_cast<const wchar_t*>(source))
                  << " Error Description = "
                  << narrowOrMissing(static_cast<const wchar_t*>(description));
}

}  // namespace Log
