// ".SERV" reference files: how they are read, what each difference with a walked table
// says, and the clear error a bad file gets.

#include "QtPrinters.h"

#include "pages/gatt/ServReference.h"

#include <QFile>

#include <gtest/gtest.h>

namespace nuvex3::gatt {
namespace {

// Battery service 0x0010..0x0013: Battery Level (R/N) with its configuration descriptor.
const QByteArray kBattery = "0006 0010 2800 0F18\n"
                            "0009 0011 2803 12 1200 192A\n"
                            "0005 0012 2A19 57\n"
                            "0006 0013 2902 0100\n";

Reference parsed(const QByteArray& text) {
    auto r = parseReference(text);
    if (auto* e = std::get_if<ReferenceError>(&r))
        ADD_FAILURE() << e->text().toStdString();
    return std::get_if<Reference>(&r) ? std::get<Reference>(r) : Reference{};
}

QString errorOf(const QByteArray& text) {
    auto r = parseReference(text);
    return std::holds_alternative<ReferenceError>(r) ? std::get<ReferenceError>(r).text()
                                                     : QStringLiteral("(no error)");
}

// The link record a walk would have made of the battery service.
Link walkedBattery() {
    return Link{"01", parsed(kBattery)};
}

TEST(ServReference, ReadsServicesCharacteristicsDescriptorsAndValues) {
    const Reference ref = parsed("0006 0001 2800 0018\r\n"
                                 "0009 0002 2803 02 0300 002A\r\n"
                                 "\r\n"
                                 "000B00032A004E56582D48524D\r\n" +
                                 kBattery + "0014 0050 2800 55E405D2AF9F A98FE54A7DFE544C4F4B\n");
    ASSERT_EQ(ref.size(), 3u);
    EXPECT_EQ(ref[0].uuid, "1800");
    EXPECT_EQ(ref[0].startHandle, "0001");
    EXPECT_EQ(ref[0].endHandle, "0003"); // the line before the next service
    ASSERT_EQ(ref[0].characteristics.size(), 1u);
    const Characteristic& name = ref[0].characteristics[0];
    EXPECT_EQ(name.declarationHandle, "0002");
    EXPECT_EQ(name.properties, 0x02);
    EXPECT_EQ(name.valueHandle, "0003");
    EXPECT_EQ(name.uuid, "2A00");
    EXPECT_EQ(name.value, "0x4E56582D48524D");
    EXPECT_EQ(ref[1].endHandle, "0013");
    ASSERT_EQ(ref[1].characteristics.at(0).descriptors.size(), 1u);
    EXPECT_EQ(ref[1].characteristics[0].descriptors[0].uuid, "2902");
    EXPECT_EQ(ref[1].characteristics[0].descriptors[0].value, "0x0100");
    // A 128-bit service, alone on the last line: it starts and ends there.
    EXPECT_EQ(ref[2].uuid, "4B4F4C54FE7D4AE58FA99FAFD205E455");
    EXPECT_EQ(ref[2].startHandle, "0050");
    EXPECT_EQ(ref[2].endHandle, "0050");
}

TEST(ServReference, ADeclarationMayCarryOneByteMoreAfterItsUuid) {
    const Reference ref = parsed("0006 0010 2800 0F18\n"
                                 "000A 0011 2803 12 1200 192A 00\n");
    ASSERT_EQ(ref.at(0).characteristics.size(), 1u);
    EXPECT_EQ(ref[0].characteristics[0].uuid, "2A19");
}

TEST(ServReference, EveryType29xxIsADescriptorOfTheCurrentCharacteristic) {
    const Reference ref = parsed(kBattery + "0006 0014 2908 0101\n");
    const Characteristic& c = ref.at(0).characteristics.at(0);
    EXPECT_EQ(c.value, "0x57");
    ASSERT_EQ(c.descriptors.size(), 2u);
    EXPECT_EQ(c.descriptors[1].uuid, "2908");
}

TEST(ServReference, ReadsAtMostOneHundredLines) {
    QByteArray text = "0006 0010 2800 0F18\n";
    for (int h = 0x11; h < 0x11 + 120; ++h)
        text += QString::asprintf("0006 %04X 2901 0000\n", h).toLatin1();
    const Reference ref = parsed(text);
    EXPECT_EQ(ref.at(0).endHandle, QString::asprintf("%04X", 0x11 + 98));
}

TEST(ServReference, BadLinesGiveAnErrorNamingTheLine) {
    EXPECT_EQ(errorOf("0006 0010 2800 0F18\n0009 0011 28G3 12 1200 192A\n"),
              "Line 2 of the reference file: \"G\" is not a hexadecimal digit");
    EXPECT_EQ(errorOf("\n\n0006 0010 2800 0F1\n"),
              "Line 3 of the reference file: odd number of hexadecimal digits");
    EXPECT_EQ(errorOf("0004 0010 28\n"),
              "Line 1 of the reference file: too short for length, handle and type");
    // A file cut in the middle of its last line.
    EXPECT_EQ(errorOf(kBattery.left(kBattery.size() - 3)),
              "Line 4 of the reference file: the length 0006 does not match the 5 bytes that "
              "follow it");
    EXPECT_EQ(errorOf("0005 0010 2800 0F\n"),
              "Line 1 of the reference file: a service UUID has 2 or 16 bytes");
    EXPECT_EQ(errorOf("0006 0010 2800 0F18\n0008 0011 2803 12 1200 19\n"),
              "Line 2 of the reference file: a characteristic declaration holds properties, "
              "value handle and a UUID of 2 or 16 bytes");
    EXPECT_EQ(errorOf("0009 0011 2803 12 1200 192A\n"),
              "Line 1 of the reference file: a characteristic outside a service");
    // Values before any characteristic, and an empty file, are no errors.
    EXPECT_TRUE(parsed("0005 0001 2A00 41\n0006 0010 2800 0F18\n0005 0011 2A19 57\n").size() == 1);
    EXPECT_TRUE(parsed("").empty());
}

TEST(ServVerify, AMatchingTableVerifiesClean) {
    const Link link = walkedBattery();
    EXPECT_EQ(verifyTable(parsed(kBattery), &link), "GATT Table Verify Success");
    // A characteristic the walk did not read is not compared by value.
    Link unread = link;
    unread.services[0].characteristics[0].value.clear();
    EXPECT_EQ(verifyTable(parsed(kBattery), &unread), "GATT Table Verify Success");
    // Services the reference does not list do not matter.
    Link more = link;
    more.services.push_back(Service{"0001", "0007", "1800", {}});
    EXPECT_EQ(verifyTable(parsed(kBattery), &more), "GATT Table Verify Success");
}

TEST(ServVerify, TheFirstDifferenceIsReported) {
    const Reference ref = parsed(kBattery);
    const QString head = QStringLiteral("Service[180F] Characteristic Handle[0011]\n");
    struct Case {
        std::function<void(Link&)> change;
        QString message;
    };
    const std::vector<Case> cases = {
        {[](Link& l) { l.services[0].uuid = "1800"; }, "Cannot find the Service[180F]"},
        {[](Link& l) { l.services[0].startHandle = "000F"; },
         "Service[180F] StartHandle Handle is not match [0010]"},
        {[](Link& l) { l.services[0].endHandle = "0014"; },
         "Service[180F] EndHandle Handle is not match [0013]"},
        {[](Link& l) { l.services[0].characteristics.push_back({}); },
         "Service[180F] CharacteristicList size is not match"},
        {[](Link& l) { l.services[0].characteristics[0].declarationHandle = "0012"; },
         "Service[180F] Characteristic Handle is not match [0011]"},
        {[](Link& l) { l.services[0].characteristics[0].uuid = "2A1A"; },
         head + "Characteristic UUID is not match [2A19]"},
        {[](Link& l) { l.services[0].characteristics[0].properties = 0x02; },
         head + "Characteristic properties is not match [12]"},
        {[](Link& l) { l.services[0].characteristics[0].valueHandle = "0014"; },
         head + "CharacteristicValueHandle is not match [0012]"},
        {[](Link& l) { l.services[0].characteristics[0].value = "0x56"; },
         head + "CharacteristicValue is not match [0x57]"},
        {[](Link& l) { l.services[0].characteristics[0].descriptors.clear(); },
         "Service[180F] Characteristic Handle[0011] Descriptor size is not match"},
        {[](Link& l) { l.services[0].characteristics[0].descriptors[0].handle = "0014"; },
         head + "Descriptor Handle is not match [0013]"},
        {[](Link& l) { l.services[0].characteristics[0].descriptors[0].uuid = "2901"; },
         head + "Descriptor Handle[0013] Descriptor UUID is not match[2902]"},
        {[](Link& l) { l.services[0].characteristics[0].descriptors[0].value = "0x0000"; },
         head + "Descriptor Handle[0013] Descriptor Value is not match[0x0100]"},
    };
    for (const Case& c : cases) {
        Link link = walkedBattery();
        c.change(link);
        EXPECT_EQ(verifyTable(ref, &link), c.message);
    }
    EXPECT_EQ(verifyTable(ref, nullptr), "Cannot find the Service[180F]");
}

TEST(ServVerify, TheSimulatorsPeerReferenceReadsClean) {
    QFile file(QStringLiteral(NUVEX3_TEST_DATA "/nvx_hrm.SERV"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Reference ref = parsed(file.readAll());
    ASSERT_EQ(ref.size(), 8u);
    EXPECT_EQ(ref[4].uuid, "180D");
    EXPECT_EQ(ref[4].endHandle, "0028");
    EXPECT_EQ(ref[5].uuid, "181A");
    EXPECT_TRUE(ref[5].characteristics.empty());
    EXPECT_EQ(ref[6].characteristics.at(2).uuid, "4E565833545241000000000000000004");
}

} // namespace
} // namespace nuvex3::gatt
