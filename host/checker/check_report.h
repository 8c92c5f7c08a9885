#pragma once

// The results of a check run, as lines for a reader, as one JSON document, and as a JUnit XML
// report for CI servers (GitLab, Jenkins, CTest read it).
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct CheckResult {
    enum class Verdict { Passed, Failed, Skipped };
    Verdict verdict = Verdict::Failed;
    std::string name;  // "getVer gives the same answer on every call"
    std::string seen;  // what was seen, or why the check was skipped; may be empty
    std::chrono::duration<double> time{0};
};

// "PASS <name> (<seen>)", "FAIL ...", "SKIP ...", with the control characters of name and
// seen escaped, so that a line is one line and a module's text cannot steer a terminal.
std::string checkLine(const CheckResult& result);

// A text for a line of output: control characters as "\xNN" (C0 and DEL; "\n", "\r" and
// "\t" for line breaks and tabs) or "\u00NN" (C1, in UTF-8).
std::string escapeControls(const std::string& text);

// "28 checks: 27 passed, 1 failed, 0 skipped".
std::string summaryLine(const std::vector<CheckResult>& results);

// {"module": ..., "checks": [{"name", "verdict": "pass"|"fail"|"skip", "seen", "seconds"}],
//  "summary": {"checks", "passed", "failed", "skipped"}}; every text as UTF-8 (utf8_text.h).
void writeCheckJson(std::ostream& out, const std::string& module,
                    const std::vector<CheckResult>& results);

// One test suite named after the module, one test case per check, with its failure or skip
// and its message.
void writeJUnit(std::ostream& out, const std::string& module,
                const std::vector<CheckResult>& results);

// A text for an XML attribute or element: UTF-8, markup characters as entities, and the
// characters XML 1.0 cannot hold at all (most control characters) as "\xNN".
std::string xmlText(const std::string& text);

}  // namespace host
