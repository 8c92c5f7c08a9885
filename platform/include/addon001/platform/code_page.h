#pragma once

#include <cstddef>

namespace platform {

// Conversions between wide text and narrow text in the system's ANSI code page.
//
// Windows converts with the system's ANSI code page (CP_ACP, no flags, the system's own default
// character for characters the code page lacks). Linux has no such system setting; it stands in
// with Windows-1252, the ANSI code page of a Western Windows system, and writes "?" for every
// character Windows-1252 lacks, so that both systems write the same bytes for the same text.
//
// Each call converts `count` source characters into at most `room` target characters and returns
// how many target characters it wrote; it writes nothing beyond `room` and never writes a
// terminator. A source of zero characters writes nothing.
//
// Wide text is wchar_t on both systems, but wchar_t is 16 bits (UTF-16) on Windows and 32 bits
// (one code point per character) on Linux. A character outside the 16-bit range is therefore two
// source characters on Windows and one on Linux; the code page has no such characters, so each
// system writes its default character for it (Linux exactly one "?" per wchar_t). Windows may
// write a similar-looking character ("best fit") where Linux writes "?" for some characters of
// other Latin alphabets; characters of the code page itself and characters of far-off scripts
// (CJK and the like) come out the same on both.

// Wide to narrow: `target` receives code-page bytes.
std::size_t ansiFromWide(const wchar_t* source, std::size_t count, char* target, std::size_t room);

// Narrow to wide: `source` holds code-page bytes. Every byte has a wide character: the five byte
// values that Windows-1252 leaves undefined become the wide character of the same value and convert
// back to the same byte (as Windows itself converts them), so every byte string survives the way
// to wide text and back.
std::size_t wideFromAnsi(const char* source, std::size_t count, wchar_t* target, std::size_t room);

}  // namespace platform
