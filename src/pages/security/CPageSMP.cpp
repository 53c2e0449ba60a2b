#include "pages/security/CPageSMP.h"

#include "link/CKelvra_CmdSet_Layer.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

constexpr std::uint8_t kPairingRequest = 0x42;
constexpr int kUnusedRows[] = {2, 3}; // "Value 3:" and "Value 4:" are never shown

std::vector<OpcodeSpec> smpTable() {
    using namespace nuvex3::rows;
    // The second row stays as reset ("Parameter 2:"), limited to six characters and
    // disabled; rows 3 and 4 are hidden.
    ParamRowSpec unused;
    unused.caption = QStringLiteral("Parameter 2:");
    unused.limit = 6;
    unused.enabled = false;
    return {{QStringLiteral("0x42: Pairing Request"),
             {handle(QStringLiteral("Connection Handle:")), unused, off(), off()}}};
}

} // namespace

CPageSMP::CPageSMP(QWidget* parent)
    : CCommandPage(QStringLiteral("SMP"), QStringLiteral("SMP Command"), smpTable(), 0, parent) {
    for (int row : kUnusedRows) {
        captionLabel(row)->hide();
        valueCombo(row)->hide();
        unitLabel(row)->hide();
    }
    auto* top = new QHBoxLayout;
    top->addWidget(commandGroup(), 3);
    top->addStretch(2);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addStretch(1);
    selectOpcode(0);
}

void CPageSMP::afterRelabel(std::uint8_t) {
    for (int row : kUnusedRows)
        prefixLabel(row)->hide(); // every relabel shows the prefixes again
}

void CPageSMP::prefillForPassKey(std::uint8_t handle) {
    selectOpcode(opcodeCombo()->findText(QStringLiteral("0x42: Pairing Request")));
    setRowText(0, QString::asprintf("%02X", handle));
}

CCommandPage::SendResult CPageSMP::sendCommand(std::uint8_t opcode) {
    if (opcode != kPairingRequest)
        return SendResult::Failed;
    const auto handle = handleOf(0);
    if (!handle)
        return SendResult::Refused;
    return layer() && layer()->PairingRequest(*handle) ? SendResult::Sent : SendResult::Failed;
}
