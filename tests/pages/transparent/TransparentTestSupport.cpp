#include "TransparentTestSupport.h"

#include "app/PacketLog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

namespace nuvex3::test {

QString wireText(const Bytes& packet) {
    QStringList parts;
    for (std::uint8_t b : packet)
        parts << QString::asprintf("%02X", b);
    return parts.join(' ');
}

Bytes sendDataPacket(std::uint8_t handle, const QByteArray& data) {
    Bytes params{handle};
    params.insert(params.end(), data.begin(), data.end());
    return framePacket(0x3F, params);
}

void TransparentOnWire::SetUp() {
    // Shown and active, so that clicks land and leaving a field moves the focus.
    h.dialog().show();
    h.dialog().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.dialog()));
    h.dialog().controls().sheet->setCurrentWidget(&page());
    h.connectTo(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(h.dialog().connected());
}

void TransparentOnWire::event(std::uint8_t code, const Bytes& params) {
    pty.write(framePacket(code, params));
    // A packet the layer does not decode follows; once it is in the log every record of
    // the event has been routed (the window handles records in order).
    const Bytes sync = framePacket(0xEE, Bytes{++sync_});
    pty.write(sync);
    QString line = QStringLiteral("--> ");
    for (std::size_t i = 1; i + 1 < sync.size(); ++i)
        line += QString::asprintf("%02X", sync[i]);
    ASSERT_TRUE(h.waitForLine(line));
}

void TransparentOnWire::linkUp(std::uint8_t handle) {
    event(0x71, {0x00, handle, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x00, 0x28, 0x00,
                 0x00, 0x01, 0xF4});
}

void TransparentOnWire::linkDown(std::uint8_t handle) {
    event(0x72, {handle, 0x13});
}

void TransparentOnWire::received(std::uint8_t handle, const QByteArray& data) {
    Bytes params{handle};
    params.insert(params.end(), data.begin(), data.end());
    event(0x9A, params);
}

void TransparentOnWire::credit(std::uint8_t handle, std::uint16_t packetSize,
                               std::uint8_t credits) {
    event(0x93, {handle, 0x00, 0x57, 0x00, 0x00, static_cast<std::uint8_t>(packetSize >> 8),
                 static_cast<std::uint8_t>(packetSize & 0xFF), credits});
}

void TransparentOnWire::answer(std::uint8_t opcode, std::uint8_t status) {
    event(0x80, {opcode, status});
}

std::optional<Bytes> TransparentOnWire::nextPacket() {
    Bytes packet;
    auto take = [&] {
        const Bytes more = pty.drain(std::chrono::milliseconds(0));
        pending_.insert(pending_.end(), more.begin(), more.end());
        if (pending_.size() < 3)
            return false;
        const std::size_t size = 3 + ((pending_[1] << 8) | pending_[2]) + 1;
        if (pending_.size() < size)
            return false;
        packet.assign(pending_.begin(), pending_.begin() + static_cast<long>(size));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(size));
        return true;
    };
    if (!waitFor(take))
        return std::nullopt;
    return packet;
}

QByteArray TransparentOnWire::nextBlock(std::uint8_t handle) {
    const std::optional<Bytes> p = nextPacket();
    if (!p) {
        ADD_FAILURE() << "no packet";
        return {};
    }
    if (p->size() < 6 || (*p)[3] != 0x3F || (*p)[4] != handle) {
        ADD_FAILURE() << "not a block for " << int(handle) << ": " << wireText(*p).toStdString();
        return {};
    }
    const QByteArray data(reinterpret_cast<const char*>(p->data() + 5),
                          static_cast<qsizetype>(p->size() - 6));
    EXPECT_EQ(*p, sendDataPacket(handle, data)) << "length or checksum";
    return data;
}

bool TransparentOnWire::silent() {
    // Once the engine's worker has nothing left to run, nothing more can come from it.
    if (!waitFor([&] { return !page().sender().stepping(); }))
        return false;
    const Bytes more = pty.drain(std::chrono::milliseconds(30));
    pending_.insert(pending_.end(), more.begin(), more.end());
    return pending_.empty();
}

QString TransparentOnWire::file(const QString& name, const QByteArray& bytes) {
    const QString path = QDir(h.directory()).filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path;
}

void TransparentOnWire::loadFile(const QString& path) {
    h.prompts().queueOpenFile(path);
    click(ui().loadFile);
}

void TransparentOnWire::select(std::uint8_t handle) {
    const int i = ui().handle->findText(QString::asprintf("%02X", handle));
    ASSERT_GE(i, 0);
    ui().handle->setCurrentIndex(i);
    emit ui().handle->activated(i);
}

void TransparentOnWire::type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void TransparentOnWire::click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

QString TransparentOnWire::viewText() {
    page().flushView();
    return ui().view->toPlainText();
}

} // namespace nuvex3::test
