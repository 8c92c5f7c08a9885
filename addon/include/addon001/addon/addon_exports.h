#pragma once

// The export table of every add-on module: six plain C functions (extern "C", undecorated
// names, the platform's default C calling convention), each with an int result. An add-on
// includes this header and defines all six; the compiler then holds each definition to the
// signature the host looks it up with, and ADDON_EXPORT puts it into the export table. A
// module exports nothing else (built with addon001_add_addon, its export map says so too).
#include <type_traits>

#include "addon001/addon/addon_export.h"
#include "addon001/addon/addon_interface.h"

extern "C" {

// The add-on's own version.
ADDON_EXPORT int getVer();

// The version of the interface the add-on speaks: addon::interfaceVersion.
ADDON_EXPORT int getInterfaceVer();

// Assigns the add-on's identity text to the host's string, the same on every call; 0, or -1 for
// a null pointer.
ADDON_EXPORT int getFeature(CString* identity);

// Replaces the host's set by one drive-info string ("D=HX-140") per supported drive type
// (fields as in <addon001/addon/drive_info_fields.h>); 0, or -1 for a null pointer.
ADDON_EXPORT int getAsDIVector(addon::DriveInfoSet* driveInfos);

// Replaces the host's map by the features offered for one drive type with their version texts
// ("03.10"): 0 when the drive type has any, -1 when it has none (or a pointer is null).
ADDON_EXPORT int getFeaturesAndVersions(const std::string* driveType, addon::FeatureMap* features);

// Adds the names of the features offered for one drive type to the host's set, keeping what it
// held; returns what getFeaturesAndVersions returns for it.
ADDON_EXPORT int getAsFIVector(const std::string* driveType, addon::FeatureSet* features);

}  // extern "C"

// The declarations keep the signatures the host looks the exports up with.
static_assert(std::is_same_v<decltype(getVer), addon::GetVerFunction>);
static_assert(std::is_same_v<decltype(getInterfaceVer), addon::GetInterfaceVerFunction>);
static_assert(std::is_same_v<decltype(getFeature), addon::GetFeatureFunction>);
static_assert(std::is_same_v<decltype(getAsDIVector), addon::GetAsDIVectorFunction>);
static_assert(
    std::is_same_v<decltype(getFeaturesAndVersions), addon::GetFeaturesAndVersionsFunction>);
static_assert(std::is_same_v<decltype(getAsFIVector), addon::GetAsFIVectorFunction>);
