#pragma once
// The command layer: frames commands into packets, keeps them in order in a queue with
// at most one awaiting its answer, reassembles and decodes received packets, and reports
// every packet and decoded event to one callback.

#include "link/CUART.h"
#include "link/Packet.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace nuvex3 {

// kind, record. Called on the layer's receiving thread (kinds 1..33) or on the sending
// thread (kind 0). Must not block.
using EventCallback = std::function<void(int kind, const Record& record)>;

using Address = std::array<std::uint8_t, 6>; // as typed: most significant byte first

// 1 = 2-byte UUID, 2 = 16-byte UUID, anything else = no UUID bytes.
enum class UuidKind : std::uint8_t { None = 0, Bits16 = 1, Bits128 = 2 };

struct LayerSettings {
    int interfaceIndex = 1;
    std::string portName;
    std::uint32_t baudRate = 115200;
    bool useBridge = false;
    bool hardwareFlowControl = false;
    std::uint8_t parity = 0;            // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0;          // 0 one stop bit, 2 two stop bits
    std::int32_t rxIndDelayBefore = 20; // tenths of a millisecond
    std::int32_t rxIndDelayAfter = 10;
};

class CKelvra_CmdSet_Layer : public CUART {
public:
    CKelvra_CmdSet_Layer(const LayerSettings& settings, EventCallback callback,
                         MessageSink messages = {});
    ~CKelvra_CmdSet_Layer() override;

    // A command that gets no Command Complete, Connection Complete, Disconnection
    // Complete, Status Report or Pairing Complete within this time (on clock()) is
    // reported with kKindCommandTimeout and no longer holds back the queue.
    static constexpr std::chrono::seconds kCommandTimeout{10};

    // A packet whose bytes stop arriving for longer than this is dropped and the hunt for
    // 0xAA starts again: the longer of 100 ms and 20 character times at the baud rate.
    static constexpr std::chrono::milliseconds kMinReceiveGap{100};
    std::chrono::steady_clock::duration receiveGap() const;

    // Opens the port (SendData with no data); the result is also kept in portOpen().
    bool Connect();
    bool portOpen() const;
    bool bridgeInUse() const;
    bool awaitingResponse() const;
    std::size_t queuedCommands() const;

    // Sends at once when nothing awaits an answer and nothing is queued, else queues.
    // False when the layer is closing or the packet would not fit one write.
    bool QueueCommand(std::uint8_t opcode, std::span<const std::uint8_t> params);
    // Writes one packet now, bypassing the queue (reports it with kind 0 first).
    bool SendCommand(const Record& command);

    // Pin 1 of the bridge chip (transparent page); false when the bridge is not in use.
    bool SetBridgePin1(bool high);

    // One operation per command of the module.
    bool ReadLocalInformation();             // 0x01
    bool Reset();                            // 0x02
    bool ReadStatus();                       // 0x03
    bool ReadADCValue(std::uint8_t channel); // 0x04
    bool IntoShutdownMode();                 // 0x05
    bool DebugCommand(std::uint8_t debugOpcode, std::uint8_t length,
                      std::array<std::uint8_t, 2> address,
                      std::span<const std::uint8_t> data);    // 0x06
    bool ReadDeviceName();                                    // 0x07
    bool WriteDeviceName(std::span<const std::uint8_t> name); // 0x08
    bool EraseAllPairedDeviceInformation();                   // 0x09
    bool ReadPairingModeSetting();                            // 0x0A
    bool WritePairingModeSetting(std::uint8_t mode);          // 0x0B
    bool ReadAllPairedDeviceInformation();                    // 0x0C
    bool DeletePairedDevice(std::uint8_t index);              // 0x0D
    bool DIOControl(std::array<std::uint8_t, 4> outputEnable, std::array<std::uint8_t, 4> level,
                    std::array<std::uint8_t, 4> selected); // 0x0E
    bool PWMControl(std::uint8_t channel, std::uint8_t enable, std::uint8_t clockSource,
                    std::uint16_t top, std::uint16_t compare, std::uint8_t inverse); // 0x0F
    bool ReadRSSIValue(std::uint8_t handle);                                         // 0x10
    bool WriteAdvData(std::uint8_t option, std::span<const std::uint8_t> data);      // 0x11
    bool WriteScanResData(std::uint8_t option, std::span<const std::uint8_t> data);  // 0x12
    bool SetAdvertisingParameter(std::uint16_t interval, std::uint8_t type,
                                 std::uint8_t directAddressType,
                                 const Address& directAddress); // 0x13
    bool SetScanParameters(std::uint16_t interval, std::uint16_t window,
                           std::uint8_t type);                              // 0x15
    bool SetScanEnable(std::uint8_t enable, std::uint8_t filterDuplicates); // 0x16
    bool LECreateConnection(std::uint8_t filterPolicy, std::uint8_t peerAddressType,
                            const Address& peerAddress); // 0x17
    bool LECreateConnectionCancel();                     // 0x18 (bypasses queue)
    bool ConnectionParameterUpdateReq(std::uint8_t handle, std::uint16_t interval,
                                      std::uint16_t latency, std::uint16_t timeout); // 0x19
    bool Disconnect(std::uint8_t handle);                                            // 0x1B
    bool SetAdvEnable(std::uint8_t mode);                                            // 0x1C
    bool ReadRemoteDeviceName(std::uint8_t handle);                                  // 0x1F
    bool DiscoverAllPrimaryService(std::uint8_t handle);                             // 0x30
    bool DiscoverCharacteristicsAndDescriptors(std::uint8_t handle, UuidKind kind,
                                               std::span<const std::uint8_t> uuid); // 0x31
    bool ReadCharacteristicsValue(std::uint8_t handle, std::uint16_t valueHandle);  // 0x32
    bool ReadUsingCharacteristicsUUID(std::uint8_t handle, UuidKind kind,
                                      std::span<const std::uint8_t> uuid); // 0x33
    bool WriteCharacteristicsValue(std::uint8_t handle, std::uint8_t writeType,
                                   std::uint16_t valueHandle,
                                   std::span<const std::uint8_t> value); // 0x34
    bool EnableTransparent(std::uint8_t handle, std::uint8_t control,
                           std::uint8_t mode); // 0x35
    bool SendCharacteristicValue(std::uint8_t handle, std::uint16_t valueHandle,
                                 std::span<const std::uint8_t> value); // 0x38
    bool UpdateCharacteristicValue(std::uint16_t valueHandle,
                                   std::span<const std::uint8_t> value); // 0x39
    bool ReadLocalCharacteristicValue(std::uint16_t valueHandle);        // 0x3A
    bool ReadLocalAllPrimaryService();                                   // 0x3B
    bool ReadLocalSpecificPrimaryService(UuidKind kind,
                                         std::span<const std::uint8_t> uuid); // 0x3C
    bool SendWriteResponse(std::uint8_t handle, std::uint8_t requestOpcode,
                           std::uint16_t attributeHandle, std::uint8_t errorCode);     // 0x3D
    bool SendTransparentData(std::uint8_t handle, std::span<const std::uint8_t> data); // 0x3F
    bool PasskeyEntryReply(std::uint8_t handle, std::uint8_t entryType,
                           std::uint8_t digit);                         // 0x40 (bypasses queue)
    bool PasskeyConfirmReply(std::uint8_t handle, std::uint8_t answer); // 0x41
    bool PairingRequest(std::uint8_t handle);                           // 0x42

protected:
    bool OnReceive(const std::uint8_t* data, int count, std::uint8_t* rxBuffer,
                   std::uint32_t* rxLength) override;
    void OnLineQuiet(std::chrono::steady_clock::duration quiet) override;

private:
    void SendNextQueued();
    void runWorker();
    void onCommandTimeout(const Record& command);
    void applyQueueEffect(std::uint8_t eventOpcode);
    bool receiveByte(std::uint8_t byte, std::uint8_t* rxBuffer, std::uint32_t* rxLength);

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace nuvex3
