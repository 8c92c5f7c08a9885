// Breaks the contract: the sample, built with the std::string of before C++11
// (_GLIBCXX_USE_CXX11_ABI=0, see CMakeLists.txt), so that its strings, sets and maps are laid
// out differently from the host's. Its first call with a host container would corrupt memory.
#include "sample_addon.h"

SAMPLE_EXPORT_GET_VER
SAMPLE_EXPORT_GET_INTERFACE_VER
SAMPLE_EXPORT_GET_FEATURE
SAMPLE_EXPORT_GET_AS_DI_VECTOR
SAMPLE_EXPORT_GET_FEATURES_AND_VERSIONS
SAMPLE_EXPORT_GET_AS_FI_VECTOR
