#include <gtest/gtest.h>

#include <iomanip>
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

}  // namespace
