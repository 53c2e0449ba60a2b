// The walk over an attribute table: which command each step sends as the results come in,
// link after link, and where the read replies go.

#include "QtPrinters.h"

#include "pages/gatt/TableWalk.h"

#include <gtest/gtest.h>

#include <string>

namespace nuvex3::gatt {
namespace {

// A step as text: "30 01", "31 01 180F", "32 01 0012" (descriptors: "32d"), "done", "idle".
std::string text(const TableWalk::Step& s) {
    if (s.kind == TableWalk::Step::Finished)
        return "done";
    if (s.kind == TableWalk::Step::Idle)
        return "idle";
    const auto& c = s.command;
    const std::string link = QString::asprintf(" %02X", c.link).toStdString();
    switch (c.op) {
    case TableWalk::Op::DiscoverServices:
        return "30" + link;
    case TableWalk::Op::DiscoverCharacteristics:
        return "31" + link + " " + c.uuid.toStdString();
    case TableWalk::Op::ReadCharacteristic:
        return "32" + link + QString::asprintf(" %04X", c.handle).toStdString();
    case TableWalk::Op::ReadDescriptor:
        return "32d" + link + QString::asprintf(" %04X", c.handle).toStdString();
    }
    return "?";
}

Characteristic chr(const char* decl, const char* uuid, std::uint8_t props, const char* value) {
    return Characteristic{decl, uuid, props, value, {}, {}};
}

// What link 01's peer answers: Generic Access (a readable and a write-only characteristic)
// and Battery (readable, with its configuration descriptor).
void answerServices(TableWalk& w) {
    w.addService("01", Service{"0001", "0005", "1800", {}});
    w.addService("01", Service{"0010", "0013", "180F", {}});
    w.addService("01", Service{"0010", "0013", "180F", {}}); // a repeated result
}
void answerCharacteristics(TableWalk& w, const QString& uuid) {
    if (uuid == "1800") {
        w.addCharacteristic("01", chr("0002", "2A00", 0x02, "0003"));
        w.addCharacteristic("01", chr("0004", "2A01", 0x08, "0005"));
    } else {
        w.addCharacteristic("01", chr("0011", "2A19", 0x12, "0012"));
        w.addDescriptor("01", Descriptor{"0013", "2902", ""});
    }
}

TEST(TableWalk, DiscoversThenReadsEveryReadableValueThenEveryDescriptorLinkByLink) {
    TableWalk w(TableWalk::Reads::Readable);
    EXPECT_EQ(text(w.next()), "idle");
    w.start({0x01, 0x02});
    EXPECT_TRUE(w.running());
    EXPECT_EQ(text(w.next()), "30 01");
    answerServices(w);
    EXPECT_EQ(text(w.next()), "31 01 1800");
    EXPECT_EQ(w.discoveringUuid(), "1800");
    answerCharacteristics(w, "1800");
    EXPECT_EQ(text(w.next()), "31 01 180F");
    answerCharacteristics(w, "180F");
    // The write-only characteristic at 0x0004 is not read.
    EXPECT_EQ(text(w.next()), "32 01 0003");
    EXPECT_EQ(w.pendingRead()->handle, "0003");
    EXPECT_EQ(text(w.next()), "32 01 0012");
    EXPECT_EQ(text(w.next()), "32d 01 0013");
    EXPECT_EQ(w.pendingRead()->link, "01");
    EXPECT_EQ(w.pendingRead()->handle, "0013");
    // Link 02's peer has no services (its discovery ends with "Attribute Not Found").
    EXPECT_EQ(text(w.next()), "30 02");
    EXPECT_EQ(text(w.next()), "done");
    EXPECT_FALSE(w.running());
    EXPECT_EQ(text(w.next()), "idle");
    const Table t = w.table();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].services.size(), 2u);
}

TEST(TableWalk, TheLocalWalkReadsEveryCharacteristic) {
    TableWalk w(TableWalk::Reads::All);
    w.start({0x00});
    EXPECT_EQ(text(w.next()), "30 00");
    w.addService("00", Service{"0001", "0005", "1800", {}});
    EXPECT_EQ(text(w.next()), "31 00 1800");
    w.addCharacteristic("00", chr("0002", "2A00", 0x02, "0003"));
    w.addCharacteristic("00", chr("0004", "2A01", 0x08, "0005"));
    EXPECT_EQ(text(w.next()), "32 00 0003");
    EXPECT_EQ(text(w.next()), "32 00 0005");
    EXPECT_EQ(text(w.next()), "done");
}

TEST(TableWalk, ReadRepliesGoWhereThePendingReadSays) {
    TableWalk w(TableWalk::Reads::Readable);
    w.start({0x01});
    w.next();
    answerServices(w);
    w.next();
    answerCharacteristics(w, "1800");
    w.next();
    answerCharacteristics(w, "180F");
    w.next(); // reads 0x0003
    const auto placed = w.placeReadReply("0x4E56");
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->handle, "0003");
    EXPECT_FALSE(w.pendingRead());
    EXPECT_FALSE(w.placeReadReply("0x00")); // nothing pending: goes nowhere
    w.setPendingRead({"01", "0013"});
    EXPECT_TRUE(w.placeReadReply("0x0100"));
    EXPECT_TRUE(w.placeValue("01", "0012", "0x57"));
    const Table t = w.table();
    EXPECT_EQ(t[0].services[0].characteristics[0].value, "0x4E56");
    EXPECT_EQ(t[0].services[1].characteristics[0].value, "0x57");
    EXPECT_EQ(t[0].services[1].characteristics[0].descriptors[0].value, "0x0100");
}

TEST(TableWalk, StopEndsTheWalkAndStartBeginsAgainWithAnEmptyTable) {
    TableWalk w(TableWalk::Reads::Readable);
    w.start({0x01});
    w.next();
    answerServices(w);
    w.stop();
    EXPECT_EQ(text(w.next()), "idle");
    EXPECT_TRUE(w.hasLinks()); // the table keeps what it has
    w.start({0x01});
    EXPECT_FALSE(w.hasLinks());
    EXPECT_EQ(text(w.next()), "30 01");
    // A link that goes away during the walk is not walked.
    w.setLinks({});
    EXPECT_EQ(text(w.next()), "done");
}

TEST(TableWalk, OnlyTheAcknowledgementOfItsOwnCommandMovesTheWalk) {
    using Op = TableWalk::Op;
    TableWalk w(TableWalk::Reads::Readable);
    EXPECT_FALSE(w.acknowledge(Op::DiscoverServices)); // not walking
    w.start({0x01});
    EXPECT_FALSE(w.acknowledge(Op::DiscoverServices)); // nothing sent yet
    w.next();
    w.sent(Op::DiscoverServices);
    // An answer to some other command (a read sent before the walk began) is not the one.
    EXPECT_FALSE(w.acknowledge(Op::ReadCharacteristic));
    EXPECT_TRUE(w.acknowledge(Op::DiscoverServices));
    EXPECT_FALSE(w.acknowledge(Op::DiscoverServices)); // once
    w.sent(Op::ReadDescriptor);
    EXPECT_TRUE(w.acknowledge(Op::ReadCharacteristic)); // both reads are 0x32
    w.sent(Op::DiscoverCharacteristics);
    w.stop();
    EXPECT_FALSE(w.acknowledge(Op::DiscoverCharacteristics));
}

} // namespace
} // namespace nuvex3::gatt
