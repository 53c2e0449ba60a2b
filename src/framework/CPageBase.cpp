#include "framework/CPageBase.h"

CPageBase::CPageBase(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {}

void CPageBase::enable(bool on) {
    setEnabled(on);
}

void CPageBase::receive(int, const nuvex3::Record&) {}

void CPageBase::setLinkTable(const std::vector<std::uint8_t>& handles) {
    links_ = handles;
    linkTableChanged();
}

void CPageBase::onAllIdle() {
    setLinkTable({});
}
