// The profile pages against the simulated module, as a user drives them: the local walk
// gives the pages their handles; a connected peer subscribes, writes the control points
// and asks the glucose record access control point; what the pages send reaches the peer
// (the simulator's log says what it received).

#include "GattTestSupport.h"
#include "ProfileTestSupport.h"

#include "pages/profiles/CPageGlucose.h"
#include "pages/profiles/CPageGlucoseRecordAccessControlPoint.h"
#include "pages/profiles/CPageHealthThermometer.h"
#include "pages/profiles/CPageHeartRate.h"
#include "pages/profiles/GlucoseRecordForm.h"
#include "sim/PtySimulator.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <chrono>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using std::chrono::milliseconds;

sim::PeerWrite write(int afterMs, std::uint16_t characteristic, Bytes value,
                     std::uint16_t descriptor = 0) {
    sim::PeerWrite w{milliseconds(afterMs), sim::Uuid::of16(characteristic), std::move(value), {}};
    if (descriptor)
        w.descriptor = sim::Uuid::of16(descriptor);
    return w;
}

class ProfilesAgainstTheSimulator : public ::testing::Test {
protected:
    // The heart rate sensor, once connected, plays the collector of the module's profiles.
    void start(std::vector<sim::PeerWrite> writes, std::vector<sim::PeerAnswer> answers = {}) {
        sim::Scenario scenario = sim::defaultScenario();
        scenario.peers[0].writes = std::move(writes);
        scenario.peers[0].answers = std::move(answers);
        w = std::make_unique<GattWindow>(std::move(scenario));
        w->dialog().show();
        ASSERT_TRUE(w->walkLocal());
        ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
        ASSERT_TRUE(w->settle());
        w->sentSince();
    }
    // Runs the simulated time on until `pred` holds.
    bool until(const std::function<bool()>& pred) {
        return waitFor([&] {
            w->clock().advance(milliseconds(20));
            return pred();
        });
    }
    bool logged(const std::string& line) {
        return until([&] {
            const auto log = w->simulator().log();
            return std::find(log.begin(), log.end(), line) != log.end();
        });
    }
    void show(QWidget* page) {
        w->dialog().controls().sheet->setCurrentWidget(page);
        QCoreApplication::processEvents();
    }
    PageSet& pages() { return w->pages(); }

    std::unique_ptr<GattWindow> w;
};

TEST_F(ProfilesAgainstTheSimulator, HeartRateMeasurementsReachThePeerWhichResetsTheEnergy) {
    start({write(300, 0x2A37, {0x01, 0x00}, 0x2902), write(400, 0x2A39, {0x01})});
    CPageHeartRate& page = pages().heartRate;
    show(&page);
    EXPECT_EQ(page.characteristicHandle("2A37"), "0017");
    ProfilePageTest::retype(page.valueEdit(), "72");
    ProfilePageTest::retype(page.energyEdit(), "500");
    ProfilePageTest::click(page.sendButton());
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 0006380100170048"}));
    EXPECT_TRUE(logged("NVX-HRM received 2A37 at 0x0017: 00 48 (not subscribed)"));

    EXPECT_TRUE(logged("NVX-HRM wrote 0x0018: 01 00"));
    EXPECT_TRUE(logged("NVX-HRM wrote 0x001C: 01"));
    EXPECT_TRUE(until([&] { return page.energyEdit()->text() == "0"; }));
    EXPECT_EQ(page.panel()->text(CPageHeartRate::kEnergy), "0 J");

    ProfilePageTest::click(page.energyBox());
    ProfilePageTest::click(page.sendButton());
    EXPECT_TRUE(logged("NVX-HRM received 2A37 at 0x0017: 08 48 00 00"));
    EXPECT_TRUE(w->prompts().messages().isEmpty());
}

TEST_F(ProfilesAgainstTheSimulator, ThePeerSetsTheThermometersInterval) {
    start({write(200, 0x2A21, {0x3C, 0x00})});
    CPageHealthThermometer& page = pages().healthThermometer;
    show(&page);
    EXPECT_TRUE(until([&] { return page.intervalEdit()->text() == "60"; }));
    ProfilePageTest::retype(page.valueEdit(), "365");
    ProfilePageTest::click(page.sendMeasurementButton());
    EXPECT_TRUE(logged("NVX-HRM received 2A1C at 0x001F: 00 6D 01 00 00 (not subscribed)"));
}

TEST_F(ProfilesAgainstTheSimulator, RecordAccessReportAllGetsTheRecordsThenTheResponseCode) {
    // The peer asks for the number of records, and for all of them once it has the number.
    start({write(100, 0x2A18, {0x01, 0x00}, 0x2902), write(150, 0x2A52, {0x02, 0x00}, 0x2902),
           write(200, 0x2A52, {0x04, 0x01})},
          {{sim::Uuid::of16(0x2A52), write(100, 0x2A52, {0x01, 0x01})}});
    CPageGlucose& glucose = pages().glucose;
    CPageGlucoseRecordAccessControlPoint& page = glucose.recordAccess();
    auto clickRequests = [&] {
        QTableView* view = page.requestView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(page.requests()->index(0, 0)).center());
    };
    ASSERT_TRUE(until([&] { return page.requests()->rowCount() == 1; }));
    EXPECT_EQ(w->dialog().controls().sheet->currentWidget(), &glucose);
    EXPECT_EQ(glucose.currentSubPage(), &page);
    EXPECT_EQ(page.requests()->item(0, 0)->text(), "04:Report number of stored records");

    clickRequests();
    ProfilePageTest::retype(page.countEdit(), "2");
    ProfilePageTest::click(page.sendCountButton());
    EXPECT_TRUE(logged("NVX-HRM received 2A52 at 0x0042: 05 00 02 00"));
    ASSERT_TRUE(until([&] {
        return page.requests()->rowCount() == 2 &&
               page.requests()->item(1, 1)->text() == "01:All records";
    }));
    w->prompts().clear();
    clickRequests();
    EXPECT_EQ(w->prompts().messages(), QStringList({"Please enter 2 group of glucose records."}));
    profiles::GlucoseRecordForm* form = page.form();
    const QStringList time = {"2014", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 6; ++i)
        ProfilePageTest::retype(form->timeFields().fields[static_cast<std::size_t>(i)], time[i]);
    for (const char* sequence : {"1", "2"}) {
        ProfilePageTest::retype(form->sequenceEdit(), sequence);
        ProfilePageTest::click(page.sendRecordButton());
    }
    ProfilePageTest::click(page.sendResponseButton());
    const std::vector<std::string> expected = {
        "NVX-HRM received 2A18 at 0x003A: 00 01 00 DE 07 05 06 07 08 09",
        "NVX-HRM received 2A18 at 0x003A: 00 02 00 DE 07 05 06 07 08 09",
        "NVX-HRM received 2A52 at 0x0042: 06 00 01 01"};
    ASSERT_TRUE(logged(expected.back()));
    // What the peer received, in order (its own writes left out).
    std::vector<std::string> received;
    for (const std::string& line : w->simulator().log())
        if (line.find(" received ") != std::string::npos)
            received.push_back(line);
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(received.end() - 3, received.end()), expected)
        << "records, then the code";
    EXPECT_EQ(page.requests()->item(0, 0)->text(), "01:Report stored records")
        << "the first request's row is gone";
}

} // namespace
} // namespace nuvex3::test
