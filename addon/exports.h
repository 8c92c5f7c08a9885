#pragma once

// The module's export table: plain undecorated names, the platform's default calling
// convention, an int result each. Nothing else is exported.
#include <type_traits>

#include "addon001/addon/addon_export.h"
#include "addon001/addon/addon_interface.h"

extern "C" {

// 100, the add-on's version.
ADDON_EXPORT int getVer();

// 120, the version of the interface the add-on speaks.
ADDON_EXPORT int getInterfaceVer();

// Assigns the add-on's identity text to the host's string; 0, or -1 for a null pointer.
ADDON_EXPORT int getFeature(CString* identity);

// Replaces the host's set by one drive-info string ("D=HX-140") per supported drive type;
// 0, or -1 for a null pointer.
ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos);

// Replaces the host's map by the features offered for one drive type with their version
// texts: 0 when the drive type has any, -1 when it has none (or a pointer is null).
ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features);

// Adds the names of the features offered for one drive type to the host's set; returns what
// getFeaturesAndVersions returns for it.
ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* features);

}  // extern "C"

// The exports must keep the signatures the host looks them up with.
static_assert(std::is_same_v<decltype(getVer), addon::GetVerFunction>);
static_assert(std::is_same_v<decltype(getInterfaceVer), addon::GetInterfaceVerFunction>);
static_assert(std::is_same_v<decltype(getFeature), addon::GetFeatureFunction>);
static_assert(std::is_same_v<decltype(getAsDIVector), addon::GetAsDIVectorFunction>);
static_assert(
    std::is_same_v<decltype(getFeaturesAndVersions), addon::GetFeaturesAndVersionsFunction>);
static_assert(std::is_same_v<decltype(getAsFIVector), addon::GetAsFIVectorFunction>);
