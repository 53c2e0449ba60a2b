#include "GapTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <cstdio>

namespace nuvex3::test {

std::string toHexText(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    for (std::uint8_t b : bytes) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!s.empty())
            s += ' ';
        s += buf;
    }
    return s;
}

std::string packetText(std::uint8_t opcode, const std::vector<std::uint8_t>& params) {
    return toHexText(framePacket(opcode, params));
}

WireModule::WireModule() {
    LayerSettings s;
    s.portName = pty_.slavePath();
    layer_ = std::make_unique<CKelvra_CmdSet_Layer>(
        s, [this](int kind, const Record&) { onEvent(kind); });
    if (!layer_->Connect())
        throw std::runtime_error("the layer did not open the pty");
}

WireModule::~WireModule() {
    layer_.reset();
}

void WireModule::onEvent(int kind) {
    if (kind != kKindPacketReceived)
        return;
    std::lock_guard g(m_);
    ++received_;
    cv_.notify_all();
}

std::string WireModule::nextPacket() {
    const auto head = pty_.read(3, std::chrono::seconds(3));
    if (head.size() < 3)
        return toHexText(head);
    const std::size_t length = (static_cast<std::size_t>(head[1]) << 8) | head[2];
    auto rest = pty_.read(length + 1, std::chrono::seconds(3));
    std::vector<std::uint8_t> packet = head;
    packet.insert(packet.end(), rest.begin(), rest.end());
    if (rest.size() == length + 1 && length >= 1) {
        std::unique_lock l(m_);
        const std::size_t before = received_;
        l.unlock();
        const std::array<std::uint8_t, 2> complete{rest[0], 0x00};
        pty_.write(framePacket(0x80, complete));
        l.lock();
        cv_.wait_for(l, std::chrono::seconds(5), [&] { return received_ > before; });
    }
    return toHexText(packet);
}

bool WireModule::silent() {
    return pty_.drain(std::chrono::milliseconds(100)).empty();
}

void WireModule::send(const std::vector<std::uint8_t>& packet) {
    pty_.write(packet);
}

void choose(QComboBox* combo, int index) {
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QModelIndex item = combo->model()->index(index, combo->modelColumn());
    view->scrollTo(item); // a long list shows the entry first, as a user scrolls to it
    const QRect rect = view->visualRect(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    if (view->isVisible())
        combo->hidePopup();
}

void typeInto(QComboBox* combo, const QString& text) {
    QLineEdit* edit = combo->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void leaveField(QWidget* from) {
    QWidget* window = from->window();
    QApplication::setActiveWindow(window);
    from->setFocus(Qt::TabFocusReason);
    if (!from->hasFocus())
        throw std::runtime_error("the field did not take the focus");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (from->hasFocus())
        throw std::runtime_error("the focus did not leave the field");
}

} // namespace nuvex3::test
