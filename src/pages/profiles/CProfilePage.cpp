#include "pages/profiles/CProfilePage.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

using namespace nuvex3;

CProfilePage::CProfilePage(const QString& caption, QWidget* parent, CPageBase* host)
    : CPageBase(caption, parent), host_(host ? host : this) {}

void CProfilePage::characteristicFound(const QString& uuid, const QString& valueHandle) {
    handles_[uuid.toUpper()] = valueHandle;
}

QString CProfilePage::characteristicHandle(const QString& uuid) const {
    const auto it = handles_.find(uuid.toUpper());
    return it == handles_.end() ? QString() : it->second;
}

std::uint16_t CProfilePage::handleOf(const QString& uuid) const {
    return static_cast<std::uint16_t>(parseUnsigned(characteristicHandle(uuid).toStdString(), 16));
}

std::uint8_t CProfilePage::firstLink() const {
    return host_->linkTable().empty() ? 0x00 : host_->linkTable().front();
}

std::uint8_t CProfilePage::lastLink() const {
    return host_->linkTable().empty() ? 0x00 : host_->linkTable().back();
}

bool CProfilePage::sendValue(std::uint8_t link, const QString& uuid,
                             std::span<const std::uint8_t> value, const QString& failure) {
    CKelvra_CmdSet_Layer* layer = host_->layer();
    const bool sent = layer && layer->SendCharacteristicValue(link, handleOf(uuid), value);
    if (!sent)
        prompts().message(failure);
    return sent;
}

bool CProfilePage::updateValue(const QString& uuid, std::span<const std::uint8_t> value,
                               const QString& failure) {
    CKelvra_CmdSet_Layer* layer = host_->layer();
    const bool updated = layer && layer->UpdateCharacteristicValue(handleOf(uuid), value);
    if (!updated)
        prompts().message(failure);
    return updated;
}

bool isHandle(const QString& handleText, std::uint8_t high, std::uint8_t low) {
    if (handleText.isEmpty())
        return false;
    const std::uint32_t kept = parseUnsigned(handleText.toStdString(), 16);
    return kept == ((static_cast<std::uint32_t>(high) << 8) | low);
}
