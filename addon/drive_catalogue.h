#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "addon001/addon/drive_info_fields.h"

namespace addon {

// The values of one drive type's fields, by field index; an empty string is an absent field.
using DriveInfoSlots = std::vector<std::string>;

// The drive type codes the add-on supports, in catalogue order, built afresh on every call.
std::vector<std::string> driveCatalogue();

// Field key to field index ("D" 0 ... "M" 13): empty until initDriveInfoTables fills it.
const std::map<std::string, int>& driveInfoFieldTable();

// Fills the field table unless that has completed already.
void initDriveInfoTables();

// Fourteen empty slots (the field table is filled first).
DriveInfoSlots makeDriveInfoSlots();

// Empties the slots, then gives them fourteen empty strings again.
void resetDriveInfoSlots(DriveInfoSlots& slots);

// Brings the slots to fourteen elements and puts the code into field D (index 0).
void setDriveType(DriveInfoSlots& slots, const std::string& code);

// The present fields in index order as key=value joined by ";" ("D=HX-140"), nothing escaped.
// Anything thrown while the text is built is logged as "Unknown exception" and replaced by a
// thrown char* to "CString setDriveInfoString() failed".
std::string setDriveInfoString(const DriveInfoSlots& slots);

// Inserts the drive-info string of every code into `driveInfos`.
void expandDriveCatalogue(const std::vector<std::string>& codes, std::set<std::string>& driveInfos);

// What getAsDIVector does: empties `driveInfos` and fills it from the whole catalogue.
void fillDriveInfos(std::set<std::string>& driveInfos);

}  // namespace addon
