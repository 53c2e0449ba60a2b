// Pairing as the main window routes it, the module played on a pseudo-terminal (exact
// bytes both ways): the pass key request brings the keypad after its message, the result
// of a pairing shows its message and ends the keypad and the question, the numeric
// comparison question stays open while events go on and closes without a word when the
// pairing ends, a second question replaces the first, and Disconnect and a lost port close
// it without sending.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PageSet.h"
#include "pages/security/CPageDisplayYesNo.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace nuvex3::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The prompts of the harness, with a hook that runs while a message is open (as the real
// message box runs its own event loop).
class HookedPrompts final : public Prompts {
public:
    explicit HookedPrompts(RecordingPrompts& record) : record_(record) { setPrompts(this); }
    ~HookedPrompts() override { setPrompts(&record_); }

    std::function<void(const QString&)> whileOpen;

    void message(const QString& text, PromptIcon icon) override {
        record_.message(text, icon);
        if (auto hook = std::exchange(whileOpen, nullptr))
            hook(text);
    }
    bool askYesNo(const QString& text) override { return record_.askYesNo(text); }
    QString openFile(const QString& f, const QString& d) override { return record_.openFile(f, d); }
    QString saveFile(const QString& f, const QString& d) override { return record_.saveFile(f, d); }
    void openUrl(const QString& url) override { record_.openUrl(url); }

private:
    RecordingPrompts& record_;
};

class PairingRouting : public ::testing::Test {
protected:
    void SetUp() override {
        h.dialog().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
        h.connectTo(QString::fromStdString(pty.slavePath()));
        ASSERT_TRUE(h.dialog().connected());
        sheet()->setCurrentWidget(&pages().gap);
    }

    // Sends an event and waits until the window has routed it (a packet the layer does
    // not decode follows it and is logged after it).
    void event(std::uint8_t code, const Bytes& params) {
        pty.write(framePacket(code, params));
        sync();
    }
    void sync() {
        const Bytes marker = framePacket(0xEE, Bytes{++syncCount});
        pty.write(marker);
        ASSERT_TRUE(h.waitForLine(QString::asprintf("--> 0002EE%02X", syncCount)));
    }
    void confirmRequest(std::uint8_t handle, const std::string& code) {
        Bytes p{handle};
        p.insert(p.end(), code.begin(), code.end());
        event(0x62, p);
    }
    // What the tool wrote, as it arrives within a short quiet time.
    Bytes written() { return pty.drain(std::chrono::milliseconds(100)); }

    PageSet& pages() { return h.dialog().pages(); }
    QTabWidget* sheet() { return h.ui().sheet; }
    CPassKeyPage& keypad() { return pages().passKey; }
    // The questions the window shows.
    std::vector<CPageDisplayYesNo*> openQuestions() {
        std::vector<CPageDisplayYesNo*> open;
        for (auto* q : h.dialog().findChildren<CPageDisplayYesNo*>())
            if (q->isVisible())
                open.push_back(q);
        return open;
    }

    PtyPair pty;
    MainWindowHarness h;
    std::uint8_t syncCount = 0;
};

TEST_F(PairingRouting, APassKeyRequestShowsItsMessageThenBringsTheKeypad) {
    HookedPrompts hooked(h.prompts());
    bool frontWhileOpen = true;
    bool enabledWhileOpen = true;
    hooked.whileOpen = [&](const QString&) {
        frontWhileOpen = sheet()->currentWidget() == &keypad();
        enabledWhileOpen = keypad().keypadEnabled();
    };
    event(0x60, {0x0A});
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Please input the Pass Key of Connection Handle(0x0A)"}));
    EXPECT_EQ(h.prompts().icons(), QList<PromptIcon>({PromptIcon::Information}));
    EXPECT_FALSE(frontWhileOpen);
    EXPECT_FALSE(enabledWhileOpen);
    EXPECT_EQ(sheet()->currentWidget(), &keypad());
    EXPECT_TRUE(keypad().keypadEnabled());
    EXPECT_EQ(keypad().handleEdit()->text(), "0A");
    EXPECT_EQ(pages().smp.valueCombo(0)->currentText(), "0A");
    EXPECT_EQ(pages().smp.opcodeCombo()->currentText(), "0x42: Pairing Request");

    EXPECT_EQ(QApplication::focusWidget(), &keypad()); // digits may be typed at once

    // The keys typed now go to the module at once, for that handle.
    QTest::mouseClick(keypad().digitButton(1), Qt::LeftButton);
    EXPECT_EQ(pty.read(8), Bytes({0xAA, 0x00, 0x04, 0x40, 0x0A, 0x01, 0x31, 0x80}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2); // the clicked button
    EXPECT_EQ(pty.read(8), framePacket(0x40, Bytes{0x0A, 0x01, 0x32}));
    EXPECT_EQ(keypad().display()->text(), "12");
}

TEST_F(PairingRouting, EveryResultEndsTheKeypadAndShowsItsMessage) {
    const QList<std::pair<std::uint8_t, QString>> results = {
        {0x00, "Pairing Complete with Connection Handle(0x0A)"},
        {0x01, "Pairing Fail"},
        {0x02, "Pairing Timeout"},
        {0x03, ""}, // no message, but the keypad ends all the same
    };
    for (const auto& [result, text] : results) {
        h.prompts().clear();
        event(0x60, {0x0A});
        QTest::mouseClick(keypad().digitButton(7), Qt::LeftButton);
        ASSERT_EQ(keypad().display()->text(), "7");
        event(0x61, {0x0A, result});
        EXPECT_FALSE(keypad().keypadEnabled()) << int(result);
        EXPECT_EQ(keypad().display()->text(), "") << int(result);
        const QStringList expected = {"Please input the Pass Key of Connection Handle(0x0A)"};
        EXPECT_EQ(h.prompts().messages(), text.isEmpty() ? expected : expected + QStringList{text});
    }
    // Success is news, failure a warning.
    h.prompts().clear();
    event(0x61, {0x0A, 0x00});
    event(0x61, {0x0A, 0x01});
    event(0x61, {0x0A, 0x02});
    EXPECT_EQ(h.prompts().icons(),
              QList<PromptIcon>(
                  {PromptIcon::Information, PromptIcon::Exclamation, PromptIcon::Exclamation}));
}

TEST_F(PairingRouting, APairingThatEndsWhileTheRequestMessageIsOpenLeavesTheKeypadOff) {
    HookedPrompts hooked(h.prompts());
    hooked.whileOpen = [&](const QString&) {
        // The module gives up before the user dismissed the message.
        pty.write(framePacket(0x61, Bytes{0x0A, 0x02}));
        ASSERT_TRUE(waitFor([&] { return h.prompts().messages().contains("Pairing Timeout"); }));
    };
    event(0x60, {0x0A});
    EXPECT_EQ(
        h.prompts().messages(),
        QStringList({"Please input the Pass Key of Connection Handle(0x0A)", "Pairing Timeout"}));
    EXPECT_FALSE(keypad().keypadEnabled());
    EXPECT_EQ(sheet()->currentWidget(), &pages().gap);

    // The next request is served as usual.
    event(0x60, {0x0A});
    EXPECT_TRUE(keypad().keypadEnabled());
}

TEST_F(PairingRouting, APortLostWhileTheRequestMessageIsOpenLeavesTheKeypadOff) {
    HookedPrompts hooked(h.prompts());
    hooked.whileOpen = [&](const QString&) {
        pty.closeMaster();
        ASSERT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    };
    pty.write(framePacket(0x60, Bytes{0x0A}));
    ASSERT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    ASSERT_TRUE(waitFor([&] { return h.prompts().messages().size() == 2; }));
    EXPECT_TRUE(h.prompts().messages().contains("Error in Communications!"));
    EXPECT_FALSE(keypad().keypadEnabled());
}

TEST_F(PairingRouting, TheQuestionStaysOpenWhileEventsGoOnAndYesAnswersOnce) {
    confirmRequest(0x0A, "602491");
    auto open = openQuestions();
    ASSERT_EQ(open.size(), 1u);
    CPageDisplayYesNo* q = open.front();
    EXPECT_EQ(q->parentWidget(), &h.dialog());
    EXPECT_EQ(q->windowModality(), Qt::WindowModal);
    EXPECT_EQ(q->handleEdit()->text(), "0a");
    EXPECT_EQ(q->codeEdit()->text(), "602491");
    EXPECT_TRUE(h.prompts().messages().isEmpty());

    // Routing goes on while the question is open.
    event(0x81, {0x0C});
    EXPECT_EQ(h.ui().status[0]->currentText(), "0x0c: BLE Connected Mode");
    EXPECT_TRUE(q->isVisible());

    QTest::mouseClick(q->yesButton(), Qt::LeftButton);
    EXPECT_EQ(pty.read(7), Bytes({0xAA, 0x00, 0x03, 0x41, 0x0A, 0x00, 0xB2}));
    EXPECT_TRUE(openQuestions().empty());
    pty.write(framePacket(0x80, Bytes{0x41, 0x00}));
    event(0x61, {0x0A, 0x00});
    EXPECT_TRUE(written().empty());
    EXPECT_EQ(h.prompts().messages(),
              QStringList({"Pairing Complete with Connection Handle(0x0A)"}));
}

TEST_F(PairingRouting, ASecondQuestionReplacesTheFirstAndPairingCompleteEndsItSilently) {
    confirmRequest(0x01, "111111");
    confirmRequest(0x02, "222222");
    auto open = openQuestions();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open.front()->handleEdit()->text(), "02");
    EXPECT_EQ(open.front()->codeEdit()->text(), "222222");
    EXPECT_TRUE(written().empty());

    // A result without a message still ends the question, and nothing is answered.
    event(0x61, {0x02, 0x03});
    EXPECT_TRUE(openQuestions().empty());
    EXPECT_TRUE(written().empty());
    EXPECT_TRUE(h.prompts().messages().isEmpty());

    // A module that floods requests leaves one question, not a pile of them.
    Bytes flood;
    for (int i = 0; i < 200; ++i) {
        const Bytes one = framePacket(0x62, Bytes{0x03, '0', '0', '0', '0', '0', '0'});
        flood.insert(flood.end(), one.begin(), one.end());
    }
    pty.write(flood);
    sync();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h.dialog().findChildren<CPageDisplayYesNo*>().size(), 1);
    event(0x61, {0x03, 0x01});
    ASSERT_TRUE(openQuestions().empty());
    EXPECT_TRUE(written().empty());

    // "No" on the next one answers 01.
    confirmRequest(0x01, "333333");
    ASSERT_EQ(openQuestions().size(), 1u);
    QTest::mouseClick(openQuestions().front()->noButton(), Qt::LeftButton);
    EXPECT_EQ(pty.read(7), Bytes({0xAA, 0x00, 0x03, 0x41, 0x01, 0x01, 0xBA}));
}

TEST_F(PairingRouting, DisconnectClosesTheQuestionWithoutSending) {
    confirmRequest(0x0A, "602491");
    ASSERT_EQ(openQuestions().size(), 1u);
    QPointer<CPageDisplayYesNo> q = openQuestions().front();
    h.dialog().connectOrDisconnect();
    EXPECT_FALSE(h.dialog().connected());
    EXPECT_TRUE(openQuestions().empty());
    if (q)
        q->answerYes(); // a click already on its way goes nowhere
    EXPECT_TRUE(written().empty());
    EXPECT_TRUE(h.prompts().messages().isEmpty());
}

TEST_F(PairingRouting, ALostPortClosesTheQuestionWithoutSending) {
    confirmRequest(0x0A, "602491");
    ASSERT_EQ(openQuestions().size(), 1u);
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !h.dialog().connected(); }));
    EXPECT_TRUE(openQuestions().empty());
    EXPECT_TRUE(waitFor([&] { return !h.prompts().messages().isEmpty(); }));
    EXPECT_EQ(h.prompts().messages(), QStringList({"Error in Communications!"}));
}

TEST_F(PairingRouting, ANewLinkRefreshesTheSmpHandleList) {
    auto connection = [&](std::uint8_t handle) {
        event(0x71, {0x00, handle, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x00, 0x28, 0x00,
                     0x00, 0x01, 0xF4});
    };
    QComboBox* handles = pages().smp.valueCombo(0);
    EXPECT_EQ(handles->currentText(), "00");
    connection(0x05);
    connection(0x06);
    ASSERT_EQ(handles->count(), 2);
    EXPECT_EQ(handles->itemText(0), "05");
    EXPECT_EQ(handles->itemText(1), "06");
    EXPECT_EQ(handles->currentText(), "05");
}

} // namespace
} // namespace nuvex3::test
