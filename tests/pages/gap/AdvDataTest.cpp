// The advertising data walks and the ".adv" line rules, on bytes and texts.

#include "pages/gap/AdvData.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using ::testing::ElementsAre;

TEST(AdvDataWalk, StopsAtZeroLengthOverlongOrTruncatedStructures) {
    const std::vector<std::uint8_t> data{0x02, 0x01, 0x06, 0x00, 0x03, 0x09, 0x41, 0x42};
    const auto s = walkReportData(data);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].type, 0x01);
    EXPECT_THAT(s[0].data, ElementsAre(0x06));

    EXPECT_TRUE(walkReportData(std::vector<std::uint8_t>{0x20, 0x09, 0x41}).empty());
    EXPECT_TRUE(walkReportData(std::vector<std::uint8_t>{0x05, 0x09, 0x41}).empty());
    EXPECT_TRUE(walkReportData({}).empty());
}

TEST(AdvDataWalk, EditorWalkStartsWhereItIsToldAndEndsPastOffset30) {
    // byte 0 is a store option; then 02 01 06
    const std::vector<std::uint8_t> line{0x80, 0x02, 0x01, 0x06};
    const auto s = walkEditorData(line, 1);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].type, 0x01);

    // 29 bytes of manufacturer data end at offset 30; the next structure begins at 31.
    std::vector<std::uint8_t> full{0x1E, 0xFF};
    full.insert(full.end(), 29, 0xAA);
    full.insert(full.end(), {0x02, 0x01, 0x06});
    EXPECT_EQ(walkEditorData(full, 0).size(), 1u);
    EXPECT_EQ(walkReportData(full).size(), 1u);
}

TEST(AdvFileLines, BlanksCutEmptyEntriesAndLineCount) {
    EXPECT_THAT(parseAdvLines("80 02 01 06\r\n0A09\n"), ElementsAre("80020106", "0A09"));
    EXPECT_THAT(parseAdvLines("\n\n\n\nAB"), ElementsAre("", "", "", "AB"));
    EXPECT_THAT(parseAdvLines("\n12\n\n\n34"), ElementsAre("", "12", "", "34"));
    const QByteArray longLine(100, 'A');
    EXPECT_EQ(parseAdvLines(longLine).front().size(), 64);
    QByteArray many;
    for (int i = 0; i < 300; ++i)
        many += "01\n";
    EXPECT_EQ(parseAdvLines(many).size(), 200);
}

TEST(AdvFileLines, FormatHasNoTrailingNewline) {
    const std::vector<std::uint8_t> adv{0x02, 0x01, 0x06};
    EXPECT_EQ(formatAdvFile("80", adv, {}), QByteArray("80020106\n"));
    EXPECT_EQ(formatAdvFile("00", {}, adv), QByteArray("00\n020106"));
}

TEST(AdvReportTexts, SignedRssiAndAddressTypes) {
    EXPECT_EQ(rssiText(0xC4), "-60");
    EXPECT_EQ(rssiText(0x05), "5");
    EXPECT_EQ(addressTypeText(0), "Public");
    EXPECT_EQ(addressTypeText(1), "Random");
    EXPECT_EQ(addressTypeText(2), "Paired device");
    EXPECT_EQ(addressTypeText(0xFE), "0xFE");
    EXPECT_EQ(eventTypeText(3), "ADV_NONCONN_IND");
    EXPECT_EQ(eventTypeText(5), "");
}

} // namespace
} // namespace nuvex3
