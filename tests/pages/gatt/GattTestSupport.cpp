#include "GattTestSupport.h"

#include "app/PacketLog.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <stdexcept>

namespace nuvex3::test {

GattWindow::GattWindow(sim::Scenario scenario) {
    scenario.module.powerOnReport = false;
    sim_ = std::make_unique<sim::PtySimulator>(std::move(scenario));
    QString error;
    if (!sim_->start(&error))
        throw std::runtime_error(error.toStdString());
    h_.connectTo(QString::fromStdString(sim_->slavePath()));
    if (!h_.dialog().connected())
        throw std::runtime_error("the window did not connect");
}

GattWindow::~GattWindow() = default;

bool GattWindow::settle() {
    return waitFor([&] {
        // The layer clears its wait on the port's thread; the records of the answer may
        // still be on their way to the window, so the window's queue must be empty too.
        CKelvra_CmdSet_Layer* layer = dialog().layer();
        return layer && !layer->awaitingResponse() && layer->queuedCommands() == 0 &&
               dialog().recordQueue().queuedBytes() == 0 && !pages().gattTable.walkStepUnderWay() &&
               !pages().gattServerTable.walkStepUnderWay();
    });
}

bool GattWindow::connectPeer(const std::array<std::uint8_t, 6>& address) {
    const std::size_t before = dialog().linkTable().size();
    if (!dialog().layer()->LECreateConnection(0, 0, address))
        return false;
    // The peer answers after its connect delay on the test clock.
    return waitFor([&] {
        clock_.advance(std::chrono::milliseconds(20));
        return dialog().linkTable().size() > before;
    });
}

bool GattWindow::walk() {
    CPageGATTTable& table = pages().gattTable;
    QSignalSpy rebuilt(table.panel(), &GattTablePanel::rebuilt);
    QTest::mouseClick(table.panel()->getButton(), Qt::LeftButton);
    return waitFor([&] { return rebuilt.count() > 0; }) && settle();
}

bool GattWindow::walkLocal() {
    CPageGATTServerTable& table = pages().gattServerTable;
    QSignalSpy rebuilt(table.panel(), &GattTablePanel::rebuilt);
    QTest::mouseClick(table.panel()->getButton(), Qt::LeftButton);
    return waitFor([&] { return rebuilt.count() > 0; }) && settle();
}

QByteArray fileContents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The session log file keeps every line (the view keeps the last few thousand characters).
QStringList GattWindow::logFileLines() {
    dialog().packetLog().flush(); // the file is written by a thread of its own
    QFile file(dialog().packetLog().filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

QStringList GattWindow::sentSince() {
    QCoreApplication::processEvents(); // the lines of commands sent from this thread
    QStringList sent;
    int seen = 0;
    for (const QString& l : logFileLines())
        if (l.startsWith(QLatin1String("<-- ")) && ++seen > sentSeen_)
            sent << l;
    sentSeen_ = seen;
    return sent;
}

} // namespace nuvex3::test
