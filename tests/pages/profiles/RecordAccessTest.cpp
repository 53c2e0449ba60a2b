// The glucose "Record Access Control Point" sub-page inside the main window: the peer's
// requests written to the control point become rows, a click prepares the answer, and the
// stored records, the record count and the response code leave on the last link.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/profiles/CPageGlucose.h"
#include "pages/profiles/CPageGlucoseRecordAccessControlPoint.h"
#include "pages/profiles/GlucoseRecordForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

constexpr std::uint16_t kMeasurement = 0x0072, kControlPoint = 0x007B;
constexpr std::uint8_t kSecondLink = 0x02;

class RecordAccess : public ::testing::Test, public ProfilePageTest {
protected:
    void SetUp() override {
        glucose.characteristicFound("2A18", "0072");
        glucose.characteristicFound("2A52", "007B");
        connectionComplete(kSecondLink);
        show(&glucose);
    }
    QStringList row(int r) {
        QStringList cells;
        for (int c = 0; c < 3; ++c)
            cells << page.requests()->item(r, c)->text();
        return cells;
    }
    void clickRequestList() {
        QTableView* view = page.requestView();
        const QRect cell = view->visualRect(page.requests()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }
    CPageGlucose& glucose = h.dialog().pages().glucose;
    CPageGlucoseRecordAccessControlPoint& page = glucose.recordAccess();
};

TEST_F(RecordAccess, ARequestBecomesARowAndBringsThePageForward) {
    h.ui().sheet->setCurrentIndex(0);
    peerWrites(kControlPoint, {0x01, 0x04, 0x01, 0x0A, 0x00, 0x14, 0x00});
    EXPECT_EQ(h.ui().sheet->currentWidget(), &glucose);
    EXPECT_EQ(glucose.currentSubPage(), &page);
    ASSERT_EQ(page.requests()->rowCount(), 1);
    EXPECT_EQ(row(0), QStringList({"01:Report stored records", "04:Within range of",
                                   "1:Sequence Number,Within range of:form 10 to 20"}));
    EXPECT_FALSE(page.recordsGroup()->isEnabled()) << "a request enables nothing by itself";

    peerWrites(kControlPoint, {0x01, 0x03, 0x01, 0x05, 0x00});
    EXPECT_EQ(row(1), QStringList({"01:Report stored records", "03:Greater than or equal to",
                                   "1:Sequence Number,Greater than or equal to:5"}));
    peerWrites(kControlPoint, {0x04, 0x01});
    EXPECT_EQ(row(2), QStringList({"04:Report number of stored records", "01:All records",
                                   "No operand used"}));
    peerWrites(kControlPoint, {0x09, 0x07});
    EXPECT_EQ(row(3), QStringList({"09:Unknown", "07:Unknown", "0:Sequence Number,Unknown:0"}))
        << "codes without a name, and bytes the request lacks read as 0";
    peerWrites(kMeasurement, {0x01, 0x01});
    EXPECT_EQ(page.requests()->rowCount(), 4) << "a write elsewhere is no request";
}

TEST_F(RecordAccess, ReportStoredRecordsWithinARange) {
    peerWrites(kControlPoint, {0x01, 0x04, 0x01, 0x0A, 0x00, 0x14, 0x00});
    clickRequestList();
    EXPECT_EQ(h.prompts().messages(), QStringList({"Please enter 10 group of glucose records."}));
    EXPECT_TRUE(page.recordsGroup()->isEnabled());
    EXPECT_EQ(page.form()->sequenceEdit()->text(), "01");
    EXPECT_EQ(page.form()->timeFields().fields[0]->text(),
              QString::number(QDate::currentDate().year()));
    EXPECT_TRUE(page.responseGroup()->isEnabled());
    EXPECT_EQ(page.responseOpCodeEdit()->text(), "06");
    EXPECT_EQ(page.responseOperatorEdit()->text(), "00");
    EXPECT_EQ(page.requestOpCodeEdit()->text(), "01");
    EXPECT_FALSE(page.countGroup()->isEnabled());

    // Two records in turn, on the last link.
    profiles::GlucoseRecordForm* form = page.form();
    const QStringList time = {"2014", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 6; ++i)
        retype(form->timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    retype(form->sequenceEdit(), "10");
    click(page.sendRecordButton());
    EXPECT_EQ(nextCommand(), sent(kSecondLink, kMeasurement,
                                  {0x00, 0x0A, 0x00, 0xDE, 0x07, 0x05, 0x06, 0x07, 0x08, 0x09}));
    click(form->glucoseBox());
    retype(form->concentrationEdit(), "95");
    choose(form->multiplierList(), 11);
    retype(form->sequenceEdit(), "11");
    click(page.sendRecordButton());
    EXPECT_EQ(nextCommand(),
              sent(kSecondLink, kMeasurement,
                   {0x02, 0x0B, 0x00, 0xDE, 0x07, 0x05, 0x06, 0x07, 0x08, 0x09, 0x5F, 0xB0, 0x11}));
    EXPECT_TRUE(page.recordsGroup()->isEnabled()) << "stays open for the next record";
    EXPECT_EQ(glucose.panel()->text(CPageGlucose::kConcentration), "0.00 kg/L");

    // "Success" closes the answer and the request.
    click(page.sendResponseButton());
    EXPECT_EQ(nextCommand(), sent(kSecondLink, kControlPoint, {0x06, 0x00, 0x01, 0x01}));
    EXPECT_FALSE(page.recordsGroup()->isEnabled());
    EXPECT_FALSE(page.responseGroup()->isEnabled());
    EXPECT_EQ(page.requests()->rowCount(), 0);
}

TEST_F(RecordAccess, ReportTheNumberOfStoredRecords) {
    peerWrites(kControlPoint, {0x04, 0x01});
    clickRequestList();
    EXPECT_TRUE(h.prompts().messages().isEmpty());
    EXPECT_TRUE(page.countGroup()->isEnabled());
    EXPECT_EQ(page.countOpCodeEdit()->text(), "05");
    EXPECT_EQ(page.countOperatorEdit()->text(), "00");
    retype(page.countEdit(), "300");
    click(page.sendCountButton());
    EXPECT_EQ(nextCommand(), sent(kSecondLink, kControlPoint, {0x05, 0x00, 0x2C, 0x01}));
    EXPECT_FALSE(page.countGroup()->isEnabled());
    EXPECT_EQ(page.storedRecordCount(), 300);

    // "Report all" then asks for as many records as were counted.
    peerWrites(kControlPoint, {0x01, 0x01});
    clickRequestList();
    EXPECT_EQ(h.prompts().messages(), QStringList({"Please enter 300 group of glucose records."}));
}

TEST_F(RecordAccess, AnAnswerDeletesTheFirstRowAndTheNextRequestTakesItsPlace) {
    peerWrites(kControlPoint, {0x01, 0x05});
    peerWrites(kControlPoint, {0x01, 0x06});
    ASSERT_EQ(page.requests()->rowCount(), 2);
    clickRequestList();
    choose(page.responseList(), 5); // "06: No records found"
    click(page.sendResponseButton());
    EXPECT_EQ(nextCommand(), sent(kSecondLink, kControlPoint, {0x06, 0x00, 0x01, 0x06}));
    ASSERT_EQ(page.requests()->rowCount(), 1);
    EXPECT_EQ(row(0)[1], "06:Last record");
    EXPECT_EQ(page.rowCounter(), 0);
    peerWrites(kControlPoint, {0x03, 0x00});
    EXPECT_EQ(row(0)[0], "03:Abort operation");
    EXPECT_EQ(row(1)[1], "06:Last record");
}

TEST_F(RecordAccess, AnUnknownOperatorIsRefusedAndRefusedSendsSaySo) {
    peerWrites(kControlPoint, {0x01, 0x00});
    clickRequestList();
    EXPECT_EQ(h.prompts().messages(), QStringList({"Error operator !"}));
    EXPECT_FALSE(page.recordsGroup()->isEnabled());
    EXPECT_TRUE(page.responseGroup()->isEnabled());
    EXPECT_EQ(CPageGlucoseRecordAccessControlPoint::responseEntries()[2], "03:  Invalid Operator");

    h.pressConnectButton(); // "Disconnect"
    click(page.sendResponseButton());
    EXPECT_TRUE(page.responseGroup()->isEnabled()) << "a refused answer can be sent again";
    EXPECT_EQ(h.prompts().messages().last(), "Send glucose response fail!");
}

} // namespace
} // namespace nuvex3::test
