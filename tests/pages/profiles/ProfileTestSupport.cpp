#include "ProfileTestSupport.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <stdexcept>

namespace nuvex3::test {

namespace {

Bytes handleThen(std::uint16_t at, const Bytes& value) {
    Bytes p{static_cast<std::uint8_t>(at >> 8), static_cast<std::uint8_t>(at)};
    p.insert(p.end(), value.begin(), value.end());
    return p;
}

} // namespace

ProfilePageTest::ProfilePageTest() {
    h.dialog().setProfilePages(kProfileWeightScale | kProfileHeartRate | kProfileHealthThermometer |
                               kProfileBloodPressure | kProfileGlucose);
    connectionComplete(kLink);
    if (h.dialog().pages().heartRate.linkTable() != std::vector<std::uint8_t>{kLink})
        throw std::runtime_error("the link did not reach the profile pages");
}

void ProfilePageTest::connectionComplete(std::uint8_t handle) {
    event(0x71, {0x00, handle, 0x01, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A, 0x00, 0x18, 0x00,
                 0x00, 0x00, 0x48});
}

void ProfilePageTest::peerWrites(std::uint16_t at, const Bytes& value) {
    Bytes p{kLink};
    const Bytes rest = handleThen(at, value);
    p.insert(p.end(), rest.begin(), rest.end());
    event(0x98, p);
}

void ProfilePageTest::click(QAbstractButton* button) {
    // A check box takes clicks on its box and caption only, not anywhere in its cell.
    QPoint at = button->rect().center();
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        at = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
}

void ProfilePageTest::retype(QLineEdit* field, const QString& text) {
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

std::string ProfilePageTest::sent(std::uint8_t link, std::uint16_t at, const Bytes& value) {
    Bytes p{link};
    const Bytes rest = handleThen(at, value);
    p.insert(p.end(), rest.begin(), rest.end());
    return packetText(0x38, p);
}

std::string ProfilePageTest::updated(std::uint16_t at, const Bytes& value) {
    return packetText(0x39, handleThen(at, value));
}

} // namespace nuvex3::test
