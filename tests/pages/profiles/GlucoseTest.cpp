// The "Glucose" page inside the main window: the measurement, context and feature values
// its sub-pages send (SFLOAT amounts, nibble pairs), the handles the host spreads over
// its sub-pages, and the meter's display after a measurement.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageGlucose.h"
#include "pages/profiles/CPageGlucoseFeature.h"
#include "pages/profiles/CPageGlucoseMeasurement.h"
#include "pages/profiles/CPageGlucoseMeasurementContext.h"
#include "pages/profiles/CPageGlucoseRecordAccessControlPoint.h"
#include "pages/profiles/ProfileFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0072, kContext = 0x0075, kFeature = 0x0078;

class GlucosePage : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        page.characteristicFound("2A18", "0072");
        page.characteristicFound("2A34", "0075");
        page.characteristicFound("2A51", "0078");
        page.characteristicFound("2A52", "007B");
        show(&page);
    }
    void setTime(profiles::GlucoseRecordForm* form, const QStringList& time) {
        for (int i = 0; i < 6; ++i)
            retype(form->timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    }
    CPageGlucose& page = h.dialog().pages().glucose;
};

TEST_F(GlucosePage, TheHostSpreadsTheHandlesOverItsSubPages) {
    const QStringList captions = {"Glucose Measurement", " Glucose Measurement Context",
                                  "Glucose Feature", "Record Access Control Point"};
    ASSERT_EQ(page.subSheet()->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page.subSheet()->tabText(i), captions[i]);
    EXPECT_EQ(page.currentSubPage(), &page.measurement());
    EXPECT_EQ(page.measurement().characteristicHandle("2A18"), "0072");
    EXPECT_EQ(page.recordAccess().characteristicHandle("2A18"), "0072");
    EXPECT_EQ(page.context().characteristicHandle("2A34"), "0075");
    EXPECT_EQ(page.feature().characteristicHandle("2A51"), "0078");
    EXPECT_EQ(page.recordAccess().characteristicHandle("2A52"), "007B");
    EXPECT_EQ(page.controlPointHandle(), "007B");
}

TEST_F(GlucosePage, SfloatsAreTheMantissaAndTheMultipliersIndex) {
    EXPECT_EQ(profiles::sfloat(95, 11), 0xB05F);
    EXPECT_EQ(profiles::sfloat(2045, 0), 0x07FD);
    EXPECT_EQ(profiles::sfloat(1, 15), 0xF001);
    EXPECT_EQ(profiles::sfloatMultipliers().size(), 16);
    EXPECT_EQ(profiles::sfloatMultipliers()[8], "0.00000001");
}

TEST_F(GlucosePage, MeasurementByteForByteAndOnTheDisplay) {
    profiles::GlucoseRecordForm* form = page.measurement().form();
    retype(form->sequenceEdit(), "300");
    setTime(form, {"2014", "5", "6", "23", "50", "9"});
    click(form->offsetBox());
    retype(form->offsetEdit(), "20");
    click(form->glucoseBox());
    retype(form->concentrationEdit(), "95");
    choose(form->multiplierList(), 11); // "0.00001"
    choose(form->typeList(), 9);        // "10: Control Solution"
    choose(form->locationList(), 4);    // "15: Sample Location value not available"
    click(form->statusBox());
    click(form->annunciationBox(0));
    click(form->annunciationBox(11));
    click(page.measurement().sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kMeasurement,
                                  {0x0B, 0x2C, 0x01, 0xDE, 0x07, 0x05, 0x06, 0x17, 0x32, 0x09, 0x14,
                                   0x00, 0x5F, 0xB0, 0xFA, 0x01, 0x08}));
    // The time shown is the base time plus the offset, carried into the hour and the day.
    EXPECT_EQ(page.panel()->text(CPageGlucose::kSequence), "300");
    EXPECT_EQ(page.panel()->text(CPageGlucose::kDate), "2014 / 5 / 7");
    EXPECT_EQ(page.panel()->text(CPageGlucose::kTime), "0 : 10 : 9");
    EXPECT_EQ(page.panel()->text(CPageGlucose::kConcentration), "0.001 kg/L");
    EXPECT_EQ(page.panel()->text(CPageGlucose::kType), "Control Solution");
    EXPECT_EQ(page.panel()->text(CPageGlucose::kLocation), "Sample Location value not available");

    click(form->unitBox());
    EXPECT_EQ(form->unitBox()->text(), "Concentration Unit : mol/L");
    click(form->unitBox());
    EXPECT_EQ(form->unitBox()->text(), "Concentration Unit : kg/L");
}

TEST_F(GlucosePage, ContextByteForByte) {
    CPageGlucoseMeasurementContext& c = page.context();
    page.showSubPage(c);
    retype(c.sequenceEdit(), "300");
    click(c.testerHealthBox());
    choose(c.testerList(), 3); // "15: Tester value not available"
    choose(c.healthList(), 4); // "5: No health issues"
    click(c.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kContext, {0x04, 0x2C, 0x01, 0x5F}));

    click(c.carbohydrateBox());
    choose(c.carbohydrateList(), 6); // "7: Brunch"
    retype(c.carbohydrateAmount().mantissa, "50");
    choose(c.carbohydrateAmount().multiplier, 13); // 0.001
    click(c.mealBox());
    choose(c.mealList(), 4);
    click(c.exerciseBox());
    retype(c.durationEdit(), "3600");
    retype(c.intensityEdit(), "300");
    EXPECT_EQ(c.intensityEdit()->text(), "255");
    click(c.medicationBox());
    choose(c.medicationList(), 1);
    retype(c.medicationAmount().mantissa, "12");
    click(c.medicationUnitBox());
    EXPECT_EQ(c.medicationUnitBox()->text(), "Medication Unit : liters");
    click(c.hba1cBox());
    retype(c.hba1cAmount().mantissa, "65");
    choose(c.hba1cAmount().multiplier, 15); // 0.1
    click(c.sendButton());
    EXPECT_EQ(nextCommand(), sent(kLink, kContext,
                                  {0x7F, 0x2C, 0x01, 0x07, 0x32, 0xD0, 0x05, 0x5F, 0x10, 0x0E, 0xFF,
                                   0x02, 0x0C, 0x00, 0x41, 0xF0}));
}

TEST_F(GlucosePage, FeatureBitsInListOrder) {
    CPageGlucoseFeature& f = page.feature();
    page.showSubPage(f);
    ASSERT_EQ(CPageGlucoseFeature::featureNames().size(), 11);
    choose(f.featureList(0), 1);
    choose(f.featureList(8), 1);
    choose(f.featureList(10), 1);
    click(f.updateButton());
    EXPECT_EQ(nextCommand(), updated(kFeature, {0x01, 0x05}));
}

TEST_F(GlucosePage, RefusedCommandsSaySo) {
    h.pressConnectButton(); // "Disconnect"
    click(page.measurement().sendButton());
    click(page.context().sendButton());
    click(page.feature().updateButton());
    EXPECT_EQ(h.prompts().messages(), QStringList({"Send glucose measurement context fail!",
                                                   "Send glucose measurement context fail!",
                                                   "Update glucose feature fail!"}));
}

} // namespace
} // namespace nuvex3::test
