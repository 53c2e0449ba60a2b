// Scenario files: the example file, defaults for missing fields, and clear errors.

#include "SimTestSupport.h"

#include "sim/GattDatabase.h"
#include "sim/Scenario.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::sim {
namespace {

using test::hex;
using ::testing::HasSubstr;

std::optional<Scenario> parse(const char* json, QString* error = nullptr) {
    QString e;
    auto s = parseScenario(QByteArray(json), &e);
    if (error)
        *error = e;
    return s;
}

QString errorOf(const char* json) {
    QString e;
    EXPECT_FALSE(parse(json, &e).has_value()) << json;
    return e;
}

TEST(Scenario, TheExampleFileLoadsWithEveryField) {
    QString error;
    const auto s = loadScenario(SIM_SCENARIO_DIR "/example.json", &error);
    ASSERT_TRUE(s) << error.toStdString();
    EXPECT_EQ(s->module.name, "NUVEX3-EXAMPLE");
    EXPECT_EQ(s->module.version, (std::array<std::uint8_t, 4>{0x01, 0x00, 0x03, 0x07}));
    ASSERT_EQ(s->peers.size(), 3u);
    const PeerConfig& sensor = s->peers[0];
    EXPECT_EQ(sensor.address, (DeviceAddress{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F}));
    EXPECT_EQ(sensor.advData, hex("02 01 06 0A 09 45 58 2D 53 45 4E 53 4F 52 05 FF 4E 56 01 02"));
    EXPECT_EQ(sensor.rssi, -55);
    EXPECT_EQ(sensor.credits, 8);
    ASSERT_EQ(sensor.services.size(), 3u);
    EXPECT_EQ(sensor.services[1].characteristics[0].notifyValues.size(), 3u);
    EXPECT_EQ(sensor.services[1].characteristics[0].descriptors[0].value, hex("00 00"));
    EXPECT_EQ(sensor.services[2].uuid, transparentServiceUuid());

    std::string why;
    const auto db = GattDatabase::build(sensor.services, &why);
    ASSERT_TRUE(db) << why;
    // The credit characteristic's value sits where the transparent page looks for it.
    EXPECT_EQ(db->characteristicByUuid(transparentCreditUuid())->valueHandle, 0x0057);

    EXPECT_TRUE(s->peers[2].connectsToStandby);
    const PeerConfig& phone = s->peers[2];
    ASSERT_EQ(phone.writes.size(), 3u);
    EXPECT_EQ(phone.writes[0].characteristic, Uuid::of16(0x2A37));
    EXPECT_EQ(phone.writes[0].descriptor, Uuid::of16(0x2902));
    EXPECT_EQ(phone.writes[0].value, hex("01 00"));
    EXPECT_EQ(phone.writes[1].characteristic, Uuid::of16(0x2A39));
    EXPECT_TRUE(phone.writes[1].descriptor.bytes.empty());
    ASSERT_EQ(phone.answers.size(), 1u);
    EXPECT_EQ(phone.answers[0].notified, Uuid::of16(0x2A52));
    EXPECT_EQ(phone.answers[0].write.after, std::chrono::milliseconds(200));
    EXPECT_EQ(phone.answers[0].write.value, hex("04 01"));
    ASSERT_EQ(s->events.size(), 2u);
    EXPECT_EQ(s->events[1].repeat, std::chrono::milliseconds(30000));
    EXPECT_EQ(s->events[1].params, hex("01 02 03"));
}

TEST(Scenario, TheTransparentFileHasAStreamingAndACorruptingPeer) {
    QString error;
    const auto s = loadScenario(SIM_SCENARIO_DIR "/transparent.json", &error);
    ASSERT_TRUE(s) << error.toStdString();
    ASSERT_EQ(s->peers.size(), 2u);
    EXPECT_EQ(s->peers[0].streamBytesPerSecond, 20000u);
    EXPECT_EQ(s->peers[0].streamAfter, std::chrono::milliseconds(1000));
    EXPECT_EQ(s->peers[0].corruptByte, -1);
    EXPECT_EQ(s->peers[1].streamBytesPerSecond, 0u);
    EXPECT_EQ(s->peers[1].corruptByte, 100);
    for (const PeerConfig& p : s->peers) {
        std::string why;
        const auto db = GattDatabase::build(p.services, &why);
        ASSERT_TRUE(db) << why;
        EXPECT_EQ(db->characteristicByUuid(transparentCreditUuid())->valueHandle, 0x0057);
    }
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "010203040506", "corruptByte": -2}]})"),
              "scenario.peers[0].corruptByte: expected a whole number from -1 to 1099511627776");
}

TEST(Scenario, MissingFieldsKeepTheirDefaults) {
    const auto s = parse(R"({"peers": [{"address": "010203040506", "name": "X"}]})");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->module.ioCapability, kIoKeyboardOnly);
    EXPECT_FALSE(s->module.localServices.empty());
    ASSERT_EQ(s->peers.size(), 1u);
    // Without advertising data a named peer advertises flags and its name.
    EXPECT_EQ(s->peers[0].advData, hex("02 01 06 02 09 58"));
    EXPECT_EQ(s->peers[0].advInterval, std::chrono::milliseconds(100));
}

TEST(Scenario, ErrorsNameThePlaceAndTheProblem) {
    EXPECT_THAT(errorOf("{").toStdString(), HasSubstr("not valid JSON"));
    EXPECT_THAT(errorOf("[]").toStdString(), HasSubstr("must be a JSON object"));
    EXPECT_EQ(errorOf(R"({"peer": []})"), "scenario: unknown field \"peer\"");
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "0102"}]})"),
              "scenario.peers[0].address: expected 12 hexadecimal digits");
    EXPECT_EQ(errorOf(R"({"peers": [{}]})"), "scenario.peers[0].address: missing");
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "010203040506", "rssi": 30}]})"),
              "scenario.peers[0].rssi: expected a whole number from -127 to 20");
    EXPECT_EQ(errorOf(R"({"module": {"passKey": "12345"}})"),
              "module.passKey: expected six decimal digits");
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "010203040506",
                 "services": [{"uuid": "18"}]}]})"),
              "scenario.peers[0].services[0].uuid: expected a UUID of 4 or 32 hexadecimal digits");
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "010203040506",
                 "services": [{"uuid": "1800", "start": 5,
                               "characteristics": [{"uuid": "2A00"}]},
                              {"uuid": "180F", "start": 6}]}]})"),
              "scenario.peers[0].services: service 180F starts at handle 6, which is already "
              "in use");
    EXPECT_EQ(errorOf(R"({"peers": [{"address": "010203040506", "advData": "0G"}]})"),
              "scenario.peers[0].advData: expected a text of hexadecimal byte pairs");
    EXPECT_EQ(errorOf(R"({"events": [{"atMs": 10}]})"), "scenario.events[0].opcode: missing");

    QString e;
    EXPECT_FALSE(loadScenario("/nonexistent/scenario.json", &e));
    EXPECT_THAT(e.toStdString(), HasSubstr("cannot open /nonexistent/scenario.json"));
}

TEST(Scenario, TheDefaultDemoHasThreeAdvertisersAndACentral) {
    const Scenario s = defaultScenario();
    int advertisers = 0, centrals = 0;
    for (const PeerConfig& p : s.peers) {
        advertisers += p.advInterval.count() > 0;
        centrals += p.connectsToStandby;
        std::string why;
        EXPECT_TRUE(GattDatabase::build(p.services, &why)) << why;
    }
    EXPECT_EQ(advertisers, 3);
    EXPECT_EQ(centrals, 1);
    const PeerConfig& hrm = s.peers[0];
    EXPECT_TRUE(hrm.echo);
    EXPECT_GT(hrm.credits, 0);
    const auto db = GattDatabase::build(hrm.services, nullptr);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->characteristicByUuid(transparentCreditUuid())->valueHandle, 0x0057);
    EXPECT_GT(db->characteristicByUuid(Uuid::of16(0x2A37))->notifyInterval.count(), 0);
    // The module's own table holds every profile the profile pages look for.
    const auto local = GattDatabase::build(s.module.localServices, nullptr);
    ASSERT_TRUE(local);
    for (std::uint16_t uuid : {0x1800, 0x180D, 0x1809, 0x1810, 0x181D, 0x1808, 0x180F})
        EXPECT_TRUE(local->findService(Uuid::of16(uuid))) << std::hex << uuid;
    EXPECT_TRUE(local->findService(transparentServiceUuid()));
}

} // namespace
} // namespace nuvex3::sim
