// The GAP page driven through its widgets: the bytes every command puts on the wire,
// every refusal message, the clamps, the report list, the link information and the
// advertising data loaded from a file.

#include "GapTestSupport.h"

#include "link/Clock.h"
#include "pages/gap/AdvReportModel.h"
#include "pages/gap/CPageGAP.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::packetText;
using ::testing::ElementsAre;

enum OpIndex {
    kRssi = 0,
    kAdvData,
    kScanRes,
    kAdvParam,
    kScanParam,
    kScanEnable,
    kConnect,
    kCancel,
    kUpdate,
    kDisconnect,
    kAdvEnable,
    kRemoteName
};

// A report record as the layer hands it over (address already most significant first).
Record reportRecord(std::uint8_t eventType, std::uint8_t addrType, std::array<std::uint8_t, 6> addr,
                    const std::vector<std::uint8_t>& data, std::uint8_t rssi) {
    Record r{};
    r[0] = 0;
    r[1] = static_cast<std::uint8_t>(10 + data.size());
    r[2] = 0x70;
    r[3] = eventType;
    r[4] = addrType;
    std::copy(addr.begin(), addr.end(), r.begin() + 5);
    r[11] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), r.begin() + 12);
    r[43] = rssi;
    return r;
}

Record connectionComplete(std::uint8_t handle, std::uint8_t role, std::uint8_t addrType,
                          std::array<std::uint8_t, 6> addr, std::array<std::uint8_t, 6> params) {
    Record r{};
    r[1] = 17;
    r[2] = 0x71;
    r[3] = 0x00;
    r[4] = handle;
    r[5] = role;
    r[6] = addrType;
    std::copy(addr.begin(), addr.end(), r.begin() + 7);
    std::copy(params.begin(), params.end(), r.begin() + 13);
    return r;
}

Record simpleRecord(std::uint8_t opcode, const std::vector<std::uint8_t>& params) {
    Record r{};
    r[1] = static_cast<std::uint8_t>(params.size() + 1);
    r[2] = opcode;
    std::copy(params.begin(), params.end(), r.begin() + 3);
    return r;
}

class GapPage : public ::testing::Test {
protected:
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    test::WireModule module;
    CPageGAP page;

    void SetUp() override {
        page.setLayer(module.layer());
        page.enable(true);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    void select(int index) { test::choose(page.opcodeCombo(), index); }
    QComboBox* row(int r) { return page.valueCombo(r); }
    void send() { QTest::mouseClick(page.sendButton(), Qt::LeftButton); }
    // Sends and returns the packet on the wire.
    std::string sendAndRead() {
        send();
        return module.nextPacket();
    }
    // Sends, expecting exactly one refusal message and nothing on the wire.
    void expectRefused(const QString& message) {
        prompts.clear();
        send();
        EXPECT_THAT(prompts.messages(), ElementsAre(message));
        EXPECT_TRUE(module.silent());
    }
    void connect(std::uint8_t handle,
                 std::array<std::uint8_t, 6> params = {0, 0x18, 0, 0, 0, 0x48}) {
        page.receive(
            kKindConnectionComplete,
            connectionComplete(handle, 0, 1, {0xC0, 0x11, 0x22, 0x33, 0x44, handle}, params));
        auto links = page.linkTable();
        links.push_back(handle);
        page.setLinkTable(links); // what the main window does after the page built its record
        page.flushLinkInfo();     // the page's next refresh
    }
    void addReport(const Record& r) {
        page.receive(kKindAdvertisingReport, r);
        page.flushReports();
    }
    QString cell(int r, int c) { return page.reportModel()->cellText(r, c); }
};

TEST_F(GapPage, StartsOnCreateConnectionWithSendDisabledUntilEnabled) {
    CPageGAP fresh;
    EXPECT_EQ(fresh.caption(), "GAP");
    EXPECT_EQ(fresh.opcodeCombo()->currentText(), "0x17: LE Create Connection");
    EXPECT_FALSE(fresh.sendButton()->isEnabled());
    EXPECT_FALSE(fresh.advNameButton()->isEnabled());
    EXPECT_TRUE(fresh.advNameButton()->isHidden());
    EXPECT_EQ(fresh.reportModel()->columnCount(), 9);
    QStringList headers;
    for (int c = 0; c < 9; ++c)
        headers << fresh.reportModel()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Event Type", "Addr Type", "Addr", "Name", "RSSI", "Length",
                                    "Service", "Manufacture", "data"}));
    fresh.enable(true);
    EXPECT_TRUE(fresh.sendButton()->isEnabled());
    EXPECT_TRUE(fresh.advNameButton()->isEnabled());

    QStringList opcodes;
    for (int i = 0; i < fresh.opcodeCombo()->count(); ++i)
        opcodes << fresh.opcodeCombo()->itemText(i);
    EXPECT_EQ(
        opcodes,
        QStringList({"0x10: Read RSSI Value", "0x11: Write Adv Data", "0x12: Write Scan Res_Data",
                     "0x13: Set Advertising Parameter", "0x15: Set Scan Parameters",
                     "0x16: Set Scan Enable", "0x17: LE Create Connection",
                     "0x18: LE Create Connection Cancel", "0x19: Connection Parameter Update Req",
                     "0x1B: Disconnect", "0x1C: Set Adv Enable", "0x1F: Read Remote Device Name"}));
}

TEST_F(GapPage, EveryCommandFromItsDefaults) {
    struct Case {
        int index;
        std::uint8_t opcode;
        std::vector<std::uint8_t> params;
    };
    const Case cases[] = {
        {kRssi, 0x10, {0x00}},
        {kAdvParam, 0x13, {0x08, 0x00, 0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}},
        {kScanParam, 0x15, {0x00, 0x10, 0x00, 0x10, 0x00}},
        {kScanEnable, 0x16, {0x00, 0x00}},
        {kConnect, 0x17, {0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}},
        {kCancel, 0x18, {}},
        {kUpdate, 0x19, {0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x0A}},
        {kDisconnect, 0x1B, {0x00}},
        {kAdvEnable, 0x1C, {0x00}},
        {kRemoteName, 0x1F, {0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        select(c.index);
        EXPECT_EQ(sendAndRead(), packetText(c.opcode, c.params));
    }
    EXPECT_TRUE(prompts.messages().isEmpty());
    // The two data commands have no default data: they are refused.
    select(kAdvData);
    expectRefused("The data must input least 1 byte");
    select(kScanRes);
    expectRefused("The data must input least 1 byte");
}

TEST_F(GapPage, EveryCommandFromTypedValues) {
    connect(0x03);
    connect(0x05);

    select(kRssi);
    row(0)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x10, {0x05}));

    select(kAdvData);
    row(0)->setCurrentIndex(1);
    test::typeInto(row(1), "0201060"); // seven digits: four bytes, the last one 0x00
    EXPECT_EQ(sendAndRead(), packetText(0x11, {0x80, 0x02, 0x01, 0x06, 0x00}));

    select(kScanRes);
    test::typeInto(row(0), "0a09ff"); // lower case is valid hex
    EXPECT_EQ(sendAndRead(), packetText(0x12, {0x00, 0x0A, 0x09, 0xFF}));

    select(kAdvParam);
    test::typeInto(row(0), "0100");
    row(1)->setCurrentIndex(2);
    row(2)->setCurrentIndex(1);
    test::typeInto(row(3), "001122334455");
    EXPECT_EQ(sendAndRead(),
              packetText(0x13, {0x01, 0x00, 0x02, 0x01, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00}));

    select(kScanParam);
    test::typeInto(row(0), "0040");
    test::typeInto(row(1), "0020");
    row(2)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x15, {0x00, 0x40, 0x00, 0x20, 0x01}));

    select(kScanEnable);
    row(0)->setCurrentIndex(1);
    row(1)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x16, {0x01, 0x01}));

    select(kConnect);
    row(1)->setCurrentIndex(1);
    test::typeInto(row(2), "C0FFEE123456");
    EXPECT_EQ(sendAndRead(), packetText(0x17, {0x00, 0x01, 0x56, 0x34, 0x12, 0xEE, 0xFF, 0xC0}));

    select(kUpdate);
    EXPECT_EQ(row(0)->currentText(), "03");
    test::typeInto(row(1), "0028");
    test::typeInto(row(2), "0004");
    test::typeInto(row(3), "0200");
    EXPECT_EQ(sendAndRead(), packetText(0x19, {0x03, 0x00, 0x28, 0x00, 0x04, 0x02, 0x00}));

    select(kDisconnect);
    row(0)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x1B, {0x05}));

    select(kAdvEnable);
    const std::uint8_t modes[] = {0x00, 0x01, 0x02, 0x81, 0x82};
    for (int i = 0; i < 5; ++i) {
        row(0)->setCurrentIndex(i);
        EXPECT_EQ(sendAndRead(), packetText(0x1C, {modes[i]}));
    }

    select(kRemoteName);
    test::typeInto(row(0), "7");
    expectRefused("Please input 1 byte for Connction Handle");
    test::typeInto(row(0), "7A");
    EXPECT_EQ(sendAndRead(), packetText(0x1F, {0x7A}));
    EXPECT_THAT(prompts.messages(), ElementsAre("Please input 1 byte for Connction Handle"));
}

TEST_F(GapPage, EveryRefusalMessageAndNothingSent) {
    for (int index : {kRssi, kUpdate, kDisconnect, kRemoteName}) {
        select(index);
        test::typeInto(row(0), "1");
        expectRefused("Please input 1 byte for Connction Handle");
    }

    select(kAdvParam);
    test::typeInto(row(0), "080");
    expectRefused("Please input 2 bytes for Advertising interval");
    test::typeInto(row(0), "0800");
    test::typeInto(row(3), "0A0B0C0D0E0");
    expectRefused("Please input 6 bytes for Direct Address");

    select(kScanParam);
    test::typeInto(row(0), "010");
    expectRefused("Please input 2 bytes for Scan interval");
    test::typeInto(row(0), "0010");
    test::typeInto(row(1), "01");
    expectRefused("Please input 2 bytes for Scan Window");

    select(kConnect);
    test::typeInto(row(2), "0A0B0C");
    expectRefused("Please input 6 bytes for Direct Address");

    select(kUpdate);
    test::typeInto(row(1), "006");
    expectRefused("Please input 2 bytes for Conn interval");
    test::typeInto(row(1), "0006");
    test::typeInto(row(2), "0");
    expectRefused("Please input 2 bytes for Conn Latency");
    test::typeInto(row(2), "0000");
    test::typeInto(row(3), "0A");
    expectRefused("Please input 2 bytes for Supervision Timeout");
}

TEST_F(GapPage, AFailedWriteSaysWriteCommandFail) {
    page.setLayer(nullptr); // as after Disconnect, should Send still be reachable
    select(kAdvEnable);
    send();
    EXPECT_THAT(prompts.messages(), ElementsAre("Write command fail!"));
}

TEST_F(GapPage, ScanWindowMayEqualTheIntervalButNotExceedIt) {
    select(kScanParam);
    test::typeInto(row(0), "0100");
    test::typeInto(row(1), "0100");
    EXPECT_EQ(sendAndRead(), packetText(0x15, {0x01, 0x00, 0x01, 0x00, 0x00}));
    test::typeInto(row(1), "0101");
    expectRefused("Scan Window must less than or equal to Scan interval");
}

TEST_F(GapPage, RelabelsTheRowsPerOpcode) {
    select(kAdvParam);
    EXPECT_EQ(page.captionLabel(0)->text(), "Advertising Interval:");
    EXPECT_EQ(page.unitLabel(0)->text(), "(Unit: 625us, 0x0020~0x4000)");
    EXPECT_EQ(row(0)->currentText(), "0800");
    EXPECT_EQ(row(0)->lineEdit()->maxLength(), 4);
    EXPECT_EQ(page.captionLabel(1)->text(), "Advertising Type:");
    EXPECT_EQ(page.unitLabel(1)->text(), "(Selection)");
    EXPECT_TRUE(page.prefixLabel(1)->isHidden());
    EXPECT_FALSE(page.prefixLabel(0)->isHidden());
    EXPECT_EQ(row(1)->count(), 5);
    EXPECT_EQ(row(1)->itemText(4), "0x04: Proprietary Beacon Setting");
    EXPECT_EQ(page.captionLabel(3)->text(), "Directed Addr:");
    EXPECT_EQ(page.unitLabel(3)->text(), "(Unit: 6 Octet)");
    EXPECT_EQ(row(3)->currentText(), "0A0B0C0D0E0F");

    select(kConnect);
    EXPECT_EQ(page.captionLabel(0)->text(), "Filter Policy:");
    EXPECT_FALSE(row(0)->isEnabled());
    EXPECT_EQ(row(0)->currentText(), "0x00: White List is not Used");
    EXPECT_EQ(page.captionLabel(3)->text(), "No Use Parameters:");
    EXPECT_EQ(page.unitLabel(3)->text(), "");
    EXPECT_TRUE(row(3)->isEnabled());

    select(kAdvData);
    EXPECT_EQ(page.captionLabel(0)->text(), "Store Option:");
    EXPECT_EQ(row(0)->itemText(0),
              QString::fromUtf8("0x00: Advertising Data won\u2019t be stored"));
    EXPECT_EQ(row(0)->itemText(1), QString::fromUtf8("0x80: Beacon Data won\u2019t be stored"));
    EXPECT_EQ(page.unitLabel(0)->text(), "Unit:");
    EXPECT_EQ(page.unitLabel(1)->text(), "(Unit: 1~25 Octets)");
    EXPECT_EQ(row(1)->lineEdit()->maxLength(), 62);
    EXPECT_EQ(page.captionLabel(2)->text(), "Parameter 3:");
    EXPECT_FALSE(row(2)->isEnabled());
    EXPECT_EQ(row(2)->currentText(), "");

    select(kCancel);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(page.captionLabel(r)->text(), QStringLiteral("Parameter %1:").arg(r + 1));
        EXPECT_EQ(page.unitLabel(r)->text(), "Unit:");
        EXPECT_FALSE(row(r)->isEnabled());
    }

    select(kDisconnect);
    EXPECT_EQ(page.captionLabel(0)->text(), "Connecction Handle:");
    EXPECT_EQ(page.unitLabel(0)->text(), "(Unit: 1 Octet)");
    EXPECT_EQ(row(0)->currentText(), "00");
    EXPECT_EQ(row(0)->lineEdit()->maxLength(), 2);

    select(kAdvEnable);
    EXPECT_EQ(row(0)->count(), 5);
    EXPECT_EQ(row(0)->itemText(3), "0x81: Enter Standby Mode with Beacon Enabled");
}

// Relabelling moves nothing: at the width the page gets in the window on a 1280-pixel
// screen, every control keeps its place for every opcode, and the link information shows
// its values whole (a squeezed column once showed ")A0B0C0D0E0F" for the address).
TEST_F(GapPage, RelabellingKeepsEveryControlInPlaceAndTheLinkFieldsWhole) {
    page.resize(820, 600);
    connect(0x0A);
    ASSERT_EQ(page.addressEdit()->text(), "C0112233440A");
    const std::vector<QWidget*> watched = {
        page.opcodeCombo(), page.sendButton(),  page.captionLabel(0), page.valueCombo(0),
        page.unitLabel(0),  page.valueCombo(3), page.unitLabel(3),    page.rssiEdit(),
        page.handleCombo(), page.addressEdit(), page.timeoutEdit(),   page.deviceNameEdit(),
        page.reportView(),  page.clearButton(), page.prefixLabel(1)};
    const auto geometries = [&] {
        std::vector<QRect> g;
        for (QWidget* w : watched)
            g.emplace_back(w->mapTo(&page, QPoint(0, 0)), w->size());
        return g;
    };
    const auto first = geometries();
    for (int index = 0; index < page.opcodeCombo()->count(); ++index) {
        select(index);
        QCoreApplication::processEvents(); // the layouts settle
        EXPECT_EQ(geometries(), first) << page.opcodeCombo()->currentText().toStdString();
        for (QLineEdit* e : {page.roleEdit(), page.addressTypeEdit(), page.addressEdit(),
                             page.intervalEdit(), page.latencyEdit(), page.timeoutEdit()}) {
            const QRect shown = e->contentsRect().marginsRemoved(e->textMargins());
            EXPECT_LE(e->fontMetrics().horizontalAdvance(e->text()), shown.width() - 4)
                << e->text().toStdString() << " with "
                << page.opcodeCombo()->currentText().toStdString();
        }
    }
}

TEST_F(GapPage, HandleRowsListTheOpenLinksOrZeroWithoutOne) {
    select(kRssi);
    EXPECT_EQ(row(0)->count(), 0);
    EXPECT_EQ(row(0)->currentText(), "00");
    connect(0x01);
    connect(0x0A);
    EXPECT_EQ(row(0)->count(), 0) << "the list is taken when the opcode is chosen";
    page.refreshHandleRows();
    EXPECT_EQ(row(0)->count(), 2);
    for (int index : {kRssi, kUpdate, kDisconnect, kRemoteName}) {
        select(index);
        ASSERT_EQ(row(0)->count(), 2);
        EXPECT_EQ(row(0)->itemText(0), "01");
        EXPECT_EQ(row(0)->itemText(1), "0A");
        EXPECT_EQ(row(0)->currentText(), "01");
    }
}

TEST_F(GapPage, ClampsWhileTypingAndOnFocusLoss) {
    select(kAdvParam);
    test::typeInto(row(0), "5000");
    EXPECT_EQ(row(0)->currentText(), "4000");
    test::typeInto(row(0), "0010");
    EXPECT_EQ(row(0)->currentText(), "0010"); // a low value stays while typing
    test::leaveField(row(0));
    EXPECT_EQ(row(0)->currentText(), "0020");
    EXPECT_EQ(sendAndRead(),
              packetText(0x13, {0x00, 0x20, 0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A}));

    select(kScanParam);
    test::typeInto(row(1), "4001");
    EXPECT_EQ(row(1)->currentText(), "4000");
    test::typeInto(row(0), "0003");
    test::leaveField(row(0));
    EXPECT_EQ(row(0)->currentText(), "0004");
    test::typeInto(row(1), "0001");
    test::leaveField(row(1));
    EXPECT_EQ(row(1)->currentText(), "0004");

    select(kUpdate);
    test::typeInto(row(1), "0D00");
    EXPECT_EQ(row(1)->currentText(), "0C80");
    test::typeInto(row(1), "0005");
    test::leaveField(row(1));
    EXPECT_EQ(row(1)->currentText(), "0006");
    test::typeInto(row(3), "FFFF");
    EXPECT_EQ(row(3)->currentText(), "0C80");
    test::typeInto(row(3), "0009");
    test::leaveField(row(3));
    EXPECT_EQ(row(3)->currentText(), "000A");
    test::typeInto(row(2), "FFFF"); // latency has no range
    test::leaveField(row(2));
    EXPECT_EQ(row(2)->currentText(), "FFFF");
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(GapPage, NonHexCharactersAreRefusedAsTyped) {
    select(kAdvParam);
    test::typeInto(row(0), "1G");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));
    EXPECT_EQ(row(0)->currentText(), "1");
    prompts.clear();
    select(kAdvData);
    test::typeInto(row(1), "02x1");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));
    EXPECT_EQ(row(1)->currentText(), "021");
}

TEST(AdvertisingList, AFloodThatKeepsTheTimerWaitingStillFillsTheListEveryFlushInterval) {
    ManualClock clock;
    ScopedClock scoped(clock);
    AdvReportModel model;
    // No event loop runs here, as while a flood keeps it busy: the flush timer never fires.
    AdvReport report;
    report.address = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    model.add(report);
    clock.advance(std::chrono::milliseconds(AdvReportModel::kDefaultFlushMs - 1));
    model.add(report);
    EXPECT_EQ(model.rowCount(), 0);
    clock.advance(std::chrono::milliseconds(1));
    model.add(report);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.data(model.index(2, AdvReportModel::Addr)).toString(), "0x001122334455");
}

TEST_F(GapPage, ReportRowsShowTypeAddressNameRssiAndData) {
    addReport(reportRecord(0, 0, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
                           {0x02, 0x01, 0x06, 0x05, 0x09, 0x41, 0x42, 0x43, 0x44}, 0xC4));
    addReport(reportRecord(
        4, 1, {0xC0, 0x01, 0x02, 0x03, 0x04, 0x05},
        {0x03, 0xFF, 0x4E, 0x58, 0x04, 0x08, 0x61, 0x62, 0x63, 0x03, 0x09, 0x5A, 0x5A}, 0x7F));
    addReport(reportRecord(7, 5, {1, 2, 3, 4, 5, 6}, {}, 0x80));
    ASSERT_EQ(page.reportModel()->rowCount(), 3);
    EXPECT_EQ(cell(0, AdvReportModel::EventType), "ADV_IND");
    EXPECT_EQ(cell(0, AdvReportModel::AddrType), "Public");
    EXPECT_EQ(cell(0, AdvReportModel::Addr), "0x001122334455");
    EXPECT_EQ(cell(0, AdvReportModel::Name), "ABCD");
    EXPECT_EQ(cell(0, AdvReportModel::Rssi), "-60");
    EXPECT_EQ(cell(0, AdvReportModel::Length), "9");
    EXPECT_EQ(cell(0, AdvReportModel::Service), "");
    EXPECT_EQ(cell(0, AdvReportModel::Manufacture), "");
    EXPECT_EQ(cell(0, AdvReportModel::Data), "0x020106050941424344");

    EXPECT_EQ(cell(1, AdvReportModel::EventType), "SCAN_RSP");
    EXPECT_EQ(cell(1, AdvReportModel::AddrType), "Random");
    EXPECT_EQ(cell(1, AdvReportModel::Name), "ZZ"); // the later name structure wins
    EXPECT_EQ(cell(1, AdvReportModel::Manufacture), "NX");
    EXPECT_EQ(cell(1, AdvReportModel::Rssi), "127");

    EXPECT_EQ(cell(2, AdvReportModel::EventType), "");
    EXPECT_EQ(cell(2, AdvReportModel::AddrType), "0x05");
    EXPECT_EQ(cell(2, AdvReportModel::Rssi), "-128");
    EXPECT_EQ(cell(2, AdvReportModel::Data), "0x");
    EXPECT_EQ(page.seenAddresses().size(), 3);
}

TEST_F(GapPage, MalformedReportDataIsNotReadPastItsEnd) {
    // A name structure that claims more bytes than the report holds, and a report that
    // announces more than 31 bytes.
    addReport(reportRecord(0, 0, {1, 2, 3, 4, 5, 6}, {0x02, 0x01, 0x06, 0x09, 0x09, 0x41}, 0xC0));
    Record big = reportRecord(0, 0, {1, 2, 3, 4, 5, 6}, {}, 0xB0);
    big[11] = 200;
    std::fill(big.begin() + 12, big.begin() + 43, 0x01);
    addReport(big);
    ASSERT_EQ(page.reportModel()->rowCount(), 2);
    EXPECT_EQ(cell(0, AdvReportModel::Name), "");
    EXPECT_EQ(cell(1, AdvReportModel::Length), "200");
    EXPECT_EQ(cell(1, AdvReportModel::Data).size(), 2 + 62);
    EXPECT_EQ(cell(1, AdvReportModel::Rssi), "-80");
}

TEST_F(GapPage, TheListFollowsNewRowsUnlessScrolledAwayAndShowsEventTypesWhole) {
    QTableView* view = page.reportView();
    QScrollBar* bar = view->verticalScrollBar();
    const auto addReports = [&](int n) {
        for (int i = 0; i < n; ++i)
            page.receive(kKindAdvertisingReport,
                         reportRecord(3, 1, {0xC1, 2, 3, 4, 5, 6}, {0x02, 0x01, 0x06}, 0xC0));
        page.flushReports();
        QCoreApplication::processEvents();
    };
    addReports(60);
    ASSERT_GT(bar->maximum(), 0) << "more rows than the view shows";
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), 59) << "the last row in view";
    addReports(5);
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), 64);

    bar->setValue(bar->maximum() / 2); // the user scrolls up to read
    const int top = view->rowAt(0);
    addReports(5);
    EXPECT_EQ(view->rowAt(0), top);
    bar->setValue(bar->maximum()); // and back to the end: following again
    addReports(5);
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), 74);

    EXPECT_EQ(cell(0, AdvReportModel::EventType), "ADV_NONCONN_IND");
    const int needed = view->fontMetrics().horizontalAdvance("ADV_NONCONN_IND");
    EXPECT_GT(view->columnWidth(AdvReportModel::EventType), needed);
}

TEST_F(GapPage, EnablingScanEmptiesTheListAndDisablingDoesNot) {
    addReport(reportRecord(0, 0, {1, 2, 3, 4, 5, 6}, {0x02, 0x01, 0x06}, 0xC0));
    page.receive(kKindAdvertisingReport,
                 reportRecord(0, 0, {1, 2, 3, 4, 5, 7}, {0x02, 0x01, 0x06}, 0xC0)); // queued
    select(kScanEnable);
    EXPECT_EQ(sendAndRead(), packetText(0x16, {0x00, 0x00}));
    page.flushReports();
    EXPECT_EQ(page.reportModel()->rowCount(), 2);
    row(0)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x16, {0x01, 0x00}));
    page.flushReports();
    EXPECT_EQ(page.reportModel()->rowCount(), 0);
    addReport(reportRecord(0, 0, {1, 2, 3, 4, 5, 8}, {}, 0xC0));
    EXPECT_EQ(page.reportModel()->rowCount(), 1);
    QTest::mouseClick(page.clearButton(), Qt::LeftButton);
    EXPECT_EQ(page.reportModel()->rowCount(), 0);
}

TEST_F(GapPage, ClickingAReportRowPreparesTheConnection) {
    addReport(reportRecord(0, 0, {1, 2, 3, 4, 5, 6}, {0x02, 0x01, 0x06}, 0xC0));
    addReport(reportRecord(0, 1, {0xC0, 0xDE, 0xAD, 0xBE, 0xEF, 0x01}, {0x02, 0x01, 0x05}, 0xC0));
    select(kScanParam);
    QTableView* view = page.reportView();
    const QRect rect = view->visualRect(page.reportModel()->index(1, 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(page.opcodeCombo()->currentIndex(), CPageGAP::kCreateConnectionIndex);
    EXPECT_EQ(row(1)->currentIndex(), 1);
    EXPECT_EQ(row(2)->currentText(), "C0DEADBEEF01");
    EXPECT_EQ(row(3)->currentText(), "020105");
    EXPECT_EQ(sendAndRead(), packetText(0x17, {0x00, 0x01, 0x01, 0xEF, 0xBE, 0xAD, 0xDE, 0xC0}));

    const QRect first = view->visualRect(page.reportModel()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(row(1)->currentIndex(), 0);
    EXPECT_EQ(row(2)->currentText(), "010203040506");
}

TEST_F(GapPage, LinkInformationFollowsConnectionUpdateAndDisconnection) {
    page.receive(kKindConnectionComplete,
                 connectionComplete(0x01, 1, 2, {0xC0, 0x11, 0x22, 0x33, 0x44, 0x55},
                                    {0x00, 0x18, 0x00, 0x00, 0x00, 0x48}));
    page.setLinkTable({0x01});
    EXPECT_EQ(page.roleEdit()->text(), "") << "shown with the next refresh, not per event";
    page.flushLinkInfo();
    EXPECT_EQ(page.handleCombo()->currentText(), "01");
    EXPECT_EQ(page.roleEdit()->text(), "Slave");
    EXPECT_EQ(page.addressTypeEdit()->text(), "Paired device");
    EXPECT_EQ(page.addressEdit()->text(), "C01122334455");
    EXPECT_EQ(page.intervalEdit()->text(), "0018");
    EXPECT_EQ(page.latencyEdit()->text(), "0000");
    EXPECT_EQ(page.timeoutEdit()->text(), "0048");

    page.receive(kKindConnectionComplete,
                 connectionComplete(0x02, 0, 0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x02},
                                    {0x00, 0x06, 0x00, 0x01, 0x00, 0x0A}));
    page.setLinkTable({0x01, 0x02});
    page.flushLinkInfo();
    EXPECT_EQ(page.handleCombo()->count(), 2);
    EXPECT_EQ(page.handleCombo()->currentText(), "02");
    EXPECT_EQ(page.roleEdit()->text(), "Master");
    EXPECT_EQ(page.addressTypeEdit()->text(), "Public");

    page.handleCombo()->setCurrentIndex(0); // choosing a handle shows its record
    EXPECT_EQ(page.addressEdit()->text(), "C01122334455");

    page.receive(kKindConnectionParameterUpdate,
                 simpleRecord(0x73, {0x01, 0x00, 0x28, 0x00, 0x02, 0x01, 0x90}));
    page.flushLinkInfo();
    EXPECT_EQ(page.handleCombo()->currentText(), "01");
    EXPECT_EQ(page.intervalEdit()->text(), "0028");
    EXPECT_EQ(page.latencyEdit()->text(), "0002");
    EXPECT_EQ(page.timeoutEdit()->text(), "0190");
    EXPECT_EQ(page.linkRecords()[0].interval, "0028");

    page.receive(kKindDisconnectionComplete, simpleRecord(0x72, {0x01, 0x13}));
    page.setLinkTable({0x02});
    for (QLineEdit* e : {page.roleEdit(), page.addressTypeEdit(), page.addressEdit(),
                         page.intervalEdit(), page.latencyEdit(), page.timeoutEdit()})
        EXPECT_EQ(e->text(), "");
    ASSERT_EQ(page.handleCombo()->count(), 1);
    EXPECT_EQ(page.handleCombo()->itemText(0), "02");
    ASSERT_EQ(page.linkRecords().size(), 1u);
    EXPECT_EQ(page.linkRecords()[0].handle, "02");

    page.onAllIdle();
    EXPECT_TRUE(page.linkRecords().empty());
    EXPECT_TRUE(page.linkTable().empty());
    EXPECT_EQ(page.handleCombo()->count(), 0);
}

TEST_F(GapPage, CreateConnectionAndDisconnectClearTheLinkInformationFirst) {
    connect(0x01);
    EXPECT_EQ(page.addressEdit()->text(), "C01122334401");
    select(kDisconnect);
    EXPECT_EQ(sendAndRead(), packetText(0x1B, {0x01}));
    EXPECT_EQ(page.addressEdit()->text(), "");
    EXPECT_EQ(page.handleCombo()->currentText(), "");
    EXPECT_EQ(page.handleCombo()->count(), 1);
}

TEST_F(GapPage, ShowsRssiAndRemoteDeviceName) {
    page.receive(kKindRssi, simpleRecord(0x80, {0x10, 0x00, 0xC4}));
    EXPECT_EQ(page.rssiEdit()->text(), "-60");
    Record name = simpleRecord(0x80, {0x1F, 0x00, 'P', 'e', 'e', 'r', '1'});
    name[260] = 5;
    page.receive(kKindRemoteName, name);
    EXPECT_EQ(page.deviceNameEdit()->text(), "Peer1");
    name[260] = 0xFF; // a count beyond the name area is cut, never read past the record
    name[261] = 0xFF;
    page.receive(kKindRemoteName, name);
    EXPECT_EQ(page.deviceNameEdit()->text().size(), 255);
}

class GapPageFiles : public GapPage {
protected:
    QTemporaryDir dir;
    QString write(const char* name, const QByteArray& content) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
};

TEST_F(GapPageFiles, WriteAdvDataLoadsTheFirstLineAndItsOption) {
    prompts.queueOpenFile(write("a.adv", "80 02 01 06\n0A09FF"));
    select(kAdvData);
    EXPECT_EQ(row(0)->currentIndex(), 1);
    EXPECT_EQ(row(1)->currentText(), "020106");
    EXPECT_EQ(sendAndRead(), packetText(0x11, {0x80, 0x02, 0x01, 0x06}));
    EXPECT_EQ(prompts.fileFilters().size(), 1);

    select(kScanRes);
    prompts.queueOpenFile(write("b.adv", "00020105\r\n\r\n"));
    select(kAdvData);
    EXPECT_EQ(row(0)->currentIndex(), 0);
    EXPECT_EQ(row(1)->currentText(), "020105");

    select(kScanRes);
    prompts.queueOpenFile(write("c.adv", "C1AB\n"));
    select(kAdvData);
    EXPECT_EQ(row(0)->currentIndex(), 1) << "bit 7 set selects the 0x80 entry";
}

TEST_F(GapPageFiles, WriteScanResDataLoadsTheSecondLine) {
    prompts.queueOpenFile(write("a.adv", "80020106\n0A 09 FF"));
    select(kScanRes);
    EXPECT_EQ(row(0)->currentText(), "0A09FF");
    EXPECT_EQ(sendAndRead(), packetText(0x12, {0x00, 0x0A, 0x09, 0xFF}));

    select(kAdvData);
    prompts.queueOpenFile(write("b.adv", "\n\n"));
    select(kScanRes);
    EXPECT_EQ(row(0)->currentText(), "");
}

TEST_F(GapPageFiles, TheFileIsOfferedOncePerChoiceByMouseOrKeyboard) {
    // The fake's dialog runs the event loop as a modal dialog does.
    const QString file = write("a.adv", "80020106\n0A09FF");
    prompts.queueOpenFile(file);
    select(kAdvData);
    EXPECT_EQ(prompts.fileFilters().size(), 1);
    EXPECT_EQ(row(1)->currentText(), "020106") << "the file chosen is not lost to a second dialog";

    select(kAdvData); // the selected entry chosen again: offered again, once; cancelled
    EXPECT_EQ(prompts.fileFilters().size(), 2);
    EXPECT_EQ(row(1)->currentText(), "");

    prompts.queueOpenFile(file);
    page.opcodeCombo()->setFocus();
    QTest::keyClick(page.opcodeCombo(), Qt::Key_Down);
    ASSERT_EQ(page.opcodeCombo()->currentIndex(), kScanRes);
    EXPECT_EQ(prompts.fileFilters().size(), 3);
    EXPECT_EQ(row(0)->currentText(), "0A09FF");

    page.selectOpcode(kAdvData); // by the program: offered once, no activated follows
    EXPECT_EQ(prompts.fileFilters().size(), 4);
    QCoreApplication::processEvents();
    select(kAdvData); // the user's next choice of the same entry still offers it
    EXPECT_EQ(prompts.fileFilters().size(), 5);
    EXPECT_EQ(prompts.fileFilters().last(), "ADV FILE(*.ADV) (*.adv *.ADV)");
}

TEST_F(GapPageFiles, CancelLeavesTheDataEmptyAndAMissingFileIsReported) {
    select(kAdvData); // no file chosen
    EXPECT_EQ(row(1)->currentText(), "");
    EXPECT_TRUE(prompts.messages().isEmpty());
    prompts.queueOpenFile(dir.filePath("missing.adv"));
    select(kScanRes);
    EXPECT_THAT(prompts.messages(), ElementsAre(" Open File Failed "));
    EXPECT_EQ(row(0)->currentText(), "");
}

} // namespace
} // namespace nuvex3
