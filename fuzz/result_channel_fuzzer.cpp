// The checker's reader of a check process's result channel. On any bytes it must neither crash
// nor throw nor allocate what a forged length asks for; and a channel that a check process
// wrote with a passing outcome, once damaged (bytes changed, or cut short), must give no
// outcome at all: the checker then fails the check, never passes it.
//
// The first byte chooses what the rest is: 0 the channel itself; 1 bytes XORed onto a passing
// channel; 2 the length (two bytes) it is cut to; 3 both, the cut first.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "checker/check_protocol.h"
#include "fuzz_check.h"

namespace {

constexpr std::uint64_t key = 0x0123456789abcdefULL;

const std::string& passingChannel() {
    static const std::string channel = [] {
        host::CheckOutcome outcome;
        outcome.passed = true;
        outcome.seen = "7 in 100 calls";
        outcome.data["exports"] = {"getVer", "getInterfaceVer"};
        return host::encodeRecord(host::RecordKind::Phase, host::phaseLoading, key) +
               host::encodeRecord(host::RecordKind::Phase, host::phaseCalling, key) +
               host::encodeRecord(host::RecordKind::Outcome, host::encodeOutcome(outcome), key) +
               host::encodeRecord(host::RecordKind::Phase, host::phaseDone, key);
    }();
    return channel;
}

host::ChannelContents read(const std::string& bytes) {
    std::istringstream in(bytes);
    return host::readChannel(in, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int mode = data[0] & 3;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (mode == 0) {
        const host::ChannelContents contents = read(std::string(rest));
        fuzzing::check(!(contents.damage && contents.outcome), "an outcome from a damaged channel");
        return 0;
    }
    std::string channel = passingChannel();
    if (mode & 2) {
        if (rest.size() < 2) return 0;
        const std::size_t cut =
            static_cast<unsigned char>(rest[0]) | (static_cast<std::size_t>(rest[1]) & 0xFF) << 8;
        if (cut < channel.size()) channel.resize(cut);
        rest.remove_prefix(2);
    }
    if (mode & 1) {
        for (std::size_t index = 0; index < rest.size() && index < channel.size(); ++index) {
            channel[index] = static_cast<char>(channel[index] ^ rest[index]);
        }
    }
    const host::ChannelContents contents = read(channel);
    if (channel == passingChannel()) {
        fuzzing::check(contents.outcome && contents.outcome->passed && !contents.damage,
                       "a whole channel not read back");
    } else {
        fuzzing::check(!contents.outcome, "an outcome from a damaged channel");
    }
    return 0;
}
