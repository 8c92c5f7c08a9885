// The result channel between the checker and its check processes: records that arrive whole
// are read back; any byte out of place, a cut, a foreign key or a forged length is damage.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

#include "checker/check_protocol.h"

namespace {

using host::ChannelContents;
using host::RecordKind;

constexpr std::uint64_t key = 0x5eed5eed12345678ULL;

std::vector<std::string> passingRecords() {
    host::CheckOutcome outcome;
    outcome.passed = true;
    outcome.seen = "7 in 100 calls";
    outcome.data["exports"] = {"getVer"};
    return {host::encodeRecord(RecordKind::Phase, "loading", key),
            host::encodeRecord(RecordKind::Phase, "calling", key),
            host::encodeRecord(RecordKind::Outcome, host::encodeOutcome(outcome), key),
            host::encodeRecord(RecordKind::Phase, "done", key)};
}

std::string passingChannel() {
    std::string channel;
    for (const std::string& record : passingRecords()) channel += record;
    return channel;
}

ChannelContents read(const std::string& bytes, std::uint64_t withKey = key) {
    std::istringstream in(bytes);
    return host::readChannel(in, withKey);
}

TEST(CheckChannelTest, WholeRecordsAreReadBack) {
    const ChannelContents contents = read(passingChannel());
    EXPECT_FALSE(contents.damage) << *contents.damage;
    ASSERT_TRUE(contents.outcome);
    EXPECT_TRUE(contents.outcome->passed);
    EXPECT_EQ(contents.outcome->seen, "7 in 100 calls");
    EXPECT_EQ(contents.outcome->data["exports"][0], "getVer");
    EXPECT_EQ(contents.lastPhase, "done");
    EXPECT_TRUE(contents.endLine.empty());

    const ChannelContents ended =
        read(host::encodeRecord(RecordKind::Phase, "calling", key) +
             host::encodeRecord(RecordKind::End, "terminate threw an int (42)", key));
    EXPECT_FALSE(ended.damage);
    EXPECT_FALSE(ended.outcome);
    EXPECT_EQ(ended.endLine, "terminate threw an int (42)");
    EXPECT_FALSE(read("").damage);
}

TEST(CheckChannelTest, AnyDamageIsSeenAndNoOutcomeSurvivesIt) {
    const std::string channel = passingChannel();
    // Every byte changed, one at a time.
    for (std::size_t index = 0; index < channel.size(); ++index) {
        std::string damaged = channel;
        damaged[index] = static_cast<char>(damaged[index] ^ 0x20);
        const ChannelContents contents = read(damaged);
        EXPECT_TRUE(contents.damage) << "byte " << index;
        EXPECT_FALSE(contents.outcome) << "byte " << index;
    }
    // Cut anywhere but between records, or with bytes before, among or after the records.
    std::set<std::size_t> boundaries;
    std::size_t end = 0;
    for (const std::string& record : passingRecords()) boundaries.insert(end += record.size());
    for (std::size_t size = 1; size < channel.size(); ++size) {
        EXPECT_EQ(!read(channel.substr(0, size)).damage, boundaries.count(size) == 1) << size;
    }
    EXPECT_EQ(*read(channel.substr(0, channel.size() - 1)).damage, "a record cut short");
    EXPECT_TRUE(read("garbage" + channel).damage);
    EXPECT_TRUE(read(channel + "\n").damage);
    const std::string record = host::encodeRecord(RecordKind::Phase, "calling", key);
    EXPECT_TRUE(read(channel.substr(0, 40) + "xx" + channel.substr(40)).damage);
    EXPECT_TRUE(read(record + record.substr(0, 5) + channel).damage);
}

TEST(CheckChannelTest, RecordsNeedTheRunsKeyAndTheirPlace) {
    EXPECT_EQ(*read(passingChannel(), key + 1).damage,
              "a record whose digest does not match its bytes");
    // A second outcome, a second end, an outcome that is no outcome, a handed-on record.
    const std::string outcome =
        host::encodeRecord(RecordKind::Outcome, host::encodeOutcome(host::CheckOutcome{}), key);
    EXPECT_TRUE(read(outcome + outcome).damage);
    const std::string end = host::encodeRecord(RecordKind::End, "exit", key);
    EXPECT_TRUE(read(end + end).damage);
    EXPECT_EQ(*read(host::encodeRecord(RecordKind::Outcome, "not CBOR at all", key)).damage,
              "an outcome that cannot be read");
    EXPECT_TRUE(read(host::encodeRecord(RecordKind::Outcome, "\xa1\x61x\x01", key)).damage);
    EXPECT_TRUE(read(host::encodeRecord(RecordKind::HandedOn, "", key)).damage);
}

TEST(CheckChannelTest, AForgedLengthIsRefusedBeforeAnythingIsRead) {
    // A header that claims 4 GiB: refused at once, not allocated.
    std::string header = "ACR1O";
    header += std::string("\xff\xff\xff\xff", 4);
    EXPECT_EQ(*read(header + "short").damage, "a record longer than any the check process writes");
}

}  // namespace
