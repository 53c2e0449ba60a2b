#include "pages/gatt/CTableWalkPage.h"

#include "framework/MainWindow.h"
#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/ProfileServices.h"
#include "ui/Prompts.h"

using namespace nuvex3;
using namespace nuvex3::gatt;

namespace {

QString failureText(const QString& table, TableWalk::Op op) {
    const QString what = [op] {
        switch (op) {
        case TableWalk::Op::DiscoverServices:
            return QStringLiteral("Discover Service");
        case TableWalk::Op::DiscoverCharacteristics:
            return QStringLiteral("Discover Characteristic");
        case TableWalk::Op::ReadCharacteristic:
            return QStringLiteral("Read Char Value");
        case TableWalk::Op::ReadDescriptor:
            return QStringLiteral("Read Descriptor Value");
        }
        return QString();
    }();
    return QStringLiteral("Get GATT %1 Table Fail!(%2)").arg(table, what);
}

} // namespace

CTableWalkPage::CTableWalkPage(const Setup& setup, QWidget* parent)
    : CPageBase(setup.caption, parent), walk_(setup.reads), opcodes_(setup.opcodes) {
    runner_ = new TableWalkRunner(
        walk_, setup.sender,
        [table = setup.table](TableWalk::Op op) { return failureText(table, op); },
        [this] { return mainWindow() ? &mainWindow()->sendGate() : nullptr; }, this);
    panel_ = new GattTablePanel(walk_, setup.getTable, this);
    connect(panel_, &GattTablePanel::getTableClicked, this, &CTableWalkPage::startWalk);
    connect(runner_, &TableWalkRunner::finished, this, [this] { panel_->rebuild(); });
    connect(runner_, &TableWalkRunner::failed, this,
            [](const QString& message) { prompts().message(message); });
}

CTableWalkPage::~CTableWalkPage() {
    runner_->stop();
}

void CTableWalkPage::stopRunners() {
    runner_->stop();
}

bool CTableWalkPage::walkStepUnderWay() const {
    return runner_->busy();
}

void CTableWalkPage::startWalk() {
    runner_->stop(); // a walk still waiting for its module starts over
    profileFlags_ = 0;
    if (mainWindow())
        mainWindow()->setProfilePages(0);
    runner_->start(linksToWalk());
}

bool CTableWalkPage::walking() const {
    return walk_.running();
}

void CTableWalkPage::ContinueWalk(std::uint8_t opcode) {
    runner_->acknowledge(opcode, opcodes_);
}

void CTableWalkPage::stopWalk() {
    walk_.stop();
}

QString CTableWalkPage::pendingReadHandle() const {
    const auto read = walk_.pendingRead();
    return read ? read->handle : QString();
}

void CTableWalkPage::onServiceFound(const Record& record) {
    Service s = serviceOf(record);
    if (has16BitUuid(record))
        profileFlags_ |= profileFlagOf(s.uuid);
    walk_.addService(linkText(record), std::move(s));
}
