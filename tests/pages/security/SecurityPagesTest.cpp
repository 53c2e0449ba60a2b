// The security pages driven through their widgets, each on a real command layer whose
// other side is read byte by byte: the Pairing Request of the SMP page, every keypress of
// the pass key page with its refusals, the two answers of the numeric comparison question
// and the ending that sends nothing, and the table of the LESC page.

#include "GapTestSupport.h"

#include "pages/security/CPageDisplayYesNo.h"
#include "pages/security/CPageLESC.h"
#include "pages/security/CPageSMP.h"
#include "pages/security/CPassKeyPage.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::packetText;

class SecurityPages : public ::testing::Test {
protected:
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    test::WireModule wire;
};

// ---- SMP page ---------------------------------------------------------------------------

class SmpPage : public SecurityPages {
protected:
    void SetUp() override {
        page.setLayer(wire.layer());
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    void send() { QTest::mouseClick(page.sendButton(), Qt::LeftButton); }

    CPageSMP page;
};

TEST_F(SmpPage, OneOpcodeTheHandleRowAndNothingElse) {
    ASSERT_EQ(page.opcodeCombo()->count(), 1);
    EXPECT_EQ(page.opcodeCombo()->itemText(0), "0x42: Pairing Request");
    EXPECT_FALSE(page.sendButton()->isEnabled());
    EXPECT_EQ(page.captionLabel(0)->text(), "Connection Handle:");
    EXPECT_EQ(page.unitLabel(0)->text(), "(Unit: 1 Octet)");
    EXPECT_EQ(page.captionLabel(0)->buddy(), page.valueCombo(0));
    EXPECT_EQ(page.valueCombo(0)->currentText(), "00"); // no link yet
    EXPECT_TRUE(page.valueCombo(0)->isEnabled());
    EXPECT_EQ(page.captionLabel(1)->text(), "Parameter 2:");
    EXPECT_EQ(page.unitLabel(1)->text(), "Unit:");
    EXPECT_FALSE(page.valueCombo(1)->isEnabled());
    EXPECT_EQ(page.valueCombo(1)->lineEdit()->maxLength(), 6);
    for (int row : {2, 3}) {
        EXPECT_FALSE(page.captionLabel(row)->isVisible());
        EXPECT_FALSE(page.prefixLabel(row)->isVisible());
        EXPECT_FALSE(page.valueCombo(row)->isVisible());
        EXPECT_FALSE(page.unitLabel(row)->isVisible());
    }
    // Choosing the opcode again (it relabels) keeps rows 3 and 4 out of sight.
    test::choose(page.opcodeCombo(), 0);
    EXPECT_FALSE(page.prefixLabel(2)->isVisible());
    EXPECT_TRUE(page.prefixLabel(0)->isVisible());
}

TEST_F(SmpPage, SendsPairingRequestForTheTypedHandleAndRefusesOneDigit) {
    page.enable(true);
    send(); // no link: handle 00
    EXPECT_EQ(wire.nextPacket(), "AA 00 02 42 00 BC");

    test::typeInto(page.valueCombo(0), "5");
    send();
    EXPECT_EQ(prompts.messages(), QStringList({"Please input 1 byte for Connction Handle"}));
    EXPECT_TRUE(wire.silent());

    test::typeInto(page.valueCombo(0), "05");
    send();
    EXPECT_EQ(wire.nextPacket(), packetText(0x42, {0x05}));
    // Two characters at most.
    test::typeInto(page.valueCombo(0), "123");
    EXPECT_EQ(page.valueCombo(0)->currentText(), "12");
    EXPECT_EQ(prompts.messages().size(), 1);
}

TEST_F(SmpPage, HandleListFollowsNewLinksAndThePassKeyPrefill) {
    page.enable(true);
    page.setLinkTable({0x03, 0x07});
    page.refreshHandleRows();
    ASSERT_EQ(page.valueCombo(0)->count(), 2);
    EXPECT_EQ(page.valueCombo(0)->itemText(0), "03");
    EXPECT_EQ(page.valueCombo(0)->itemText(1), "07");
    EXPECT_EQ(page.valueCombo(0)->currentText(), "03");

    page.prefillForPassKey(0x0A);
    EXPECT_EQ(page.valueCombo(0)->currentText(), "0A");
    EXPECT_EQ(page.valueCombo(0)->count(), 2); // the open links are still offered
    send();
    EXPECT_EQ(wire.nextPacket(), packetText(0x42, {0x0A}));
}

TEST_F(SmpPage, AWriteTheLayerRefusesShowsWriteCommandFail) {
    page.enable(true);
    page.setLayer(nullptr);
    send();
    EXPECT_EQ(prompts.messages(), QStringList({"Write command fail!"}));
}

// ---- Pass key page ----------------------------------------------------------------------

class PassKeyPage : public SecurityPages {
protected:
    void SetUp() override {
        page.setLayer(wire.layer());
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.enable(true);
        page.setHandleText("0A");
    }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void digit(int d) { click(page.digitButton(d)); }
    QString shown() const { return page.display()->text(); }

    CPassKeyPage page;
};

TEST_F(PassKeyPage, EveryPressSendsItsNotificationAtOnce) {
    digit(1);
    EXPECT_EQ(wire.nextPacket(), "AA 00 04 40 0A 01 31 80");
    digit(9);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x39}));
    EXPECT_EQ(shown(), "19");
    click(page.backspaceButton());
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x02}));
    EXPECT_EQ(shown(), "1");
    click(page.clearButton());
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x03}));
    EXPECT_EQ(shown(), "");
    // Enter does not count the digits.
    digit(0);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x30}));
    click(page.enterButton());
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x04}));
    EXPECT_EQ(shown(), "0");
}

TEST_F(PassKeyPage, ASeventhDigitAndBackspaceOnNothingAreRefusedClearIsNot) {
    for (int d : {6, 0, 2, 4, 9, 1}) {
        digit(d);
        EXPECT_EQ(wire.nextPacket(),
                  packetText(0x40, {0x0A, 0x01, static_cast<std::uint8_t>('0' + d)}));
    }
    EXPECT_EQ(shown(), "602491");
    digit(7);
    EXPECT_TRUE(wire.silent());
    EXPECT_EQ(shown(), "602491");

    click(page.clearButton());
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x03}));
    click(page.backspaceButton());
    EXPECT_TRUE(wire.silent());
    click(page.clearButton()); // an empty display is cleared again, and said so
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x03}));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(PassKeyPage, TheHandleIsTheFieldReadAsHexAnEmptyFieldIsHandle0) {
    page.setHandleText("");
    digit(5);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x00, 0x01, 0x35}));
    // Typed by the user: hexadecimal digits, two at most.
    page.handleEdit()->clear();
    QTest::keyClicks(page.handleEdit(), "1c");
    EXPECT_EQ(page.handleEdit()->text(), "1c");
    click(page.enterButton());
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x1C, 0x04}));
    QTest::keyClicks(page.handleEdit(), "7");
    EXPECT_EQ(page.handleEdit()->text(), "1c");
}

TEST_F(PassKeyPage, KeysTypedOnThePageActAsTheButtons) {
    page.setFocus();
    QTest::keyClicks(&page, "42");
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x34}));
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x32}));
    QTest::keyClick(&page, Qt::Key_Backspace);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x02}));
    QTest::keyClick(&page, Qt::Key_Delete);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x03}));
    // Enter on a focused digit button is the keypad's Enter, not another digit.
    page.digitButton(8)->setFocus();
    QTest::keyClick(page.digitButton(8), Qt::Key_Return);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x04}));
    // Digits typed into the handle field stay there.
    page.handleEdit()->setFocus();
    page.handleEdit()->clear();
    QTest::keyClicks(page.handleEdit(), "03");
    EXPECT_EQ(page.handleEdit()->text(), "03");
    EXPECT_TRUE(wire.silent());
    EXPECT_EQ(shown(), "");
}

TEST_F(PassKeyPage, ADisabledKeypadSendsNothingAndEnablingEmptiesTheDisplay) {
    digit(3);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x33}));
    page.enable(false);
    EXPECT_EQ(shown(), "");
    EXPECT_FALSE(page.keypadEnabled());
    for (int d = 0; d <= 9; ++d)
        EXPECT_FALSE(page.digitButton(d)->isEnabled());
    EXPECT_FALSE(page.backspaceButton()->isEnabled());
    EXPECT_FALSE(page.clearButton()->isEnabled());
    EXPECT_FALSE(page.enterButton()->isEnabled());
    EXPECT_TRUE(page.handleEdit()->isEnabled());
    digit(3);
    page.setFocus();
    QTest::keyClicks(&page, "3");
    EXPECT_TRUE(wire.silent());

    page.enable(true);
    digit(4);
    EXPECT_EQ(wire.nextPacket(), packetText(0x40, {0x0A, 0x01, 0x34}));
    page.enable(true);
    EXPECT_EQ(shown(), "");
}

// ---- Numeric comparison -------------------------------------------------------------------

class YesNoQuestion : public SecurityPages {
protected:
    void show(CPageDisplayYesNo& q) {
        q.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&q));
    }
};

TEST_F(YesNoQuestion, ShowsHandleInLowerCaseYesSendsZeroNoAndEscSendOne) {
    {
        CPageDisplayYesNo q(wire.layer(), 0x0A, "602491");
        EXPECT_EQ(q.windowTitle(), "DisPlay YesNo");
        EXPECT_EQ(q.handleEdit()->text(), "0a");
        EXPECT_EQ(q.codeEdit()->text(), "602491");
        EXPECT_TRUE(q.codeEdit()->isReadOnly());
        EXPECT_FALSE(q.windowFlags() & Qt::WindowCloseButtonHint);
        show(q);
        QTest::mouseClick(q.yesButton(), Qt::LeftButton);
        EXPECT_EQ(wire.nextPacket(), "AA 00 03 41 0A 00 B2");
        EXPECT_FALSE(q.isVisible());
        EXPECT_EQ(q.result(), QDialog::Accepted);
    }
    {
        CPageDisplayYesNo q(wire.layer(), 0x01, "602491");
        show(q);
        QTest::mouseClick(q.noButton(), Qt::LeftButton);
        EXPECT_EQ(wire.nextPacket(), "AA 00 03 41 01 01 BA");
        EXPECT_EQ(q.result(), QDialog::Rejected);
    }
    {
        CPageDisplayYesNo q(wire.layer(), 0x02, "000000");
        show(q);
        QTest::keyClick(&q, Qt::Key_Escape);
        EXPECT_EQ(wire.nextPacket(), packetText(0x41, {0x02, 0x01}));
        EXPECT_FALSE(q.isVisible());
    }
    {
        CPageDisplayYesNo q(wire.layer(), 0x03, "123456");
        show(q);
        QTest::keyClick(&q, Qt::Key_Return); // "Yes" is the default button
        EXPECT_EQ(wire.nextPacket(), packetText(0x41, {0x03, 0x00}));
    }
}

TEST_F(YesNoQuestion, EndingItSendsNothingAndLeavesNoAnswerBehind) {
    CPageDisplayYesNo q(wire.layer(), 0x0A, "602491");
    show(q);
    q.end();
    EXPECT_FALSE(q.isVisible());
    // A click that was already on its way answers nothing any more.
    q.answerYes();
    q.answerNo();
    EXPECT_TRUE(wire.silent());
}

// ---- LESC page ----------------------------------------------------------------------------

TEST(LescPage, TwentyEightLabelsWithEmptyValuesAndClearPutsThemBack) {
    CPageLESC page;
    EXPECT_EQ(page.caption(), "LESC");
    QStandardItemModel* m = page.model();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Event Opcode");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), "Value");
    EXPECT_EQ(page.view()->columnWidth(0), 100);
    EXPECT_EQ(page.view()->columnWidth(1), 800);
    EXPECT_EQ(page.view()->editTriggers(), QAbstractItemView::NoEditTriggers);

    auto expectTable = [&] {
        ASSERT_EQ(m->rowCount(), 28);
        EXPECT_EQ(m->item(0, 0)->text(), "f4-PKax");
        EXPECT_EQ(m->item(8, 0)->text(), "f5-DHKey");
        EXPECT_EQ(m->item(11, 0)->text(), "f6-MACKey");
        EXPECT_EQ(m->item(20, 0)->text(), "F6-Ea");
        EXPECT_EQ(m->item(21, 0)->text(), "F6-Eb");
        EXPECT_EQ(m->item(26, 0)->text(), "g2-Output");
        EXPECT_EQ(m->item(27, 0)->text(), "h6-BRLTK");
        for (int r = 0; r < m->rowCount(); ++r)
            EXPECT_EQ(m->item(r, 1)->text(), "") << r;
    };
    expectTable();
    m->item(3, 1)->setText("stale");
    m->appendRow(new QStandardItem("extra"));
    QTest::mouseClick(page.clearButton(), Qt::LeftButton);
    expectTable();
}

} // namespace
} // namespace nuvex3
