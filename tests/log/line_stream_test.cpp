#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <locale>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "addon001/log/detail/line_stream.h"
#include "failing_allocation.h"

namespace {

// Inserts the same things into both streams.
template <class Insert>
void expectSameText(Insert insert) {
    Log::LineStream line;
    std::ostringstream reference;
    insert(line);
    insert(reference);
    EXPECT_EQ(line.str(), reference.str());
    EXPECT_TRUE(line.good());
}

TEST(LineStream, KeepsEveryCharacterOfLinesOfAnyLength) {
    // Pieces of many lengths, so that the in-place part fills up at every possible offset.
    expectSameText([](std::ostream& out) {
        for (int length = 0; length < 600; length += 7) {
            out << std::string(static_cast<std::size_t>(length),
                               static_cast<char>('a' + length % 26));
            out.put('|');
        }
    });
    expectSameText([](std::ostream& out) {
        for (int index = 0; index < 2000; ++index) out << static_cast<char>('0' + index % 10);
    });
    expectSameText([](std::ostream& out) { out << std::string(100000, 'x') << "end"; });
}

TEST(LineStream, FormatsAsAStringStreamDoes) {
    expectSameText([](std::ostream& out) {
        out << std::hex << 255 << ' ' << std::setw(6) << std::setfill('*') << 42 << std::dec << ' '
            << 1.5 << ' ' << -7 << ' ' << true << std::boolalpha << ' ' << false;
    });
}

TEST(LineStream, StrCanBeTakenWhileWritingGoesOn) {
    Log::LineStream line;
    line << std::string(300, 'a');
    EXPECT_EQ(line.str(), std::string(300, 'a'));
    line << "b";
    EXPECT_EQ(line.str(), std::string(300, 'a') + "b");
}

TEST(LineStream, RunningOutOfMemoryMakesTheStreamBadAndTheLineShorter) {
    const std::string longText(1000, 'x');
    Log::LineStream line;
    line << "kept ";
    bool failed = false;
    {
        // The first allocation is the spill of the in-place part.
        failing_allocation::Scope failing(1);
        line << longText;
        failed = failing_allocation::failedYet();
    }
    if (!failed) {
        GTEST_SKIP() << "the string's allocations do not reach this program's operator new "
                        "(its code lives in the C++ runtime DLL)";
    }
    EXPECT_TRUE(line.bad());
    const std::string text = line.str();
    EXPECT_EQ(text.substr(0, 5), "kept ");
    EXPECT_LT(text.size(), 1005u);
}

// A stream's state as a new std::ostream has it, whatever way it was set up.
TEST(LineStream, StartsInTheStateOfANewStream) {
    Log::LineStream line;
    std::ostringstream reference;
    EXPECT_EQ(line.flags(), reference.flags());
    EXPECT_EQ(line.precision(), reference.precision());
    EXPECT_EQ(line.width(), reference.width());
    EXPECT_EQ(line.fill(), reference.fill());
    EXPECT_EQ(line.exceptions(), reference.exceptions());
    EXPECT_EQ(line.rdstate(), reference.rdstate());
    EXPECT_EQ(line.tie(), nullptr);
    EXPECT_TRUE(line.getloc() == reference.getloc());
    EXPECT_NE(line.rdbuf(), nullptr);
    // Stream extensions (iword, pword, callbacks) work as on any stream.
    const int index = std::ios_base::xalloc();
    line.iword(index) = 7;
    EXPECT_EQ(line.iword(index), 7);
}

// Grouping digits in threes, as some locales do.
struct ThousandsApart : std::numpunct<char> {
    char do_thousands_sep() const override { return '\''; }
    std::string do_grouping() const override { return "\3"; }
};

// With another global locale, a line formats numbers as that locale says, as any new stream.
TEST(LineStream, FollowsANonClassicGlobalLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new ThousandsApart));
    expectSameText([](std::ostream& out) { out << 1234567 << ' ' << 12.5 << ' ' << 42; });
    Log::LineStream line;
    line << 1234567;
    std::locale::global(previous);
    EXPECT_EQ(line.str(), "1'234'567");
    // Back to the classic locale: no grouping again.
    expectSameText([](std::ostream& out) { out << 1234567; });
    Log::LineStream classic;
    classic << 1234567;
    EXPECT_EQ(classic.str(), "1234567");
}

// The line end is added even when the stream refuses it, and only once.
TEST(LineStream, EndLineAddsOneLineEndInEveryState) {
    Log::LineStream good;
    good << "text";
    good.endLine();
    EXPECT_EQ(good.str(), "text\n");

    Log::LineStream bad;
    const char* missing = nullptr;
    bad << "text" << missing;
    ASSERT_TRUE(bad.bad());
    bad.endLine();
    EXPECT_EQ(bad.str(), "text\n");

    // A full in-place part and a spilled line alike.
    for (std::size_t length : {239u, 240u, 241u, 5000u}) {
        Log::LineStream line;
        line << std::string(length, 'x');
        line.endLine();
        EXPECT_EQ(line.str(), std::string(length, 'x') + "\n") << length;
    }
}

// A thread's record streams are reused: each lease starts empty and in a new stream's state,
// whatever the record before did to it, also under another global locale since.
TEST(LineStreamLease, StartsEachRecordInTheStateOfANewStream) {
    const Log::LineStream* first = nullptr;
    {
        const Log::LineStreamLease lease;
        first = &*lease;
        *lease << std::hex << std::setprecision(2) << std::setw(9) << std::setfill('*')
               << std::showbase << std::string(5000, 'x');
        lease->exceptions(std::ios_base::badbit);
        lease->setstate(std::ios_base::failbit);
        lease->tie(&std::cout);
        lease->imbue(std::locale(std::locale::classic(), new ThousandsApart));
    }
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new ThousandsApart));
    {
        const Log::LineStreamLease lease;
        EXPECT_EQ(&*lease, first) << "the thread's stream was not reused";
        std::ostringstream reference;
        EXPECT_EQ(lease->view(), "");
        EXPECT_EQ(lease->flags(), reference.flags());
        EXPECT_EQ(lease->precision(), reference.precision());
        EXPECT_EQ(lease->width(), reference.width());
        EXPECT_EQ(lease->fill(), reference.fill());
        EXPECT_EQ(lease->exceptions(), reference.exceptions());
        EXPECT_EQ(lease->rdstate(), reference.rdstate());
        EXPECT_EQ(lease->tie(), nullptr);
        *lease << 1234567;
        EXPECT_EQ(lease->str(), "1'234'567");
    }
    std::locale::global(previous);
    const Log::LineStreamLease lease;
    *lease << 1234567;
    EXPECT_EQ(lease->str(), "1234567");
}

// Leases taken while others are held get streams of their own; when no stream can be made
// (memory ran out), the lease has one of its own all the same.
TEST(LineStreamLease, NestedLeasesAndNoMemoryGetStreamsOfTheirOwn) {
    const Log::LineStreamLease outer;
    *outer << "outer";
    const Log::LineStreamLease inner;
    EXPECT_NE(&*inner, &*outer);
    *inner << "inner";
    // Deeper than this thread has nested before: a stream must be made, and cannot be.
    std::vector<std::unique_ptr<Log::LineStreamLease>> deeper;
    for (int level = 0; level < 8; ++level) {
        deeper.push_back(std::make_unique<Log::LineStreamLease>());
    }
    failing_allocation::Scope failing(1);
    const Log::LineStreamLease deepest;
    EXPECT_TRUE(failing_allocation::failedYet());
    *deepest << "deepest";
    EXPECT_EQ(deepest->view(), "deepest");
    EXPECT_EQ(inner->view(), "inner");
    EXPECT_EQ(outer->view(), "outer");
}

}  // namespace
