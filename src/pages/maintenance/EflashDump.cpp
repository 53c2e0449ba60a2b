#include "pages/maintenance/EflashDump.h"

#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"

#include <QSaveFile>

#include <algorithm>

namespace nuvex3 {

namespace {
const char* const kHeader = "\n;;;      0  1  2  3  4  5  6  7      8  9  A  B  C  D  E  F\n";
constexpr std::size_t kRowBytes = 16;
} // namespace

EflashDump::EflashDump(QObject* parent) : QObject(parent) {}

EflashDump::~EflashDump() {
    dumping_ = false;
    runner_.stop();
}

QString EflashDump::fileName(const QString& chosen) {
    if (chosen.toLower().right(5).contains(QStringLiteral(".txt")))
        return chosen;
    return chosen + QStringLiteral(".txt");
}

QString EflashDump::fileText(std::span<const std::uint8_t, kSize> bytes) {
    QString text = QString::fromLatin1(kHeader);
    for (std::size_t i = 0; i < kSize / kRowBytes; ++i) {
        text += QString::asprintf("%04x    ", static_cast<unsigned>(i * kRowBytes));
        for (std::size_t j = 0; j < kRowBytes; ++j) {
            text += QString::asprintf("%02X ", bytes[i * kRowBytes + j]);
            if (j == 7 || j == 15)
                text += QStringLiteral("    ");
        }
        text += QStringLiteral(";\n");
        if (i > 0 && i % 16 == 0)
            text += QString::fromLatin1(kHeader);
    }
    return text + QStringLiteral("\n");
}

void EflashDump::start(SendGate& gate, const QString& path) {
    stop();
    gate_ = &gate;
    path_ = path;
    offset_ = 0;
    buffer_.fill(0);
    dumping_ = true;
    emit progressed(0);
    readNextBlock();
}

void EflashDump::readNextBlock() {
    const auto address = static_cast<std::uint16_t>(offset_);
    SendGate* gate = gate_;
    runner_.post([this, gate, address](StepContext& context) {
        bool sent = true;
        const bool gateTaken = gate->send(
            SendGate::kWait,
            [&](CKelvra_CmdSet_Layer& layer) {
                // "Send" or Disconnect may have ended the dump while this step waited.
                if (!dumping_)
                    return;
                const std::array<std::uint8_t, 2> at{static_cast<std::uint8_t>(address >> 8),
                                                     static_cast<std::uint8_t>(address & 0xFF)};
                sent = layer.DebugCommand(kReadEflash, kBlock, at, {});
            },
            context.token());
        if ((gateTaken && sent) || context.stopRequested())
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (dumping_.exchange(false))
                    emit sendFailed();
            },
            Qt::QueuedConnection);
    });
}

EflashDump::Collected EflashDump::collect(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return Collected::NextBlock; // nothing to store, nothing to read next
    const std::size_t n = std::min(bytes.size(), kSize - offset_);
    std::copy_n(bytes.begin(), n, buffer_.begin() + static_cast<std::ptrdiff_t>(offset_));
    offset_ += n;
    emit progressed(static_cast<int>(offset_));
    if (offset_ >= kSize) {
        dumping_ = false;
        return Collected::Complete;
    }
    readNextBlock();
    return Collected::NextBlock;
}

bool EflashDump::stop() {
    const bool was = dumping_.exchange(false);
    runner_.stop();
    return was;
}

bool EflashDump::writeFile() const {
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(fileText(buffer_).toLatin1());
    return file.commit();
}

} // namespace nuvex3
