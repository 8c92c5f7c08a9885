#pragma once

// The interface between a host and an add-on module: the names and signatures of the plain
// functions the host looks up in the module's export table. Every pointer parameter points to
// an object that the host owns; the module reads or fills it during the call only.
#include <map>
#include <set>
#include <string>

#include "addon001/afx/cstring.h"

namespace addon {

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
