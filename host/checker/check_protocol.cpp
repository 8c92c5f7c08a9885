#include "check_protocol.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace host {

namespace {
void writeDocument(const std::filesystem::path& file, const nlohmann::json& document) {
    const std::vector<std::uint8_t> bytes = nlohmann::json::to_cbor(document);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

nlohmann::json readDocument(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return nlohmann::json::from_cbor(bytes);
}
}  // namespace

void writeCheckInput(const std::filesystem::path& file, const CheckInput& input) {
    writeDocument(file, {{"driveTypes", input.driveTypes},
                         {"snapshotDriveTypes", input.snapshotDriveTypes},
                         {"probeDriveType", input.probeDriveType},
                         {"checkerProcess", input.checkerProcess}});
}

CheckInput readCheckInput(const std::filesystem::path& file) {
    const nlohmann::json document = readDocument(file);
    CheckInput input;
    input.driveTypes = document.at("driveTypes").get<std::vector<std::string>>();
    input.snapshotDriveTypes = document.at("snapshotDriveTypes").get<std::vector<std::string>>();
    input.probeDriveType = document.at("probeDriveType").get<std::string>();
    input.checkerProcess = document.at("checkerProcess").get<unsigned long>();
    return input;
}

void writeCheckOutcome(const std::filesystem::path& file, const CheckOutcome& outcome) {
    writeDocument(file,
                  {{"passed", outcome.passed}, {"seen", outcome.seen}, {"data", outcome.data}});
}

CheckOutcome readCheckOutcome(const std::filesystem::path& file) {
    const nlohmann::json document = readDocument(file);
    CheckOutcome outcome;
    outcome.passed = document.at("passed").get<bool>();
    outcome.seen = document.at("seen").get<std::string>();
    outcome.data = document.at("data");
    return outcome;
}

}  // namespace host
