// The local table page and the GATT server page in the main window, against the virtual
// module's own attribute table: the local walk's commands on the wire, the tree, the
// profile pages it brings with the handles of their characteristics, Send and Update from
// the tree, and a connected peer's write answered from the server page.

#include "GapTestSupport.h"
#include "GattTestSupport.h"
#include "QtPrinters.h"

#include "pages/common/TextListModel.h"
#include "pages/gatt/GattResultLists.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LocalTable : public TablePageTest<CPageGATTServerTable, &PageSet::gattServerTable> {
protected:
    QTabWidget& sheet() { return *w->dialog().controls().sheet; }

    QStringList tabs() {
        QStringList t;
        for (int i = 0; i < sheet().count(); ++i)
            t << sheet().tabText(i);
        return t;
    }
};

TEST_F(LocalTable, WalksTheModulesTableReadingEveryValueAndBringsTheProfilePages) {
    start();
    EXPECT_FALSE(panel().verifyButton()->isEnabled());
    const int fixedTabs = sheet().count();
    w->sentSince();
    sheet().setCurrentIndex(0);
    ASSERT_TRUE(w->walkLocal());

    // Services, each service's characteristics (UUID as typed), then every characteristic
    // value, with or without the read property (0x0017, 0x001C, ...), then every descriptor.
    const QStringList sent = w->sentSince();
    ASSERT_GE(sent.size(), 10);
    EXPECT_EQ(sent.mid(0, 4), QStringList({"<-- 00013B", "<-- 00033C1800", "<-- 00033C1801",
                                           "<-- 00113C4B4F4C54FE7D4AE58FA99FAFD205E455"}));
    EXPECT_TRUE(sent.contains("<-- 00033A0017")); // heart rate measurement: notify only
    EXPECT_TRUE(sent.contains("<-- 00033A001C")); // heart rate control point: write only
    EXPECT_TRUE(sent.contains("<-- 00033A0018")); // its configuration descriptor
    EXPECT_LT(sent.indexOf("<-- 00033A001C"), sent.indexOf("<-- 00033A0018"));
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
    EXPECT_FALSE(page().walking());

    const QByteArray expected = fileContents(NUVEX3_TEST_DATA "/module_local_table.txt");
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(model().saveText(), QString::fromLatin1(expected));
    EXPECT_TRUE(panel().verifyButton()->isEnabled());

    // The five profile pages, in flag order, with this page active.
    EXPECT_EQ(tabs().mid(fixedTabs),
              QStringList({"Weight Scale", "Heart Rate", "Health Thermometer", "Blood Pressure",
                           "Glucose"}));
    EXPECT_EQ(sheet().currentWidget(), &page());
    // Each learnt the value handles of its service's characteristics (the weight scale page
    // also those of the battery service).
    EXPECT_EQ(w->pages().heartRate.characteristicHandle("2A37"), "0017");
    EXPECT_EQ(w->pages().heartRate.characteristicHandle("2A39"), "001C");
    EXPECT_EQ(w->pages().glucose.characteristicHandle("2A52"), "0042");
    EXPECT_EQ(w->pages().healthThermometer.characteristicHandle("2A1C"), "001F");
    EXPECT_EQ(w->pages().healthThermometer.characteristicHandle("2A21"), "0027");
    EXPECT_EQ(w->pages().bloodPressure.characteristicHandle("2A35"), "002B");
    EXPECT_EQ(w->pages().weightScale.characteristicHandle("2A9D"), "0036");
    EXPECT_EQ(w->pages().weightScale.characteristicHandle("2A19"), "0046");
    EXPECT_TRUE(w->pages().heartRate.characteristicHandle("2A52").isEmpty());

    // A second walk gives the same tree and the same pages, not doubled ones.
    ASSERT_TRUE(w->walkLocal());
    EXPECT_EQ(w->sentSince(), sent);
    EXPECT_EQ(model().saveText(), QString::fromLatin1(expected));
    EXPECT_EQ(sheet().count(), fixedTabs + 5);
}

TEST_F(LocalTable, SendAndUpdateFollowTheSelectedItem) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walkLocal());
    w->sentSince();

    // The configuration descriptor: neither.
    clickItem("0018");
    EXPECT_EQ(page().handleEdit()->text(), "0018");
    EXPECT_FALSE(page().sendButton()->isEnabled());
    EXPECT_FALSE(page().updateButton()->isEnabled());
    // The measurement notifies: Send to the connected client.
    clickItem("0017");
    EXPECT_EQ(page().handleEdit()->text(), "0017");
    EXPECT_EQ(page().connectionCombo()->currentText(), "01");
    EXPECT_TRUE(page().sendButton()->isEnabled());
    EXPECT_FALSE(page().updateButton()->isEnabled());
    QTest::keyClicks(page().valueEdit(), "0050");
    QTest::mouseClick(page().sendButton(), Qt::LeftButton);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 0006380100170050"}));

    // The body sensor location is readable: Update, and the tree shows the new value once
    // the module took it.
    clickItem("001A");
    EXPECT_FALSE(page().sendButton()->isEnabled());
    ASSERT_TRUE(page().updateButton()->isEnabled());
    page().valueEdit()->clear();
    QTest::keyClicks(page().valueEdit(), "02");
    QTest::mouseClick(page().updateButton(), Qt::LeftButton);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 000439001A02"}));
    EXPECT_TRUE(waitFor([&] { return label("001A").startsWith("Value: 0x02 "); }))
        << label("001A").toStdString();

    // Without a value nothing is sent.
    page().valueEdit()->clear();
    QTest::mouseClick(page().updateButton(), Qt::LeftButton);
    EXPECT_THAT(w->prompts().messages(),
                ElementsAre("Please input at least 1 byte for Characteristic Value"));
    EXPECT_THAT(w->sentSince(), IsEmpty());
}

TEST_F(LocalTable, APeersWriteShowsOnTheServerPageAndInTheTreeAndIsAnsweredAsChosen) {
    sim::Scenario scenario = sim::defaultScenario();
    // The heart rate sensor, once connected, writes the module's heart rate control point.
    scenario.peers[0].writes = {{std::chrono::milliseconds(200), sim::Uuid::of16(0x2A39), {0x01}}};
    start(std::move(scenario));
    CPageGATTServer& server = w->pages().gattServer;
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    auto send = [&] {
        QTest::mouseClick(server.sendButton(), Qt::LeftButton);
        return w->settle();
    };

    // The peer's services go to the client page only.
    ASSERT_TRUE(w->dialog().layer()->DiscoverAllPrimaryService(0x01));
    ASSERT_TRUE(w->settle());
    w->pages().gattClient.flushLists();
    server.flushLists();
    EXPECT_GT(w->pages().gattClient.servicesModel()->rowCount(), 0);
    EXPECT_EQ(server.lists()->servicesModel()->rowCount(), 0);

    // The module's heart rate service in the lists.
    sheet().setCurrentWidget(&server);
    w->sentSince();
    test::choose(server.opcodeCombo(), 4);
    test::typeInto(server.valueCombo(0), "180D");
    ASSERT_TRUE(send());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 00033C180D"}));
    const TextListModel& chars = *server.lists()->characteristicsModel();
    ASSERT_TRUE(waitFor([&] { return chars.rowCount() == 7; }));
    EXPECT_EQ(chars.cell(6, GattResultLists::Handle), "0x001C");
    // The local walk's results also go to the lists: descriptors below the rows they
    // follow, so the control point's value row is found by its handle from here on.
    ASSERT_TRUE(w->walkLocal());
    EXPECT_EQ(label("001C"), "Value: 0x00 [001C]");
    const auto controlPoint = [&] {
        server.flushLists();
        for (int r = 0; r < chars.rowCount(); ++r)
            if (chars.cell(r, GattResultLists::Handle) == "0x001C")
                return chars.cell(r, GattResultLists::AttrValue);
        return QString("no row");
    };
    EXPECT_EQ(controlPoint(), "0x00");

    // The peer writes; the list row and the tree show it, and 0x3D is ready with its link
    // and attribute.
    sheet().setCurrentWidget(&server);
    test::choose(server.opcodeCombo(), 5);
    EXPECT_TRUE(waitFor([&] {
        w->clock().advance(std::chrono::milliseconds(20));
        return controlPoint() == "0x01";
    }));
    EXPECT_EQ(label("001C"), "Value: 0x01 [001C]");
    EXPECT_EQ(server.valueCombo(0)->currentText(), "01");
    EXPECT_EQ(server.valueCombo(2)->currentText(), "001C");
    // Refused with an application error: the module undoes the write.
    w->sentSince();
    test::choose(server.valueCombo(3), 18);
    ASSERT_TRUE(send());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 00063D0112001C80"}));
    test::choose(server.opcodeCombo(), 2);
    test::typeInto(server.valueCombo(0), "001C");
    ASSERT_TRUE(send());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 00033A001C"}));
    EXPECT_TRUE(waitFor([&] { return controlPoint() == "0x00"; })) << controlPoint().toStdString();
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
}

} // namespace
} // namespace nuvex3::test
