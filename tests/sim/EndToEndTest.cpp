// The tool's command layer against the virtual module on a pseudo-terminal: every
// command gets its answer, the events of each flow arrive in order, and each line fault
// reaches the tool as it should.

#include "SimTestSupport.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "link/StatusText.h"
#include "sim/PtySimulator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace nuvex3::sim {
namespace {

using namespace std::chrono_literals;
using test::hex;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Got {
    int kind;
    Record record;
    Bytes head(std::size_t n) const { return Bytes(record.begin(), record.begin() + n); }
};

// Everything the layer reports; waits are bounded waits on real events.
class Recorder {
public:
    void add(int kind, const Record& r) {
        std::lock_guard g(m_);
        all_.push_back({kind, r});
        cv_.notify_all();
    }
    // Waits until `n` events of `kind` arrived since the last take().
    bool waitFor(int kind, std::size_t n = 1, std::chrono::milliseconds bound = 5s) {
        std::unique_lock l(m_);
        return cv_.wait_for(l, bound, [&] { return countLocked(kind) >= n; });
    }
    std::size_t count(int kind) const {
        std::lock_guard g(m_);
        return countLocked(kind);
    }
    // The decoded events (no commands sent, no raw packets) since the last take().
    std::vector<Got> take() {
        std::lock_guard g(m_);
        std::vector<Got> out;
        for (std::size_t i = taken_; i < all_.size(); ++i)
            if (all_[i].kind != kKindCommandSent && all_[i].kind != kKindPacketReceived)
                out.push_back(all_[i]);
        taken_ = all_.size();
        return out;
    }
    std::vector<int> takeKinds() {
        std::vector<int> k;
        for (const Got& g : take())
            k.push_back(g.kind);
        return k;
    }
    std::vector<Got> all() const {
        std::lock_guard g(m_);
        return all_;
    }

private:
    std::size_t countLocked(int kind) const {
        std::size_t n = 0;
        for (std::size_t i = taken_; i < all_.size(); ++i)
            n += all_[i].kind == kind;
        return n;
    }
    mutable std::mutex m_;
    std::condition_variable cv_;
    std::vector<Got> all_;
    std::size_t taken_ = 0;
};

class EndToEnd : public ::testing::Test {
protected:
    ManualClock manual;
    std::optional<ScopedClock> scoped{std::in_place, manual};
    Scenario scenario = defaultScenario();
    SimOptions options;
    Recorder rec;
    std::vector<std::string> messages;
    std::mutex messagesMutex;
    std::condition_variable messagesCv;
    std::unique_ptr<PtySimulator> sim;
    std::unique_ptr<CKelvra_CmdSet_Layer> layer;

    EndToEnd() { scenario.module.powerOnReport = false; }

    void start() {
        sim = std::make_unique<PtySimulator>(scenario, options);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
        LayerSettings s;
        s.portName = sim->slavePath();
        layer = std::make_unique<CKelvra_CmdSet_Layer>(
            s, [this](int k, const Record& r) { rec.add(k, r); },
            [this](const std::string& t) {
                std::lock_guard g(messagesMutex);
                messages.push_back(t);
                messagesCv.notify_all();
            });
        ASSERT_TRUE(layer->Connect());
    }

    void useSystemClock() { scoped.reset(); }

    void TearDown() override {
        layer.reset();
        sim.reset();
    }

    // Moves the module's time on; the serving thread notices within a few milliseconds.
    void advance(std::chrono::milliseconds d) { manual.advance(d); }

    // Waits for n events of `kind`, then returns the kinds seen since the last call.
    std::vector<int> kindsAfter(int kind, std::size_t n = 1) {
        EXPECT_TRUE(rec.waitFor(kind, n)) << "no event of kind " << kind;
        return rec.takeKinds();
    }

    void connectHrm() {
        ASSERT_TRUE(layer->LECreateConnection(0, 0, {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
        ASSERT_THAT(kindsAfter(kKindStatusReport),
                    ElementsAre(kKindCommandComplete, kKindStatusReport));
        advance(100ms);
        ASSERT_TRUE(rec.waitFor(kKindStatusReport));
        const auto got = rec.take();
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].kind, kKindConnectionComplete);
        // status, handle, role, address type, address most significant first again
        EXPECT_EQ(got[0].head(13), hex("00 11 71 00 01 00 00 0A 0B 0C 0D 0E 0F"));
        EXPECT_EQ(got[1].head(8), hex("00 06 81 0C 0C 09 09 09"));
    }

    void enterKey(const char* key) {
        for (const char* c = key; *c; ++c)
            ASSERT_TRUE(layer->PasskeyEntryReply(1, 1, static_cast<std::uint8_t>(*c)));
        ASSERT_TRUE(layer->PasskeyEntryReply(1, 4, 0));
    }
};

TEST_F(EndToEnd, EveryCommandGetsItsAnswerAndTheQueueNeverStalls) {
    start();
    connectHrm();
    const std::array<std::uint8_t, 4> zeros{};
    const Address addr{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    const std::uint8_t adv[] = {0x02, 0x01, 0x06};
    const std::uint8_t name[] = {'S', 'I', 'M', 'X'};
    const std::uint8_t gap[] = {0x18, 0x00};
    const std::uint8_t nameUuid[] = {0x2A, 0x00};
    const std::uint8_t one[] = {0x01};
    const std::uint8_t data[] = {'h', 'i'};
    const std::uint8_t eflash[] = {0xDE, 0xAD};
    int issued = 0;
    auto issue = [&](bool ok) {
        EXPECT_TRUE(ok);
        ++issued;
    };
    // Everything queued at once, in issue order; state changes come last.
    issue(layer->ReadLocalInformation());
    issue(layer->ReadADCValue(16));
    issue(layer->DebugCommand(0x04, 2, {0x00, 0x40}, eflash));
    issue(layer->DebugCommand(0x03, 32, {0x00, 0x40}, {}));
    issue(layer->ReadDeviceName());
    issue(layer->WriteDeviceName(name));
    issue(layer->ReadPairingModeSetting());
    issue(layer->WritePairingModeSetting(2));
    issue(layer->ReadAllPairedDeviceInformation());
    issue(layer->DeletePairedDevice(0));
    issue(layer->DIOControl(zeros, zeros, zeros));
    issue(layer->PWMControl(0, 1, 1, 0x0010, 0x0008, 0));
    issue(layer->ReadRSSIValue(1));
    issue(layer->WriteAdvData(0x00, adv));
    issue(layer->WriteScanResData(0x00, adv));
    issue(layer->SetAdvertisingParameter(0x0800, 0, 0, addr));
    issue(layer->SetScanParameters(0x0010, 0x0010, 1));
    issue(layer->ConnectionParameterUpdateReq(1, 0x0006, 0, 0x000A));
    issue(layer->ReadRemoteDeviceName(1));
    issue(layer->DiscoverAllPrimaryService(1));
    issue(layer->DiscoverCharacteristicsAndDescriptors(1, UuidKind::Bits16, gap));
    issue(layer->ReadCharacteristicsValue(1, 0x0003));
    issue(layer->ReadUsingCharacteristicsUUID(1, UuidKind::Bits16, nameUuid));
    issue(layer->WriteCharacteristicsValue(1, 0, 0x0027, one));
    issue(layer->EnableTransparent(1, 1, 1));
    issue(layer->SendTransparentData(1, data));
    issue(layer->SendCharacteristicValue(1, 0x0006, one));
    issue(layer->UpdateCharacteristicValue(0x0006, one));
    issue(layer->ReadLocalCharacteristicValue(0x0006));
    issue(layer->ReadLocalAllPrimaryService());
    issue(layer->ReadLocalSpecificPrimaryService(UuidKind::Bits16, gap));
    issue(layer->SendWriteResponse(1, 0x12, 0x0009, 0));
    issue(layer->PasskeyConfirmReply(1, 0));
    issue(layer->SetScanEnable(1, 1));
    issue(layer->SetScanEnable(0, 0));
    issue(layer->Disconnect(1));
    issue(layer->SetAdvEnable(1));
    issue(layer->SetAdvEnable(0));
    issue(layer->EraseAllPairedDeviceInformation());
    issue(layer->IntoShutdownMode());
    issue(layer->Reset());
    issue(layer->ReadStatus());

    // The last answer is the Status Report of Read NUVEX3 Status after the Reset's.
    ASSERT_TRUE(rec.waitFor(kKindStatusReport, 8));
    const auto got = rec.all();
    EXPECT_EQ(std::count_if(got.begin(), got.end(),
                            [](const Got& g) { return g.kind == kKindCommandSent; }),
              issued + 1);
    EXPECT_EQ(rec.count(kKindCommandTimeout), 0u);
    std::set<int> kinds;
    for (const Got& g : got)
        kinds.insert(g.kind);
    for (int k :
         {kKindDebugData, kKindLocalInformation, kKindAdcValue, kKindDeviceName, kKindPairingMode,
          kKindRssi, kKindRemoteName, kKindDioControl, kKindPairedDevices, kKindCharacteristicValue,
          kKindValueByUuid, kKindLocalCharacteristicValue, kKindPrimaryServiceResult,
          kKindCharacteristicResult, kKindTransparentData, kKindDisconnectionComplete})
        EXPECT_TRUE(kinds.count(k)) << "no event of kind " << k;
    EXPECT_EQ(got.back().kind, kKindStatusReport);
    EXPECT_EQ(got.back().head(8), hex("00 06 81 09 09 09 09 09"));
    // The eFlash bytes written above are read back.
    int eflashReads = 0;
    for (const Got& g : got) {
        if (g.kind == kKindDebugData && g.record[5] == 0x03) {
            EXPECT_EQ(Bytes(g.record.begin() + 12, g.record.begin() + 14), hex("DE AD"));
            ++eflashReads;
        }
    }
    EXPECT_EQ(eflashReads, 1);
}

TEST_F(EndToEnd, AScanYieldsReportsWithTheRssiAfterTheData) {
    start();
    ASSERT_TRUE(layer->SetScanParameters(0x0010, 0x0010, 1));
    ASSERT_TRUE(layer->SetScanEnable(1, 1));
    EXPECT_THAT(kindsAfter(kKindStatusReport),
                ElementsAre(kKindCommandComplete, kKindCommandComplete, kKindStatusReport));
    advance(20ms); // every advertiser's first report (and the scan response)
    ASSERT_TRUE(rec.waitFor(kKindAdvertisingReport, 4));
    const auto reports = rec.take();
    ASSERT_EQ(reports.size(), 4u);
    const Got& hrm = reports[0];
    EXPECT_EQ(hrm.head(12), hex("00 1D 70 00 00 0A 0B 0C 0D 0E 0F 12"));
    EXPECT_EQ(hrm.record[43], 0xCC);    // -52 dBm, which followed the 18 data bytes
    EXPECT_EQ(reports[1].record[3], 4); // its scan response
    EXPECT_EQ(reports[2].head(11), hex("00 20 70 00 00 66 55 44 33 22 11"));
    EXPECT_EQ(reports[3].head(5), hex("00 20 70 03 01")); // the beacon
    EXPECT_EQ(reports[3].record[43], 0xB0);
}

TEST_F(EndToEnd, ConnectPairDiscoverReadWriteNotifyAndDisconnect) {
    start();
    connectHrm();

    // Pairing with the right pass key.
    ASSERT_TRUE(layer->PairingRequest(1));
    EXPECT_THAT(kindsAfter(kKindPasskeyEntryRequest),
                ElementsAre(kKindCommandComplete, kKindPasskeyEntryRequest));
    enterKey("602491");
    ASSERT_TRUE(rec.waitFor(kKindPairingComplete));
    auto got = rec.take();
    ASSERT_EQ(got.size(), 8u); // seven answers, then the result
    EXPECT_EQ(got.back().head(5), hex("00 03 61 01 00"));

    // The whole attribute table: services, then each service's characteristics and
    // descriptors, then every readable value.
    ASSERT_TRUE(layer->DiscoverAllPrimaryService(1));
    ASSERT_TRUE(rec.waitFor(kKindCommandComplete));
    got = rec.take();
    std::vector<Bytes> services;
    for (const Got& g : got)
        if (g.kind == kKindPrimaryServiceResult)
            services.emplace_back(g.record.begin() + 9,
                                  g.record.begin() + 9 + (g.record[4] == 1 ? 2 : 16));
    ASSERT_EQ(services.size(), 8u);
    EXPECT_EQ(services[0], hex("18 00"));
    EXPECT_EQ(services[4], hex("18 0D"));
    EXPECT_EQ(services[5], hex("18 1A")); // without characteristics
    EXPECT_EQ(services[6], test::hex("4B4F4C54FE7D4AE58FA99FAFD205E455"));
    EXPECT_EQ(services[7], test::hex("4B4F4C54C9D0CC83A44A6FE238D06D33"));
    int characteristics = 0, descriptors = 0, reads = 0;
    std::vector<std::uint16_t> readable;
    for (const Bytes& uuid : services) {
        ASSERT_TRUE(layer->DiscoverCharacteristicsAndDescriptors(
            1, uuid.size() == 2 ? UuidKind::Bits16 : UuidKind::Bits128, uuid));
        ASSERT_TRUE(rec.waitFor(kKindCommandComplete));
        for (const Got& g : rec.take()) {
            if (g.kind == kKindCharacteristicResult) {
                ++characteristics;
                if (g.record[7] & kPropRead)
                    readable.push_back(
                        static_cast<std::uint16_t>((g.record[8] << 8) | g.record[9]));
            }
            descriptors += g.kind == kKindDescriptorResult;
            if (g.kind == kKindCommandComplete) {
                EXPECT_EQ(g.record[4], uuid == hex("18 1A") ? 0x8A : 0)
                    << "service " << test::toHex(uuid);
            }
        }
    }
    EXPECT_EQ(characteristics, 3 + 1 + 1 + 3 + 3 + 0 + 3 + 1);
    EXPECT_EQ(descriptors, 1 + 1 + 2 + 2 + 1);
    for (std::uint16_t h : readable) {
        ASSERT_TRUE(layer->ReadCharacteristicsValue(1, h));
        ASSERT_TRUE(rec.waitFor(kKindCharacteristicValue));
        const auto r = rec.take();
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].record[4], 0);
        reads += 1;
    }
    EXPECT_EQ(reads, 8);

    // Write the heart rate control point, then switch notifications on.
    const std::uint8_t resetEnergy[] = {0x01};
    ASSERT_TRUE(layer->WriteCharacteristicsValue(1, 0, 0x0027, resetEnergy));
    EXPECT_THAT(kindsAfter(kKindCommandComplete), ElementsAre(kKindCommandComplete));
    const std::uint8_t notifyOn[] = {0x01, 0x00};
    ASSERT_TRUE(layer->WriteCharacteristicsValue(1, 0, 0x0023, notifyOn));
    EXPECT_THAT(kindsAfter(kKindCommandComplete), ElementsAre(kKindCommandComplete));
    advance(1000ms);
    ASSERT_TRUE(rec.waitFor(kKindCharacteristicValueReceived));
    got = rec.take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].head(9), hex("00 06 93 01 22 00 02 00 48"));
    advance(1000ms);
    ASSERT_TRUE(rec.waitFor(kKindCharacteristicValueReceived));
    EXPECT_EQ(rec.take().at(0).head(9), hex("00 06 93 01 22 00 02 00 4A"));
    const std::uint8_t notifyOff[] = {0x00, 0x00};
    ASSERT_TRUE(layer->WriteCharacteristicsValue(1, 0, 0x0023, notifyOff));
    EXPECT_THAT(kindsAfter(kKindCommandComplete), ElementsAre(kKindCommandComplete));

    // Parameter update: its answer, then the new parameters.
    ASSERT_TRUE(layer->ConnectionParameterUpdateReq(1, 0x0190, 0x0000, 0x0C80));
    EXPECT_THAT(kindsAfter(kKindCommandComplete), ElementsAre(kKindCommandComplete));
    advance(50ms);
    ASSERT_TRUE(rec.waitFor(kKindConnectionParameterUpdate));
    EXPECT_EQ(rec.take().at(0).head(10), hex("00 08 73 01 01 90 00 00 0C 80"));

    // Disconnect: answer, disconnection by the local host, then all idle.
    ASSERT_TRUE(layer->Disconnect(1));
    EXPECT_THAT(kindsAfter(kKindStatusReport),
                ElementsAre(kKindCommandComplete, kKindDisconnectionComplete, kKindStatusReport));
    EXPECT_EQ(terminateConnectionMessage(1, 0x16),
              "Terminate Connection Handle: 0x01\nReason: Connection Terminated By Local "
              "Host(0x16)");
    EXPECT_EQ(rec.count(kKindCommandTimeout), 0u);
}

TEST_F(EndToEnd, AWrongPassKeyFailsThePairing) {
    start();
    connectHrm();
    ASSERT_TRUE(layer->PairingRequest(1));
    ASSERT_TRUE(rec.waitFor(kKindPasskeyEntryRequest));
    enterKey("123456");
    ASSERT_TRUE(rec.waitFor(kKindPairingComplete));
    EXPECT_EQ(rec.take().back().head(5), hex("00 03 61 01 01"));
    ASSERT_TRUE(layer->ReadAllPairedDeviceInformation());
    ASSERT_TRUE(rec.waitFor(kKindPairedDevices));
    EXPECT_EQ(rec.take().back().record[5], 0); // no bond
}

TEST_F(EndToEnd, TransparentDataIsEchoedWithCreditsTheTransparentPageCounts) {
    start();
    connectHrm();
    ASSERT_TRUE(layer->EnableTransparent(1, 1, 1));
    ASSERT_TRUE(rec.waitFor(kKindCharacteristicValueReceived));
    auto got = rec.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, kKindCommandComplete);
    // Attribute handle bytes 57 00 in record order; value: size 0x0017 and 8 credits.
    EXPECT_EQ(got[1].head(12), hex("00 09 93 01 57 00 05 00 00 00 17 08"));

    // The page sends blocks of 23 - 3 = 20 bytes and spends one credit each.
    int credits = 8;
    std::size_t echoed = 0;
    std::string data;
    auto take = [&] {
        for (const Got& g : rec.take()) {
            if (g.kind == kKindTransparentData) {
                const std::uint32_t d = g.record[4] | (g.record[5] << 8);
                echoed += d;
                data.append(g.record.begin() + 8, g.record.begin() + 8 + d);
            }
            if (g.kind == kKindCharacteristicValueReceived && g.record[4] == 0x57)
                credits += g.record[7 + 4];
        }
    };
    for (int block = 0; block < 12; ++block) {
        ASSERT_GT(credits, 0);
        Bytes bytes(20, static_cast<std::uint8_t>('a' + block));
        ASSERT_TRUE(layer->SendTransparentData(1, bytes));
        --credits;
        ASSERT_TRUE(rec.waitFor(kKindTransparentData));
        take();
    }
    ASSERT_TRUE(layer->ReadStatus()); // answered after everything the peer sent
    ASSERT_TRUE(rec.waitFor(kKindStatusReport));
    take();
    EXPECT_EQ(data.substr(0, 3), "aaa");
    EXPECT_EQ(data.substr(220), std::string(20, 'l'));
    EXPECT_EQ(echoed, 240u);
    EXPECT_EQ(credits, 8); // every consumed block was given back (batches of 4)
}

TEST_F(EndToEnd, ShutdownAndWake) {
    start();
    ASSERT_TRUE(layer->IntoShutdownMode());
    EXPECT_THAT(kindsAfter(kKindStatusReport),
                ElementsAre(kKindCommandComplete, kKindStatusReport));
    ASSERT_TRUE(layer->ReadLocalInformation());
    ASSERT_TRUE(rec.waitFor(kKindLocalInformation));
    const auto got = rec.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].head(4), hex("00 06 81 09"));
    EXPECT_EQ(got[1].kind, kKindLocalInformation);
    // Module address, most significant byte first again.
    EXPECT_EQ(Bytes(got[1].record.begin() + 9, got[1].record.begin() + 15),
              hex("00 11 22 33 44 55"));
}

TEST_F(EndToEnd, APhoneConnectsInStandbyPairsWritesTheLocalTableAndAnswersAnIndication) {
    start();
    ASSERT_TRUE(layer->SetAdvEnable(1));
    EXPECT_THAT(kindsAfter(kKindStatusReport),
                ElementsAre(kKindCommandComplete, kKindStatusReport));
    advance(1500ms);
    ASSERT_TRUE(rec.waitFor(kKindPairingComplete));
    EXPECT_THAT(rec.takeKinds(),
                ElementsAre(kKindConnectionComplete, kKindStatusReport, kKindPairingComplete));
    // Link, attribute handle, value count and value of each write, in the phone's order:
    // the heart rate measurement's notifications on, the heart rate control point, the
    // record access control point's indications on, then a request to it.
    const auto nextWrite = [&](std::chrono::milliseconds after) {
        advance(after);
        EXPECT_TRUE(rec.waitFor(kKindClientWrite));
        const auto got = rec.take();
        return got.size() == 1u ? got[0].head(3 + got[0].record[1]) : Bytes{};
    };
    EXPECT_EQ(nextWrite(1800ms), hex("00 06 98 01 18 00 02 01 00"));
    EXPECT_EQ(nextWrite(200ms), hex("00 05 98 01 1C 00 01 01"));
    EXPECT_EQ(nextWrite(200ms), hex("00 06 98 01 43 00 02 02 00"));
    EXPECT_EQ(nextWrite(200ms), hex("00 06 98 01 42 00 02 01 01"));
    // The module indicates the control point's answer; the phone asks again.
    ASSERT_TRUE(layer->SendCharacteristicValue(0x01, 0x0042, hex("06 00 01 01")));
    ASSERT_TRUE(rec.waitFor(kKindCommandComplete));
    EXPECT_EQ(rec.take().at(0).head(5), hex("00 03 80 38 00"));
    EXPECT_EQ(nextWrite(200ms), hex("00 06 98 01 42 00 02 04 01"));
    advance(7400ms);
    ASSERT_TRUE(rec.waitFor(kKindStatusReport));
    const auto got = rec.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].head(5), hex("00 03 72 01 13"));
}

// ---- faults ----------------------------------------------------------------------------

TEST_F(EndToEnd, ACorruptedChecksumReachesTheToolAsKind31) {
    options.faults.corruptChecksum = {1, 0x81};
    start();
    ASSERT_TRUE(layer->ReadStatus());
    ASSERT_TRUE(layer->ReadLocalInformation()); // waits behind the unanswered status read
    ASSERT_TRUE(rec.waitFor(kKindChecksumError));
    EXPECT_THAT(rec.takeKinds(), ElementsAre(kKindChecksumError));
    ASSERT_TRUE(sim->waitBytesReceived(5, 5s));
    advance(CKelvra_CmdSet_Layer::kCommandTimeout);
    ASSERT_TRUE(rec.waitFor(kKindLocalInformation));
    EXPECT_THAT(rec.takeKinds(), ElementsAre(kKindCommandTimeout, kKindLocalInformation));
}

TEST_F(EndToEnd, ACommandDamagedOnTheWayInIsReportedAsUartChecksumErrorTx) {
    options.faults.badCommandChecksum = {1, 0x07};
    start();
    ASSERT_TRUE(layer->ReadDeviceName());
    ASSERT_TRUE(layer->ReadPairingModeSetting());
    ASSERT_TRUE(rec.waitFor(kKindPairingMode));
    const auto got = rec.take();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, kKindCommandComplete);
    EXPECT_EQ(got[0].head(5), hex("00 03 80 00 FF"));
    EXPECT_EQ(commandErrorMessage(got[0].record[3], got[0].record[4]), "UART Checksum Error [TX]");
}

TEST_F(EndToEnd, AnOversizePacketIsDroppedAndTheNextOneIsRead) {
    options.faults.oversizeLength = {2, 0x70}; // every second report
    start();
    ASSERT_TRUE(layer->SetScanParameters(0x0010, 0x0010, 1));
    ASSERT_TRUE(layer->SetScanEnable(1, 1));
    ASSERT_TRUE(rec.waitFor(kKindStatusReport));
    rec.take();
    advance(20ms);
    ASSERT_TRUE(layer->ReadStatus()); // answered after every report on the line
    ASSERT_TRUE(rec.waitFor(kKindStatusReport));
    const auto got = rec.take();
    // The sensor's scan response and the beacon's report announced 0xFFFF bytes.
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].head(4), hex("00 1D 70 00"));
    EXPECT_EQ(got[1].head(11), hex("00 20 70 00 00 66 55 44 33 22 11"));
    EXPECT_EQ(got[2].kind, kKindStatusReport);
    EXPECT_EQ(rec.count(kKindChecksumError), 0u);
}

TEST_F(EndToEnd, ADroppedAnswerHoldsTheQueueUntilTheToolGivesUp) {
    options.faults.dropAnswer = {2, 0x80};
    start();
    ASSERT_TRUE(layer->ReadDeviceName());
    ASSERT_TRUE(layer->ReadPairingModeSetting()); // its answer is lost
    ASSERT_TRUE(layer->ReadLocalInformation());
    ASSERT_TRUE(rec.waitFor(kKindDeviceName));
    EXPECT_THAT(rec.takeKinds(), ElementsAre(kKindDeviceName));
    ASSERT_TRUE(sim->waitBytesReceived(10, 5s)); // the unanswered command went out
    advance(CKelvra_CmdSet_Layer::kCommandTimeout);
    ASSERT_TRUE(rec.waitFor(kKindLocalInformation));
    EXPECT_THAT(rec.takeKinds(), ElementsAre(kKindCommandTimeout, kKindLocalInformation));
}

TEST_F(EndToEnd, ADelayedAnswerArrivesLate) {
    options.faults.delayAnswer = {1, 0x80};
    options.faults.delay = 500ms;
    start();
    ASSERT_TRUE(layer->ReadDeviceName());
    ASSERT_TRUE(sim->waitBytesReceived(5, 5s)); // the command is in before the clock moves
    advance(499ms);
    EXPECT_FALSE(rec.waitFor(kKindDeviceName, 1, 30ms));
    advance(1ms);
    ASSERT_TRUE(rec.waitFor(kKindDeviceName));
    EXPECT_EQ(rec.take().at(0).head(13), hex("00 0D 80 07 00 4E 55 56 45 58 33 2D 53"));
}

TEST_F(EndToEnd, BytesTricklingOneAtATimeAreReassembled) {
    useSystemClock();
    options.faults.byteGap = 1ms;
    start();
    ASSERT_TRUE(layer->ReadDeviceName());
    ASSERT_TRUE(rec.waitFor(kKindDeviceName));
    const auto got = rec.take();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].head(15), hex("00 0D 80 07 00 4E 55 56 45 58 33 2D 53 49 4D"));
}

TEST_F(EndToEnd, ALineClosedMidPacketIsReportedAsLost) {
    useSystemClock();
    options.faults.closeAfterBytes = 6;
    start();
    ASSERT_TRUE(layer->ReadDeviceName());
    {
        std::unique_lock l(messagesMutex); // bounded wait on the line's fate
        EXPECT_TRUE(messagesCv.wait_for(l, 5s, [&] { return !messages.empty(); }));
        EXPECT_THAT(messages, ElementsAre("Error in Communications!"));
    }
    EXPECT_TRUE(layer->portLost());
    EXPECT_EQ(rec.count(kKindDeviceName), 0u);
}

TEST_F(EndToEnd, BaudPacingTakesTheLineTimeOfEveryByte) {
    options.baud = 10000; // one byte per millisecond
    start();
    ASSERT_TRUE(layer->ReadDeviceName()); // 5 bytes in, 17 bytes out: 22 ms on the line
    ASSERT_TRUE(sim->waitBytesReceived(5, 5s));
    advance(21ms);
    EXPECT_FALSE(rec.waitFor(kKindDeviceName, 1, 50ms));
    advance(1ms);
    EXPECT_TRUE(rec.waitFor(kKindDeviceName));
}

TEST_F(EndToEnd, AnEventDueWhileACommandArrivesGoesOutAtItsOwnTimeBeforeTheAnswer) {
    // The module takes a command as of its last byte's arrival; something it does before
    // then still goes out at its own time, and the answer after it.
    options.baud = 10000; // one byte per millisecond
    scenario.events = {{std::chrono::milliseconds(3), {}, 0xEE, {0x01}}}; // 6 bytes
    start();
    ASSERT_TRUE(layer->ReadDeviceName()); // 5 bytes in: there at 5 ms
    ASSERT_TRUE(sim->waitBytesReceived(5, 5s));
    advance(3ms); // the event is due
    EXPECT_FALSE(rec.waitFor(kKindPacketReceived, 1, 50ms));
    advance(5ms);
    EXPECT_FALSE(rec.waitFor(kKindPacketReceived, 1, 50ms));
    advance(1ms); // the event on the line: 3 ms + 6 bytes
    ASSERT_TRUE(rec.waitFor(kKindPacketReceived));
    EXPECT_EQ(rec.all().back().record[2], 0xEE);
    advance(16ms); // the answer (17 bytes) follows the event on the line: 9 + 17 ms
    EXPECT_FALSE(rec.waitFor(kKindDeviceName, 1, 50ms));
    advance(1ms);
    EXPECT_TRUE(rec.waitFor(kKindDeviceName));
}

} // namespace
} // namespace nuvex3::sim
