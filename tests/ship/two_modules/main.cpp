#include <cstdio>
#include <filesystem>

void firstOpen(const wchar_t* path);
void firstClose();
bool secondLog();

// Usage: two_modules LOG_FILE. Prints whether the second module saw the log file open.
int main(int argc, char** argv) {
    if (argc != 2) return 1;
    firstOpen(std::filesystem::path(argv[1]).wstring().c_str());
    const bool secondSawOpenFile = secondLog();
    firstClose();
    std::printf("second module: log file %s\n", secondSawOpenFile ? "open" : "closed");
    return 0;
}
