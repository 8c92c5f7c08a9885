#!/usr/bin/env python3
"""Every shell command in README.md and docs/*.md works from the repository root, as written,
and every FetchContent pin (GIT_TAG) they show is a commit or a tag of the repository.

Each command of every ```sh block is checked against the repository: scripts it names exist and
are executable, presets exist in CMakePresets.json (configure, build or test presets as the
command needs), paths into a build folder name an existing preset and a program the build makes,
and package or module files are given by a path from the root (build/<preset>/...). Then the
commands that need only what this build made run for real from the root, with build/<preset>/
read as this build's folder: the host and the log reader with their documented arguments, and
scripts/run.sh --json, whose standard output must be one JSON document.

Usage: documented_commands_test.py SOURCE_DIR BUILD_DIR [--no-run-script]
"""
import json
import os
import re
import shlex
import subprocess
import sys

TOOLS = {"cmake", "ctest", "cpack", "apt-get", "dpkg-deb", "dpkg", "pkg-config", "addon-host",
         "addon-log", "wine64", "man", "cd"}
# Files the build makes: packages, modules and libraries of the project's own names.
BUILT_FILE = re.compile(r"(^|/)(addon001|Addon001|libaddonlog|afxlayer)[^/]*\.(deb|zip|so|dll)$")
PLACEHOLDER = "path/to/"


def commands_of(markdown):
    """(line number, command text) of every command of the ```sh blocks."""
    found, block, number = [], None, 0
    for number, line in enumerate(markdown.splitlines(), 1):
        if line.strip() == "```sh":
            block = []
            continue
        if block is not None and line.strip() == "```":
            block = None
            continue
        if block is not None:
            text = line.strip()
            if text and not text.startswith("#"):
                found.append((number, text))
    return found


def simple_commands(text):
    """The commands of one line, split at && and ; and with a subshell's parentheses removed."""
    tokens = shlex.split(text.replace("(", " ").replace(")", " "), comments=True)
    commands, current = [], []
    for token in tokens:
        if token in ("&&", ";", "||"):
            commands.append(current)
            current = []
        else:
            current.append(token)
    commands.append(current)
    return [command for command in commands if command]


class Checker:
    def __init__(self, source, build):
        self.source, self.build = source, build
        with open(os.path.join(source, "CMakePresets.json"), encoding="utf-8") as file:
            presets = json.load(file)
        self.presets = {kind: {p["name"] for p in presets.get(kind, []) if not p.get("hidden")}
                        for kind in ("configurePresets", "buildPresets", "testPresets")}
        bin_folder = os.path.join(build, "bin")
        self.programs = set(os.listdir(bin_folder)) if os.path.isdir(bin_folder) else set()
        self.programs.add("addon-bench")  # built only with the benchmark packages

    def preset_path(self, path, where):
        """Problems of a path below build/: an existing preset's folder and, below bin/, a
        program the build makes."""
        parts = os.path.normpath(path).split(os.sep)
        if len(parts) < 2 or parts[1] not in self.presets["configurePresets"]:
            return [f"{where}: {path}: no configure preset named like its build folder"]
        if len(parts) >= 4 and parts[2] == "bin":
            name = parts[3][:-4] if parts[3].endswith(".exe") else parts[3]
            if name not in self.programs:
                return [f"{where}: {path}: the build makes no program {name}"]
        if len(parts) == 3 and parts[2] == "wine-run.sh" and parts[1] != "windows":
            return [f"{where}: {path}: only the windows build has the Wine wrapper"]
        return []

    def check(self, text, where):
        problems, folder = [], "."
        for command in simple_commands(text):
            program, arguments = command[0], command[1:]
            if program == "cd":
                folder = os.path.normpath(os.path.join(folder, arguments[0]))
                if folder.startswith("build" + os.sep):
                    problems += self.preset_path(folder, where)
                continue
            if program.startswith("scripts/"):
                script = os.path.join(self.source, program)
                if not os.access(script, os.X_OK):
                    problems.append(f"{where}: {program}: no executable script of that name")
            elif program.startswith("build/"):
                problems += self.preset_path(program, where)
            elif program not in TOOLS and not os.path.isabs(program):
                problems.append(f"{where}: {program}: not a command of the project or its tools")
            if "--preset" in arguments:
                name = arguments[arguments.index("--preset") + 1]
                kind = ("testPresets" if program == "ctest" else
                        "buildPresets" if "--build" in arguments else "configurePresets")
                if name not in self.presets[kind]:
                    problems.append(f"{where}: no {kind[:-7]} preset {name}")
            for argument in arguments:
                if argument.startswith(PLACEHOLDER) or argument.startswith("-"):
                    continue
                path = os.path.normpath(os.path.join(folder, argument))
                if path.startswith("build" + os.sep):
                    problems += self.preset_path(path, where)
                elif BUILT_FILE.search(argument) and not os.path.isabs(argument):
                    problems.append(f"{where}: {argument}: a file that only exists below a build "
                                    f"folder, named as if the command ran there")
        return problems


def pin_problems(markdown, name, source):
    """Problems of the FetchContent pins (GIT_TAG) of a document: each must be a commit of the
    repository (a full hash) or one of its tags. Nothing to check outside a Git checkout."""
    git = ["git", "-C", source]
    if subprocess.run(git + ["rev-parse", "--git-dir"], capture_output=True).returncode != 0:
        return []
    problems = []
    for number, line in enumerate(markdown.splitlines(), 1):
        for ref in re.findall(r"\bGIT_TAG\s+([^\s)`]+)", line):
            if re.fullmatch(r"[0-9a-f]{40}", ref):
                wanted = ref + "^{commit}"
            else:
                wanted = "refs/tags/" + ref
            found = subprocess.run(git + ["rev-parse", "-q", "--verify", wanted],
                                   capture_output=True).returncode == 0
            if not found:
                problems.append(f"{name}:{number}: GIT_TAG {ref} is neither a commit (full hash) "
                                f"nor a tag of the repository")
    return problems


def run(command, where, build, source):
    """Runs a documented host or log reader command from the root, with its build folder read as
    this build's; returns the problem, or None."""
    tokens = shlex.split(command, comments=True)
    tokens[0] = re.sub(r"^build/[^/]+/", build.rstrip("/") + "/", tokens[0])
    result = subprocess.run(tokens, cwd=source, capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        return f"{where}: {command}: exit code {result.returncode}\n{result.stderr}"
    if "--json" in tokens and "--check" not in tokens:
        try:
            json.loads(result.stdout)
        except ValueError as error:
            return f"{where}: {command}: standard output is not one JSON document ({error})"
    return None


def main():
    source, build = sys.argv[1], sys.argv[2]
    run_script = "--no-run-script" not in sys.argv
    checker = Checker(source, build)

    # The checker itself finds what a new user ran into: a package named as if the command ran
    # in the build folder, and a build folder of no preset.
    for wrong in ("dpkg-deb --contents addon001_1.0.0_amd64.deb", "build/nopreset/bin/addon-host"):
        if not checker.check(wrong, "self-check"):
            print(f"the checker accepts a wrong command: {wrong}")
            return 1

    if not pin_problems("GIT_TAG v0.0.0-none", "self-check", source) and \
            subprocess.run(["git", "-C", source, "rev-parse"], capture_output=True).returncode == 0:
        print("the checker accepts a FetchContent pin to a tag the repository lacks")
        return 1

    files = ["README.md"] + sorted("docs/" + name for name in os.listdir(os.path.join(source, "docs"))
                                   if name.endswith(".md"))
    problems, ran, count = [], 0, 0
    for name in files:
        with open(os.path.join(source, name), encoding="utf-8") as file:
            markdown = file.read()
        problems += pin_problems(markdown, name, source)
        commands = commands_of(markdown)
        for number, text in commands:
            where = f"{name}:{number}"
            count += 1
            problems += checker.check(text, where)
            runnable = re.match(r"^build/[^/]+/bin/addon-(host|log)\s", text + " ")
            if runnable and PLACEHOLDER not in text and "--check" not in text and \
                    not re.match(r"^build/windows/", text):
                problem = run(text, where, build, source)
                ran += 1
                if problem:
                    problems.append(problem)
    if run_script:
        # The README's own example: only the host's JSON on standard output.
        command = "scripts/run.sh --json --drive HX-140"
        result = subprocess.run(shlex.split(command), cwd=source, capture_output=True, text=True,
                                timeout=1500)
        ran += 1
        try:
            document = json.loads(result.stdout)
            if result.returncode != 0 or not isinstance(document, dict):
                raise ValueError(f"exit code {result.returncode}")
        except ValueError as error:
            problems.append(f"README.md: {command}: standard output is not the host's JSON "
                            f"document ({error}):\n{result.stdout[:2000]}\n"
                            f"its standard error ends:\n{result.stderr[-2000:]}")
    for problem in problems:
        print(problem)
    print(f"{count} documented commands checked, {ran} run, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
