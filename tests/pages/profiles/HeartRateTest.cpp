// The "Heart Rate" page inside the main window: the measurement values it sends to the
// first link, the body sensor location it updates, the control point's energy reset that
// reaches it through the window's routing, and what its display shows.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageHeartRate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0012, kLocation = 0x0015, kControlPoint = 0x0017;

class HeartRatePage : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        page.characteristicFound("2A37", "0012");
        page.characteristicFound("2a38", "0015");
        page.characteristicFound("2A39", "0017");
        page.characteristicFound("2A00", "0003"); // not one of the page's: ignored
        show(&page);
    }
    CPageHeartRate& page = h.dialog().pages().heartRate;
};

TEST_F(HeartRatePage, StartsOnChestNotDetectedAndTheEightBitRate) {
    EXPECT_EQ(page.locationList()->currentText(), "Chest");
    EXPECT_EQ(page.contactList()->currentText(), "Not deteted");
    EXPECT_EQ(page.unitList()->currentText(), "(0~255 bpm)");
    EXPECT_EQ(page.characteristicHandle("2A00"), "0003");
    EXPECT_EQ(page.controlPointHandle(), "0017");
}

TEST_F(HeartRatePage, MeasurementValuesByteForByte) {
    retype(page.valueEdit(), "72");
    click(page.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement, {0x00, 0x48}));
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kValue), "72");

    // 16-bit rate, contact supported and detected, energy expended.
    choose(page.unitList(), 1);
    retype(page.valueEdit(), "300");
    click(page.contactBox());
    choose(page.contactList(), 1);
    click(page.energyBox());
    retype(page.energyEdit(), "1000");
    click(page.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement, {0x0F, 0x2C, 0x01, 0xE8, 0x03}));
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kValue), "300");
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kEnergy), "1000 J");

    // Energy and the four RR-intervals, contact not supported: 13 bytes.
    click(page.contactBox());
    choose(page.contactList(), 0);
    click(page.rrBox());
    retype(page.rrEdit(0), "1024");
    for (int i = 1; i < 4; ++i)
        retype(page.rrEdit(i), "0");
    click(page.sendButton());
    EXPECT_EQ(nextCommand(),
              sent(kLink, kMeasurement,
                   {0x19, 0x2C, 0x01, 0xE8, 0x03, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(page.panel()->intervals(), (std::array<std::uint16_t, 4>{1024, 0, 0, 0}));
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(HeartRatePage, TheRateFollowsTheUnitsRangeWhileTyping) {
    retype(page.valueEdit(), "300");
    EXPECT_EQ(page.valueEdit()->text(), "255");
    choose(page.unitList(), 1);
    retype(page.valueEdit(), "70000");
    EXPECT_EQ(page.valueEdit()->text(), "65535");
    choose(page.unitList(), 0);
    EXPECT_EQ(page.valueEdit()->text(), "255") << "the rule is applied again on a unit change";
    retype(page.energyEdit(), "99999");
    EXPECT_EQ(page.energyEdit()->text(), "65535");
    retype(page.valueEdit(), "-1");
    EXPECT_EQ(page.valueEdit()->text(), "-1") << "the exception value stays";
}

TEST_F(HeartRatePage, BodySensorLocationIsUpdatedAndShown) {
    choose(page.locationList(), 5);
    click(page.updateLocationButton());
    EXPECT_EQ(nextCommand(), updated(kLocation, {0x05}));
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kLocation), "Ear Lobe");
}

TEST_F(HeartRatePage, ThePeersControlPointWriteOf01ResetsTheEnergy) {
    retype(page.energyEdit(), "500");
    peerWrites(kControlPoint, {0x02});
    EXPECT_EQ(page.energyEdit()->text(), "500") << "only 01 resets";
    peerWrites(kMeasurement, {0x01});
    EXPECT_EQ(page.energyEdit()->text(), "500") << "not the control point";
    peerWrites(kControlPoint, {0x01});
    EXPECT_EQ(page.energyEdit()->text(), "0");
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kEnergy), "0 J");
}

TEST_F(HeartRatePage, ARefusedSendSaysSo) {
    h.pressConnectButton(); // "Disconnect": no command layer
    click(page.sendButton());
    click(page.updateLocationButton());
    EXPECT_EQ(h.prompts().messages(), QStringList({"Send heart rate measurement fail!",
                                                   "Update body sensor location fail!"}));
}

} // namespace
} // namespace nuvex3::test
