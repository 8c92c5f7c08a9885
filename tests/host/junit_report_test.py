#!/usr/bin/env python3
"""Runs `addon-host --check --junit FILE` on each module given and reads FILE back with
Python's XML parser, as a CI server would: one test suite, one test case per check line of the
same run, in the same order, with the same name; a <failure> with the line's message for each
FAIL, a <skipped> with its reason for each SKIP, nothing for a PASS; and counts that agree.

Usage: junit_report_test.py [--emulator PROGRAM] HOST MODULE...
Exit status 0 when every report holds, 1 otherwise.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

VERDICTS = ("PASS ", "FAIL ", "SKIP ")


def host_text(raw):
    """A text of the host's output as the reports give it: UTF-8 as it is, anything else read
    byte for byte as Windows-1252 (its unassigned bytes keep their numbers)."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        characters = []
        for byte in raw:
            try:
                characters.append(bytes([byte]).decode("cp1252"))
            except UnicodeDecodeError:
                characters.append(chr(byte))
        return "".join(characters)


def check_lines(output):
    """(verdict, name, seen) for each check line, and the lines that are no check."""
    checks, others = [], []
    for raw in output.splitlines():
        line = host_text(raw.rstrip(b"\r"))
        if not line.startswith(VERDICTS):
            others.append(line)
            continue
        rest = line[5:]
        name, _, seen = rest.partition(" (")
        checks.append((line[:4], name, seen[:-1] if seen else ""))
    return checks, others


def verify(host, emulator, module, folder):
    report = os.path.join(folder, os.path.basename(module) + ".xml")
    command = ([emulator] if emulator else []) + [host, "--check", "--junit", report, module]
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False,
                         timeout=600)
    problems = []
    checks, others = check_lines(run.stdout)
    failed = sum(1 for check in checks if check[0] == "FAIL")
    skipped = sum(1 for check in checks if check[0] == "SKIP")
    if not checks:
        return ["no check lines (exit code %d): %r" % (run.returncode, run.stderr)]
    if (run.returncode == 0) != (failed == 0):
        problems.append("exit code %d with %d failed checks" % (run.returncode, failed))

    root = ElementTree.parse(report).getroot()
    suites = root.findall("testsuite")
    if root.tag != "testsuites" or len(suites) != 1:
        return problems + ["not one <testsuite> in <testsuites>"]
    suite = suites[0]
    for element in (root, suite):
        expected = {"tests": len(checks), "failures": failed, "skipped": skipped, "errors": 0}
        for attribute, value in expected.items():
            if int(element.get(attribute, "-1")) != value:
                problems.append("%s %s=%s, expected %d" %
                                (element.tag, attribute, element.get(attribute), value))
    cases = suite.findall("testcase")
    if len(cases) != len(checks):
        problems.append("%d test cases for %d check lines" % (len(cases), len(checks)))
    stem = os.path.splitext(os.path.basename(module))[0]
    for case, (verdict, name, seen) in zip(cases, checks):
        where = "test case %r" % name
        if case.get("name") != name:
            problems.append("%s is named %r" % (where, case.get("name")))
        if case.get("classname") != stem:
            problems.append("%s has class %r" % (where, case.get("classname")))
        if float(case.get("time", "-1")) < 0:
            problems.append("%s has no time" % where)
        failure = case.find("failure")
        skip = case.find("skipped")
        if verdict == "FAIL":
            if failure is None or failure.get("message") != seen or (failure.text or "") != seen:
                problems.append("%s: no <failure> saying %r" % (where, seen))
        elif verdict == "SKIP":
            if skip is None or skip.get("message") != seen:
                problems.append("%s: no <skipped> saying %r" % (where, seen))
        elif failure is not None or skip is not None:
            problems.append("%s passed, but the report has a failure or a skip" % where)
    summary = "%d checks: %d passed, %d failed, %d skipped" % (
        len(checks), len(checks) - failed - skipped, failed, skipped)
    if others != [summary]:
        problems.append("the run did not end with %r: %r" % (summary, others))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--emulator", default="")
    parser.add_argument("host")
    parser.add_argument("modules", nargs="+")
    arguments = parser.parse_args()
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for module in arguments.modules:
            problems = verify(arguments.host, arguments.emulator, module, folder)
            for problem in problems:
                print("%s: %s" % (os.path.basename(module), problem))
            if not problems:
                print("%s: the JUnit report holds" % os.path.basename(module))
            failures += bool(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
