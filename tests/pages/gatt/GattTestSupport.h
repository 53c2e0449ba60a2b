#pragma once
// The GATT pages inside the real main window, against the virtual module on a
// pseudo-terminal: the test clock drives the module's timers, links are made with LE
// Create Connection as the GAP page would, and the packet log tells what went on the wire.

#include "AppTestSupport.h"

#include "app/PageSet.h"
#include "link/Clock.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace nuvex3::test {

// Addresses of the default scenario's peers.
inline constexpr std::array<std::uint8_t, 6> kHeartRateSensor{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
inline constexpr std::array<std::uint8_t, 6> kThermometer{0x66, 0x55, 0x44, 0x33, 0x22, 0x11};

class GattWindow {
public:
    explicit GattWindow(sim::Scenario scenario = sim::defaultScenario());
    ~GattWindow();

    MainWindowHarness& harness() { return h_; }
    CKelvra_V1_4_TEST_TOOLDlg& dialog() { return h_.dialog(); }
    PageSet& pages() { return h_.dialog().pages(); }
    RecordingPrompts& prompts() { return h_.prompts(); }
    ManualClock& clock() { return clock_; }
    sim::PtySimulator& simulator() { return *sim_; }

    // Connects the peer at this address; false when the link did not come up.
    bool connectPeer(const std::array<std::uint8_t, 6>& address);
    // Presses "Get Remote GATT Table" and waits until the walk is over and the tree is
    // built; false when it did not end.
    bool walk();
    // Presses "Get Local GATT Table" and waits until the walk is over and the tree is built.
    bool walkLocal();
    // Waits until the module has answered everything sent so far (nothing awaits an
    // answer, nothing is queued) and the window has handled it.
    bool settle();

    // The packet log lines sent ("<-- ...") since the last call.
    QStringList sentSince();
    // Every line of the session log file so far.
    QStringList logFileLines();

private:
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    std::unique_ptr<sim::PtySimulator> sim_;
    MainWindowHarness h_;
    int sentSeen_ = 0;
};

// The whole contents of a file, empty when it cannot be read.
QByteArray fileContents(const QString& path);

// A table page (remote or local) in the main window against the virtual module: its tree
// items found by attribute handle and clicked as a user does.
template <class Page, Page PageSet::*member> class TablePageTest : public ::testing::Test {
protected:
    std::unique_ptr<GattWindow> w;

    void start(sim::Scenario scenario = sim::defaultScenario()) {
        w = std::make_unique<GattWindow>(std::move(scenario));
        w->dialog().show();
    }
    Page& page() { return w->pages().*member; }
    GattTablePanel& panel() { return *page().panel(); }
    GattTreeModel& model() { return *panel().model(); }

    // The tree item of an attribute handle (value, descriptor or service start), found by
    // its record.
    QModelIndex itemOf(const QString& handle, const QModelIndex& parent = {}) {
        for (int r = 0; r < model().rowCount(parent); ++r) {
            const QModelIndex i = model().index(r, 0, parent);
            const auto* item = model().item(i);
            if (item->record.handle == handle && item->record.kind != gatt::ItemKind::Declaration)
                return i;
            if (const QModelIndex found = itemOf(handle, i); found.isValid())
                return found;
        }
        return {};
    }
    void click(const QModelIndex& index, Qt::MouseButton button = Qt::LeftButton) {
        QTreeView* tree = panel().tree();
        tree->scrollTo(index);
        QTest::mouseClick(tree->viewport(), button, {}, tree->visualRect(index).center());
    }
    void clickItem(const QString& handle) {
        const QModelIndex i = itemOf(handle);
        ASSERT_TRUE(i.isValid()) << handle.toStdString();
        click(i);
    }
    QString label(const QString& handle) { return model().data(itemOf(handle)).toString(); }
};

} // namespace nuvex3::test
