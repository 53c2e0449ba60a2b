// How long the user waits for an attribute table: from "Get Remote GATT Table" (or "Get
// Local GATT Table") to the tree shown, in the real main window (routing, packet log view
// and log file, the GATT pages) against the simulator's heart rate sensor (or the
// simulated module's own table) on a pseudo-terminal at the line rate. The baseline,
// measured in the same run on a second simulator at the same rate: the same commands (24
// remote, 48 local) sent by the command layer alone, each after the Command Complete of
// the one before (no window). walk_per_baseline = walk time / baseline time.
//
//   build/bench/gatt_walk                (offscreen: QT_QPA_PLATFORM=offscreen)

#include "app/CKelvra_V1_4_TEST_TOOLDlg.h"
#include "app/PageSet.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gatt/GattTablePanel.h"
#include "sim/GattDatabase.h"
#include "sim/PtySimulator.h"
#include "sim/Scenario.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>

using namespace nuvex3;

namespace {

constexpr std::array<std::uint8_t, 6> kSensor{0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

// Messages would stop the run; none are expected.
class QuietPrompts final : public Prompts {
public:
    void message(const QString& text, PromptIcon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&) override { return false; }
    QString openFile(const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}
};

std::unique_ptr<sim::PtySimulator> startSimulator(int baud) {
    sim::Scenario s = sim::defaultScenario();
    s.module.powerOnReport = false;
    auto sim = std::make_unique<sim::PtySimulator>(s, sim::SimOptions{baud, {}});
    QString error;
    if (!sim->start(&error))
        throw std::runtime_error(error.toStdString());
    return sim;
}

// The walk's commands for the default peer, as the window sends them.
struct Command {
    std::uint8_t opcode;
    std::vector<std::uint8_t> params;
};
std::vector<Command> walkCommands() {
    std::vector<Command> c{{0x30, {0x01}}};
    const std::vector<std::vector<std::uint8_t>> uuids = {
        {0x00, 0x18},
        {0x01, 0x18},
        {0x0F, 0x18},
        {0x0A, 0x18},
        {0x0D, 0x18},
        {0x1A, 0x18},
        {0x55, 0xE4, 0x05, 0xD2, 0xAF, 0x9F, 0xA9, 0x8F, 0xE5, 0x4A, 0x7D, 0xFE, 0x54, 0x4C, 0x4F,
         0x4B},
        {0x33, 0x6D, 0xD0, 0x38, 0xE2, 0x6F, 0x4A, 0xA4, 0x83, 0xCC, 0xD0, 0xC9, 0x54, 0x4C, 0x4F,
         0x4B}};
    for (const auto& u : uuids) {
        std::vector<std::uint8_t> p{0x01};
        p.insert(p.end(), u.begin(), u.end());
        c.push_back({0x31, p});
    }
    for (std::uint8_t h :
         {0x03, 0x05, 0x07, 0x12, 0x1A, 0x1C, 0x1E, 0x25, 0x0B, 0x13, 0x23, 0x28, 0x53, 0x58, 0x63})
        c.push_back({0x32, {0x01, 0x00, h}});
    return c;
}

// The local walk's commands for the simulated module's own table: its services, each
// service by its UUID as typed, every characteristic value, then every descriptor.
std::vector<Command> localWalkCommands() {
    const auto db = sim::GattDatabase::build(sim::defaultScenario().module.localServices, nullptr);
    std::vector<Command> c{{0x3B, {}}};
    if (!db)
        return c;
    auto read = [&](std::uint16_t h) {
        c.push_back({0x3A, {static_cast<std::uint8_t>(h >> 8), static_cast<std::uint8_t>(h)}});
    };
    for (const auto& s : db->services())
        c.push_back({0x3C, std::vector<std::uint8_t>(s.uuid.bytes.begin(), s.uuid.bytes.end())});
    for (const auto& s : db->services())
        for (const auto& ch : s.characteristics)
            read(ch.valueHandle);
    for (const auto& s : db->services())
        for (const auto& ch : s.characteristics)
            for (const auto& d : ch.descriptors)
                read(d.handle);
    return c;
}

// The baseline: the bare command layer, one command after the other's Command Complete.
double baselineSeconds(int baud, const std::vector<Command>& commands) {
    auto sim = startSimulator(baud);
    std::mutex m;
    std::condition_variable cv;
    int completes = 0;
    bool linked = false;
    LayerSettings settings;
    settings.portName = sim->slavePath();
    CKelvra_CmdSet_Layer layer(settings, [&](int kind, const Record& r) {
        std::lock_guard g(m);
        if (kind == kKindConnectionComplete)
            linked = true;
        if (kind != kKindPacketReceived && r[2] == 0x80)
            ++completes;
        cv.notify_all();
    });
    if (!layer.Connect())
        throw std::runtime_error("the layer did not open the simulator");
    layer.LECreateConnection(0, 0, kSensor);
    {
        std::unique_lock l(m);
        cv.wait_for(l, std::chrono::seconds(5), [&] { return linked; });
    }
    QElapsedTimer t;
    t.start();
    for (const Command& c : commands) {
        std::unique_lock l(m);
        const int before = completes;
        l.unlock();
        layer.QueueCommand(c.opcode, c.params);
        l.lock();
        cv.wait_for(l, std::chrono::seconds(5), [&] { return completes > before; });
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// One walk benchmark: `panelOf` names the table page's panel, `commands` the walk's.
template <class PanelOf>
void tableWalk(benchmark::State& state, PanelOf panelOf, const std::vector<Command>& commands) {
    const int baud = static_cast<int>(state.range(0));
    QuietPrompts prompts;
    ScopedPrompts scoped(prompts);
    QTemporaryDir dir;
    auto sim = startSimulator(baud);
    DialogOptions options;
    options.startDirectory = dir.path();
    options.portSource = [] { return QStringList(); };
    options.extraPorts = {QString::fromStdString(sim->slavePath())};
    CKelvra_V1_4_TEST_TOOLDlg dialog(options);
    dialog.show();
    dialog.connectOrDisconnect();
    dialog.layer()->LECreateConnection(0, 0, kSensor);
    if (!QTest::qWaitFor([&] { return !dialog.linkTable().empty(); }, 5000)) {
        state.SkipWithError("the sensor did not connect");
        return;
    }
    GattTablePanel* panel = panelOf(dialog.pages());

    const double baseline = baselineSeconds(baud, commands);
    double walked = 0;
    for (auto _ : state) {
        // The window's own event loop runs the walk, as in the program.
        QEventLoop loop;
        bool done = false;
        const auto c = QObject::connect(panel, &GattTablePanel::rebuilt, &loop, [&] {
            done = true;
            loop.quit();
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        panel->getButton()->click();
        if (!done)
            loop.exec();
        walked += static_cast<double>(t.nsecsElapsed()) / 1e9;
        QObject::disconnect(c);
        if (!done)
            state.SkipWithError("the walk did not end");
    }
    const double perWalk = walked / static_cast<double>(state.iterations());
    state.counters["walk_ms"] = perWalk * 1000;
    state.counters["baseline_ms"] = baseline * 1000;
    state.counters["walk_per_baseline"] = perWalk / baseline;
    state.counters["commands"] = static_cast<double>(commands.size());
}

void BM_RemoteTableWalk(benchmark::State& state) {
    tableWalk(
        state, [](PageSet& p) { return p.gattTable.panel(); }, walkCommands());
}
BENCHMARK(BM_RemoteTableWalk)
    ->Arg(115200)
    ->Arg(921600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LocalTableWalk(benchmark::State& state) {
    tableWalk(
        state, [](PageSet& p) { return p.gattServerTable.panel(); }, localWalkCommands());
}
BENCHMARK(BM_LocalTableWalk)
    ->Arg(115200)
    ->Arg(921600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
