// The attribute table as the table pages fill it, and the labels, text file and notify
// rows they show for it.

#include "pages/gatt/GattTable.h"
#include "pages/gatt/GattTree.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace nuvex3::gatt {
namespace {

// A characteristic whose value handle follows its declaration.
Characteristic chr(const char* decl, const char* uuid, std::uint8_t props) {
    const QString d = QString::fromLatin1(decl);
    return Characteristic{d, uuid, props, QString::asprintf("%04X", hexValue(d) + 1), {}, {}};
}

TEST(PropertiesText, EachBitInOrderWithoutTheLastSlash) {
    EXPECT_EQ(propertiesText(0x1A), "R/W/N");
    EXPECT_EQ(propertiesText(0x04), "WO");
    EXPECT_EQ(propertiesText(0x00), "N/A");
    EXPECT_EQ(propertiesText(0xFF), "B/R/WO/W/N/I/A/E");
    EXPECT_EQ(propertiesText(0x80), "E");
}

TEST(Records, DiscoveryAndValueRecordsAsTheDecodersLayThemOut) {
    Record r{};
    // Service found: 128-bit UUID, handles 0x0050..0x0058.
    r = Record{0x00, 0x18, 0x90, 0x02, 0x02, 0x00, 0x50, 0x00, 0x58};
    for (int i = 0; i < 16; ++i)
        r[9 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xA0 + i);
    const Service s = serviceOf(r);
    EXPECT_EQ(linkText(r), "02");
    EXPECT_EQ(s.startHandle, "0050");
    EXPECT_EQ(s.endHandle, "0058");
    EXPECT_EQ(s.uuid, "A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");

    r = Record{0x00, 0x0B, 0x91, 0x01, 0x01, 0x00, 0x11, 0x12, 0x00, 0x12, 0x2A, 0x19};
    const Characteristic c = characteristicOf(r);
    EXPECT_EQ(c.declarationHandle, "0011");
    EXPECT_EQ(c.properties, 0x12);
    EXPECT_EQ(c.valueHandle, "0012");
    EXPECT_EQ(c.uuid, "2A19");

    r = Record{0x00, 0x09, 0x92, 0x01, 0x01, 0x00, 0x13, 0x29, 0x02};
    EXPECT_EQ(descriptorOf(r).handle, "0013");
    EXPECT_EQ(descriptorOf(r).uuid, "2902");

    r = Record{0x00, 0x07, 0x93, 0x01, 0x22, 0x00, 0x02, 0x00, 0x48};
    const ValueRecord v = receivedValueOf(r);
    EXPECT_EQ(v.link, "01");
    EXPECT_EQ(v.handle, "0022");
    EXPECT_EQ(v.value, "0x0048");
    r = Record{0x00, 0x05, 0x80, 0x32, 0x00, 0x02, 0x01, 0x00};
    EXPECT_EQ(readReplyOf(r).value, "0x0100");
    r = Record{0x00, 0x07, 0x80, 0x33, 0x00, 0x00, 0x03, 0x01, 0x41};
    EXPECT_EQ(readByUuidReplyOf(r).handle, "0003");
    EXPECT_EQ(readByUuidReplyOf(r).value, "0x41");
}

// Link 01 with a battery service 0x0010..0x0018: characteristics at 0x0011 and 0x0015.
Table batteryTable() {
    Table t;
    addService(t, "01", Service{"0010", "0018", "180F", {}});
    addCharacteristic(t, "01", "180F", chr("0011", "2A19", 0x12));
    addCharacteristic(t, "01", "180F", chr("0015", "2A1A", 0x02));
    return t;
}

TEST(TableFilling, ServicesOncePerUuidCharacteristicsIntoTheServiceBeingDiscovered) {
    Table t = batteryTable();
    EXPECT_FALSE(addService(t, "01", Service{"0010", "0015", "180F", {}}));
    EXPECT_TRUE(addService(t, "02", Service{"0001", "0005", "1800", {}}));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].handle, "02");
    // A second result with the same declaration handle adds nothing; a characteristic
    // for a service the link does not have, or a link without a record, goes nowhere.
    EXPECT_FALSE(addCharacteristic(t, "01", "180F", chr("0011", "2A19", 0x12)));
    EXPECT_FALSE(addCharacteristic(t, "01", "1800", chr("0003", "2A00", 0x02)));
    EXPECT_FALSE(addCharacteristic(t, "03", "180F", chr("0020", "2A00", 0x02)));
    EXPECT_EQ(t[0].services[0].characteristics.size(), 2u);
    EXPECT_TRUE(t[1].services[0].characteristics.empty());
}

TEST(TableFilling, DescriptorsGoToTheCharacteristicTheyFollow) {
    Table t = batteryTable();
    const auto& chars = t[0].services[0].characteristics;
    // Right after a value handle; between two value handles; after the last one.
    EXPECT_TRUE(addDescriptor(t, "01", Descriptor{"0013", "2902", ""}));
    EXPECT_TRUE(addDescriptor(t, "01", Descriptor{"0014", "2901", ""}));
    EXPECT_TRUE(addDescriptor(t, "01", Descriptor{"0017", "2902", ""}));
    EXPECT_TRUE(addDescriptor(t, "01", Descriptor{"0018", "2904", ""}));
    // Not inside the service (its start handle, past its end) or on no link.
    EXPECT_FALSE(addDescriptor(t, "01", Descriptor{"0010", "2902", ""}));
    EXPECT_FALSE(addDescriptor(t, "01", Descriptor{"0019", "2902", ""}));
    EXPECT_FALSE(addDescriptor(t, "09", Descriptor{"0013", "2902", ""}));
    ASSERT_EQ(chars[0].descriptors.size(), 2u);
    EXPECT_EQ(chars[0].descriptors[1].handle, "0014");
    ASSERT_EQ(chars[1].descriptors.size(), 2u);
    EXPECT_EQ(chars[1].descriptors[1].uuid, "2904");
}

TEST(TableFilling, AValueGoesToTheCharacteristicOrElseTheDescriptorWithThatHandle) {
    Table t = batteryTable();
    addDescriptor(t, "01", Descriptor{"0013", "2902", ""});
    EXPECT_TRUE(placeValue(t, "01", "0012", "0x57"));
    EXPECT_TRUE(placeValue(t, "01", "13", "0x0100"));
    EXPECT_FALSE(placeValue(t, "01", "0011", "0x00")); // a declaration takes no value
    EXPECT_FALSE(placeValue(t, "02", "0012", "0x00"));
    EXPECT_EQ(t[0].services[0].characteristics[0].value, "0x57");
    EXPECT_EQ(t[0].services[0].characteristics[0].descriptors[0].value, "0x0100");
}

TEST(TreeText, LabelsNamesAndTheSavedFile) {
    Table t = batteryTable();
    addDescriptor(t, "01", Descriptor{"0013", "2902", "0x0100"});
    placeValue(t, "01", "0012", "0x57");
    addService(t, "01", Service{"0050", "0053", "4B4F4C54FE7D4AE58FA99FAFD205E455", {}});
    addCharacteristic(t, "01", "4B4F4C54FE7D4AE58FA99FAFD205E455",
                      chr("0051", "0123456789ABCDEF0123456789ABCDEF", 0x00));
    addDescriptor(t, "01", Descriptor{"0053", "2910", "0x01"});
    addService(t, "01", Service{"0060", "0060", "181A", {}});
    addService(t, "01", Service{"0070", "0070", "1820", {}});

    const QString dashes(122, QLatin1Char('-'));
    EXPECT_EQ(saveText(buildTree(t)),
              "GATT Table\n" + dashes +
                  "\n"
                  "\t-Connection Handle : 01\n"
                  "\t\t-Battery Service : 180F\n"
                  "\t\t\t-Battery Level (2A19) : R/N [0011]\n"
                  "\t\t\t\t-Value: 0x57 [0012]\n"
                  "\t\t\t\t-Client Characteristic Configuration (2902) : 0x0100 [0013]\n"
                  "\t\t\t-Characteristic (2A1A): R [0015]\n"
                  "\t\t\t\t-Value:  [0016]\n"
                  "\t\t-KOLT Transparent Service : 4B4F4C54FE7D4AE58FA99FAFD205E455\n"
                  "\t\t\t-Characteristic (0123456789ABCDEF0123456789ABCDEF): N/A [0051]\n"
                  "\t\t\t\t-Value:  [0052]\n"
                  "\t\t\t\t-Descriptor(2910) : 0x01 [0053]\n"
                  "\t\t-Environmental Sensing  : 181A\n"
                  "\t\t-Service : 1820\n" +
                  dashes + "\n");
    EXPECT_EQ(saveText(buildTree({})), "GATT Table\n" + dashes + "\n");
}

TEST(TreeText, ItemRecordsCarryWhatReadAndWriteWorkFrom) {
    Table t = batteryTable();
    addDescriptor(t, "01", Descriptor{"0013", "2902", "0x0000"});
    const TreeItem root = buildTree(t);
    const TreeItem& service = root.children.at(0).children.at(0);
    EXPECT_EQ(service.record.kind, ItemKind::Service);
    EXPECT_EQ(service.record.uuid, "180F");
    const TreeItem& decl = service.children.at(0);
    EXPECT_EQ(decl.record.kind, ItemKind::Declaration);
    EXPECT_EQ(decl.record.properties, 0);
    const ItemRecord& value = decl.children.at(0).record;
    const ItemRecord& cccd = decl.children.at(1).record;
    EXPECT_EQ(value.kind, ItemKind::Value);
    EXPECT_EQ(value.properties, 0x12);
    EXPECT_EQ(value.handle, "0012");
    EXPECT_EQ(cccd.kind, ItemKind::Descriptor);
    EXPECT_EQ(cccd.properties, 0x12);
    EXPECT_EQ(cccd.handle, "0013");
    EXPECT_EQ(cccd.link, "01");
    // A changed value gives the label again.
    ItemRecord changed = cccd;
    changed.value = "0x0100";
    EXPECT_EQ(labelOf(changed), "Client Characteristic Configuration (2902) : 0x0100 [0013]");
    EXPECT_EQ(labelOf(decl.record), "");
}

TEST(NotifyRows, OnePerConfigurationDescriptorWithItsState) {
    Table t = batteryTable();
    addDescriptor(t, "01", Descriptor{"0013", "2902", "0x0000"});
    addDescriptor(t, "01", Descriptor{"0017", "2901", "0x41"});
    addDescriptor(t, "01", Descriptor{"0018", "2902", "0x0200"});
    placeValue(t, "01", "0012", "0x57");
    addService(t, "02", Service{"0001", "0003", "ABCDEF0123456789ABCDEF0123456789", {}});
    const auto rows = notifyRows(t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].connection, "01");
    EXPECT_EQ(rows[0].service, "Battery Service (180F)");
    EXPECT_EQ(rows[0].characteristic, "Battery Level (2A19)");
    EXPECT_EQ(rows[0].handle, "0012");
    EXPECT_EQ(rows[0].value, "0x57");
    EXPECT_EQ(rows[0].state, "Disabled");
    EXPECT_EQ(rows[0].cccdHandle, "0013");
    EXPECT_EQ(rows[1].characteristic, "2A1A");
    EXPECT_EQ(rows[1].state, "Enabled");
    EXPECT_EQ(rows[1].properties, 0x02);
}

} // namespace
} // namespace nuvex3::gatt
