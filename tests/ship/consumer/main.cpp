// Uses the installed libraries as another add-on's developer would: writes a log record with
// the logging library, keeps a text in the class library's CString, and asks an installed
// add-on its version through the platform layer's module loader.
#include <iostream>

#include "afx/cstring.h"
#include "log_statement.h"
#include "module_loader.h"
#include "wide_path_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: consumer MODULE LOG_FILE\n";
        return 1;
    }
    const platform::LoadedModule module(argv[1]);
    auto* getVer = module.find<int()>("getVer");
    if (getVer == nullptr) return 1;
    const CString who("consumer");

    Log::RollingOutputToFile::open(platform::widenPath(argv[2]));
    LOG_AT(Log::INF) << who.GetString() << " sees getVer " << getVer();
    Log::RollingOutputToFile::close();
    std::cout << who.GetString() << " sees getVer " << getVer() << '\n';
    return 0;
}
