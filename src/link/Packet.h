#pragma once
// The UART packet format shared by the tool and the virtual module:
//   0xAA, length (16 bit, MSB first, counts opcode + parameters), opcode, parameters, checksum.
// The checksum makes the low 8 bits of the sum of every byte after 0xAA zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nuvex3 {

inline constexpr std::uint8_t kStartByte = 0xAA;
inline constexpr std::size_t kRecordSize = 1508;       // command and event records
inline constexpr std::size_t kMaxCommandParams = 1505; // record bytes after count + opcode
inline constexpr std::size_t kTxBufferSize = 1500;     // largest single write
inline constexpr std::size_t kReassemblySize = 1501;   // bytes kept after the start byte
// Most parameters one command may carry: its packet must fit a single write.
inline constexpr std::size_t kMaxWireParams = kTxBufferSize - 5;

// A command record ([0..1] parameter count MSB first, [2] opcode, [3..] parameters) or an
// event record ([0..1] length, [2] event opcode, [3..] parameters, rearranged by decoders).
using Record = std::array<std::uint8_t, kRecordSize>;

// Event kinds reported with every record.
enum EventKind : int {
    kKindCommandSent = 0,
    kKindPacketReceived = 1,
    kKindCommandComplete = 2,
    kKindDebugData = 3,
    kKindLocalInformation = 4,
    kKindAdcValue = 5,
    kKindDeviceName = 6,
    kKindPairingMode = 7,
    kKindRssi = 8,
    kKindRemoteName = 9,
    kKindDioControl = 10,
    kKindPairedDevices = 11,
    kKindStatusReport = 12,
    kKindCharacteristicValue = 13,
    kKindValueByUuid = 14,
    kKindAdvertisingReport = 15,
    kKindConnectionComplete = 16,
    kKindDisconnectionComplete = 17,
    kKindConnectionParameterUpdate = 18,
    kKindPrimaryServiceResult = 19,
    kKindCharacteristicResult = 20,
    kKindDescriptorResult = 21,
    kKindCharacteristicValueReceived = 22,
    kKindClientWrite = 23,
    kKindLocalCharacteristicValue = 24,
    kKindTransparentData = 25,
    kKindPasskeyEntryRequest = 26,
    kKindPairingComplete = 27,
    kKindPasskeyConfirmRequest = 28,
    kKindConfigureModeStatus = 29,
    kKindCustomerDemo = 30,
    kKindChecksumError = 31,
    kKindEventF9 = 32,
    kKindEventC0 = 33,
    // A command written through the queue got no clearing event in time; the record is
    // the command. The layer has cleared the awaiting flag and pumped the queue.
    kKindCommandTimeout = 34,
};

// Checksum over the bytes that follow the start byte (length, opcode, parameters).
std::uint8_t packetChecksum(std::span<const std::uint8_t> afterStart);

// A whole packet on the wire for opcode + parameters.
std::vector<std::uint8_t> framePacket(std::uint8_t opcode, std::span<const std::uint8_t> params);

// A command record for opcode + parameters (parameters beyond the record are cut).
Record makeCommandRecord(std::uint8_t opcode, std::span<const std::uint8_t> params);

// Parameter count of a command record.
inline std::size_t commandParamCount(const Record& r) {
    return (static_cast<std::size_t>(r[0]) << 8) | r[1];
}

// The wire packet for a command record; empty when the count does not fit the record.
std::vector<std::uint8_t> frameCommandRecord(const Record& record);

// Byte-at-a-time packet reassembly. Hunts for 0xAA, collects the length, opcode,
// parameters and checksum. A zero length, or a length that does not fit the buffer, drops
// the packet and hunts again. Never writes past its buffer.
class Reassembler {
public:
    enum class Result {
        None,        // byte consumed, no packet finished
        Packet,      // a packet with a good checksum is in buffer()[0 .. size())
        BadChecksum, // a complete packet whose checksum failed is in buffer()[0 .. size())
        Oversize,    // the announced length does not fit: dropped, hunting again
    };

    Result feed(std::uint8_t byte);
    void reset() { fill_ = -1; }

    // The packet without its start byte: [0..1] length, [2] opcode, [3..] params, checksum.
    const std::array<std::uint8_t, kReassemblySize>& buffer() const { return buf_; }
    std::size_t size() const { return last_; }
    bool hunting() const { return fill_ < 0; }

private:
    std::array<std::uint8_t, kReassemblySize> buf_{};
    int fill_ = -1;
    std::size_t last_ = 0;
};

} // namespace nuvex3
