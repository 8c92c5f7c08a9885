#pragma once

// The log file's format, defined once for the writer and for every reader of a log set: the
// level texts, the layout of a line's header, the time of day, and the names and order of the
// files of a set. A line is "09:05:03.047 INF 3412 message": the time of day, the level text and
// the thread id in decimal, each followed by one space.
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "addon001/log/export.h"
#include "addon001/log/level.h"

namespace Log::format {

// ---- Levels ----------------------------------------------------------------------------------

struct NamedLevel {
    int value;
    const char* text;
};

// The levels that have a text, most severe first. Every level text is three characters long.
inline constexpr std::array<NamedLevel, 8> namedLevels{{{FAT, "FAT"},
                                                        {ERR, "ERR"},
                                                        {WAR, "WAR"},
                                                        {INF, "INF"},
                                                        {DBG, "DBG"},
                                                        {DB1, "DB1"},
                                                        {DB2, "DB2"},
                                                        {DB3, "DB3"}}};
inline constexpr std::size_t levelTextLength = 3;
// The text of every level without a name; its line does not tell which level it was.
inline constexpr char unnamedLevelText[] = "---";

// The level texts, most severe first, joined by ", ": "FAT, ERR, ..., DB3".
ADDONLOG_API std::string levelTexts();

// The level of a level text ("WAR", in any case) or of a number ("30"); none for anything else.
ADDONLOG_API std::optional<int> parseLevel(std::string_view text);

// ---- The header ------------------------------------------------------------------------------

inline constexpr char fieldEnd = ' ';               // after each of the header's fields
inline constexpr std::size_t timeOfDayLength = 12;  // "09:05:03.047"
inline constexpr std::size_t levelAt = timeOfDayLength + 1;
inline constexpr std::size_t threadAt = levelAt + levelTextLength + 1;
inline constexpr std::size_t longestThreadId = 10;  // 4294967295
// Room for the longest header the writer makes: four time fields of any int value with their
// zeros and separators, the level text and a 32-bit thread id with their spaces.
inline constexpr std::size_t headerCapacity = 96;

// ---- Time of day: "hh:mm:ss.mmm" --------------------------------------------------------------

inline constexpr int millisecondsPerDay = 24 * 60 * 60 * 1000;

namespace detail {
inline char* putNumber(char* at, long long value) {
    return std::to_chars(at, at + 20, value).ptr;
}

inline char* putTwoDigits(char* at, int value) {
    if (value <= 9) *at++ = '0';
    return putNumber(at, value);
}
}  // namespace detail

// Writes "hh:mm:ss." at `at` and returns its end. Fields are written with at least two digits;
// a value out of range is written as it is, never cut.
inline char* putClock(char* at, int hour, int minute, int second) {
    at = detail::putTwoDigits(at, hour);
    *at++ = ':';
    at = detail::putTwoDigits(at, minute);
    *at++ = ':';
    at = detail::putTwoDigits(at, second);
    *at++ = '.';
    return at;
}

// Writes the milliseconds after putClock's text, with at least three digits.
inline char* putMilliseconds(char* at, int millisecond) {
    if (millisecond <= 99) *at++ = '0';
    if (millisecond <= 9) *at++ = '0';
    return detail::putNumber(at, millisecond);
}

// ---- The files of a set -----------------------------------------------------------------------

// The live file rolls over into numbered backups once it has grown past maxFileSize: "path.1"
// newest to "path.6" oldest.
inline constexpr int backupCount = 6;
inline constexpr long long maxFileSize = 10 * 1024 * 1024;
// Appended to the live file's name while a rotation moves it to backup 1: between the live
// file and backup 1 in the set's order, for readers that follow the set.
inline constexpr char rotatingSuffix[] = ".rotating";
// Appended to the live file's name for the file that the rotations of all processes on one set
// lock; it is never renamed or removed, and holds no records.
inline constexpr char lockSuffix[] = ".lock";

// The places of a set's files, newest first: the live file, the file a rotation is moving from
// the live name to backup 1, then backups 1 to backupCount. notInSet stands for no place: a file
// that left the set, or before the newest.
inline constexpr int livePlace = 0;
inline constexpr int rotatingPlace = -2;
inline constexpr int notInSet = -1;

// The place a rotation moves the file at `place` to: the live file to rotatingPlace, that to
// backup 1, backup n to n + 1, and the oldest out of the set (backupCount + 1).
constexpr int olderPlace(int place) {
    if (place == livePlace) return rotatingPlace;
    if (place == rotatingPlace) return 1;
    return place + 1;
}

// The place before `place` in the set's order; notInSet before the live file.
constexpr int newerPlace(int place) {
    if (place == 1) return rotatingPlace;
    if (place == rotatingPlace) return livePlace;
    return place - 1;
}

constexpr bool inSet(int place) {
    return place == rotatingPlace || (place >= livePlace && place <= backupCount);
}

// The name of the file at `place` in the set of `path` (narrow or wide): `path` itself for the
// live file, `path` with rotatingSuffix, or `path`, a full stop and the backup's number.
template <class Char>
std::basic_string<Char> setFileName(const std::basic_string<Char>& path, int place) {
    std::basic_string<Char> name = path;
    if (place == livePlace) return name;
    std::string_view suffix = rotatingSuffix;
    char number[16] = {'.'};
    if (place != rotatingPlace) {
        suffix = std::string_view(
            number,
            static_cast<std::size_t>(std::to_chars(number + 1, number + 16, place).ptr - number));
    }
    for (char character : suffix) name += static_cast<Char>(character);
    return name;
}

}  // namespace Log::format
