// Fuzz target for the auto test script (.ini) reader: any bytes are read line by line
// into the settings without a crash; whatever was read is saved and read back the same,
// unless a text holds what the reader takes for a key, the marker or a line break.

#include "pages/automation/AutoTestSettings.h"

#include <QByteArray>

#include <cstdint>

namespace {

bool plain(const QString& s) {
    return !s.contains(QLatin1Char('[')) && !s.contains(QLatin1Char('\n')) &&
           !s.contains(QLatin1Char('\r')) && !s.contains(QLatin1String(nuvex3::kIniMarker));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvex3;
    const QByteArray content(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    AutoTestSettings read;
    applyIni(content, read);
    (void)validationMessage(read);
    (void)correctedInterval(read.interval);
    (void)correctedTimeout(read.timeout);
    if (plain(read.address) && plain(read.passkey) && plain(read.sendFile) &&
        plain(read.interval) && plain(read.latency) && plain(read.timeout)) {
        AutoTestSettings again;
        if (!applyIni(iniText(read), again) || !(again == read))
            __builtin_trap();
    }
    return 0;
}
