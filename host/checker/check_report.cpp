#include "check_report.h"

#include <cstdio>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>

#include "text/utf8_text.h"

namespace host {

namespace {

struct Counts {
    std::size_t passed = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
};

Counts count(const std::vector<CheckResult>& results) {
    Counts counts;
    for (const CheckResult& result : results) {
        switch (result.verdict) {
            case CheckResult::Verdict::Passed:
                ++counts.passed;
                break;
            case CheckResult::Verdict::Failed:
                ++counts.failed;
                break;
            case CheckResult::Verdict::Skipped:
                ++counts.skipped;
                break;
        }
    }
    return counts;
}

const char* verdictWord(CheckResult::Verdict verdict) {
    switch (verdict) {
        case CheckResult::Verdict::Passed:
            return "pass";
        case CheckResult::Verdict::Failed:
            return "fail";
        case CheckResult::Verdict::Skipped:
            return "skip";
    }
    return "fail";
}

std::string seconds(std::chrono::duration<double> time) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(3) << time.count();
    return text.str();
}

std::chrono::duration<double> totalTime(const std::vector<CheckResult>& results) {
    std::chrono::duration<double> total{0};
    for (const CheckResult& result : results) total += result.time;
    return total;
}

// The module's file name without its ending, as the test cases' class ("Addon001").
std::string className(const std::string& module) {
    const std::string stem = std::filesystem::path(module).stem().string();
    return stem.empty() ? std::string("module") : stem;
}

}  // namespace

std::string checkLine(const CheckResult& result) {
    static const char* const words[] = {"PASS ", "FAIL ", "SKIP "};
    std::string line = words[static_cast<int>(result.verdict)] + escapeControls(result.name);
    if (!result.seen.empty()) line += " (" + escapeControls(result.seen) + ")";
    return line;
}

std::string escapeControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        // U+0080 to U+009F in UTF-8: 0xC2 followed by 0x80 to 0x9F.
        const bool c1 = byte == 0xC2 && index + 1 < text.size() &&
                        (static_cast<unsigned char>(text[index + 1]) & 0xE0) == 0x80;
        char escaped[8];
        switch (byte) {
            case '\n':
                out += "\\n";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\t':
                out += "\\t";
                continue;
            default:
                break;
        }
        if (c1) {
            std::snprintf(escaped, sizeof escaped, "\\u%04X",
                          static_cast<unsigned char>(text[index + 1]));
            out += escaped;
            ++index;
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string summaryLine(const std::vector<CheckResult>& results) {
    const Counts counts = count(results);
    return std::to_string(results.size()) + " checks: " + std::to_string(counts.passed) +
           " passed, " + std::to_string(counts.failed) + " failed, " +
           std::to_string(counts.skipped) + " skipped";
}

void writeCheckJson(std::ostream& out, const std::string& module,
                    const std::vector<CheckResult>& results) {
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const CheckResult& result : results) {
        checks.push_back({{"name", interfaceTextToUtf8(result.name)},
                          {"verdict", verdictWord(result.verdict)},
                          {"seen", interfaceTextToUtf8(result.seen)},
                          {"seconds", result.time.count()}});
    }
    const Counts counts = count(results);
    nlohmann::ordered_json document;
    document["module"] = interfaceTextToUtf8(module);
    document["checks"] = std::move(checks);
    document["summary"] = {{"checks", results.size()},
                           {"passed", counts.passed},
                           {"failed", counts.failed},
                           {"skipped", counts.skipped}};
    // Every text is UTF-8 already; the handler only keeps a fault of that from throwing.
    out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

void writeJUnit(std::ostream& out, const std::string& module,
                const std::vector<CheckResult>& results) {
    const Counts counts = count(results);
    const std::string totals = " tests=\"" + std::to_string(results.size()) + "\" failures=\"" +
                               std::to_string(counts.failed) + "\" errors=\"0\" skipped=\"" +
                               std::to_string(counts.skipped) + "\" time=\"" +
                               seconds(totalTime(results)) + "\"";
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuites name=\"addon-host --check\"" << totals << ">\n"
        << "  <testsuite name=\"" << xmlText(module) << "\"" << totals << ">\n";
    const std::string classAttribute = " classname=\"" + xmlText(className(module)) + "\"";
    for (const CheckResult& result : results) {
        out << "    <testcase name=\"" << xmlText(result.name) << "\"" << classAttribute
            << " time=\"" << seconds(result.time) << "\"";
        const std::string seen = xmlText(result.seen);
        switch (result.verdict) {
            case CheckResult::Verdict::Passed:
                if (seen.empty()) {
                    out << "/>\n";
                } else {
                    out << ">\n      <system-out>" << seen << "</system-out>\n    </testcase>\n";
                }
                break;
            case CheckResult::Verdict::Failed:
                out << ">\n      <failure message=\"" << seen << "\" type=\"FAIL\">" << seen
                    << "</failure>\n    </testcase>\n";
                break;
            case CheckResult::Verdict::Skipped:
                out << ">\n      <skipped message=\"" << seen << "\"/>\n    </testcase>\n";
                break;
        }
    }
    out << "  </testsuite>\n</testsuites>\n";
}

std::string xmlText(const std::string& text) {
    const std::string utf8 = interfaceTextToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t index = 0; index < utf8.size(); ++index) {
        const char character = utf8[index];
        const auto byte = static_cast<unsigned char>(character);
        switch (character) {
            case '&':
                out += "&amp;";
                continue;
            case '<':
                out += "&lt;";
                continue;
            case '>':
                out += "&gt;";
                continue;
            case '"':
                out += "&quot;";
                continue;
            case '\'':
                out += "&apos;";
                continue;
            case '\t':
                out += "&#9;";
                continue;
            case '\n':
                out += "&#10;";
                continue;
            case '\r':
                out += "&#13;";
                continue;
            default:
                break;
        }
        // U+FFFE and U+FFFF are no XML characters either.
        const bool nonCharacter = byte == 0xEF && index + 2 < utf8.size() &&
                                  static_cast<unsigned char>(utf8[index + 1]) == 0xBF &&
                                  (static_cast<unsigned char>(utf8[index + 2]) & 0xFE) == 0xBE;
        if (byte < 0x20 || nonCharacter) {
            char escaped[16];
            if (nonCharacter) {
                std::snprintf(escaped, sizeof escaped, "\\u%04X",
                              0xFFFE + (static_cast<unsigned char>(utf8[index + 2]) & 1));
                index += 2;
            } else {
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            }
            out += escaped;
            continue;
        }
        out += character;
    }
    return out;
}

}  // namespace host
