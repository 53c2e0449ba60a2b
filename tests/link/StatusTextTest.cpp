// Status texts and the four messages built on them.

#include "link/StatusText.h"

#include <gtest/gtest.h>

#include <set>

namespace nuvex3 {
namespace {

TEST(StatusText, TableLookup) {
    ASSERT_EQ(statusTable().size(), 51u);
    EXPECT_EQ(StatusText(0x00), "Command succeeded");
    EXPECT_EQ(StatusText(0x0E), "Connection Rejected due To Security Reasons");
    EXPECT_EQ(StatusText(0x3E), "Connection Failed to be Established");
    EXPECT_EQ(StatusText(0x90), "Unsupported Grout Type");
    EXPECT_EQ(StatusText(0xF0), "Application Defined Error");
    EXPECT_EQ(StatusText(0x04), "");
    EXPECT_EQ(StatusText(0x80), "");
    EXPECT_EQ(StatusText(0xFF), ""); // the last entry is outside the search
    EXPECT_EQ(statusTable().back().code, 0xFF);
    EXPECT_STREQ(statusTable().back().text, "UART Checksum Error [TX]");
    std::set<int> codes;
    for (const auto& e : statusTable())
        codes.insert(e.code);
    EXPECT_EQ(codes.size(), 51u);
}

TEST(StatusText, CommandCompleteErrors) {
    EXPECT_EQ(commandErrorMessage(0x00, 0xFF), "UART Checksum Error [TX]");
    EXPECT_EQ(commandErrorMessage(0x16, 0xFF), "Command(0x16) Error: \nUnknown error (0xFF)");
    EXPECT_EQ(commandErrorMessage(0x17, 0x0C), "Command(0x17) Error: \nCommand Disallowed (0x0C)");
    EXPECT_EQ(commandErrorMessage(0x32, 0x80), "Command(0x32) Error: \nUnknown error (0x80)");
}

TEST(StatusText, ConnectionMessages) {
    EXPECT_EQ(createConnectionErrorMessage(0x3E),
              "Create Connection Error: \nConnection Failed to be Established (0x3E)");
    EXPECT_EQ(terminateConnectionMessage(0x80, 0x13),
              "Terminate Connection Handle: 0x80\nReason: Remote User Terminated Connection(0x13)");
    EXPECT_EQ(terminateConnectionMessage(0x81, 0x04),
              "Terminate Connection Handle: 0x81\nReason: (0x04)");
    EXPECT_EQ(updateConnectionIntervalErrorMessage(0x3B),
              "Update Connection Interval Error: Unacceptable Connection Interval (0x3B)");
    EXPECT_EQ(updateConnectionIntervalErrorMessage(0x04),
              "Update Connection Interval Error: Unknown error (0x04)");
}

} // namespace
} // namespace nuvex3
