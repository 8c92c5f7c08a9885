// getAsDIVector: the drive types the add-on supports, as drive-info strings.
#include "drive_catalogue.h"
#include "exports.h"

int getAsDIVector(addon::DriveInfoSet* driveInfos) {
    if (driveInfos == nullptr) return addon::resultNone;
    addon::fillDriveInfos(*driveInfos);
    return addon::resultOk;
}
