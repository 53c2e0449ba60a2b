// The value entry helpers: hex text to bytes, character checks, number reading, the clamp
// texts, stream comparison, and the Qt fields that use them.

#include "RecordingPrompts.h"

#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <sstream>

namespace nuvex3 {
namespace {

std::string hexOf(const std::vector<std::uint8_t>& b) {
    return bytesToHex(b.data(), b.size());
}

TEST(HexToBytes, ZeroPrefixReverseAndSeparators) {
    EXPECT_EQ(hexOf(hexToBytes("1A2B3", true)), "01A2B3");
    EXPECT_EQ(hexOf(hexToBytes("1A2B3", false)), "1A2B30");
    EXPECT_EQ(hexOf(hexToBytes("0A0B0C0D", false, true)), "0D0C0B0A");
    EXPECT_EQ(hexOf(hexToBytes("ABC", false, true)), "ABC0"); // three digits: no reversal
    EXPECT_EQ(hexOf(hexToBytes("1A2B3", true, true)), "B3A201");
    EXPECT_EQ(hexOf(hexToBytes("12 34")), "1234");
    EXPECT_EQ(hexOf(hexToBytes("de:ad:be:ef")), "DEADBEEF");
    EXPECT_TRUE(hexToBytes("").empty());
    EXPECT_TRUE(hexToBytes("xyz").empty());
}

TEST(CharacterChecks, FirstInvalidCharacter) {
    EXPECT_EQ(firstNonHex("1G"), 1u);
    EXPECT_EQ(firstNonHex("abcDEF09"), std::nullopt);
    EXPECT_EQ(firstNonHex(" 1"), 0u);
    EXPECT_EQ(firstNonDigit("123"), std::nullopt);
    EXPECT_EQ(firstNonDigit("12A"), 2u);
    EXPECT_EQ(firstNonDigit("-1"), 0u);
}

TEST(NumberReading, UnsignedLikeThePlatformConversion) {
    EXPECT_EQ(parseUnsigned("FF", 16), 0xFFu);
    EXPECT_EQ(parseUnsigned("0x1f", 16), 0x1Fu);
    EXPECT_EQ(parseUnsigned("  12zz", 10), 12u);
    EXPECT_EQ(parseUnsigned("123456789ABC", 16), 0xFFFFFFFFu); // saturates
    EXPECT_EQ(parseUnsigned("99999999999", 10), 0xFFFFFFFFu);
    EXPECT_EQ(parseUnsigned("-1", 10), 0xFFFFFFFFu); // negated like strtoul
    EXPECT_EQ(parseUnsigned("", 16), 0u);
    EXPECT_EQ(parseSigned("-42"), -42);
    EXPECT_EQ(parseSigned("99999999999"), 2147483647);
    EXPECT_EQ(parseSigned("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(parseSigned("7x"), 7);
}

TEST(ClampTexts, BoundsAsTheFieldsShowThem) {
    EXPECT_EQ(clampHexText("1FF", 0, 0xFF), "ff");
    EXPECT_EQ(clampHexText("1", 0x20, 0xFF), "20");
    EXPECT_EQ(clampHexText("5", 0, 0xFFFF), std::nullopt);
    EXPECT_EQ(clampHexText("3", 0x00, 0x0A), std::nullopt);
    EXPECT_EQ(clampHexText("FFFFFFFFFF", 0, 0x4000), "4000");
    EXPECT_EQ(clampNumberText("300", 1, 255), "255");
    EXPECT_EQ(clampNumberText("0", 1, 255), "1");
    EXPECT_EQ(clampNumberText("10", 1, 255), std::nullopt);
    EXPECT_EQ(clampSignedText("500", 0, 300, -1), "300");
    EXPECT_EQ(clampSignedText("-5", 0, 300, -1), "0");
    EXPECT_EQ(clampSignedText("-1", 0, 300, -1), std::nullopt); // the allowed exception
    EXPECT_EQ(clampSignedText("150", 0, 300, -1), std::nullopt);
}

TEST(CompareStreams, EqualOnlyWhenBothEndTogether) {
    auto cmp = [](const std::string& a, const std::string& b) {
        std::istringstream sa(a), sb(b);
        return compareStreams(sa, sb);
    };
    EXPECT_TRUE(cmp("", ""));
    EXPECT_TRUE(cmp("abc", "abc"));
    EXPECT_FALSE(cmp("abc", "abd"));
    EXPECT_FALSE(cmp("abc", "abcd"));
    EXPECT_FALSE(cmp("", "a"));
    const std::string block(10000, 'x');
    EXPECT_TRUE(cmp(block, block));
    EXPECT_FALSE(cmp(block, block + "y"));
    EXPECT_FALSE(cmp(block + block + "1", block + block + "2"));
    EXPECT_TRUE(cmp(block + "tail", block + "tail"));
}

TEST(HexFields, InvalidCharacterIsReportedAndRemoved) {
    test::RecordingPrompts recorder;
    ScopedPrompts scoped(recorder);
    QLineEdit edit;
    edit.setText("1G");
    EXPECT_FALSE(validateHexEdit(&edit, 0, kMaxU32, false));
    EXPECT_EQ(edit.text(), "1");
    EXPECT_EQ(recorder.messages(), QStringList{"Input error!! Not Hex mode"});
    EXPECT_TRUE(validateHexEdit(&edit, 0, kMaxU32, false));

    edit.setText("1ff");
    EXPECT_TRUE(validateHexEdit(&edit, 0, 0x7F, true));
    EXPECT_EQ(edit.text(), "7f");

    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText("3x0");
    EXPECT_FALSE(validateNumberCombo(&combo, 0, 100, true));
    EXPECT_EQ(combo.currentText(), "30");
    EXPECT_EQ(recorder.messages().back(), "Input error!! Not Number");
    combo.setEditText("300");
    EXPECT_TRUE(validateNumberCombo(&combo, 0, 100, true));
    EXPECT_EQ(combo.currentText(), "100");
}

} // namespace
} // namespace nuvex3
