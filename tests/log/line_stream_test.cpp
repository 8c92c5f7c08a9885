#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <locale>
#include <new>
#include <sstream>
#include <string>

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

// With the classic global locale, the line's stream may be set up by writing the members that
// std::basic_ios::init sets instead of calling it (line_stream.cpp). Every byte of the stream's
// std::basic_ios base must then be what init leaves there: a member that a library release adds,
// moves or sets otherwise shows up as a byte that differs. Both objects start on the same
// pattern, so that bytes neither writes (padding) compare equal; a pointer into the object itself
// (the stream's own array of words) is compared by its offset. The first word, the pointer to
// the whole object's virtual table, differs by the object's class and is left out.
TEST(LineStream, SetsUpEveryByteOfTheStreamBaseAsInitDoes) {
    using Base = std::basic_ios<char>;
    ASSERT_TRUE(std::locale() == std::locale::classic());
    alignas(Log::LineStream) unsigned char lineMemory[sizeof(Log::LineStream)];
    alignas(std::ostream) unsigned char referenceMemory[sizeof(std::ostream)];
    std::memset(lineMemory, 0x5a, sizeof lineMemory);
    std::memset(referenceMemory, 0x5a, sizeof referenceMemory);
    auto* line = new (lineMemory) Log::LineStream;
    auto* reference = new (referenceMemory) std::ostream(line->rdbuf());

    const auto* lineBase = reinterpret_cast<const unsigned char*>(static_cast<Base*>(line));
    const auto* referenceBase =
        reinterpret_cast<const unsigned char*>(static_cast<Base*>(reference));
    const auto asOffset = [](std::uintptr_t word, const unsigned char* base) {
        const auto start = reinterpret_cast<std::uintptr_t>(base);
        return word >= start && word < start + sizeof(Base) ? word - start : word;
    };
    static_assert(sizeof(Base) % sizeof(std::uintptr_t) == 0);
    for (std::size_t at = sizeof(void*); at < sizeof(Base); at += sizeof(std::uintptr_t)) {
        std::uintptr_t lineWord = 0;
        std::uintptr_t referenceWord = 0;
        std::memcpy(&lineWord, lineBase + at, sizeof lineWord);
        std::memcpy(&referenceWord, referenceBase + at, sizeof referenceWord);
        EXPECT_EQ(asOffset(lineWord, lineBase), asOffset(referenceWord, referenceBase))
            << "at byte " << at << " of " << sizeof(Base);
    }
    reference->~basic_ostream();
    line->~LineStream();
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

}  // namespace
