#include "addon001/platform/com_error.h"

#include <cstdint>
#include <cwchar>
#include <new>

_bstr_t::_bstr_t(const wchar_t* text) {
    if (text != nullptr) text_.emplace(text);
}

namespace {

struct KnownCode {
    std::uint32_t code;
    const wchar_t* meaning;
};

// The common codes with the wording of the COM system texts.
constexpr KnownCode knownCodes[] = {
    {0x00000000u, L"The operation completed successfully."},
    {0x00000001u, L"Incorrect function."},
    {0x80004001u, L"Not implemented"},
    {0x80004002u, L"No such interface supported"},
    {0x80004003u, L"Invalid pointer"},
    {0x80004004u, L"Operation aborted"},
    {0x80004005u, L"Unspecified error"},
    {0x8000FFFFu, L"Catastrophic failure"},
    {0x80070005u, L"Access is denied."},
    {0x80070006u, L"The handle is invalid."},
    {0x8007000Eu, L"Not enough memory resources are available to complete this operation."},
    {0x80070057u, L"The parameter is incorrect."},
};

// Codes raised through a dispatch interface with a 16-bit error number.
constexpr std::uint32_t firstDispatchCode = 0x80040200u;
constexpr std::uint32_t lastDispatchCode = 0x8004FFFFu;

std::wstring meaningOf(std::uint32_t code) {
    for (const KnownCode& known : knownCodes) {
        if (known.code == code) return known.meaning;
    }
    wchar_t text[40];
    if (code >= firstDispatchCode && code <= lastDispatchCode) {
        std::swprintf(text, sizeof text / sizeof text[0], L"IDispatch error #%u",
                      static_cast<unsigned>(code - firstDispatchCode));
    } else {
        std::swprintf(text, sizeof text / sizeof text[0], L"Unknown error 0x%X",
                      static_cast<unsigned>(code));
    }
    return text;
}

_bstr_t textOrMissing(const std::optional<std::wstring>& text) {
    return _bstr_t(text ? text->c_str() : nullptr);
}

}  // namespace

const wchar_t* _com_error::ErrorMessage() const noexcept {
    try {
        if (message_.empty()) message_ = meaningOf(static_cast<std::uint32_t>(code_));
        return message_.c_str();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

_bstr_t _com_error::Source() const {
    return info_ ? textOrMissing(info_->source) : _bstr_t();
}

_bstr_t _com_error::Description() const {
    return info_ ? textOrMissing(info_->description) : _bstr_t();
}

namespace platform {

_com_error makeComError(HRESULT code, const wchar_t* source, const wchar_t* description) {
    if (source == nullptr && description == nullptr) return _com_error(code);
    auto info = std::make_shared<ComErrorInfo>();
    if (source != nullptr) info->source.emplace(source);
    if (description != nullptr) info->description.emplace(description);
    return _com_error(code, std::move(info));
}

}  // namespace platform
