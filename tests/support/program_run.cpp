#include "program_run.h"

#include <atomic>

#include "addon001/platform/remove_tree.h"
#include "built_files.h"
#include "scratch_folder.h"

namespace test_support {

ProgramRun runProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      std::optional<std::chrono::milliseconds> timeLimit) {
    // A folder per run, so that runs from several threads do not share their output files.
    static std::atomic<int> runs{0};
    const auto folder = scratchFolder("program-run-" + std::to_string(++runs));
    platform::ChildOptions options;
    options.output = folder / "out.txt";
    options.errors = folder / "err.txt";
    options.timeLimit = timeLimit;
    ProgramRun run;
    run.end = platform::runChild(program, arguments, options);
    run.exitCode = run.end.kind == platform::ChildEnd::Kind::Exited ? run.end.code : -1;
    run.out = readFile(options.output);
    run.err = readFile(options.errors);
    platform::removeTree(folder);
    return run;
}

ProgramRun runHost(const std::vector<std::string>& arguments) {
    return runProgram(builtProgram("addon-host"), arguments);
}

}  // namespace test_support
