#include "addon001/log/level.h"

namespace Log {

const char* levelName(int level) {
    switch (level) {
        case FAT:
            return "FAT";
        case ERR:
            return "ERR";
        case WAR:
            return "WAR";
        case INF:
            return "INF";
        case DBG:
            return "DBG";
        case DB1:
            return "DB1";
        case DB2:
            return "DB2";
        case DB3:
            return "DB3";
        default:
            return "---";
    }
}

}  // namespace Log
