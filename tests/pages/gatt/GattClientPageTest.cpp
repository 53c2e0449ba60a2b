// The GATT client page driven through its widgets: the bytes of its six commands on the
// wire, every refusal, the relabelled rows, and the two lists filled from the decoded
// records of discovery results and values.

#include "CommandPageTest.h"
#include "QtPrinters.h"

#include "link/EventDecoder.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/CPageGATTClient.h"
#include "pages/gatt/GattResultLists.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::packetText;
using ::testing::ElementsAre;

enum OpIndex { kDiscover = 0, kCharacteristics, kRead, kReadByUuid, kWrite, kTransparent };

class GattClientPage : public test::CommandPageTest<CPageGATTClient> {
protected:
    QStringList serviceRow(int r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << page.servicesModel()->cell(r, c);
        return cells;
    }
    QStringList characteristicRow(int r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c)
            cells << page.characteristicsModel()->cell(r, c);
        return cells;
    }
};

TEST_F(GattClientPage, StartsOnDiscoverAllPrimaryServiceWithTheListsEmpty) {
    CPageGATTClient fresh;
    EXPECT_EQ(fresh.caption(), "GATT Client");
    EXPECT_FALSE(fresh.sendButton()->isEnabled());
    QStringList opcodes;
    for (int i = 0; i < fresh.opcodeCombo()->count(); ++i)
        opcodes << fresh.opcodeCombo()->itemText(i);
    EXPECT_EQ(
        opcodes,
        QStringList({"0x30: Discover All Primary Service",
                     "0x31: Discover Specific Primary Service Characteristics and Descriptors",
                     "0x32: Read Characteristics Value", "0x33: Read Using Characteristics UUID",
                     "0x34: Write Characteristics Value", "0x35: Enable Transparent"}));
    EXPECT_EQ(fresh.opcodeCombo()->currentIndex(), 0);
    EXPECT_EQ(fresh.captionLabel(0)->text(), "Connection Handle:");
    EXPECT_EQ(fresh.valueCombo(0)->currentText(), "00");
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << fresh.servicesModel()->headerData(c, Qt::Horizontal).toString();
    for (int c = 0; c < 4; ++c)
        headers << fresh.characteristicsModel()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Conn Handle", "Start Handle", "End Handle", "Service UUID",
                                    "Handle", "Attr_type", "Attr_value", "UUID"}));
    EXPECT_EQ(fresh.servicesModel()->rowCount(), 0);
}

TEST_F(GattClientPage, RelabelsTheRowsPerOpcode) {
    struct Row {
        QString caption, unit, text;
        bool prefix, enabled;
    };
    auto rowOf = [&](int r) {
        return Row{page.captionLabel(r)->text(), page.unitLabel(r)->text(), row(r)->currentText(),
                   page.prefixLabel(r)->isVisibleTo(&page), row(r)->isEnabled()};
    };
    auto expectRow = [&](int r, const Row& want) {
        const Row got = rowOf(r);
        EXPECT_EQ(got.caption, want.caption) << "row " << r;
        EXPECT_EQ(got.unit, want.unit) << "row " << r;
        EXPECT_EQ(got.text, want.text) << "row " << r;
        EXPECT_EQ(got.prefix, want.prefix) << "row " << r;
        EXPECT_EQ(got.enabled, want.enabled) << "row " << r;
    };
    const Row handle{"Connection Handle:", "(Unit: 1 Octet)", "01", true, true};
    auto off = [](int r) {
        return Row{QStringLiteral("Parameter %1:").arg(r + 1), "Unit:", "", true, false};
    };

    select(kCharacteristics);
    expectRow(0, handle);
    expectRow(1, {"Service UUID:", "(Unit: 2 or 16 Octets)", "0000", true, true});
    expectRow(2, off(2));
    EXPECT_EQ(row(0)->count(), 2); // the open links
    EXPECT_EQ(row(1)->lineEdit()->maxLength(), 32);
    select(kRead);
    expectRow(1, {"Char Value Handle:", "(Unit: 2 Octets)", "0000", true, true});
    EXPECT_EQ(row(1)->lineEdit()->maxLength(), 4);
    select(kReadByUuid);
    expectRow(1, {"Characteristic UUID:", "(Unit: 2 or 16 Octets)", "0000", true, true});
    select(kWrite);
    expectRow(1, {"Write Type:", "(Selection)", "0x00: Write with Response", false, true});
    expectRow(2, {"Char Value Handle:", "(Unit: 2 Octets)", "0000", true, true});
    expectRow(3, {"Characteristic Value:", "(Unit: 1~20 Octets)", "", true, true});
    EXPECT_EQ(row(3)->lineEdit()->maxLength(), 40);
    EXPECT_EQ(row(1)->itemText(1), "0x01: Write without Response");
    select(kTransparent);
    expectRow(1, {"Transparent Ctrl:", "(Selection)", "0x00: Disable", true, true});
    expectRow(2, {"Transparent Mode:", "(Selection)", "0x00: Write Req", false, true});
    expectRow(3, off(3));
    EXPECT_EQ(row(1)->itemText(1), "0x01: Enable");
    EXPECT_EQ(row(2)->itemText(1), "0x01: Write Cmd");
}

TEST_F(GattClientPage, EveryCommandOnTheWire) {
    select(kDiscover);
    EXPECT_EQ(sendAndRead(), packetText(0x30, {0x01}));
    row(0)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x30, {0x02}));

    // UUIDs are typed most significant first and sent least significant first.
    select(kCharacteristics);
    test::typeInto(row(1), "1800");
    EXPECT_EQ(sendAndRead(), packetText(0x31, {0x01, 0x00, 0x18}));
    test::typeInto(row(1), "4B4F4C54FE7D4AE58FA99FAFD205E455");
    EXPECT_EQ(sendAndRead(), packetText(0x31, {0x01, 0x55, 0xE4, 0x05, 0xD2, 0xAF, 0x9F, 0xA9, 0x8F,
                                               0xE5, 0x4A, 0x7D, 0xFE, 0x54, 0x4C, 0x4F, 0x4B}));

    // Attribute handles go most significant first.
    select(kRead);
    test::typeInto(row(1), "0A12");
    EXPECT_EQ(sendAndRead(), packetText(0x32, {0x01, 0x0A, 0x12}));
    ASSERT_TRUE(page.pendingRead());
    EXPECT_EQ(page.pendingRead()->link, "01");
    EXPECT_EQ(page.pendingRead()->handle, "0A12");

    select(kReadByUuid);
    row(0)->setCurrentIndex(1);
    test::typeInto(row(1), "2A19");
    EXPECT_EQ(sendAndRead(), packetText(0x33, {0x02, 0x19, 0x2A}));
    EXPECT_EQ(page.lastReadByUuidLink(), 0x02);

    select(kWrite);
    EXPECT_EQ(row(1)->currentIndex(), 0);
    test::typeInto(row(2), "0023");
    test::typeInto(row(3), "0100");
    EXPECT_EQ(sendAndRead(), packetText(0x34, {0x01, 0x00, 0x00, 0x23, 0x01, 0x00}));
    row(1)->setCurrentIndex(1);
    test::typeInto(row(3), "ABC"); // an odd last digit is a byte of its own
    EXPECT_EQ(sendAndRead(), packetText(0x34, {0x01, 0x01, 0x00, 0x23, 0xAB, 0xC0}));

    select(kTransparent);
    EXPECT_EQ(sendAndRead(), packetText(0x35, {0x01, 0x00, 0x00}));
    row(1)->setCurrentIndex(1);
    row(2)->setCurrentIndex(1);
    EXPECT_EQ(sendAndRead(), packetText(0x35, {0x01, 0x01, 0x01}));
    EXPECT_TRUE(prompts.messages().isEmpty());

    // The local service discovery (0x3C) sends its UUID in the typed order instead.
    const std::uint8_t uuid[] = {0x18, 0x0D};
    ASSERT_TRUE(module.layer()->ReadLocalSpecificPrimaryService(UuidKind::Bits16, uuid));
    EXPECT_EQ(module.nextPacket(), packetText(0x3C, {0x18, 0x0D}));
}

TEST_F(GattClientPage, EveryRefusalMessageAndNothingSent) {
    select(kDiscover);
    test::typeInto(row(0), "1");
    expectRefused("Please input 1 byte for Connction Handle");
    select(kCharacteristics);
    test::typeInto(row(1), "180");
    expectRefused("Please input 2 bytes or 16 bytes for Service UUID");
    test::typeInto(row(1), "180D0");
    expectRefused("Please input 2 bytes or 16 bytes for Service UUID");
    select(kReadByUuid);
    test::typeInto(row(1), "2A1");
    expectRefused("Please input 2 bytes or 16 bytes for Service UUID");
    select(kRead);
    test::typeInto(row(1), "00B");
    expectRefused("Please input 2 byte for Char Value Handle");
    EXPECT_FALSE(page.pendingRead());
    select(kWrite);
    test::typeInto(row(2), "023");
    test::typeInto(row(3), "01");
    expectRefused("Please input 2 bytes for Char Value Handle");
    test::typeInto(row(2), "0023");
    test::typeInto(row(3), "");
    expectRefused("Please input at least 1 byte for Characteristic Value");
    // Characters that are no hexadecimal digits are refused as they are typed.
    select(kCharacteristics);
    prompts.clear();
    test::typeInto(row(1), "18G");
    EXPECT_EQ(row(1)->currentText(), "18");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));
    // Without a command layer the write fails.
    page.setLayer(nullptr);
    select(kDiscover);
    expectRefused("Write command fail!");
}

TEST_F(GattClientPage, ServiceRowsNameTheFirst22ServicesOnly) {
    // Two packets of 16-bit entries (handles least significant first), one 128-bit entry.
    event(0x90, {0x01, 0x06, 0x01, 0x00, 0x07, 0x00, 0x00, 0x18, 0x30, 0x00,
                 0x30, 0x00, 0x1A, 0x18, 0x40, 0x00, 0x44, 0x00, 0x18, 0x18});
    event(0x90, {0x02, 0x14, 0x50, 0x00, 0x58, 0x00, 0x55, 0xE4, 0x05, 0xD2, 0xAF,
                 0x9F, 0xA9, 0x8F, 0xE5, 0x4A, 0x7D, 0xFE, 0x54, 0x4C, 0x4F, 0x4B});
    ASSERT_EQ(page.servicesModel()->rowCount(), 4);
    EXPECT_EQ(serviceRow(0), QStringList({"01", "0001", "0007", "Generic Access (0x1800)"}));
    EXPECT_EQ(serviceRow(1), QStringList({"01", "0030", "0030", "0x181A"}));
    EXPECT_EQ(serviceRow(2), QStringList({"01", "0040", "0044", "Cycling Power Service (0x1818)"}));
    EXPECT_EQ(serviceRow(3),
              QStringList({"02", "0050", "0058", "0x4B4F4C54FE7D4AE58FA99FAFD205E455"}));

    // A click puts the UUID into the UUID row of 0x31 and 0x33, and nowhere else.
    select(kCharacteristics);
    page.serviceRowClicked(0);
    EXPECT_EQ(row(1)->currentText(), "1800");
    page.serviceRowClicked(3);
    EXPECT_EQ(row(1)->currentText(), "4B4F4C54FE7D4AE58FA99FAFD205E455");
    select(kReadByUuid);
    const QTableView* view = page.servicesView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(page.servicesModel()->index(1, 3)).center());
    EXPECT_EQ(row(1)->currentText(), "181A");
    select(kRead);
    page.serviceRowClicked(0);
    EXPECT_EQ(row(1)->currentText(), "0000");

    QTest::mouseClick(page.servicesClearButton(), Qt::LeftButton);
    EXPECT_EQ(page.servicesModel()->rowCount(), 0);
    event(0x90, {0x01, 0x06, 0x10, 0x00, 0x13, 0x00, 0x0F, 0x18});
    EXPECT_EQ(serviceRow(0), QStringList({"01", "0010", "0013", "Battery Service (0x180F)"}));
}

TEST_F(GattClientPage, CharacteristicRowsDescriptorsAndValuesInPlace) {
    // Battery Level (R/N) at 0x0011/0x0012 and a characteristic without properties.
    event(0x91, {0x01, 0x07, 0x11, 0x00, 0x12, 0x12, 0x00, 0x19, 0x2A, 0x14, 0x00, 0x00, 0x15, 0x00,
                 0x1A, 0x2A});
    // Its configuration descriptor goes below its value row; 0x0030 follows no row.
    event(0x92, {0x01, 0x01, 0x13, 0x00, 0x02, 0x29, 0x30, 0x00, 0x01, 0x29});
    ASSERT_EQ(page.characteristicsModel()->rowCount(), 6);
    EXPECT_EQ(characteristicRow(0),
              QStringList({"0x0011", "Characteristic", "R/N, 0x0012", "0x2A19"}));
    EXPECT_EQ(characteristicRow(1), QStringList({"0x0012", "Characteristic Value", "", ""}));
    EXPECT_EQ(characteristicRow(2), QStringList({"0x0013", "Descriptor", "", "0x2902"}));
    EXPECT_EQ(characteristicRow(3),
              QStringList({"0x0014", "Characteristic", "N/A, 0x0015", "0x2A1A"}));
    EXPECT_EQ(characteristicRow(5), QStringList({"0x0030", "Descriptor", "", "0x2901"}));

    // A notification, a value for no row, the reply to this page's read.
    event(0x93, {0x01, 0x00, 0x12, 0x57});
    event(0x93, {0x01, 0x00, 0x99, 0x01});
    EXPECT_EQ(page.characteristicsModel()->cell(1, GattResultLists::AttrValue), "0x57");
    select(kRead);
    test::typeInto(row(1), "0013");
    EXPECT_EQ(sendAndRead(), packetText(0x32, {0x01, 0x00, 0x13}));
    event(0x80, {0x32, 0x00, 0x01, 0x00});
    EXPECT_EQ(page.characteristicsModel()->cell(2, GattResultLists::AttrValue), "0x0100");
    EXPECT_FALSE(page.pendingRead());
    // A reply the page did not ask for goes by the remote table's pending read.
    const std::vector<std::uint8_t> params{0x32, 0x00, 0x58};
    const auto reply = framePacket(0x80, params);
    decodePacket(std::span(reply).subspan(1),
                 [&](int, const Record& r) { page.receiveReadReply(r, "0012"); });
    EXPECT_EQ(page.characteristicsModel()->cell(1, GattResultLists::AttrValue), "0x58");

    // Read by UUID: the row of the handle and a message with both.
    prompts.clear();
    event(0x80, {0x33, 0x00, 0x15, 0x00, 0x00, 0x07});
    EXPECT_EQ(page.characteristicsModel()->cell(4, GattResultLists::AttrValue), "0x0007");
    EXPECT_THAT(prompts.messages(),
                ElementsAre("Characteristic Value Handle:0015 \nCharacterist Value:0x0007"));

    QTest::mouseClick(page.characteristicsClearButton(), Qt::LeftButton);
    EXPECT_EQ(page.characteristicsModel()->rowCount(), 0);
    event(0x92, {0x01, 0x01, 0x13, 0x00, 0x02, 0x29});
    EXPECT_EQ(characteristicRow(0), QStringList({"0x0013", "Descriptor", "", "0x2902"}));
}

} // namespace
} // namespace nuvex3
