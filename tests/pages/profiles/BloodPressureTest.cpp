// The "Blood Pressure" page inside the main window: the measurement and cuff pressure
// values it sends, the feature value it updates, the entry limits and the panel.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageBloodPressure.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0042, kCuff = 0x0045, kFeature = 0x0048;

class BloodPressurePage : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        page.characteristicFound("2A35", "0042");
        page.characteristicFound("2A36", "0045");
        page.characteristicFound("2A49", "0048");
        show(&page);
    }
    void pressures(const QString& s, const QString& d, const QString& m) {
        retype(page.pressureEdit(0), s);
        retype(page.pressureEdit(1), d);
        retype(page.pressureEdit(2), m);
    }
    CPageBloodPressure& page = h.dialog().pages().bloodPressure;
};

TEST_F(BloodPressurePage, MeasurementValuesByteForByte) {
    pressures("120", "80", "93");
    click(page.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement, {0x00, 0x78, 0x00, 0x50, 0x00, 0x5D, 0x00}));
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kValue1), "120");
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kValue2), "80");
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kValue3), "93");

    // kPa with a time stamp, a pulse rate, a user and the measurement status.
    choose(page.unitList(), 1);
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kUnit), "kPa");
    click(page.timeBox());
    EXPECT_EQ(page.timeFields().fields[0]->text(), QString::number(QDate::currentDate().year()))
        << "checking the box fills in the current date and time";
    const QStringList time = {"2013", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 6; ++i)
        retype(page.timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    click(page.pulseBox());
    retype(page.pulseEdit(), "72");
    click(page.userBox());
    retype(page.userEdit(), "3");
    click(page.statusBox());
    choose(page.statusList(3), 1); // "Pulse rate exceeds upper limit"
    choose(page.statusList(4), 1); // "Improper measurement position"
    click(page.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement,
                                  {0x1F, 0x78, 0x00, 0x50, 0x00, 0x5D, 0x00, 0xDD, 0x07, 0x05, 0x06,
                                   0x07, 0x08, 0x09, 0x48, 0x00, 0x03, 0x28, 0x00}));
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kDate), "2013/5/6");
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kTime), "7: 8: 9");
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kPulse), "72");
}

TEST_F(BloodPressurePage, TheCuffPressureTypeSendsOnlyThePressure) {
    pressures("120", "80", "93");
    click(page.timeBox());
    click(page.pulseBox());
    choose(page.typeList(), 1);
    EXPECT_EQ(page.sendButton()->text(), "Send Intermediate Cuff Pressure");
    EXPECT_EQ(page.panel()->text(CPageBloodPressure::kCaption), "Current Cuff Pressure");
    EXPECT_EQ(page.pressureLabel(0)->text(), "Pressure:");
    EXPECT_EQ(page.pressureLabel(1)->text(), "unused:");
    EXPECT_EQ(page.pressureEdit(1)->text(), "");
    EXPECT_FALSE(page.pressureEdit(2)->isEnabled());
    EXPECT_FALSE(page.timeBox()->isChecked());
    EXPECT_FALSE(page.timeBox()->isEnabled());
    EXPECT_FALSE(page.pulseBox()->isChecked());
    click(page.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kCuff, {0x00, 0x78, 0x00, 0x00, 0x00, 0x00, 0x00}));

    choose(page.typeList(), 0);
    EXPECT_EQ(page.sendButton()->text(), "Send Blood Pressure Measurement");
    EXPECT_EQ(page.pressureLabel(2)->text(), "MAP:");
    EXPECT_TRUE(page.pressureEdit(2)->isEnabled());
    EXPECT_TRUE(page.timeBox()->isEnabled());
}

TEST_F(BloodPressurePage, FieldsKeepTheirRangesWhileTyping) {
    retype(page.pressureEdit(0), "3000");
    EXPECT_EQ(page.pressureEdit(0)->text(), "2045");
    click(page.userBox());
    retype(page.userEdit(), "256");
    EXPECT_EQ(page.userEdit()->text(), "255");
    click(page.timeBox());
    retype(page.timeFields().fields[1], "13");
    EXPECT_EQ(page.timeFields().fields[1]->text(), "12");
    retype(page.timeFields().fields[2], "0");
    EXPECT_EQ(page.timeFields().fields[2]->text(), "1");
}

TEST_F(BloodPressurePage, FeatureValueAndRefusals) {
    choose(page.featureList(0), 1);
    choose(page.featureList(5), 1);
    EXPECT_EQ(page.featureList(5)->currentText(), "Multiple Bonds supported");
    click(page.updateFeatureButton());
    EXPECT_EQ(nextCommand(), updated(kFeature, {0x21, 0x00}));

    h.pressConnectButton(); // "Disconnect"
    click(page.sendButton());
    click(page.updateFeatureButton());
    EXPECT_EQ(h.prompts().messages(), QStringList({"Send blood pressure measurement fail!",
                                                   "Update blood pressure feature fail!"}));
}

} // namespace
} // namespace nuvex3::test
