// The check results as text for documents that must be UTF-8 and well-formed: the JSON and
// JUnit reports (the JUnit file itself is read back by an XML parser in junit_report_test.py).
#include "checker/check_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "text/utf8_text.h"

namespace {

using host::interfaceTextToUtf8;
using host::isUtf8;

TEST(Utf8TextTest, OnlyWellFormedUtf8IsUtf8) {
    for (const char* valid : {"", "plain", "caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
                              "\xf4\x8f\xbf\xbf", "\xed\x9f\xbf"}) {
        EXPECT_TRUE(isUtf8(valid)) << valid;
    }
    EXPECT_TRUE(isUtf8(std::string("a\0b", 3)));
    // Overlong forms, surrogates, beyond U+10FFFF, stray and missing continuation bytes.
    for (const char* invalid :
         {"\xc0\x80", "\xc1\xbf", "\xe0\x80\x80", "\xe0\x9f\xbf", "\xed\xa0\x80",
          "\xf0\x80\x80\x80", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\x80", "\xe2\x82",
          "\xc3"
          "A",
          "caf\xe9"}) {
        EXPECT_FALSE(isUtf8(invalid)) << invalid;
    }
}

TEST(Utf8TextTest, OtherTextIsReadAsWindows1252) {
    EXPECT_EQ(interfaceTextToUtf8("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(interfaceTextToUtf8("\x80-100"), "\xe2\x82\xac-100");
    EXPECT_EQ(interfaceTextToUtf8("\x9f\xff"), "\xc5\xb8\xc3\xbf");
    // The bytes the code page leaves unassigned keep their numbers.
    EXPECT_EQ(interfaceTextToUtf8("\x81\x8d\x8f\x90\x9d"),
              "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d");
    // Well-formed UTF-8 is kept; one stray byte makes the whole text Windows-1252.
    EXPECT_EQ(interfaceTextToUtf8("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(interfaceTextToUtf8("\xc3\xa9\xe9"), "\xc3\x83\xc2\xa9\xc3\xa9");

    // Whatever the bytes, the result is UTF-8, one character per byte.
    std::mt19937 random(14);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 12, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random() % 256);
        const std::string text = interfaceTextToUtf8(bytes);
        ASSERT_TRUE(isUtf8(text));
        if (!isUtf8(bytes)) {
            std::size_t characters = 0;
            for (char byte : text) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
            EXPECT_EQ(characters, bytes.size());
        }
    }
}

TEST(CheckReportTest, XmlTextHoldsNothingXmlCannotRead) {
    EXPECT_EQ(host::xmlText("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;");
    EXPECT_EQ(host::xmlText("tab\tline\nend\r"), "tab&#9;line&#10;end&#13;");
    EXPECT_EQ(host::xmlText(std::string("nul\0bell\x07", 9)), "nul\\x00bell\\x07");
    EXPECT_EQ(host::xmlText("\xef\xbf\xbe\xef\xbf\xbf\xef\xbf\xbd"), "\\uFFFE\\uFFFF\xef\xbf\xbd");
    EXPECT_EQ(host::xmlText("Caf\xe9"), "Caf\xc3\xa9");
}

std::vector<host::CheckResult> sampleResults() {
    using Verdict = host::CheckResult::Verdict;
    return {
        {Verdict::Passed, "export getVer is present", "", std::chrono::milliseconds(2)},
        {Verdict::Failed, "getFeature returns 0", "\"Caf\xe9\", then \"\"",
         std::chrono::milliseconds(30)},
        {Verdict::Skipped, "getAsFIVector only adds", "needs getAsFIVector, which is missing", {}}};
}

TEST(CheckReportTest, LinesAndTheirCount) {
    const auto results = sampleResults();
    EXPECT_EQ(host::checkLine(results[0]), "PASS export getVer is present");
    EXPECT_EQ(host::checkLine(results[2]),
              "SKIP getAsFIVector only adds (needs getAsFIVector, which is missing)");
    EXPECT_EQ(host::summaryLine(results), "3 checks: 1 passed, 1 failed, 1 skipped");
    EXPECT_EQ(host::summaryLine({}), "0 checks: 0 passed, 0 failed, 0 skipped");
}

TEST(CheckReportTest, JsonIsValidWhateverTheTexts) {
    std::ostringstream out;
    host::writeCheckJson(out,
                         "/tmp/Mod\xfc"
                         "le.so",
                         sampleResults());
    const nlohmann::json document = nlohmann::json::parse(out.str());
    EXPECT_EQ(document["module"], "/tmp/Mod\xc3\xbcle.so");
    ASSERT_EQ(document["checks"].size(), 3u);
    EXPECT_EQ(document["checks"][1]["verdict"], "fail");
    EXPECT_EQ(document["checks"][1]["seen"], "\"Caf\xc3\xa9\", then \"\"");
    EXPECT_EQ(document["checks"][2]["verdict"], "skip");
    EXPECT_DOUBLE_EQ(document["checks"][1]["seconds"].get<double>(), 0.030);
    EXPECT_EQ(document["summary"],
              nlohmann::json({{"checks", 3}, {"passed", 1}, {"failed", 1}, {"skipped", 1}}));
}

}  // namespace
