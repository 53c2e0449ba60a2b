// The "Weight Scale" page inside the main window: the weight measurement, feature and
// battery level values it sends and updates, and what its display shows.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageWeightScale.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0052, kFeature = 0x0055, kBattery = 0x0062;

class WeightScalePage : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        page.characteristicFound("2A9D", "0052");
        page.characteristicFound("2A9E", "0055");
        page.characteristicFound("2A19", "0062");
        show(&page);
    }
    CPageWeightScale& page = h.dialog().pages().weightScale;
};

TEST_F(WeightScalePage, MeasurementValuesByteForByte) {
    retype(page.weightEdit(), "14000");
    EXPECT_EQ(page.panel()->text(CPageWeightScale::kWeight), "70.000 kg");
    click(page.sendMeasurementButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement, {0x00, 0xB0, 0x36}));
    choose(page.unitList(), 1);
    EXPECT_EQ(page.panel()->text(CPageWeightScale::kWeight), "140.000 lb");

    click(page.timeBox());
    const QStringList time = {"2015", "12", "31", "23", "59", "58"};
    for (int i = 0; i < 6; ++i)
        retype(page.timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    click(page.userBox());
    retype(page.userEdit(), "7");
    click(page.bmiBox());
    retype(page.bmiEdit(), "215");
    retype(page.heightEdit(), "1750");
    click(page.sendMeasurementButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement,
                                  {0x0F, 0xB0, 0x36, 0xDF, 0x07, 0x0C, 0x1F, 0x17, 0x3B, 0x3A, 0x07,
                                   0xD7, 0x00, 0xD6, 0x06}));
    EXPECT_EQ(page.panel()->text(CPageWeightScale::kTime), "2015/12/31  23:59:58");
}

TEST_F(WeightScalePage, FeatureBytes) {
    choose(page.featureList(CPageWeightScale::kWeightResolution), 7);
    choose(page.featureList(CPageWeightScale::kHeightResolution), 3);
    EXPECT_EQ(page.featureList(CPageWeightScale::kWeightResolution)->currentText(),
              "Resolution of 0.005 kg or 0.01 lb");
    EXPECT_EQ(page.featureList(CPageWeightScale::kHeightResolution)->currentText(),
              "Resolution of 0.001 meter or 0.1 inch");
    click(page.updateFeatureButton());
    EXPECT_EQ(nextCommand(), updated(kFeature, {0xB8, 0x01, 0x00, 0x00}));
    choose(page.featureList(CPageWeightScale::kTimeStamp), 1);
    choose(page.featureList(CPageWeightScale::kBmi), 1);
    click(page.updateFeatureButton());
    EXPECT_EQ(nextCommand(), updated(kFeature, {0xBD, 0x01, 0x00, 0x00}));
}

TEST_F(WeightScalePage, BatteryLevelIsClampedShownSentAndUpdated) {
    retype(page.batteryEdit(), "150");
    EXPECT_EQ(page.batteryEdit()->text(), "100");
    EXPECT_EQ(page.panel()->text(CPageWeightScale::kBattery), "100");
    retype(page.batteryEdit(), "42");
    click(page.sendBatteryButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kBattery, {0x2A}));
    click(page.updateBatteryButton());
    EXPECT_EQ(nextCommand(), updated(kBattery, {0x2A}));
    EXPECT_EQ(page.updateBatteryButton()->text(), " Update Battery Level");
}

TEST_F(WeightScalePage, RefusedCommandsSaySo) {
    h.pressConnectButton(); // "Disconnect"
    for (QPushButton* b : {page.sendMeasurementButton(), page.updateFeatureButton(),
                           page.sendBatteryButton(), page.updateBatteryButton()})
        click(b);
    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({"Send weight scale measurement fail!", "Update weight scale feature fail!",
                     "Send battery level fail!", "Update battery level fail!"}));
}

} // namespace
} // namespace nuvex3::test
