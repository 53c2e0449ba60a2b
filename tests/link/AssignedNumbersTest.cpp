// The assigned-number catalogue: its four tables, the row limits of each look-up and the
// names exactly as the pages show them.

#include "link/AssignedNumbers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace nuvex3::assigned {
namespace {

using ::testing::Eq;
using ::testing::Optional;

TEST(AssignedNumbers, TablesHoldEveryRowOnceInOrder) {
    EXPECT_EQ(services().size(), 30u);
    EXPECT_EQ(characteristicsAndDescriptors().size(), 164u);
    EXPECT_EQ(descriptors().size(), 15u);
    EXPECT_EQ(uuids128().size(), 16u);
    EXPECT_EQ(services().front().uuid, 0x1800);
    EXPECT_EQ(services().back().uuid, 0x1820);
    EXPECT_EQ(characteristicsAndDescriptors()[148].uuid, 0x2AAC);
    EXPECT_EQ(descriptors().front().uuid, 0x2900);
    EXPECT_EQ(descriptors().back().uuid, 0x290E);
    std::set<std::uint16_t> seen;
    for (const Entry16& e : characteristicsAndDescriptors())
        EXPECT_TRUE(seen.insert(e.uuid).second) << std::hex << e.uuid;
}

TEST(AssignedNumbers, ServiceNamesFollowTheRowLimitOfEachPage) {
    EXPECT_THAT(serviceName("180F", kTablePageServices), Optional(Eq("Battery Service")));
    EXPECT_THAT(serviceName("1818", kClientPageServices), Optional(Eq("Cycling Power Service")));
    // The client page stops at 0x1818: environmental sensing has a name only on the
    // table pages, with its trailing blank; nothing names 0x1820.
    EXPECT_EQ(serviceName("181A", kClientPageServices), std::nullopt);
    EXPECT_THAT(serviceName("181A", kTablePageServices), Optional(Eq("Environmental Sensing ")));
    EXPECT_THAT(serviceName("181F", kTablePageServices),
                Optional(Eq("Continuous Glucose Monitoring ")));
    EXPECT_EQ(serviceName("1820", kTablePageServices), std::nullopt);
    EXPECT_THAT(serviceName("1820", 30), Optional(Eq("Internet Protocol Support ")));
    // Gaps in the table have no name; the text is read as a number.
    EXPECT_EQ(serviceName("1817", kTablePageServices), std::nullopt);
    EXPECT_THAT(serviceName("0x1800", kClientPageServices), Optional(Eq("Generic Access")));
    EXPECT_THAT(serviceName("00001800", kClientPageServices), Optional(Eq("Generic Access")));
    // A 128-bit text is no 16-bit number.
    EXPECT_EQ(serviceName("0000180000001000800000805F9B34FB", kTablePageServices), std::nullopt);
}

TEST(AssignedNumbers, CharacteristicLookUpCoversTheDescriptorsUpTo2909) {
    EXPECT_THAT(characteristicName("2A9D"), Optional(Eq("Weight Measurement Charateristic ")));
    EXPECT_THAT(characteristicName("2A9C"),
                Optional(Eq("Body Composition Measurmeent Characteristic ")));
    EXPECT_THAT(characteristicName("2A00"), Optional(Eq("Device Name")));
    EXPECT_THAT(characteristicName("2AAC"), Optional(Eq("CGM Specific Ops Control Point ")));
    EXPECT_EQ(characteristicName("2A0B"), std::nullopt);
    EXPECT_THAT(characteristicName("2902"), Optional(Eq("Client Characteristic Configuration")));
    EXPECT_THAT(characteristicName("2909"), Optional(Eq("Number of Digitals")));
    EXPECT_EQ(characteristicName("290A"), std::nullopt);
    EXPECT_EQ(characteristicName("290C"), std::nullopt);
    EXPECT_THAT(descriptorName("290C"), Optional(Eq("Environmental Sensing Measurement")));
    EXPECT_THAT(descriptorName("290E"), Optional(Eq("Time Trigger Setting")));
    EXPECT_EQ(descriptorName("2A19"), std::nullopt);
}

TEST(AssignedNumbers, LongUuidsMatchOnlyTheirExactUpperCaseText) {
    EXPECT_THAT(name128("4B4F4C54FE7D4AE58FA99FAFD205E455"),
                Optional(Eq("KOLT Transparent Service")));
    EXPECT_THAT(name128("7905F431B5CE4E99A40F4B1E122D00D0"),
                Optional(Eq("Apple Notification Center Service")));
    EXPECT_THAT(name128("4B4F4C54ACA3481C91ECD85E28A60318"), Optional(Eq("KOLT Air Patch")));
    EXPECT_EQ(name128("4b4f4c54fe7d4ae58fa99fafd205e455"), std::nullopt);
    EXPECT_EQ(name128("4B4F4C54FE7D4AE58FA99FAFD205E45"), std::nullopt);
}

TEST(AssignedNumbers, NumbersAreReadLikeTheToolAlwaysReadThem) {
    EXPECT_EQ(readHexNumber("180F"), 0x180Fu);
    EXPECT_EQ(readHexNumber("  0x2a19"), 0x2A19u);
    EXPECT_EQ(readHexNumber("18G0"), 0x18u);
    EXPECT_EQ(readHexNumber(""), 0u);
    EXPECT_EQ(readHexNumber("0x"), 0u);
    EXPECT_EQ(readHexNumber("FFFFFFFFFF"), 0xFFFFFFFFu);
}

} // namespace
} // namespace nuvex3::assigned
