#include "feature_catalogue.h"

#include <boost/assign/list_of.hpp>

namespace addon {
namespace {
FeatureVersionTable buildFeatureVersionTable() {
    return tableFromPairs(boost::assign::map_list_of<CString, std::string>  //
                          ("HX-140", "03.10")                               //
                          ("KPR140", "04.01")                               //
                          ("KWT140", "03.10")                               //
                          ("NKQ140", "03.10")                               //
                          ("NQT140", "03.10")                               //
                          ("HX-240", "02.15")                               //
                          ("HX-390", "02.15")                               //
                          ("HXM180", "00.00")                               //
                          ("HXP180", "00.00"));
}
}  // namespace

const FeatureVersionTable& featureVersionTable() {
    // A function-local static: built once under the compiler's guard, rebuilt on the next call
    // if building threw, and destroyed with the module's other statics at unload.
    static const FeatureVersionTable table = buildFeatureVersionTable();
    return table;
}

bool findFeatureVersion(const std::string& driveType, std::string& version) {
    const FeatureVersionTable& table = featureVersionTable();
    // Compared as CString compares a text: up to its terminator, which drops a NUL and all
    // that follows.
    auto entry = table.find(driveType.c_str());
    if (entry == table.end()) return false;
    version = entry->second;
    return true;
}

}  // namespace addon
