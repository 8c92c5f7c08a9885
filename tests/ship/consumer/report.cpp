#include <addon001/log/log_statement.h>

#include <string>

// A record with wide texts, as a library of the consumer's writes it.
void reportDrive(const std::wstring& code) {
    LOG_AT(Log::WAR) << L"drive " << code << L" answered " << std::wstring_view(L"late");
}
