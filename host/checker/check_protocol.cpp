#include "check_protocol.h"

#include <array>
#include <fstream>
#include <stdexcept>

namespace host {

namespace {

constexpr std::string_view recordMagic = "ACR1";
constexpr std::size_t headerSize = 4 + 1 + 4;
constexpr std::size_t digestSize = 8;

void appendLittleEndian(std::string& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t index = 0; index < bytes; ++index) {
        out += static_cast<char>((value >> (8 * index)) & 0xFF);
    }
}

std::uint64_t readLittleEndian(const char* bytes, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t index = 0; index < count; ++index) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[index]))
                 << (8 * index);
    }
    return value;
}

bool isKind(char kind) {
    return kind == static_cast<char>(RecordKind::Phase) ||
           kind == static_cast<char>(RecordKind::End) ||
           kind == static_cast<char>(RecordKind::Outcome) ||
           kind == static_cast<char>(RecordKind::HandedOn);
}

// Reads exactly `count` bytes; false when the stream ends first.
bool readExactly(std::istream& in, char* into, std::size_t count) {
    in.read(into, static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount()) == count;
}

// One record: its kind and payload; a damage text when the next bytes are no record; nothing
// at the clean end of the stream.
struct NextRecord {
    bool end = false;
    std::optional<std::string> damage;
    RecordKind kind = RecordKind::Phase;
    std::string payload;
};

NextRecord readRecord(std::istream& in, std::uint64_t key) {
    NextRecord next;
    std::array<char, headerSize> header{};
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) {
        next.end = true;
        return next;
    }
    if (got < header.size() || std::string_view(header.data(), 4) != recordMagic ||
        !isKind(header[4])) {
        next.damage = "bytes that are no record of the check process";
        return next;
    }
    const std::uint64_t length = readLittleEndian(header.data() + 5, 4);
    if (length > largestRecordPayload) {
        next.damage = "a record longer than any the check process writes";
        return next;
    }
    next.payload.resize(static_cast<std::size_t>(length));
    std::array<char, digestSize> digest{};
    if (!readExactly(in, next.payload.data(), next.payload.size()) ||
        !readExactly(in, digest.data(), digest.size())) {
        next.damage = "a record cut short";
        return next;
    }
    std::string framed(header.data(), header.size());
    framed += next.payload;
    if (readLittleEndian(digest.data(), digest.size()) != recordDigest(key, framed)) {
        next.damage = "a record whose digest does not match its bytes";
        return next;
    }
    next.kind = static_cast<RecordKind>(header[4]);
    return next;
}

std::string readWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeWholeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string toCbor(const nlohmann::json& document) {
    const std::vector<std::uint8_t> bytes = nlohmann::json::to_cbor(document);
    return std::string(bytes.begin(), bytes.end());
}

nlohmann::json fromCbor(std::string_view bytes) {
    return nlohmann::json::from_cbor(bytes.begin(), bytes.end());
}

}  // namespace

std::uint64_t recordDigest(std::uint64_t key, std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    };
    for (std::size_t index = 0; index < 8; ++index) mix((key >> (8 * index)) & 0xFF);
    for (char byte : bytes) mix(static_cast<unsigned char>(byte));
    return hash;
}

std::string encodeRecord(RecordKind kind, std::string_view payload, std::uint64_t key) {
    std::string record(recordMagic);
    record += static_cast<char>(kind);
    appendLittleEndian(record, payload.size(), 4);
    record += payload;
    appendLittleEndian(record, recordDigest(key, record), digestSize);
    return record;
}

namespace {
ChannelContents readRecords(std::istream& in, std::uint64_t key) {
    ChannelContents contents;
    while (true) {
        NextRecord next = readRecord(in, key);
        if (next.end) return contents;
        if (next.damage) {
            contents.damage = std::move(next.damage);
            return contents;
        }
        switch (next.kind) {
            case RecordKind::Phase:
                contents.lastPhase = std::move(next.payload);
                break;
            case RecordKind::End:
                // The end handlers write at most one.
                if (!contents.endLine.empty()) {
                    contents.damage = "a second record of how the process ended";
                    return contents;
                }
                contents.endLine = std::move(next.payload);
                break;
            case RecordKind::Outcome:
                if (contents.outcome) {
                    contents.damage = "a second outcome";
                    return contents;
                }
                try {
                    contents.outcome = decodeOutcome(next.payload);
                } catch (const std::exception&) {
                    contents.damage = "an outcome that cannot be read";
                    contents.outcome.reset();
                    return contents;
                }
                break;
            case RecordKind::HandedOn:
                contents.damage = "a record that belongs in no result channel";
                return contents;
        }
    }
}

}  // namespace

ChannelContents readChannel(std::istream& in, std::uint64_t key) {
    ChannelContents contents = readRecords(in, key);
    // Nothing of a damaged channel counts, not even an outcome that came whole before; and an
    // outcome counts only once the process said it was done after it (the channel then holds
    // everything it wrote).
    if (contents.damage || contents.lastPhase != phaseDone) contents.outcome.reset();
    return contents;
}

ChannelContents readChannel(const std::filesystem::path& file, std::uint64_t key) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return ChannelContents{};
    return readChannel(in, key);
}

std::string encodeOutcome(const CheckOutcome& outcome) {
    return toCbor({{"passed", outcome.passed}, {"seen", outcome.seen}, {"data", outcome.data}});
}

CheckOutcome decodeOutcome(std::string_view payload) {
    const nlohmann::json document = fromCbor(payload);
    CheckOutcome outcome;
    outcome.passed = document.at("passed").get<bool>();
    outcome.seen = document.at("seen").get<std::string>();
    outcome.data = document.at("data");
    if (!outcome.data.is_object()) {
        throw nlohmann::json::type_error::create(302, "the data is no object", &document);
    }
    return outcome;
}

void writeFramedDocument(const std::filesystem::path& file, const nlohmann::json& document,
                         std::uint64_t key) {
    writeWholeFile(file, encodeRecord(RecordKind::HandedOn, toCbor(document), key));
}

std::optional<nlohmann::json> readFramedDocument(const std::filesystem::path& file,
                                                 std::uint64_t key) {
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) return std::nullopt;
    const std::string bytes = readWholeFile(file);
    const auto damaged = [&file] {
        return std::runtime_error("what an earlier check process left in " + file.string() +
                                  " is damaged");
    };
    if (bytes.size() < headerSize + digestSize) throw damaged();
    const std::size_t payloadSize = bytes.size() - headerSize - digestSize;
    if (bytes.compare(0, recordMagic.size(), recordMagic) != 0 ||
        bytes[4] != static_cast<char>(RecordKind::HandedOn) ||
        readLittleEndian(bytes.data() + 5, 4) != payloadSize ||
        readLittleEndian(bytes.data() + headerSize + payloadSize, digestSize) !=
            recordDigest(key, std::string_view(bytes).substr(0, headerSize + payloadSize))) {
        throw damaged();
    }
    try {
        return fromCbor(std::string_view(bytes).substr(headerSize, payloadSize));
    } catch (const nlohmann::json::exception&) {
        throw damaged();
    }
}

void writeCheckInput(const std::filesystem::path& file, const CheckInput& input) {
    writeFramedDocument(file,
                        {{"extraDriveTypes", input.extraDriveTypes},
                         {"handedOnFolder", input.handedOnFolder},
                         {"interfaceVersion", input.interfaceVersion},
                         {"checkerProcess", input.checkerProcess},
                         {"channelKey", input.channelKey}},
                        0);
}

CheckInput readCheckInput(const std::filesystem::path& file) {
    const std::optional<nlohmann::json> document = readFramedDocument(file, 0);
    if (!document) throw std::runtime_error("no input in " + file.string());
    CheckInput input;
    input.extraDriveTypes = document->at("extraDriveTypes").get<std::vector<std::string>>();
    input.handedOnFolder = document->at("handedOnFolder").get<std::string>();
    input.interfaceVersion = document->at("interfaceVersion").get<int>();
    input.checkerProcess = document->at("checkerProcess").get<unsigned long>();
    input.channelKey = document->at("channelKey").get<std::uint64_t>();
    return input;
}

}  // namespace host
