#pragma once
// A command page (opcode list, four parameter rows, "Send") alone, on the command layer of
// a pseudo-terminal module that answers every command: what "Send" puts on the wire, what
// it refuses with which message, and the module's events decoded and handed to the page.

#include "GapTestSupport.h"

#include "link/EventDecoder.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nuvex3::test {

// `Page` offers setLayer, setLinkTable, enable, opcodeCombo, valueCombo, sendButton,
// receive and flushLists. Links 01 and 02 are open.
template <class Page> class CommandPageTest : public ::testing::Test {
protected:
    RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    WireModule module;
    Page page;

    void SetUp() override {
        page.setLayer(module.layer());
        page.setLinkTable({0x01, 0x02});
        page.enable(true);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    void select(int index) { choose(page.opcodeCombo(), index); }
    QComboBox* row(int r) { return page.valueCombo(r); }
    std::string sendAndRead() {
        QTest::mouseClick(page.sendButton(), Qt::LeftButton);
        return module.nextPacket();
    }
    void expectRefused(const QString& message) {
        prompts.clear();
        QTest::mouseClick(page.sendButton(), Qt::LeftButton);
        EXPECT_THAT(prompts.messages(), ::testing::ElementsAre(message));
        EXPECT_TRUE(module.silent());
    }
    // The module's event, decoded as the command layer decodes it, to the page.
    void event(std::uint8_t opcode, const std::vector<std::uint8_t>& params) {
        const auto packet = framePacket(opcode, params);
        decodePacket(std::span(packet).subspan(1),
                     [&](int kind, const Record& r) { page.receive(kind, r); });
        page.flushLists();
    }
};

} // namespace nuvex3::test
