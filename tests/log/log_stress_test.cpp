// Several threads log through repeated rotations of the real 10 MiB log file while another
// thread closes and reopens the sink over and over.
//
// Which lines must be in the files: every thread takes a ticket from one sequentially
// consistent counter just before and just after each of its calls (a logging statement, an
// open, a close). The sink does each open, close and write under its lock, so a statement whose
// first ticket comes after an open returned and whose second ticket comes before the next close
// began ran entirely while the sink was open: its guard saw the sink enabled and its line was
// written. Such a line must be present exactly once. A statement that overlaps an open or a
// close may legitimately be dropped (the guard is tested without the lock), but is never
// written twice; one that lies wholly inside a closed spell must be absent.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "log_test_files.h"

namespace {

using Log::RollingOutputToFile;
namespace fs = std::filesystem;

constexpr int writerCount = 4;
// The writers stop soon after the third rotation, well before a seventh would discard the
// oldest backup; the cap only ends a run whose lines hardly ever reach the file (on a loaded
// machine most lines can fall into the spells in which the sink is closed).
constexpr int linesPerWriter = 300000;
constexpr int linesBetweenLooks = 32;

std::atomic<std::uint64_t> ticketClock{0};
std::uint64_t ticket() {
    return ticketClock.fetch_add(1);
}

// The message of line `sequence` of writer `writer`: its identity, its own length and a
// payload that depends on both, so that a torn or mixed line cannot pass for a whole one.
std::string payloadOf(int writer, int sequence) {
    const std::size_t length =
        300 + static_cast<std::size_t>((sequence * 7919 + writer * 104729) % 2900);
    std::string payload(length, '\0');
    for (std::size_t index = 0; index < length; ++index) {
        payload[index] =
            static_cast<char>('a' + (writer * 5 + sequence + static_cast<int>(index)) % 26);
    }
    return payload;
}

std::string messageOf(int writer, int sequence) {
    return "stress w=" + std::to_string(writer) + " s=" + std::to_string(sequence) + " " +
           payloadOf(writer, sequence) + " end";
}

struct Attempt {
    std::uint64_t before;
    std::uint64_t after;
};

// A span of tickets in which the sink was open and good: from the ticket taken after an open
// returned to the ticket taken before the next close began.
struct Spell {
    std::uint64_t from;
    std::uint64_t to;
    bool contains(const Attempt& attempt) const {
        return from < attempt.before && attempt.after < to;
    }
};

enum class Expectation { Present, Absent, Either };

// Present when the statement ran wholly inside an open spell, absent when wholly inside a
// closed one (after a close returned, before the next open began); otherwise it overlapped an
// open or a close, and the guard may have seen either state.
Expectation expectationOf(const Attempt& attempt, const std::vector<Spell>& openSpells,
                          const std::vector<Spell>& closedSpells) {
    for (const Spell& spell : openSpells) {
        if (spell.contains(attempt)) return Expectation::Present;
    }
    for (const Spell& spell : closedSpells) {
        if (spell.contains(attempt)) return Expectation::Absent;
    }
    return Expectation::Either;
}

// Checks the header ("hh:mm:ss.mmm INF <thread id> ") and returns what follows it, or an
// empty string when the line has no proper header.
std::string messageAfterHeader(const std::string& line) {
    if (line.size() < 19 || line[2] != ':' || line[5] != ':' || line[8] != '.' ||
        line.compare(12, 5, " INF ") != 0) {
        return std::string();
    }
    const std::size_t idEnd = line.find(' ', 17);
    if (idEnd == std::string::npos || idEnd == 17) return std::string();
    for (std::size_t index = 17; index < idEnd; ++index) {
        if (line[index] < '0' || line[index] > '9') return std::string();
    }
    return line.substr(idEnd + 1);
}

class LogStressTest : public logtest::LogFolderTest {};

TEST_F(LogStressTest, WritersThroughRotationsWhileTheSinkClosesAndReopens) {
    const fs::path live = file("stress.log");
    std::vector<Spell> openSpells;
    std::vector<Spell> closedSpells;
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    std::uint64_t opened = ticket();

    std::atomic<int> writersDone{0};
    std::atomic<bool> enough{false};
    std::vector<std::vector<Attempt>> attempts(writerCount);
    std::vector<std::thread> writers;
    for (int writer = 0; writer < writerCount; ++writer) {
        writers.emplace_back([writer, &attempts, &writersDone, &enough, &live] {
            std::vector<Attempt>& mine = attempts[writer];
            mine.reserve(linesPerWriter / 10);
            for (int sequence = 0; sequence < linesPerWriter && !enough.load(); ++sequence) {
                const std::string message = messageOf(writer, sequence);
                const std::uint64_t before = ticket();
                LOG_AT(Log::INF) << message;
                mine.push_back({before, ticket()});
                // A closed sink makes a statement almost free: let the closer run instead of
                // racing through the sequence while it is closed.
                if (!RollingOutputToFile::isEnabled()) std::this_thread::yield();
                if (sequence % linesBetweenLooks == 0 && fs::exists(backup(live, 3))) {
                    enough.store(true);
                }
            }
            writersDone.fetch_add(1);
        });
    }

    // Open for a third of a millisecond or so, then closed for a moment, over and over.
    int reopenCount = 0;
    bool reopenedEnabled = true;
    while (writersDone.load() < writerCount) {
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        openSpells.push_back({opened, ticket()});
        RollingOutputToFile::close();
        const std::uint64_t closed = ticket();
        std::this_thread::yield();
        closedSpells.push_back({closed, ticket()});
        RollingOutputToFile::open(live.wstring());
        opened = ticket();
        reopenedEnabled = reopenedEnabled && RollingOutputToFile::isEnabled();
        ++reopenCount;
    }
    for (std::thread& writer : writers) writer.join();
    openSpells.push_back({opened, ticket()});
    RollingOutputToFile::close();

    int backups = 0;
    while (backups < RollingOutputToFile::backupCount && fs::exists(backup(live, backups + 1))) {
        ++backups;
    }
    EXPECT_TRUE(reopenedEnabled) << "a reopen left the sink disabled";
    EXPECT_GE(reopenCount, 10) << "the sink was hardly ever closed while the writers ran";

    // At least three rotations, and no backup discarded yet (that would lose lines).
    EXPECT_GE(backups, 3) << "fewer than three rotations";
    ASSERT_FALSE(fs::exists(backup(live, RollingOutputToFile::backupCount)))
        << "so many rotations that the oldest lines were discarded";

    // Read the files oldest first; count each line and check that each writer's lines stand in
    // the order in which it wrote them.
    std::map<std::pair<int, int>, int> found;
    std::vector<int> lastSequence(writerCount, -1);
    std::size_t malformed = 0;
    for (int number = RollingOutputToFile::backupCount; number >= 0; --number) {
        const fs::path part = number == 0 ? live : backup(live, number);
        if (!fs::exists(part)) continue;
        if (number > 0) {
            EXPECT_GT(fs::file_size(part),
                      static_cast<std::uintmax_t>(RollingOutputToFile::maxSize))
                << part << " was rotated before it was full";
        }
        for (std::string line : logtest::readLines(part)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string message = messageAfterHeader(line);
            int writer = -1;
            int sequence = -1;
            if (std::sscanf(message.c_str(), "stress w=%d s=%d", &writer, &sequence) != 2 ||
                writer < 0 || writer >= writerCount || sequence < 0 || sequence >= linesPerWriter ||
                message != messageOf(writer, sequence)) {
                if (++malformed <= 3)
                    ADD_FAILURE() << "torn or mixed line: " << line.substr(0, 120);
                continue;
            }
            ++found[{writer, sequence}];
            EXPECT_GT(sequence, lastSequence[writer]) << "writer " << writer << " out of order";
            lastSequence[writer] = sequence;
        }
    }
    EXPECT_EQ(malformed, 0u);

    std::size_t present = 0;
    std::size_t dropped = 0;
    std::size_t mustBePresent = 0;
    std::size_t mustBeAbsent = 0;
    for (int writer = 0; writer < writerCount; ++writer) {
        for (int sequence = 0; sequence < static_cast<int>(attempts[writer].size()); ++sequence) {
            const auto entry = found.find({writer, sequence});
            const int count = entry == found.end() ? 0 : entry->second;
            const Attempt& attempt = attempts[writer][sequence];
            switch (expectationOf(attempt, openSpells, closedSpells)) {
                case Expectation::Present:
                    ++mustBePresent;
                    EXPECT_EQ(count, 1) << "line w=" << writer << " s=" << sequence
                                        << " was written while the sink was open";
                    break;
                case Expectation::Absent:
                    ++mustBeAbsent;
                    EXPECT_EQ(count, 0) << "line w=" << writer << " s=" << sequence
                                        << " was written while the sink was closed";
                    break;
                case Expectation::Either:
                    EXPECT_LE(count, 1) << "line w=" << writer << " s=" << sequence;
                    break;
            }
            present += count > 0 ? 1 : 0;
            dropped += count == 0 ? 1 : 0;
        }
    }
    // The figures of the run, for the reliability table.
    std::printf(
        "stress: %d writers, %d rotations, %d reopens; %zu lines written, %zu dropped; "
        "%zu had to be present, %zu had to be absent\n",
        writerCount, backups, reopenCount, present, dropped, mustBePresent, mustBeAbsent);
}

}  // namespace
