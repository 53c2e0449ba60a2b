#include "pages/profiles/CProfilePage.h"

void CProfilePage::characteristicFound(const QString& uuid, const QString& valueHandle) {
    handles_[uuid.toUpper()] = valueHandle;
}

QString CProfilePage::characteristicHandle(const QString& uuid) const {
    const auto it = handles_.find(uuid.toUpper());
    return it == handles_.end() ? QString() : it->second;
}
