#include "addon001/log/exception_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "addon001/log/text_conversion.h"
#include "addon001/platform/com_error.h"

namespace reports_test {

struct DerivedError : std::runtime_error {
    DerivedError() : std::runtime_error("derived failure") {}
};

}  // namespace reports_test

namespace {

using Log::operator<<;

const HRESULT unspecifiedFailure = static_cast<HRESULT>(0x80004005u);

template <class Error>
std::string report(const Error& error) {
    std::ostringstream stream;
    stream << error;
    return stream.str();
}

// The meaning's wording is the platform's own; the report writes it as the error gives it.
std::string meaningOf(const _com_error& error) {
    return Log::toNarrow(error.ErrorMessage());
}

TEST(StdExceptionReport, NamesTheDynamicType) {
    try {
        throw reports_test::DerivedError();
    } catch (const std::exception& caught) {
        EXPECT_EQ(report(caught), "Caught reports_test::DerivedError: derived failure");
    }
    const std::out_of_range standard("index 7");
    const std::exception& base = standard;
    EXPECT_EQ(report(base), "Caught std::out_of_range: index 7");
}

TEST(ComErrorReport, WithoutErrorInformationSourceAndDescriptionAreMissing) {
    const _com_error error(unspecifiedFailure);
    const std::string meaning = meaningOf(error);
    EXPECT_FALSE(meaning.empty());
    EXPECT_EQ(report(error), "Caught _com_error Code = 0x80004005 Code meaning = " + meaning +
                                 " Source = ??? Error Description = ???");
}

TEST(ComErrorReport, WritesTheTextsOfTheErrorInformation) {
    const _com_error error =
        platform::makeComError(unspecifiedFailure, L"Drive.Link", L"no answer from caf\u00E9");
    EXPECT_EQ(report(error),
              "Caught _com_error Code = 0x80004005 Code meaning = " + meaningOf(error) +
                  " Source = Drive.Link Error Description = no answer from caf\xE9");
}

TEST(ComErrorReport, AMissingDescriptionIsMarkedButAnEmptySourceIsWrittenEmpty) {
    const _com_error sourceOnly =
        platform::makeComError(unspecifiedFailure, L"Drive.Link", nullptr);
    EXPECT_EQ(report(sourceOnly),
              "Caught _com_error Code = 0x80004005 Code meaning = " + meaningOf(sourceOnly) +
                  " Source = Drive.Link Error Description = ???");

    const _com_error emptySource = platform::makeComError(unspecifiedFailure, L"", L"lost");
    EXPECT_EQ(report(emptySource),
              "Caught _com_error Code = 0x80004005 Code meaning = " + meaningOf(emptySource) +
                  " Source =  Error Description = lost");
}

TEST(ComErrorReport, CodesAreWrittenAsEightUnsignedDigits) {
    // A failure code (top bit set) is not sign-extended; a success code is zero-padded.
    const _com_error failure(static_cast<HRESULT>(0xFFFFFFFFu));
    EXPECT_NE(report(failure).find("Code = 0xffffffff Code meaning = "), std::string::npos);
    const _com_error success(static_cast<HRESULT>(1));
    EXPECT_NE(report(success).find("Code = 0x00000001 Code meaning = "), std::string::npos);
}

TEST(ExceptionReports, ReturnTheStreamWithoutALineEnd) {
    std::ostringstream stream;
    stream << std::runtime_error("x") << '|' << _com_error(unspecifiedFailure) << '|';
    const std::string text = stream.str();
    EXPECT_EQ(text.substr(0, 29), "Caught std::runtime_error: x|");
    EXPECT_EQ(text.substr(text.size() - 4), "???|");
}

}  // namespace
