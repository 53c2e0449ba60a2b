// The GATT client page in the main window against the simulator's heart rate sensor: what
// the peer answers reaches the page's lists through the window's event routing.

#include "GapTestSupport.h"
#include "GattTestSupport.h"
#include "QtPrinters.h"

#include "pages/common/TextListModel.h"
#include "pages/gatt/CPageGATTClient.h"
#include "pages/gatt/GattResultLists.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

QStringList rowOf(TextListModel* model, int r) {
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->cell(r, c);
    return cells;
}

TEST(GattClientInWindow, DiscoversReadsAndReadsByUuidOnTheSimulatedPeer) {
    GattWindow w;
    w.dialog().show();
    CPageGATTClient& page = w.pages().gattClient;
    EXPECT_TRUE(page.sendButton()->isEnabled());
    ASSERT_TRUE(w.connectPeer(kHeartRateSensor));
    EXPECT_EQ(page.valueCombo(0)->currentText(), "01"); // the new link is offered
    w.sentSince();
    auto send = [&] {
        QTest::mouseClick(page.sendButton(), Qt::LeftButton);
        EXPECT_TRUE(w.settle());
    };

    send(); // 0x30
    EXPECT_EQ(w.sentSince(), QStringList({"<-- 00023001"}));
    ASSERT_TRUE(waitFor([&] {
        page.flushLists();
        return page.servicesModel()->rowCount() == 8;
    }));
    TextListModel* services = page.servicesModel();
    EXPECT_EQ(rowOf(services, 0), QStringList({"01", "0001", "0007", "Generic Access (0x1800)"}));
    EXPECT_EQ(rowOf(services, 2), QStringList({"01", "0010", "0013", "Battery Service (0x180F)"}));
    EXPECT_EQ(rowOf(services, 5), QStringList({"01", "0030", "0030", "0x181A"}));
    EXPECT_EQ(rowOf(services, 6),
              QStringList({"01", "0050", "0058", "0x4B4F4C54FE7D4AE58FA99FAFD205E455"}));

    // A click on the battery row prepares its discovery.
    test::choose(page.opcodeCombo(), 1);
    page.serviceRowClicked(2);
    EXPECT_EQ(page.valueCombo(1)->currentText(), "180F");
    send();
    EXPECT_EQ(w.sentSince(), QStringList({"<-- 000431010F18"}));
    ASSERT_TRUE(waitFor([&] {
        page.flushLists();
        return page.characteristicsModel()->rowCount() == 3;
    }));
    TextListModel* chars = page.characteristicsModel();
    EXPECT_EQ(rowOf(chars, 0), QStringList({"0x0011", "Characteristic", "R/N, 0x0012", "0x2A19"}));
    EXPECT_EQ(rowOf(chars, 1), QStringList({"0x0012", "Characteristic Value", "", ""}));
    EXPECT_EQ(rowOf(chars, 2), QStringList({"0x0013", "Descriptor", "", "0x2902"}));

    // The empty service answers "Attribute Not Found", shown as the error it is here.
    page.serviceRowClicked(5);
    send();
    ASSERT_TRUE(waitFor([&] { return !w.prompts().messages().isEmpty(); }));
    EXPECT_THAT(w.prompts().messages(),
                ElementsAre("Command(0x31) Error: \nAttribute Not Found (0x8A)"));
    w.prompts().clear();
    w.sentSince();

    test::choose(page.opcodeCombo(), 2); // 0x32
    test::typeInto(page.valueCombo(1), "0013");
    send();
    EXPECT_EQ(w.sentSince(), QStringList({"<-- 000432010013"}));
    EXPECT_TRUE(waitFor([&] { return chars->cell(2, GattResultLists::AttrValue) == "0x0100"; }));

    test::choose(page.opcodeCombo(), 3); // 0x33
    test::typeInto(page.valueCombo(1), "2A19");
    send();
    EXPECT_EQ(w.sentSince(), QStringList({"<-- 00043301192A"}));
    ASSERT_TRUE(waitFor([&] { return !w.prompts().messages().isEmpty(); }));
    EXPECT_THAT(w.prompts().messages(),
                ElementsAre("Characteristic Value Handle:0012 \nCharacterist Value:0x57"));
    EXPECT_EQ(chars->cell(1, GattResultLists::AttrValue), "0x57");
}

TEST(GattClientInWindow, AReadByUuidAndNotificationsAlsoReachTheRemoteTable) {
    GattWindow w;
    ASSERT_TRUE(w.connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w.walk());
    CPageGATTClient& page = w.pages().gattClient;
    GattTreeModel* tree = w.pages().gattTable.panel()->model();
    // The client reads the device name by UUID; the table's tree shows what came back.
    test::choose(page.opcodeCombo(), 3);
    test::typeInto(page.valueCombo(1), "2A01");
    QTest::mouseClick(page.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !w.prompts().messages().isEmpty(); }));
    EXPECT_THAT(w.prompts().messages(),
                ElementsAre("Characteristic Value Handle:0005 \nCharacterist Value:0x4103"));
    EXPECT_THAT(tree->saveText().toStdString(), ::testing::HasSubstr("Value: 0x4103 [0005]"));

    // Notifications switched on from the client page reach both pages.
    test::choose(page.opcodeCombo(), 4); // 0x34
    test::typeInto(page.valueCombo(2), "0023");
    test::typeInto(page.valueCombo(3), "0100");
    QTest::mouseClick(page.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(w.settle());
    EXPECT_TRUE(waitFor([&] {
        w.clock().advance(std::chrono::milliseconds(100));
        return tree->saveText().contains("Value: 0x0048 [0022]");
    }));
    EXPECT_EQ(w.prompts().messages().size(), 1);
}

} // namespace
} // namespace nuvex3::test
