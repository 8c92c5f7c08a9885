#pragma once

// The interface between a host and an add-on module: the names and signatures of the plain
// functions the host looks up in the module's export table. Every pointer parameter points to
// an object that the host owns; the module reads or fills it during the call only.
//
// The exports are plain C functions (extern "C": undecorated names, no C++ name mangling) with
// the platform's default C calling convention: the System V AMD64 one on Linux, the Microsoft
// x64 one on 64-bit Windows (where __cdecl, the default, means that one; never __stdcall, which
// would decorate a 32-bit name). <addon001/addon/addon_exports.h> declares them so.
//
// Their parameters are C++ objects of the host (std::string, std::set, std::map, CString), so a
// module must use the host's C++ runtime (libstdc++ with the C++11 std::string; on Windows
// MinGW-w64's libstdc++-6.dll, SEH exceptions) and the host's class-library layer (afxlayer),
// which holds CString. Enrolment with the class library (AfxInitExtensionModule and a
// CDynLinkLibrary) is not needed to answer the host: the host only looks up and calls the six
// exports. A module enrols only when it registers runtime classes or object factories that the
// host must find through the chain of class-library modules; it then runs
// AfxExtensionModuleStartup before its static objects, enrols after them and withdraws with
// AfxTermExtensionModule at unload (<addon001/afx/extension_module.h>).
#include <map>
#include <set>
#include <string>

#include "addon001/afx/cstring.h"

namespace addon {

// The version of the interface that this header describes and the host speaks: what
// getInterfaceVer must return.
inline constexpr int interfaceVersion = 120;

using DriveInfoSet = std::set<std::string>;
using FeatureMap = std::map<std::string, std::string>;
using FeatureSet = std::set<std::string>;

using GetVerFunction = int();
using GetInterfaceVerFunction = int();
using GetFeatureFunction = int(CString* identity);
using GetAsDIVectorFunction = int(DriveInfoSet* driveInfos);
using GetFeaturesAndVersionsFunction = int(const std::string* driveType, FeatureMap* features);
using GetAsFIVectorFunction = int(const std::string* driveType, FeatureSet* features);

inline constexpr const char* getVerName = "getVer";
inline constexpr const char* getInterfaceVerName = "getInterfaceVer";
inline constexpr const char* getFeatureName = "getFeature";
inline constexpr const char* getAsDIVectorName = "getAsDIVector";
inline constexpr const char* getFeaturesAndVersionsName = "getFeaturesAndVersions";
inline constexpr const char* getAsFIVectorName = "getAsFIVector";

// Results of the exports.
inline constexpr int resultOk = 0;
inline constexpr int resultNone = -1;  // nothing to report, or a null pointer was passed

}  // namespace addon
