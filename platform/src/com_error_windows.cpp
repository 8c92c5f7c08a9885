#include "addon001/platform/com_error.h"

namespace platform {

_com_error makeComError(HRESULT code, const wchar_t* source, const wchar_t* description) {
    if (source == nullptr && description == nullptr) return _com_error(code);
    ICreateErrorInfo* creator = nullptr;
    if (FAILED(CreateErrorInfo(&creator)) || creator == nullptr) return _com_error(code);
    // The setters take non-const text but only copy it.
    if (source != nullptr) creator->SetSource(const_cast<LPOLESTR>(source));
    if (description != nullptr) creator->SetDescription(const_cast<LPOLESTR>(description));
    IErrorInfo* info = nullptr;
    creator->QueryInterface(IID_PPV_ARGS(&info));
    creator->Release();
    // The error takes over the reference that QueryInterface gave.
    return _com_error(code, info, false);
}

}  // namespace platform
