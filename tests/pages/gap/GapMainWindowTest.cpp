// The GAP page inside the main window, as a user meets it: "Simulated module", "Connect",
// scan on the GAP tab, a click on a report row, "Send", the link information, disconnect.

#include "GapTestSupport.h"

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/PageSet.h"
#include "pages/gap/AdvReportModel.h"
#include "pages/gap/CPageAdvEditor.h"
#include "pages/gap/CPageGAP.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

constexpr int kBoundMs = 5000;

TEST(GapInMainWindow, ScanClickConnectAndDisconnectThroughTheSimulatedModule) {
    test::RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    QTemporaryDir dir;
    DialogOptions options;
    options.startDirectory = dir.path();
    options.portSource = [] { return QStringList(); };
    CKelvra_V1_4_TEST_TOOLDlg dialog(options);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    CPageGAP& gap = dialog.pages().gap;
    CPageAdvEditor& editor = dialog.pages().advEditor;
    EXPECT_FALSE(gap.sendButton()->isEnabled());

    const auto& ui = dialog.controls();
    ui.port->setCurrentIndex(ui.port->findText("Simulated module"));
    QTest::mouseClick(ui.connect, Qt::LeftButton);
    ASSERT_TRUE(dialog.connected());
    EXPECT_TRUE(gap.sendButton()->isEnabled());
    EXPECT_TRUE(editor.advertising().update->isEnabled());

    auto waitFor = [&](const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                gap.flushReports();
                return done();
            },
            kBoundMs);
    };
    auto rowOf = [&](const QString& address) {
        for (int r = 0; r < gap.reportModel()->rowCount(); ++r)
            if (gap.reportModel()->cellText(r, AdvReportModel::Addr) == address)
                return r;
        return -1;
    };

    test::choose(gap.opcodeCombo(), 5);
    test::choose(gap.valueCombo(0), 1);
    QTest::mouseClick(gap.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return rowOf("0x0A0B0C0D0E0F") >= 0; }));
    const int row = rowOf("0x0A0B0C0D0E0F");
    EXPECT_EQ(gap.reportModel()->cellText(row, AdvReportModel::Name), "NVX-HRM");
    EXPECT_EQ(gap.reportModel()->cellText(row, AdvReportModel::EventType), "ADV_IND");
    // The "ADV / SR Data" tab shows what the reports carried as soon as it is chosen.
    EXPECT_FALSE(editor.isVisible());
    ui.sheet->setCurrentWidget(&editor);
    EXPECT_TRUE(editor.advertising().name->isChecked());
    ui.sheet->setCurrentWidget(&gap);

    test::choose(gap.opcodeCombo(), 5); // scanning off
    QTest::mouseClick(gap.sendButton(), Qt::LeftButton);

    QTableView* view = gap.reportView();
    view->scrollTo(gap.reportModel()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(gap.reportModel()->index(row, 1)).center());
    EXPECT_EQ(gap.valueCombo(2)->currentText(), "0A0B0C0D0E0F");
    QTest::mouseClick(gap.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return dialog.linkTable().size() == 1; }));
    EXPECT_EQ(gap.linkTable(), dialog.linkTable());
    gap.flushLinkInfo(); // the page's next refresh (a few times a second)
    EXPECT_EQ(gap.addressEdit()->text(), "0A0B0C0D0E0F");
    EXPECT_EQ(gap.roleEdit()->text(), "Master");

    test::choose(gap.opcodeCombo(), 9);
    EXPECT_EQ(gap.valueCombo(0)->currentText(), QString::asprintf("%02X", dialog.linkTable()[0]));
    QTest::mouseClick(gap.sendButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return dialog.linkTable().empty(); }));
    EXPECT_TRUE(gap.linkRecords().empty());
    EXPECT_EQ(gap.addressEdit()->text(), "");
    EXPECT_EQ(gap.intervalEdit()->text(), "");
    ASSERT_FALSE(prompts.messages().isEmpty());
    EXPECT_TRUE(prompts.messages().last().startsWith("Terminate Connection Handle: 0x"));

    QTest::mouseClick(ui.connect, Qt::LeftButton); // "Disconnect"
    EXPECT_FALSE(dialog.connected());
    EXPECT_FALSE(gap.sendButton()->isEnabled());
}

} // namespace
} // namespace nuvex3
