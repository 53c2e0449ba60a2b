// The "Health Thermometer" page inside the main window: the temperature values (IEEE
// 11073 FLOAT) it sends, the type and interval it updates and sends, and the interval a
// peer writes.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageHealthThermometer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0022, kType = 0x0025, kIntermediate = 0x0027,
                        kInterval = 0x002A;

class HealthThermometerPage : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        page.characteristicFound("2A1C", "0022");
        page.characteristicFound("2A1D", "0025");
        page.characteristicFound("2A1E", "0027");
        page.characteristicFound("2A21", "002A");
        show(&page);
    }
    CPageHealthThermometer& page = h.dialog().pages().healthThermometer;
};

TEST_F(HealthThermometerPage, TheOrderOfMagnitudeListReadsAsASignedExponent) {
    const QStringList entries = CPageHealthThermometer::magnitudeEntries();
    ASSERT_EQ(entries.size(), 256);
    EXPECT_EQ(entries[0], "10^0");
    EXPECT_EQ(entries[127], "10^127");
    EXPECT_EQ(entries[128], "10^(-128)");
    EXPECT_EQ(entries[255], "10^(-1)");
    EXPECT_EQ(page.magnitudeList()->currentText(), "10^0");
    EXPECT_EQ(page.unitList()->currentText(), "Celsius");
}

TEST_F(HealthThermometerPage, TemperatureMeasurementByteForByte) {
    retype(page.valueEdit(), "365");
    EXPECT_EQ(page.temperatureLine()->text(), "Temperature = 365.000000");
    QTest::keyClick(page.magnitudeList(), Qt::Key_End); // the last entry, "10^(-1)"
    ASSERT_EQ(page.magnitudeList()->currentIndex(), 255);
    EXPECT_EQ(page.temperatureLine()->text(), "(Temperature =36.500000)");
    retype(page.valueEdit(), "365");
    EXPECT_EQ(page.temperatureLine()->text(), "Temperature = 36.500000");
    click(page.sendMeasurementButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement, {0x00, 0x6D, 0x01, 0x00, 0xFF}));
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kTemperature), "36.5");
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kUnit), "C");

    // Fahrenheit with a time stamp and the type, as an intermediate temperature.
    choose(page.unitList(), 1);
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kUnit), "F");
    click(page.timeBox());
    const QStringList time = {"2014", "5", "6", "7", "08", "09"};
    for (int i = 0; i < 6; ++i)
        retype(page.timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    click(page.typeBox());
    choose(page.typeList(), 4);
    click(page.sendIntermediateButton());
    EXPECT_EQ(nextCommand(),
              sent(kLink, kIntermediate,
                   {0x07, 0x6D, 0x01, 0x00, 0xFF, 0xDE, 0x07, 0x05, 0x06, 0x07, 0x08, 0x09, 0x05}));
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kDate), "2014 / 5 / 6");
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kTime), "7 : 8 : 9");
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kType), "Gastro-intestinal Tract");
}

TEST_F(HealthThermometerPage, TypeAndIntervalAreUpdatedAndSent) {
    choose(page.leftTypeList(), 8);
    click(page.typeButton());
    EXPECT_EQ(nextCommand(), updated(kType, {0x09}));
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kType), "Tympanum");

    retype(page.intervalEdit(), "70000");
    EXPECT_EQ(page.intervalEdit()->text(), "65535");
    retype(page.intervalEdit(), "300");
    click(page.updateIntervalButton());
    EXPECT_EQ(nextCommand(), updated(kInterval, {0x2C, 0x01}));
    click(page.sendIntervalButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kInterval, {0x2C, 0x01}));
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kInterval), "300");
}

TEST_F(HealthThermometerPage, APeerWritesTheMeasurementInterval) {
    peerWrites(kInterval, {0x3C, 0x00});
    EXPECT_EQ(page.intervalEdit()->text(), "60");
    EXPECT_EQ(page.panel()->text(CPageHealthThermometer::kInterval), "60");
    peerWrites(kMeasurement, {0x10, 0x00});
    EXPECT_EQ(page.intervalEdit()->text(), "60") << "not the interval's handle";
}

TEST_F(HealthThermometerPage, RefusedCommandsSaySo) {
    h.pressConnectButton(); // "Disconnect"
    for (QPushButton* b :
         {page.sendMeasurementButton(), page.sendIntermediateButton(), page.typeButton(),
          page.updateIntervalButton(), page.sendIntervalButton()})
        click(b);
    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({"Send temperature measurement fail!", "Send intermediate temperature fail!",
                     "Update temperature type fail!", "Update measurement interval fail!",
                     "Send measurement interval fail!"}));
}

} // namespace
} // namespace nuvex3::test
