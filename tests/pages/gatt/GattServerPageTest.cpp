// The GATT server page driven through its widgets: the bytes of its six commands on the
// wire, every refusal, the relabelled rows, and its two lists filled from the module's own
// discovery results, local reads, updates and client writes.

#include "CommandPageTest.h"
#include "QtPrinters.h"

#include "link/EventDecoder.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/CPageGATTServer.h"
#include "pages/gatt/GattResultLists.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::packetText;
using ::testing::ElementsAre;

enum OpIndex { kSendValue = 0, kUpdate, kReadLocal, kAllServices, kOneService, kWriteResponse };

class GattServerPage : public test::CommandPageTest<CPageGATTServer> {
protected:
    QString valueAt(int r) {
        page.flushLists();
        return page.lists()->characteristicsModel()->cell(r, GattResultLists::AttrValue);
    }
};

TEST_F(GattServerPage, StartsOnReadLocalAllPrimaryServiceWithTheListsEmpty) {
    CPageGATTServer fresh;
    EXPECT_EQ(fresh.caption(), "GATT Server");
    EXPECT_FALSE(fresh.sendButton()->isEnabled());
    QStringList opcodes;
    for (int i = 0; i < fresh.opcodeCombo()->count(); ++i)
        opcodes << fresh.opcodeCombo()->itemText(i);
    EXPECT_EQ(opcodes,
              QStringList(
                  {"0x38: Send Characteristic Value", "0x39: Update Characteristic Value",
                   "0x3A: Read Local Characteristic Value", "0x3B: Read Local All Pirmary Service",
                   "0x3C: Read Local Specific Pirmary Service", "0x3D: Send Write Response"}));
    EXPECT_EQ(fresh.opcodeCombo()->currentIndex(), kAllServices);
    EXPECT_EQ(fresh.captionLabel(0)->text(), "Parameter 1:");
    EXPECT_FALSE(fresh.valueCombo(0)->isEnabled());
    EXPECT_EQ(fresh.valueCombo(0)->currentText(), "");
    EXPECT_EQ(fresh.lists()->servicesModel()->rowCount(), 0);
    EXPECT_EQ(fresh.lists()->characteristicsModel()->rowCount(), 0);
}

TEST_F(GattServerPage, RelabelsTheRowsPerOpcode) {
    struct Row {
        QString caption, unit, text;
        bool prefix, enabled;
    };
    auto expectRow = [&](int r, const Row& want) {
        EXPECT_EQ(page.captionLabel(r)->text(), want.caption) << "row " << r;
        EXPECT_EQ(page.unitLabel(r)->text(), want.unit) << "row " << r;
        EXPECT_EQ(row(r)->currentText(), want.text) << "row " << r;
        EXPECT_EQ(page.prefixLabel(r)->isVisibleTo(&page), want.prefix) << "row " << r;
        EXPECT_EQ(row(r)->isEnabled(), want.enabled) << "row " << r;
    };
    const Row connection{"Connection Handle:", "(Unit: 1 Octet)", "01", true, true};
    const Row valueHandle{"Char Value Handle:", "(Unit: 2 Octets)", "0000", true, true};
    const Row value{"Characteristic Value:", "(Unit: 1~20 Octets)", "", true, true};
    auto off = [](int r) {
        return Row{QStringLiteral("Parameter %1:").arg(r + 1), "Unit:", "", true, false};
    };

    select(kSendValue);
    expectRow(0, connection);
    expectRow(1, valueHandle);
    expectRow(2, value);
    expectRow(3, off(3));
    EXPECT_EQ(row(0)->count(), 2); // the open links
    EXPECT_EQ(row(1)->lineEdit()->maxLength(), 4);
    EXPECT_EQ(row(2)->lineEdit()->maxLength(), 40);
    select(kUpdate);
    expectRow(0, valueHandle);
    expectRow(1, value);
    expectRow(2, off(2));
    select(kReadLocal);
    expectRow(0, valueHandle);
    expectRow(1, off(1));
    select(kOneService);
    expectRow(0, {"Service UUID:", "(Unit: 2 or 16 Octets)", "0000", true, true});
    EXPECT_EQ(row(0)->lineEdit()->maxLength(), 32);
    select(kWriteResponse);
    expectRow(0, connection);
    expectRow(1, {"Request Opcode:", "(Unit: 1 Octet)", "12", true, false});
    expectRow(2, {"Attribute Handle:", "(Unit: 2 Octet)", "", true, true});
    expectRow(3, {"Error Code:", "(Selection)", "0x00: No Error", false, true});
    QStringList codes;
    for (int i = 0; i < row(3)->count(); ++i)
        codes << row(3)->itemText(i);
    ASSERT_EQ(codes.size(), 20);
    EXPECT_EQ(codes[10], "0x0A: Attribute Not Found");
    EXPECT_EQ(codes[12], "0x0C: Insufficient Encryption Key Size");
    EXPECT_EQ(codes[17], "0x11: Insufficient Resources");
    EXPECT_EQ(codes[18], "0x80: Application Error");
    EXPECT_EQ(codes[19], "0x81: Application Error");
    select(kAllServices);
    expectRow(0, off(0));
}

TEST_F(GattServerPage, EveryCommandOnTheWire) {
    // Handles go most significant first.
    select(kSendValue);
    row(0)->setCurrentIndex(1);
    test::typeInto(row(1), "0012");
    test::typeInto(row(2), "0048");
    EXPECT_EQ(sendAndRead(), packetText(0x38, {0x02, 0x00, 0x12, 0x00, 0x48}));

    select(kUpdate);
    test::typeInto(row(0), "0A13");
    test::typeInto(row(1), "ABC"); // an odd last digit is a byte of its own
    EXPECT_EQ(sendAndRead(), packetText(0x39, {0x0A, 0x13, 0xAB, 0xC0}));
    ASSERT_TRUE(page.pendingUpdate());
    EXPECT_EQ(page.pendingUpdate()->handle, "0A13");
    EXPECT_EQ(page.pendingUpdate()->value, "0xABC0");

    select(kReadLocal);
    test::typeInto(row(0), "001C");
    EXPECT_EQ(sendAndRead(), packetText(0x3A, {0x00, 0x1C}));
    EXPECT_EQ(page.pendingRead(), "001C");

    select(kAllServices);
    EXPECT_EQ(sendAndRead(), packetText(0x3B, {}));

    // The local service UUID goes in the order it is typed (the client's goes reversed).
    select(kOneService);
    test::typeInto(row(0), "180D");
    EXPECT_EQ(sendAndRead(), packetText(0x3C, {0x18, 0x0D}));
    test::typeInto(row(0), "4B4F4C54FE7D4AE58FA99FAFD205E455");
    EXPECT_EQ(sendAndRead(), packetText(0x3C, {0x4B, 0x4F, 0x4C, 0x54, 0xFE, 0x7D, 0x4A, 0xE5, 0x8F,
                                               0xA9, 0x9F, 0xAF, 0xD2, 0x05, 0xE4, 0x55}));

    // The write response's defaults: request opcode 0x12, no error.
    select(kWriteResponse);
    test::typeInto(row(2), "0009");
    EXPECT_EQ(sendAndRead(), packetText(0x3D, {0x01, 0x12, 0x00, 0x09, 0x00}));
    row(3)->setCurrentIndex(3);
    EXPECT_EQ(sendAndRead(), packetText(0x3D, {0x01, 0x12, 0x00, 0x09, 0x03}));
    row(3)->setCurrentIndex(18);
    EXPECT_EQ(sendAndRead(), packetText(0x3D, {0x01, 0x12, 0x00, 0x09, 0x80}));
    row(3)->setCurrentIndex(19);
    EXPECT_EQ(sendAndRead(), packetText(0x3D, {0x01, 0x12, 0x00, 0x09, 0x81}));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(GattServerPage, EveryRefusalMessageAndNothingSent) {
    select(kSendValue);
    test::typeInto(row(0), "1");
    expectRefused("Please input 1 byte for Connction Handle");
    test::typeInto(row(0), "01");
    test::typeInto(row(1), "012");
    test::typeInto(row(2), "01");
    expectRefused("Please input 2 byte for Char Value Handle");
    test::typeInto(row(1), "0012");
    test::typeInto(row(2), "");
    expectRefused("Please input at least 1 byte for Characteristic Value");

    select(kUpdate);
    test::typeInto(row(0), "12");
    test::typeInto(row(1), "01");
    expectRefused("Please input 2 byte for Char Value Handle");
    test::typeInto(row(0), "0012");
    test::typeInto(row(1), "1");
    expectRefused("Please input at least 1 byte for Characteristic Value");
    EXPECT_FALSE(page.pendingUpdate());

    select(kReadLocal);
    test::typeInto(row(0), "01C");
    expectRefused("Please input 2 byte for Char Value Handle");
    EXPECT_FALSE(page.pendingRead());

    select(kOneService);
    test::typeInto(row(0), "180");
    expectRefused("Please input 2 bytes or 16 bytes for Service UUID");
    test::typeInto(row(0), "180D0");
    expectRefused("Please input 2 bytes or 16 bytes for Service UUID");

    select(kWriteResponse);
    test::typeInto(row(0), "1");
    expectRefused("Please input 1 byte for Connction Handle");
    test::typeInto(row(0), "01");
    test::typeInto(row(2), "009");
    expectRefused("Please input 2 bytes for Char Value Handle");

    // Only the value rows check their digits as they are typed.
    select(kUpdate);
    prompts.clear();
    test::typeInto(row(1), "4G");
    EXPECT_EQ(row(1)->currentText(), "4");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));

    // Without a command layer the write fails.
    page.setLayer(nullptr);
    select(kAllServices);
    expectRefused("Write command fail!");
}

TEST_F(GattServerPage, LocalResultsReadsUpdatesAndClientWritesInTheLists) {
    // The module's heart rate service: the measurement with its configuration descriptor and
    // the control point.
    event(0x90, {0x00, 0x06, 0x15, 0x00, 0x1C, 0x00, 0x0D, 0x18});
    event(0x91, {0x00, 0x07, 0x16, 0x00, 0x10, 0x17, 0x00, 0x37, 0x2A, 0x1B, 0x00, 0x08, 0x1C, 0x00,
                 0x39, 0x2A});
    event(0x92, {0x00, 0x01, 0x18, 0x00, 0x02, 0x29});
    const TextListModel& services = *page.lists()->servicesModel();
    ASSERT_EQ(services.rowCount(), 1);
    EXPECT_EQ(services.cell(0, 0), "00");
    EXPECT_EQ(services.cell(0, 3), "Heart Rate (0x180D)");
    const TextListModel& chars = *page.lists()->characteristicsModel();
    ASSERT_EQ(chars.rowCount(), 5);
    EXPECT_EQ(chars.cell(0, 2), "N, 0x0017");
    EXPECT_EQ(chars.cell(2, 0), "0x0018");
    EXPECT_EQ(chars.cell(2, 3), "0x2902");
    EXPECT_EQ(chars.cell(3, 2), "W, 0x001C");

    // A click on the service puts its UUID into 0x3C's row.
    select(kOneService);
    page.serviceRowClicked(0);
    EXPECT_EQ(row(0)->currentText(), "180D");

    // The reply to this page's read goes to the row of its handle.
    select(kReadLocal);
    test::typeInto(row(0), "0018");
    EXPECT_EQ(sendAndRead(), packetText(0x3A, {0x00, 0x18}));
    event(0x80, {0x3A, 0x00, 0x01, 0x00});
    EXPECT_EQ(valueAt(2), "0x0100");
    EXPECT_FALSE(page.pendingRead());
    // One the page did not ask for goes by the local table's pending read.
    const std::vector<std::uint8_t> params{0x3A, 0x00, 0x00, 0x50};
    const auto reply = framePacket(0x80, params);
    decodePacket(std::span(reply).subspan(1),
                 [&](int, const Record& r) { page.receiveReadReply(r, "0017"); });
    EXPECT_EQ(valueAt(1), "0x0050");

    // An update shows once the module has taken it; a refused one shows nothing.
    select(kUpdate);
    test::typeInto(row(0), "0017");
    test::typeInto(row(1), "0048");
    EXPECT_EQ(sendAndRead(), packetText(0x39, {0x00, 0x17, 0x00, 0x48}));
    EXPECT_EQ(valueAt(1), "0x0050");
    page.updateDone(true);
    EXPECT_EQ(valueAt(1), "0x0048");
    test::typeInto(row(1), "0049");
    EXPECT_EQ(sendAndRead(), packetText(0x39, {0x00, 0x17, 0x00, 0x49}));
    page.updateDone(false);
    EXPECT_EQ(valueAt(1), "0x0048");
    EXPECT_FALSE(page.pendingUpdate());

    // A client's write shows and names the attribute of the write response.
    select(kWriteResponse);
    event(0x98, {0x02, 0x00, 0x1C, 0x01});
    EXPECT_EQ(valueAt(4), "0x01");
    EXPECT_EQ(row(0)->currentText(), "02");
    EXPECT_EQ(row(2)->currentText(), "001C");
    EXPECT_EQ(sendAndRead(), packetText(0x3D, {0x02, 0x12, 0x00, 0x1C, 0x00}));
}

} // namespace
} // namespace nuvex3
