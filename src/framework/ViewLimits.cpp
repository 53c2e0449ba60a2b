#include "framework/ViewLimits.h"

#include <QSettings>

namespace nuvex3 {

namespace {
int positive(const QSettings& settings, const QString& key, int fallback) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}
} // namespace

ViewLimits ViewLimits::fromSettings() {
    const QSettings settings(QStringLiteral("nuvex3"), QStringLiteral("nuvex3-tool"));
    return fromSettings(settings);
}

ViewLimits ViewLimits::fromSettings(const QSettings& settings) {
    ViewLimits limits;
    limits.advertisingRows = positive(settings, kAdvertisingRowsKey, kDefaultAdvertisingRows);
    limits.decodedRows = positive(settings, kDecodedRowsKey, kDefaultDecodedRows);
    return limits;
}

} // namespace nuvex3
