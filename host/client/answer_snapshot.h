#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "addon001/addon/addon_interface.h"
#include "module/export_table.h"

namespace host {

// What one drive type code was answered by the two feature exports, each asked with an empty
// container of the host's.
struct FeatureAnswers {
    int result = 0;
    addon::FeatureMap features;
    int namesResult = 0;
    addon::FeatureSet names;
};

// Every answer of a module, taken in one go. Exports that the module lacks are not asked and
// leave their fields as they are.
struct AnswerSnapshot {
    int version = 0;
    int interfaceVersion = 0;
    int identityResult = 0;
    std::string identity;
    int catalogueResult = 0;
    addon::DriveInfoSet catalogue;
    std::vector<std::string> driveTypes;  // in the order they were asked
    std::map<std::string, FeatureAnswers> features;
    // The calls that threw ("getAsDIVector", "getAsFIVector(\"HX-140\")") and what they threw;
    // the other calls of the snapshot are made all the same.
    std::map<std::string, std::string> thrown;
};

// The order in which a snapshot asks the exports.
enum class CallOrder {
    // Versions, identity, drive catalogue, then both feature exports for each drive type.
    // The drive types asked are those of the catalogue followed by `driveTypes`.
    Forward,
    // The same calls the other way round: feature names before features, drive types
    // backwards, then catalogue, identity and versions. Asks exactly `driveTypes`.
    Reverse,
};

// The drive types a host asks: the codes of the catalogue's drive-info strings in set order,
// then `more`, each once.
std::vector<std::string> driveTypesAsked(const addon::DriveInfoSet& catalogue,
                                         const std::vector<std::string>& more);

AnswerSnapshot takeSnapshot(const ExportTable& exports, const std::vector<std::string>& driveTypes,
                            CallOrder order);

// The first answer in which two snapshots differ, described for a reader; empty when every
// answer is the same.
std::string firstDifference(const AnswerSnapshot& first, const AnswerSnapshot& second);

// A snapshot as data, for a check run in another process; the texts keep every byte (the
// data travels as CBOR, which does not ask for UTF-8).
nlohmann::json snapshotToData(const AnswerSnapshot& snapshot);
// Throws nlohmann::json::exception when the data is no snapshot.
AnswerSnapshot snapshotFromData(const nlohmann::json& data);

// A set of strings for a message: {"a", "b"}, cut short after a few elements.
std::string describeStrings(const std::set<std::string>& strings);

// A map of strings for a message: {"a": "b"}.
std::string describeMap(const std::map<std::string, std::string>& map);

}  // namespace host
