#pragma once
// Row limits of the tool's long lists, so that a long session or a flood of events keeps
// memory bounded. They are settings: the [limits] section of the tool's settings file
// (QSettings, organisation "nuvex3", application "nuvex3-tool"; on Linux
// ~/.config/nuvex3/nuvex3-tool.conf), with the defaults below when a key is missing or not a
// positive number.

#include <QString>

class QSettings;

namespace nuvex3 {

struct ViewLimits {
    static constexpr int kDefaultAdvertisingRows = 100000;
    static constexpr int kDefaultDecodedRows = 1000000;
    static inline const QString kAdvertisingRowsKey = QStringLiteral("limits/advertisingRows");
    static inline const QString kDecodedRowsKey = QStringLiteral("limits/decodedRows");

    int advertisingRows = kDefaultAdvertisingRows; // the GAP page's advertising list
    int decodedRows = kDefaultDecodedRows;         // decoded packet views

    // The limits in the tool's settings.
    static ViewLimits fromSettings();
    static ViewLimits fromSettings(const QSettings& settings);
};

} // namespace nuvex3
