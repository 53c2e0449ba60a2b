// The GAP page and the editor against the virtual module, through the real serial path:
// scanning fills the list, a row click and "Send" connect, the link information follows a
// parameter update, RSSI and the remote name arrive, and a disconnection clears it all.
// Events reach the pages as the main window routes them: posted to the UI thread, the
// GAP page first, the link table copied in afterwards.

#include "GapTestSupport.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gap/AdvReportModel.h"
#include "pages/gap/CPageAdvEditor.h"
#include "pages/gap/CPageGAP.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvex3 {
namespace {

constexpr int kBoundMs = 5000;

// Routes the layer's records to the two pages on the UI thread, as the main window does.
class Router : public QObject {
public:
    Router(CPageGAP& gap, CPageAdvEditor& editor) : gap_(gap), editor_(editor) {}

    std::vector<std::pair<std::uint8_t, std::uint8_t>> completes;

    EventCallback callback() {
        return [this](int kind, const Record& r) {
            QMetaObject::invokeMethod(
                this, [this, kind, r] { route(kind, r); }, Qt::QueuedConnection);
        };
    }

private:
    void route(int kind, const Record& r) {
        if (kind != kKindPacketReceived && r[2] == 0x80)
            completes.push_back({r[3], r[4]}); // every Command Complete: opcode, status
        switch (kind) {
        case kKindRssi:
        case kKindRemoteName:
        case kKindConnectionParameterUpdate:
            gap_.receive(kind, r);
            break;
        case kKindAdvertisingReport:
            gap_.receive(kind, r);
            editor_.receive(kind, r);
            break;
        case kKindConnectionComplete:
            if (r[3] != 0)
                break;
            gap_.receive(kind, r);
            links_.push_back(r[4]);
            gap_.setLinkTable(links_);
            break;
        case kKindDisconnectionComplete:
            gap_.receive(kind, r);
            links_.erase(std::remove(links_.begin(), links_.end(), r[3]), links_.end());
            gap_.setLinkTable(links_);
            break;
        default:
            break;
        }
    }

    CPageGAP& gap_;
    CPageAdvEditor& editor_;
    std::vector<std::uint8_t> links_;
};

class GapAgainstSimulator : public ::testing::Test {
protected:
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    sim::PtySimulator simulator{sim::defaultScenario()};
    CPageGAP gap;
    CPageAdvEditor editor;
    Router router{gap, editor};
    std::unique_ptr<CKelvra_CmdSet_Layer> layer;

    void SetUp() override {
        QString error;
        ASSERT_TRUE(simulator.start(&error)) << error.toStdString();
        LayerSettings s;
        s.portName = simulator.slavePath();
        layer = std::make_unique<CKelvra_CmdSet_Layer>(s, router.callback());
        ASSERT_TRUE(layer->Connect());
        for (CPageBase* p : {static_cast<CPageBase*>(&gap), static_cast<CPageBase*>(&editor)}) {
            p->setLayer(layer.get());
            p->enable(true);
        }
        gap.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&gap));
    }

    void TearDown() override {
        layer.reset(); // stops the serial threads before the pages go
        simulator.stop();
    }

    void choose(int index) { test::choose(gap.opcodeCombo(), index); }
    void send() { QTest::mouseClick(gap.sendButton(), Qt::LeftButton); }
    // Waits on the module's answers (processing the posted events) for a bounded time.
    bool waitFor(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                gap.flushReports();
                return done();
            },
            kBoundMs);
    }
    int rowOf(const QString& address) {
        for (int r = 0; r < gap.reportModel()->rowCount(); ++r)
            if (gap.reportModel()->cellText(r, AdvReportModel::Addr) == address)
                return r;
        return -1;
    }
    QString cell(int r, int c) { return gap.reportModel()->cellText(r, c); }
};

TEST_F(GapAgainstSimulator, ScanConnectUpdateAndDisconnect) {
    const sim::Scenario scenario = sim::defaultScenario();
    const sim::PeerConfig& hrm = scenario.peers[0];
    const sim::PeerConfig& beacon = scenario.peers[2];

    // Scan: the list fills with every advertiser.
    choose(5);
    gap.valueCombo(0)->setCurrentIndex(1);
    send();
    ASSERT_TRUE(
        waitFor([&] { return rowOf("0x0A0B0C0D0E0F") >= 0 && rowOf("0xC12233445566") >= 0; }));
    const int h = rowOf("0x0A0B0C0D0E0F");
    EXPECT_EQ(cell(h, AdvReportModel::EventType), "ADV_IND");
    EXPECT_EQ(cell(h, AdvReportModel::AddrType), "Public");
    EXPECT_EQ(cell(h, AdvReportModel::Name), "NVX-HRM");
    EXPECT_EQ(cell(h, AdvReportModel::Rssi), "-52");
    EXPECT_EQ(cell(h, AdvReportModel::Length), QString::number(hrm.advData.size()));
    EXPECT_EQ(cell(h, AdvReportModel::Data),
              "0x" + QString::fromStdString(bytesToHex(hrm.advData.data(), hrm.advData.size())));
    EXPECT_EQ(cell(h, AdvReportModel::Manufacture), QString::fromLatin1("NV\x01\x02"));
    const int b = rowOf("0xC12233445566");
    EXPECT_EQ(cell(b, AdvReportModel::EventType), "ADV_NONCONN_IND");
    EXPECT_EQ(cell(b, AdvReportModel::AddrType), "Random");
    EXPECT_EQ(cell(b, AdvReportModel::Name), "NVX-BCN");
    EXPECT_EQ(cell(b, AdvReportModel::Rssi), QString::number(beacon.rssi));
    // The editor decoded the reports into its advertising fields (shown when refreshed).
    editor.showPendingReports();
    EXPECT_TRUE(editor.advertising().flag->isChecked());
    EXPECT_TRUE(editor.advertising().name->isChecked());
    EXPECT_TRUE(editor.advertising().nameEdit->text().startsWith("NVX-"));

    // Stop scanning; the rows stay.
    choose(5);
    send();
    const int rows = gap.reportModel()->rowCount();
    EXPECT_GE(rows, 2);

    // A click on the heart rate sensor's row prepares the connection; "Send" connects.
    QTableView* view = gap.reportView();
    const int row = rowOf("0x0A0B0C0D0E0F");
    view->scrollTo(gap.reportModel()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(gap.reportModel()->index(row, 2)).center());
    EXPECT_EQ(gap.opcodeCombo()->currentIndex(), CPageGAP::kCreateConnectionIndex);
    EXPECT_EQ(gap.valueCombo(2)->currentText(), "0A0B0C0D0E0F");
    send();
    ASSERT_TRUE(waitFor([&] { return gap.linkRecords().size() == 1; }));
    gap.flushLinkInfo(); // the page's next refresh
    EXPECT_EQ(gap.handleCombo()->currentText(), gap.linkRecords()[0].handle);
    EXPECT_EQ(gap.roleEdit()->text(), "Master");
    EXPECT_EQ(gap.addressTypeEdit()->text(), "Public");
    EXPECT_EQ(gap.addressEdit()->text(), "0A0B0C0D0E0F");
    EXPECT_EQ(gap.intervalEdit()->text(), QString::asprintf("%04X", hrm.connInterval));
    EXPECT_EQ(gap.timeoutEdit()->text(), QString::asprintf("%04X", hrm.supervisionTimeout));
    const QString handle = gap.linkRecords()[0].handle;

    // RSSI and the remote device name of the link.
    choose(0);
    EXPECT_EQ(gap.valueCombo(0)->currentText(), handle);
    send();
    ASSERT_TRUE(waitFor([&] { return !gap.rssiEdit()->text().isEmpty(); }));
    EXPECT_EQ(gap.rssiEdit()->text(), "-52");
    choose(11);
    send();
    ASSERT_TRUE(waitFor([&] { return !gap.deviceNameEdit()->text().isEmpty(); }));
    EXPECT_EQ(gap.deviceNameEdit()->text(), "NVX-HRM");

    // A parameter update shows in the link information.
    choose(8);
    test::typeInto(gap.valueCombo(1), "0028");
    test::typeInto(gap.valueCombo(2), "0001");
    test::typeInto(gap.valueCombo(3), "0100");
    send();
    ASSERT_TRUE(waitFor([&] {
        gap.flushLinkInfo();
        return gap.intervalEdit()->text() == "0028";
    }));
    EXPECT_EQ(gap.latencyEdit()->text(), "0001");
    EXPECT_EQ(gap.timeoutEdit()->text(), "0100");

    // A disconnection clears it.
    choose(9);
    send();
    ASSERT_TRUE(waitFor([&] { return gap.linkRecords().empty(); }));
    EXPECT_TRUE(gap.linkTable().empty());
    EXPECT_EQ(gap.handleCombo()->count(), 0);
    for (QLineEdit* e : {gap.roleEdit(), gap.addressTypeEdit(), gap.addressEdit(),
                         gap.intervalEdit(), gap.latencyEdit(), gap.timeoutEdit()})
        EXPECT_EQ(e->text(), "");
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join("|").toStdString();
}

TEST_F(GapAgainstSimulator, EditorUpdatesAreAcceptedByTheModule) {
    editor.advertising().flag->click();
    editor.advertising().name->click();
    QTest::keyClicks(editor.advertising().nameEdit, "SIM-ADV");
    QTest::mouseClick(editor.advertising().update, Qt::LeftButton);
    editor.scanResponse().manufacturer->click();
    QTest::keyClicks(editor.scanResponse().manufacturerEdit, "0102");
    QTest::mouseClick(editor.scanResponse().update, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return router.completes.size() >= 2; }));
    using Complete = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(router.completes[0], Complete(0x11, 0x00));
    EXPECT_EQ(router.completes[1], Complete(0x12, 0x00));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

} // namespace
} // namespace nuvex3
