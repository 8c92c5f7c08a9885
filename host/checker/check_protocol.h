#pragma once

// How the checker and a check process talk: the checker starts the host program again with the
// hidden options below to run one check in a process of its own, hands it its input in a file,
// and reads back how far it got, how it ended and its outcome from its result channel: a file
// the check process opens before it loads the module and keeps open until it ends.
//
// The channel holds records, each framed with a length and a keyed digest, so that whatever
// else lands in the file (a module that writes to every descriptor it finds, a process cut
// short mid-record) shows as damage instead of being read as a result.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

inline constexpr const char* checkChildOption = "--check-child";
inline constexpr const char* checkFilesOption = "--check-files";

// What a check process is given besides the module.
struct CheckInput {
    // The drive types asked besides those of the catalogue (the --drive codes and the probes).
    std::vector<std::string> extraDriveTypes;
    // The folder where check processes leave what later ones read: the catalogue's drive
    // types, the drive type the null-pointer probes pass, the first snapshot of every answer.
    // The checker never reads these itself, so that its memory does not grow with a module's
    // answers.
    std::string handedOnFolder;
    // The interface version getInterfaceVer must give.
    int interfaceVersion = 0;
    // The checker's process, with which the check process ends.
    unsigned long checkerProcess = 0;
    // The key of the records' digests, new for every check run.
    std::uint64_t channelKey = 0;
};

// What a check process hands back when the check returned.
struct CheckOutcome {
    bool passed = false;
    std::string seen;
    // What the checker learns besides the verdict, under the keys below.
    nlohmann::json data = nlohmann::json::object();
};

// Key of CheckOutcome::data: the exports the load check found.
inline constexpr const char* outcomeExports = "exports";

// The files of one check process, named by one prefix.
struct CheckFiles {
    explicit CheckFiles(const std::string& prefix)
        : input(prefix + ".input"), channel(prefix + ".results") {}
    std::filesystem::path input;
    std::filesystem::path channel;
};

// What check processes hand on to later ones, in CheckInput::handedOnFolder.
inline constexpr const char* handedOnDriveTypes = "drive-types";
inline constexpr const char* handedOnProbeDriveType = "probe-drive-type";
inline constexpr const char* handedOnSnapshot = "snapshot";

// Phases a check process reports as it goes on, and how the end handlers saw it end when it
// ended early.
inline constexpr const char* phaseLoading = "loading";
inline constexpr const char* phaseCalling = "calling";
inline constexpr const char* phaseCallingBeforeUnload = "calling-before-unload";
inline constexpr const char* phaseUnloading = "unloading";
inline constexpr const char* phaseExiting = "exiting";
inline constexpr const char* phaseDone = "done";
inline constexpr const char* endExit = "exit";
inline constexpr const char* endAbort = "abort";
inline constexpr const char* endTerminate = "terminate";

// Records of the result channel: "ACR1", the kind, the payload's length (4 bytes, little
// endian), the payload, and the 64-bit FNV-1a digest of the key, kind, length and payload
// (8 bytes, little endian).
enum class RecordKind : char { Phase = 'P', End = 'E', Outcome = 'O', HandedOn = 'H' };
inline constexpr std::size_t largestRecordPayload = 1 << 20;
std::string encodeRecord(RecordKind kind, std::string_view payload, std::uint64_t key);
std::uint64_t recordDigest(std::uint64_t key, std::string_view bytes);

// What a result channel held.
struct ChannelContents {
    std::string lastPhase;  // of the last phase record; empty when none
    std::string endLine;    // of the end record; empty when none
    std::optional<CheckOutcome> outcome;
    // Bytes that are no record the check process wrote, a record whose digest does not match,
    // an outcome that is no outcome: what is wrong, the same words for the same damage.
    std::optional<std::string> damage;
};

// Reads a channel record by record, holding at most one record at a time, and stops at the
// first damage. A damaged channel gives no outcome, nor does one that does not end with the
// phase "done". Never throws for what the stream holds.
ChannelContents readChannel(std::istream& in, std::uint64_t key);
ChannelContents readChannel(const std::filesystem::path& file, std::uint64_t key);

// An outcome as a record's payload and back (CBOR, which keeps every byte of a text: a
// module's answers need not be UTF-8). Decoding throws nlohmann::json::exception when the
// payload is no outcome.
std::string encodeOutcome(const CheckOutcome& outcome);
CheckOutcome decodeOutcome(std::string_view payload);

// A document in a file of one framed record, for the input and for what is handed on. Writing
// throws std::runtime_error when the file cannot be written; reading gives nothing when the
// file is missing, and throws std::runtime_error when it is damaged.
void writeFramedDocument(const std::filesystem::path& file, const nlohmann::json& document,
                         std::uint64_t key);
std::optional<nlohmann::json> readFramedDocument(const std::filesystem::path& file,
                                                 std::uint64_t key);

// The input goes unkeyed: the check process learns the key from it.
void writeCheckInput(const std::filesystem::path& file, const CheckInput& input);
CheckInput readCheckInput(const std::filesystem::path& file);

}  // namespace host
