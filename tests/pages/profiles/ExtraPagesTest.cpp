// The pages the main window builds but keeps out of the sheet at first (LESC, Air Patch,
// Corvane, the three mesh pages): shown by "View" > "Extra Pages" and remembered; the
// Corvane page's markers lit by the touch panel's event through the window's routing;
// the mesh pages' rows.

#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "pages/mesh/CPageMeshEvent.h"
#include "pages/mesh/CPageMeshReceive.h"
#include "pages/mesh/CPageMeshTransmit.h"
#include "pages/profiles/CPageDemoCorvane.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

QStringList tabs(QTabWidget* sheet) {
    QStringList captions;
    for (int i = 0; i < sheet->count(); ++i)
        captions << sheet->tabText(i);
    return captions;
}

TEST(ExtraPages, TheViewMenuShowsThemAndTheChoiceIsRemembered) {
    const QStringList extras = {"LESC",           "Air Patch", "Corvane", "MESH - Transmit",
                                "MESH - Receive", "MESH"};
    QStringList withoutExtras;
    {
        MainWindowHarness h;
        QAction* action = h.ui().extraPages;
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), "&Extra Pages (LESC, Air Patch, Corvane, MESH)");
        EXPECT_FALSE(action->isChecked()) << "off by default";
        EXPECT_EQ(h.ui().viewButton->text(), "&View");
        EXPECT_EQ(h.ui().sheet->cornerWidget(Qt::TopRightCorner), h.ui().viewButton);
        ASSERT_NE(h.ui().viewButton->menu(), nullptr);
        EXPECT_EQ(h.ui().viewButton->menu()->actions(), QList<QAction*>({action}));
        withoutExtras = tabs(h.ui().sheet);
        for (const QString& e : extras)
            EXPECT_FALSE(withoutExtras.contains(e)) << e.toStdString();
        action->trigger();
        EXPECT_EQ(tabs(h.ui().sheet), withoutExtras + extras);
    }
    {
        MainWindowHarness h;
        EXPECT_TRUE(h.ui().extraPages->isChecked()) << "remembered from the last run";
        EXPECT_EQ(tabs(h.ui().sheet), withoutExtras + extras);
        h.ui().extraPages->trigger();
        EXPECT_EQ(tabs(h.ui().sheet), withoutExtras);
    }
    MainWindowHarness h;
    EXPECT_FALSE(h.ui().extraPages->isChecked());
}

class CorvanePage : public ::testing::Test, public ModuleOnPty {
protected:
    void SetUp() override {
        h.dialog().showExtraPages(true);
        show(&page);
    }
    std::array<bool, 8> shown() const {
        std::array<bool, 8> lit{};
        for (int i = 0; i < 8; ++i)
            lit[static_cast<std::size_t>(i)] = page.marker(i)->accessibleDescription() == "lit";
        return lit;
    }
    CPageDemoCorvane& page = h.dialog().pages().demoCorvane;
};

TEST_F(CorvanePage, ATouchLightsTheMarkersAndShowsTheRssi) {
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(page.channelLabel(i)->text(), QStringLiteral("CS%1").arg(i + 1));
    EXPECT_FALSE(page.rssiEdit()->isEnabled());

    event(0xF0, {0x04, 0xC0, 0xC4});
    EXPECT_EQ(page.rssiEdit()->text(), "-60");
    EXPECT_EQ(shown(), (std::array<bool, 8>{true, true, false, true, true, false, false, false}));
    EXPECT_FALSE(page.clearTimer()->isActive()) << "only type 0 clears later";

    event(0xF0, {0x00, 0xC0, 0xB0});
    EXPECT_EQ(page.rssiEdit()->text(), "-80");
    EXPECT_EQ(shown(), (std::array<bool, 8>{true, true, true, true, true, false, false, false}));
    ASSERT_TRUE(page.clearTimer()->isActive());
    EXPECT_TRUE(page.clearTimer()->isSingleShot());
    EXPECT_EQ(page.clearTimer()->interval(), 3000);
    page.clearTimerExpired();
    EXPECT_EQ(shown(), (std::array<bool, 8>{}));

    // Another event before the three seconds pass stops the clearing.
    event(0xF0, {0x00, 0xC0, 0xB0});
    event(0xF0, {0x10, 0xC0, 0xB0});
    EXPECT_FALSE(page.clearTimer()->isActive());
    EXPECT_EQ(shown(), (std::array<bool, 8>{true, true, true, true, false, false, false, false}));

    event(0xF0, {0x02, 0x55, 0xB0});
    EXPECT_EQ(shown(), (std::array<bool, 8>{true, true, true, true, false, false, false, false}))
        << "other codes change nothing";
}

TEST_F(CorvanePage, CodeE0LightsAllFiveOnlyWithTypeOne) {
    event(0xF0, {0x02, 0xE0, 0xC4});
    EXPECT_EQ(shown(), (std::array<bool, 8>{}));
    event(0xF0, {0x01, 0xE0, 0xC4});
    EXPECT_EQ(shown(), (std::array<bool, 8>{true, true, true, true, true, false, false, false}));
}

TEST(MeshPages, RowsInOrderAndClearEmptiesTheValues) {
    CPageMeshEvent event;
    CPageMeshReceive receive;
    CPageMeshTransmit transmit;
    EXPECT_EQ(event.caption(), "MESH");
    EXPECT_EQ(receive.caption(), "MESH - Receive");
    EXPECT_EQ(transmit.caption(), "MESH - Transmit");
    ASSERT_EQ(event.model()->rowCount(), 27);
    EXPECT_EQ(event.model()->item(0, 0)->text(), "ProvisioningCapabilities");
    EXPECT_EQ(event.model()->item(16, 0)->text(), "SessionKonce");
    EXPECT_EQ(event.model()->item(26, 0)->text(), "TransmitEvent");
    ASSERT_EQ(receive.model()->rowCount(), 40);
    EXPECT_EQ(receive.model()->item(9, 0)->text(), "App CMIC");
    EXPECT_EQ(receive.model()->item(39, 0)->text(), "Packet");
    EXPECT_EQ(transmit.rowNames(), receive.rowNames());
    EXPECT_EQ(event.model()->headerData(0, Qt::Horizontal).toString(), "Event Opcode");
    EXPECT_EQ(event.model()->headerData(1, Qt::Horizontal).toString(), "Value");
    EXPECT_EQ(event.view()->columnWidth(0), 110);

    receive.model()->item(3, 1)->setText("0011");
    receive.clearButton()->click();
    ASSERT_EQ(receive.model()->rowCount(), 40);
    EXPECT_EQ(receive.model()->item(3, 1)->text(), "");
    EXPECT_EQ(receive.model()->item(3, 0)->text(), "PrivacyKey");
}

} // namespace
} // namespace nuvex3::test
