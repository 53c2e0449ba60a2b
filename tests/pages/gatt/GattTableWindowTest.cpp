// The remote table page in the main window, walking the simulator's peers: the commands of
// the walk on the wire, the tree, the saved file, the notify list, reads and writes from
// the tree, verification against a reference, a peer that stops answering and a
// disconnection during the walk.

#include "GattTestSupport.h"
#include "QtPrinters.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RemoteTable : public TablePageTest<CPageGATTTable, &PageSet::gattTable> {
protected:
    QStringList notifyRow(int r) {
        QStringList cells;
        for (int c = 0; c < 6; ++c)
            cells << page().notifyModel()->cell(r, c);
        return cells;
    }
    void doubleClickNotifyRow(int r) {
        QTableView* view = page().notifyView();
        const QPoint at = view->visualRect(page().notifyModel()->index(r, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(RemoteTable, WalksTheWholeTableOfThePeerAndShowsIt) {
    start();
    EXPECT_FALSE(panel().verifyButton()->isEnabled());
    EXPECT_FALSE(page().readButton()->isEnabled());
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    w->sentSince();
    w->dialog().controls().sheet->setCurrentIndex(0);
    ASSERT_TRUE(w->walk());

    // One command per step: services, each service's characteristics and descriptors (the
    // one without characteristics answers "Attribute Not Found"), the readable values
    // (not 0x000A, 0x0022, 0x0027, ...), then every descriptor.
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 00023001",
                                           "<-- 000431010018",
                                           "<-- 000431010118",
                                           "<-- 000431010F18",
                                           "<-- 000431010A18",
                                           "<-- 000431010D18",
                                           "<-- 000431011A18",
                                           "<-- 0012310155E405D2AF9FA98FE54A7DFE544C4F4B",
                                           "<-- 00123101336DD038E26F4AA483CCD0C9544C4F4B",
                                           "<-- 000432010003",
                                           "<-- 000432010005",
                                           "<-- 000432010007",
                                           "<-- 000432010012",
                                           "<-- 00043201001A",
                                           "<-- 00043201001C",
                                           "<-- 00043201001E",
                                           "<-- 000432010025",
                                           "<-- 00043201000B",
                                           "<-- 000432010013",
                                           "<-- 000432010023",
                                           "<-- 000432010028",
                                           "<-- 000432010053",
                                           "<-- 000432010058",
                                           "<-- 000432010063"}));
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
    EXPECT_FALSE(page().walking());

    // The tree, fully expanded, and the same text in the saved file.
    const QByteArray expected = fileContents(NUVEX3_TEST_DATA "/nvx_hrm_table.txt");
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(model().saveText(), QString::fromLatin1(expected));
    EXPECT_TRUE(panel().tree()->isExpanded(itemOf("0012").parent()));
    EXPECT_EQ(label("0012"), "Value: 0x57 [0012]");
    const QString saved = w->harness().directory() + "/peer";
    w->prompts().queueSaveFile(saved);
    QTest::mouseClick(panel().saveButton(), Qt::LeftButton);
    EXPECT_EQ(fileContents(saved + ".txt"), expected);
    EXPECT_EQ(w->prompts().fileFilters(), QStringList({"TEXT FILE(*.txt)"}));

    // The notify list: one row per configuration descriptor.
    ASSERT_EQ(page().notifyModel()->rowCount(), 6);
    EXPECT_EQ(notifyRow(0), QStringList({"01", "Generic Attribute (1801)", "Service Changed (2A05)",
                                         "000A", "", "Disabled"}));
    EXPECT_EQ(notifyRow(1), QStringList({"01", "Battery Service (180F)", "Battery Level (2A19)",
                                         "0012", "0x57", "Enabled"}));
    EXPECT_EQ(notifyRow(4),
              QStringList({"01", "KOLT Transparent Service (4B4F4C54FE7D4AE58FA99FAFD205E455)",
                           "4E565833545241000000000000000004", "0057", "", "Disabled"}));

    // The heart rate service brings its profile page; the table page is shown.
    QTabWidget* sheet = w->dialog().controls().sheet;
    EXPECT_GE(sheet->indexOf(&w->pages().heartRate), 0);
    EXPECT_LT(sheet->indexOf(&w->pages().weightScale), 0);
    EXPECT_EQ(sheet->currentWidget(), &page());

    // The reference of this peer verifies clean.
    EXPECT_TRUE(panel().verifyButton()->isEnabled());
    w->prompts().clear();
    w->prompts().queueOpenFile(NUVEX3_TEST_DATA "/nvx_hrm.SERV");
    QTest::mouseClick(panel().verifyButton(), Qt::LeftButton);
    EXPECT_THAT(w->prompts().messages(), ElementsAre("GATT Table Verify Success"));
    EXPECT_EQ(w->prompts().fileFilters(), QStringList({"SERVICE FILE(*.SERV) (*.SERV *.serv)"}));

    // The maintenance page finds the air patch characteristic's value handle here.
    EXPECT_EQ(page().valueHandleOf(0x01, "4b4f4c54aca3481c91ecd85e28a60318"), 0x0062);
    EXPECT_EQ(page().valueHandleOf(0x02, "4B4F4C54ACA3481C91ECD85E28A60318"), std::nullopt);
    EXPECT_EQ(page().valueHandleOf(0x01, "2A19"), 0x0012);

    // "Get Remote GATT Table" again gives the same tree, not a doubled one.
    ASSERT_TRUE(w->walk());
    EXPECT_EQ(model().saveText(), QString::fromLatin1(expected));
}

TEST_F(RemoteTable, WalksEveryLinkFirstHandleFirst) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->connectPeer(kThermometer));
    page().connectionCombo()->setCurrentIndex(1); // shows 02
    w->sentSince();
    ASSERT_TRUE(w->walk());
    const QStringList sent = w->sentSince();
    const auto first02 = sent.indexOf(QStringLiteral("<-- 00023002"));
    EXPECT_EQ(sent.indexOf(QStringLiteral("<-- 00023001")), 0);
    EXPECT_GT(first02, 20);
    // After link 02's services nothing more goes to link 01.
    for (auto i = first02; i < sent.size(); ++i)
        EXPECT_EQ(sent[i].mid(10, 2), "02") << sent[i].toStdString();
    const gatt::Table table = page().walk().table();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].handle, "01");
    EXPECT_EQ(table[1].handle, "02");
    EXPECT_EQ(model().data(model().index(1, 0, model().rootIndex())).toString(),
              "Connection Handle : 02");
    EXPECT_EQ(label("0012"), "Value: 0x57 [0012]"); // the first link's battery
    // Both peers bring their profile pages.
    QTabWidget* sheet = w->dialog().controls().sheet;
    EXPECT_GE(sheet->indexOf(&w->pages().heartRate), 0);
    EXPECT_GE(sheet->indexOf(&w->pages().healthThermometer), 0);
}

TEST_F(RemoteTable, ReadAndWriteFollowThePropertiesOfTheSelectedItem) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walk());
    w->sentSince();

    // The body sensor location reads.
    clickItem("0025");
    EXPECT_EQ(page().handleEdit()->text(), "0025");
    EXPECT_TRUE(page().readButton()->isEnabled());
    EXPECT_FALSE(page().writeButton()->isEnabled());
    QTest::mouseClick(page().readButton(), Qt::LeftButton);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 000432010025"}));
    EXPECT_TRUE(waitFor([&] { return page().readValueEdit()->text() == "01"; }));

    // The control point writes with response; its label shows what was written once the
    // peer took it.
    clickItem("0027");
    EXPECT_TRUE(page().readValueEdit()->text().isEmpty());
    EXPECT_FALSE(page().readButton()->isEnabled());
    EXPECT_TRUE(page().writeButton()->isEnabled());
    EXPECT_EQ(page().writeType(), 0);
    QTest::keyClicks(page().writeValueEdit(), "01");
    QTest::mouseClick(page().writeButton(), Qt::LeftButton);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 00063401000027"
                                           "01"}));
    EXPECT_TRUE(waitFor([&] { return label("0027") == "Value: 0x01 [0027]"; }));

    // The transparent receive characteristic writes without response.
    clickItem("0055");
    EXPECT_EQ(page().writeType(), 1);
    // Declarations, services and links neither read nor write.
    click(itemOf("0055").parent());
    EXPECT_FALSE(page().readButton()->isEnabled());
    EXPECT_FALSE(page().writeButton()->isEnabled());

    // A write the peer refuses changes nothing: the credit configuration takes two bytes.
    clickItem("0058");
    EXPECT_TRUE(page().writeButton()->isEnabled());
    page().writeValueEdit()->clear();
    QTest::keyClicks(page().writeValueEdit(), "01");
    QTest::mouseClick(page().writeButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !w->prompts().messages().isEmpty(); }));
    EXPECT_THAT(w->prompts().messages(),
                ElementsAre("Command(0x34) Error: \nInvalid Attribute Value Length (0x8D)"));
    EXPECT_EQ(label("0058"), "Client Characteristic Configuration (2902) : 0x0000 [0058]");

    // The notify switch follows the selected configuration descriptor.
    clickItem("0013");
    EXPECT_TRUE(page().notifySwitch()->isEnabled());
    EXPECT_EQ(page().notifySwitch()->text(), "Disable Notify");
    clickItem("0023");
    EXPECT_EQ(page().notifySwitch()->text(), "Enable Notify");
    clickItem("000B");
    EXPECT_EQ(page().notifySwitch()->text(), "Enable Indicate");
    clickItem("0028");
    EXPECT_FALSE(page().notifySwitch()->isEnabled());
}

TEST_F(RemoteTable, TheNotifyListSwitchesNotificationsOnAndOff) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walk());
    w->sentSince();

    // The battery level reads 0x0100 from its configuration: "Enabled"; a double-click
    // writes 00 00.
    ASSERT_EQ(notifyRow(1).at(5), "Enabled");
    doubleClickNotifyRow(1);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 000734010000130000"}));
    EXPECT_TRUE(waitFor([&] { return notifyRow(1).at(5) == "Disabled"; }));
    EXPECT_EQ(label("0013"), "Client Characteristic Configuration (2902) : 0x0000 [0013]");

    // Heart rate measurement notifies (01 00); its values then fill the row and the tree.
    ASSERT_EQ(notifyRow(2).at(2), "Heart Rate Measurement (2A37)");
    doubleClickNotifyRow(2);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 000734010000230100"}));
    EXPECT_TRUE(waitFor([&] { return notifyRow(2).at(5) == "Enabled"; }));
    EXPECT_TRUE(waitFor([&] {
        w->clock().advance(std::chrono::milliseconds(100));
        return notifyRow(2).at(4) == "0x0048";
    }));
    EXPECT_EQ(label("0022"), "Value: 0x0048 [0022]");

    // The service changed characteristic indicates (02 00).
    doubleClickNotifyRow(0);
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->sentSince(), QStringList({"<-- 0007340100000B0200"}));
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
}

TEST_F(RemoteTable, APeerThatStopsAnsweringLeavesTheWalkWaitingAndANewWalkStartsOver) {
    sim::Scenario scenario = sim::defaultScenario();
    scenario.peers[0].gattSilentAfter = 4; // 0x30 and three 0x31 are answered
    start(scenario);
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    w->sentSince();
    QTest::mouseClick(panel().getButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] { return page().walk().discoveringUuid() == "180A" && !page().walkStepUnderWay(); }));
    // Waiting for the answer holds no thread and not the window.
    EXPECT_TRUE(page().walking());
    EXPECT_FALSE(page().walkStepUnderWay());
    QTest::mouseClick(panel().updateButton(), Qt::LeftButton);
    EXPECT_EQ(model().data(model().index(0, 0, model().rootIndex())).toString(),
              "Connection Handle : 01");
    QTest::mouseClick(panel().collapseButton(), Qt::LeftButton);
    EXPECT_EQ(panel().collapseButton()->text(), "Expand All");

    // A new walk starts over from the first link once the module gives up on the
    // unanswered command.
    QTest::mouseClick(panel().getButton(), Qt::LeftButton);
    EXPECT_FALSE(page().walk().hasLinks());
    w->clock().advance(CKelvra_CmdSet_Layer::kCommandTimeout);
    ASSERT_TRUE(w->harness().waitForLine("No response to command 0x31"));
    ASSERT_TRUE(waitFor([&] { return w->sentSince().contains("<-- 00023001"); }));
    EXPECT_TRUE(page().walking());
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
}

TEST_F(RemoteTable, DisconnectDuringAWalkEndsItQuietly) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    QTest::mouseClick(panel().getButton(), Qt::LeftButton);
    // Disconnect while the first step may still be under way on the walk's worker and
    // before any answer was routed (waiting for a later phase raced with the walk's end).
    ASSERT_TRUE(page().walking());
    w->harness().pressConnectButton(); // "Disconnect"
    ASSERT_FALSE(w->dialog().connected());
    EXPECT_FALSE(page().walking());
    EXPECT_FALSE(page().walkStepUnderWay());
    EXPECT_FALSE(panel().getButton()->isEnabled());
    QCoreApplication::processEvents();
    EXPECT_THAT(w->prompts().messages(), IsEmpty());
    // The profile pages went with the link; connected again, the walk runs to its end.
    EXPECT_LT(w->dialog().controls().sheet->indexOf(&w->pages().heartRate), 0);
    // Connected again (the module kept its link: it is ended and made anew), the walk
    // runs to its end.
    w->harness().pressConnectButton();
    ASSERT_TRUE(w->dialog().connected());
    ASSERT_TRUE(w->dialog().layer()->Disconnect(0x01));
    ASSERT_TRUE(w->settle());
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walk());
    EXPECT_EQ(label("0063"), "Client Characteristic Configuration (2902) : 0x0000 [0063]");
}

TEST_F(RemoteTable, VerifyReportsDifferencesAndBadFilesWithoutTouchingTheTree) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walk());
    const QString tree = model().saveText();
    const QByteArray reference = fileContents(NUVEX3_TEST_DATA "/nvx_hrm.SERV");
    const QString dir = w->harness().directory();
    auto verify = [&](const QByteArray& contents) {
        QFile f(dir + "/ref.SERV");
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(contents);
        f.close();
        w->prompts().clear();
        w->prompts().queueOpenFile(f.fileName());
        QTest::mouseClick(panel().verifyButton(), Qt::LeftButton);
        return w->prompts().messages();
    };
    QByteArray battery = reference;
    battery.replace("000500122A1957", "000500122A1958");
    EXPECT_THAT(verify(battery), ElementsAre("Service[180F] Characteristic Handle[0011]\n"
                                             "CharacteristicValue is not match [0x58]"));
    QByteArray cut = reference.left(reference.indexOf("00060013"));
    cut += "00060013290201";
    EXPECT_THAT(verify(cut), ElementsAre("Line 15 of the reference file: the length 0006 does "
                                         "not match the 5 bytes that follow it"));
    EXPECT_EQ(model().saveText(), tree);

    w->prompts().clear();
    w->prompts().queueOpenFile(dir + "/missing.SERV");
    QTest::mouseClick(panel().verifyButton(), Qt::LeftButton);
    EXPECT_THAT(w->prompts().messages(), ElementsAre(" Open File Failed "));
    w->prompts().clear();
    QTest::mouseClick(panel().verifyButton(), Qt::LeftButton); // cancelled
    EXPECT_THAT(w->prompts().messages(), IsEmpty());

    // A name that already ends in ".txt" gets no second one.
    w->prompts().queueSaveFile(dir + "/copy.txt");
    QTest::mouseClick(panel().saveButton(), Qt::LeftButton);
    EXPECT_EQ(QString::fromLatin1(fileContents(dir + "/copy.txt")), tree);
}

TEST_F(RemoteTable, ServiceItemsHaveAContextMenuAndTheTreeCollapses) {
    start();
    ASSERT_TRUE(w->connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w->walk());
    QTreeView* tree = panel().tree();
    auto rightClick = [&](const QModelIndex& i) {
        tree->scrollTo(i);
        panel().openContextMenu(tree->visualRect(i).center());
        QMenu* menu = panel().contextMenu();
        QStringList entries;
        if (menu)
            for (QAction* a : menu->actions())
                entries << a->text() + (a->isEnabled() ? "" : " (disabled)");
        if (menu)
            menu->close();
        return entries;
    };
    EXPECT_EQ(rightClick(itemOf("0010")), QStringList({"Service Control"}));
    EXPECT_EQ(model().item(tree->currentIndex())->record.uuid, "180F");
    EXPECT_EQ(rightClick(itemOf("0020")), QStringList({"Service Control"}));
    EXPECT_EQ(rightClick(itemOf("0001")), QStringList({"No Control View (disabled)"}));
    EXPECT_EQ(rightClick(itemOf("0050")), QStringList());
    EXPECT_EQ(rightClick(itemOf("0012")), QStringList());
    EXPECT_EQ(tree->currentIndex(), itemOf("0012"));
    rightClick(model().rootIndex());
    EXPECT_EQ(tree->currentIndex(), itemOf("0012")); // the root is not selected

    QTest::mouseClick(panel().collapseButton(), Qt::LeftButton);
    EXPECT_FALSE(tree->isExpanded(model().rootIndex()));
    EXPECT_EQ(panel().collapseButton()->text(), "Expand All");
    QTest::mouseClick(panel().collapseButton(), Qt::LeftButton);
    EXPECT_TRUE(tree->isExpanded(itemOf("0012").parent()));
    EXPECT_EQ(panel().collapseButton()->text(), "Collapse All");
}

} // namespace
} // namespace nuvex3::test
