#include "addon001/afx/cstring.h"

#include <cstring>
#include <stdexcept>
#include <utility>

CString::CString() = default;
CString::CString(const char* text) : text_(text != nullptr ? text : "") {}
CString::CString(const CString& other) = default;
CString::CString(CString&& other) noexcept = default;
CString::~CString() = default;

CString& CString::operator=(const char* text) {
    text_.assign(text != nullptr ? text : "");
    return *this;
}

CString& CString::operator=(const CString& other) = default;
CString& CString::operator=(CString&& other) noexcept = default;

int CString::GetLength() const {
    return static_cast<int>(text_.size());
}
bool CString::IsEmpty() const {
    return text_.empty();
}
void CString::Empty() {
    text_.clear();
}

char CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) throw std::out_of_range("CString::GetAt");
    return text_[static_cast<std::size_t>(index)];
}

char CString::operator[](int index) const {
    return GetAt(index);
}
const char* CString::GetString() const {
    return text_.c_str();
}
CString::operator const char*() const {
    return text_.c_str();
}

int CString::Compare(const char* other) const {
    return std::strcmp(text_.c_str(), other != nullptr ? other : "");
}

bool operator==(const CString& left, const CString& right) {
    return left.Compare(right) == 0;
}
bool operator!=(const CString& left, const CString& right) {
    return left.Compare(right) != 0;
}
bool operator<(const CString& left, const CString& right) {
    return left.Compare(right) < 0;
}
