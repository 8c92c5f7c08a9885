#pragma once

#include <string>

#include "afx_api.h"

// The class library's narrow string. Host and add-on pass it across the module boundary by
// pointer, so its one implementation lives in the shared class-library layer.
class AFX_API CString {
public:
    CString();
    CString(const char* text);  // NOLINT: implicit, like the class library's own
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    // A null pointer assigns the empty string; a text is copied up to its terminator.
    CString& operator=(const char* text);
    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;

    int GetLength() const;
    bool IsEmpty() const;
    void Empty();
    char GetAt(int index) const;
    char operator[](int index) const;
    const char* GetString() const;
    operator const char*() const;  // NOLINT: implicit, like the class library's own

    // Exact, case-sensitive, ordinal comparison of the characters (bytes as unsigned values,
    // up to the terminator): negative, zero or positive, like strcmp.
    int Compare(const char* other) const;

private:
    std::string text_;
};

AFX_API bool operator==(const CString& left, const CString& right);
AFX_API bool operator!=(const CString& left, const CString& right);
AFX_API bool operator<(const CString& left, const CString& right);
