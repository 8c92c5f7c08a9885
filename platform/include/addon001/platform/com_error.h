#pragma once

// The platform's COM error type `_com_error`, with the operations the logging library reports:
// Error() (the 32-bit result code), ErrorMessage() (wide text naming the code's meaning, owned by
// the error), Source() and Description() (wide texts from the error information attached to the
// error, handed over in a `_bstr_t` that owns them; null when no error information is attached or
// it supplies none).
//
// Windows has the real one from the compiler's COM support (built with UNICODE, so that
// ErrorMessage() is wide text). Linux has no COM; a stand-in of the same name and with the same
// four operations takes its place, so that code above the platform layer reports COM errors the
// same way on both systems.

#if defined(_WIN32)
#include <comdef.h>
#else
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

// A COM result code: signed 32 bits, negative for failures.
using HRESULT = std::int32_t;

// Stand-in for the COM string class as far as the error texts need it: an owned wide text that
// may be missing. The pointer it yields is null exactly when the text is missing; an empty but
// present text yields an empty, non-null text.
class _bstr_t {
public:
    _bstr_t() = default;
    // Copies `text`; a null `text` makes a missing text.
    explicit _bstr_t(const wchar_t* text);

    operator const wchar_t*() const noexcept { return text_ ? text_->c_str() : nullptr; }
    unsigned int length() const noexcept {
        return text_ ? static_cast<unsigned int>(text_->size()) : 0;
    }

private:
    std::optional<std::wstring> text_;
};

namespace platform {
// The error information that may be attached to a COM error: a source naming who raised the
// error and a description of it, each of which may be missing.
struct ComErrorInfo {
    std::optional<std::wstring> source;
    std::optional<std::wstring> description;
};
}  // namespace platform

// Stand-in for the COM error type. Copies share the attached error information.
class _com_error {
public:
    explicit _com_error(HRESULT code,
                        std::shared_ptr<const platform::ComErrorInfo> info = nullptr) noexcept
        : code_(code), info_(std::move(info)) {}
    virtual ~_com_error() = default;

    HRESULT Error() const noexcept { return code_; }

    // The meaning of the code in the wording of the COM system texts for the common codes, and
    // "Unknown error 0x..." for others. Made on first use and owned by the error; null only when
    // it cannot be allocated.
    const wchar_t* ErrorMessage() const noexcept;

    _bstr_t Source() const;
    _bstr_t Description() const;

private:
    HRESULT code_;
    std::shared_ptr<const platform::ComErrorInfo> info_;
    mutable std::wstring message_;
};
#endif

namespace platform {

// Makes a COM error with the given code and, when `source` or `description` is given, error
// information holding them (a null text is not supplied; an empty text is supplied and empty).
// With neither, the error carries no error information, like an error made from a bare code.
_com_error makeComError(HRESULT code, const wchar_t* source, const wchar_t* description);

}  // namespace platform
