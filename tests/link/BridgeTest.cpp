// The bridge adapter against a fake library of the same name: loading, the set-up calls and
// their messages, and pin 0 around every command packet with the Rx_Ind delays.

#include "LinkTestSupport.h"
#include "PtyPair.h"

#include "link/BridgeAdapter.h"
#include "link/CKelvra_CmdSet_Layer.h"

#include <QLibrary>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace nuvex3 {
namespace {

using ::testing::ElementsAre;

class FakeLibrary {
public:
    FakeLibrary() : lib_(QString(FAKE_BRIDGE_DIR) + "/PinLink-UM") {
        if (lib_.load()) {
            reset_ = reinterpret_cast<ResetFn>(lib_.resolve("FakePinLink_Reset"));
            log_ = reinterpret_cast<LogFn>(lib_.resolve("FakePinLink_Log"));
            pin_ = reinterpret_cast<PinFn>(lib_.resolve("FakePinLink_Pin"));
        }
    }
    bool ok() const { return reset_ && log_ && pin_; }
    void reset(int connected, int configureOk, int ioOk, int watchFd = -1) {
        reset_(connected, configureOk, ioOk, watchFd);
    }
    std::vector<std::string> log() const {
        std::string text(static_cast<std::size_t>(log_(nullptr, 0)) + 1, '\0');
        log_(text.data(), static_cast<int>(text.size()));
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size() && text[i]; ++i)
            if (text[i] == '\n') {
                lines.push_back(text.substr(start, i - start));
                start = i + 1;
            }
        return lines;
    }
    struct Pin {
        long long timeNs;
        int pending;
    };
    Pin pin(int i) const {
        Pin p{0, -1};
        pin_(i, &p.timeNs, &p.pending);
        return p;
    }

private:
    using ResetFn = void (*)(int, int, int, int);
    using LogFn = int (*)(char*, int);
    using PinFn = int (*)(int, long long*, int*);
    QLibrary lib_;
    ResetFn reset_ = nullptr;
    LogFn log_ = nullptr;
    PinFn pin_ = nullptr;
};

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv(pinlink::kDirectoryVariable, FAKE_BRIDGE_DIR, 1);
        ASSERT_TRUE(fake.ok());
        fake.reset(1, 1, 1);
    }
    void TearDown() override { ::unsetenv(pinlink::kDirectoryVariable); }

    FakeLibrary fake;
    test::MessageLog messages;
};

TEST_F(Bridge, SetUpCallsInOrderAndTheBridgeIsInUse) {
    BridgeAdapter b(messages.sink());
    EXPECT_TRUE(b.initialise(921600, true));
    EXPECT_TRUE(b.inUse());
    EXPECT_THAT(fake.log(),
                ElementsAre("InitVK5310 2F5E 5310", "IsConnected",
                            "ConfigureVK5310 FF 921600 0 0 1", "ConfigureIoDefaultOutput C0 3F"));
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(Bridge, EachFailedStepShowsItsMessageAndLeavesTheBridgeOut) {
    struct Case {
        int connected, configure, io;
        const char* text;
    };
    for (const Case c :
         {Case{0, 1, 1, "The VK5310 is Disconnected"}, Case{1, 0, 1, "ConfigureVK5310 Failed"},
          Case{1, 1, 0, "ConfigureIoDefaultOutput Failed"}}) {
        fake.reset(c.connected, c.configure, c.io);
        test::MessageLog shown;
        BridgeAdapter b(shown.sink());
        EXPECT_FALSE(b.initialise(115200, false));
        EXPECT_FALSE(b.inUse());
        EXPECT_THAT(shown.texts(), ElementsAre(c.text));
        b.setPin(0); // ignored while not in use
        EXPECT_EQ(fake.log().back().rfind("SetPin", 0), std::string::npos);
    }
}

TEST_F(Bridge, MissingLibraryShowsItsMessage) {
    const auto empty = std::filesystem::temp_directory_path() / "nuvex3-no-bridge-here";
    std::filesystem::create_directories(empty);
    ::setenv(pinlink::kDirectoryVariable, empty.c_str(), 1);
    BridgeAdapter b(messages.sink());
    EXPECT_FALSE(b.initialise(115200, false));
    EXPECT_FALSE(b.inUse());
    EXPECT_THAT(messages.texts(), ElementsAre("Can't find PinLink-UM.dll"));

    // The layer goes on without the bridge.
    LayerSettings s;
    s.useBridge = true;
    test::MessageLog layerMessages;
    CKelvra_CmdSet_Layer layer(s, {}, layerMessages.sink());
    EXPECT_FALSE(layer.bridgeInUse());
    EXPECT_FALSE(layer.SetBridgePin1(true));
    EXPECT_THAT(layerMessages.texts(), ElementsAre("Can't find PinLink-UM.dll"));
}

TEST_F(Bridge, PinZeroFramesEveryPacketWithTheRxIndDelays) {
    test::PtyPair pty;
    fake.reset(1, 1, 1, pty.masterFd());
    LayerSettings s;
    s.portName = pty.slavePath();
    s.useBridge = true;
    s.baudRate = 115200;
    s.rxIndDelayBefore = 20; // 2 ms
    s.rxIndDelayAfter = 10;  // 1 ms
    test::EventLog events;
    CKelvra_CmdSet_Layer layer(s, events.callback(), messages.sink());
    ASSERT_TRUE(layer.bridgeInUse());
    ASSERT_TRUE(layer.Connect());
    EXPECT_THAT(fake.log(),
                ElementsAre("InitVK5310 2F5E 5310", "IsConnected",
                            "ConfigureVK5310 FF 115200 0 0 0", "ConfigureIoDefaultOutput C0 3F"));

    ASSERT_TRUE(layer.ReadLocalInformation());
    EXPECT_EQ(test::toHex(pty.read(5)), "AA 00 01 01 FE");
    const auto log = fake.log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[4], "ClearPin 0");
    EXPECT_EQ(log[5], "SetPin 0");
    const auto low = fake.pin(0);
    const auto high = fake.pin(1);
    EXPECT_EQ(low.pending, 0);                      // pin low before the packet was written
    EXPECT_EQ(high.pending, 5);                     // and high again only after all of it
    EXPECT_GE(high.timeNs - low.timeNs, 3'000'000); // delay before + delay after

    // Pin 1 follows the transparent page's level.
    EXPECT_TRUE(layer.SetBridgePin1(true));
    EXPECT_TRUE(layer.SetBridgePin1(false));
    const auto all = fake.log();
    EXPECT_EQ(all[all.size() - 2], "SetPin 1");
    EXPECT_EQ(all.back(), "ClearPin 1");
    EXPECT_TRUE(messages.texts().empty());
}

TEST(Delays, SpinAtLeastTheAskedTime) {
    using sc = std::chrono::steady_clock;
    auto t0 = sc::now();
    EXPECT_TRUE(DelayTenthMilliseconds(0));
    EXPECT_TRUE(DelayMilliseconds(-5));
    t0 = sc::now();
    EXPECT_TRUE(DelayTenthMilliseconds(15));
    EXPECT_GE(sc::now() - t0, std::chrono::microseconds(1500));
    t0 = sc::now();
    EXPECT_TRUE(DelayMilliseconds(2));
    EXPECT_GE(sc::now() - t0, std::chrono::milliseconds(2));
}

} // namespace
} // namespace nuvex3
