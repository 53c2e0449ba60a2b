#include "pages/transparent/TransparentSender.h"

#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "link/Clock.h"
#include "pages/transparent/ReceiveTable.h"
#include "ui/ValueEntry.h"

#include <QFile>

#include <algorithm>
#include <span>

namespace nuvex3 {

namespace {

constexpr std::uint8_t kCreditHandleLow = 0x57; // attribute handle 0x0057, record order
constexpr std::uint8_t kCreditHandleHigh = 0x00;
constexpr std::size_t kCreditValueBytes = 5;
constexpr std::uint8_t kOpSendTransparentData = 0x3F;

std::uint8_t handleByte(const QString& handle) {
    const std::vector<std::uint8_t> bytes = hexToBytes(handle.toStdString());
    return bytes.empty() ? 0 : bytes.front();
}

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

} // namespace

std::optional<CreditNotice> creditNotice(const Record& record) {
    // [3] link, [4..5] attribute handle (swapped), [6] value length, [7..] value.
    if (record[4] != kCreditHandleLow || record[5] != kCreditHandleHigh ||
        record[6] < kCreditValueBytes)
        return std::nullopt;
    const std::uint8_t* value = record.data() + 7;
    return CreditNotice{static_cast<std::uint16_t>((value[2] << 8) | value[3]), value[4]};
}

TransparentSender::TransparentSender(ReceiveTable& table, QObject* parent)
    : QObject(parent), table_(table) {}

TransparentSender::~TransparentSender() {
    stopAll();
}

void TransparentSender::setGate(SendGate* gate) {
    gate_.store(gate);
}

void TransparentSender::setBlockSize(int bytes) {
    blockSize_.store(std::clamp(bytes, 1, kMaxBlockSize));
}

void TransparentSender::setLoopBack(bool on) {
    {
        std::lock_guard g(m_);
        echoes_.clear();
    }
    loopBack_.store(on);
    requestStep();
}

bool TransparentSender::start(const QString& handle, const QString& file, std::uint32_t rounds,
                              std::uint32_t deltaMs) {
    const std::int64_t now = clock().tickMs();
    const bool found = table_.modify(handle, [&](ReceiveEntry& e) {
        e.repeatRounds = rounds;
        e.deltaMs = deltaMs;
        e.roundsCompleted = 0;
        e.bytesSent = 0;
        e.filePosition = 0;
        e.streaming = true;
        e.startTick = now;
        e.lastTick = now;
        e.referencePath = file;
        ++e.transfer;
    });
    if (!found)
        return false;
    {
        std::lock_guard g(m_);
        std::erase(sendQueue_, handle);
        sendQueue_.push_back(handle);
    }
    requestStep();
    return true;
}

void TransparentSender::stop(const QString& handle) {
    {
        std::lock_guard g(m_);
        ++stopGeneration_;
        table_.modify(handle, [](ReceiveEntry& e) { e.streaming = false; });
    }
    cv_.notify_all();
}

void TransparentSender::stopAll() {
    {
        std::lock_guard g(m_);
        ++stopGeneration_;
        sendQueue_.clear();
        echoes_.clear();
        pending_.clear();
        table_.modifyAll([](ReceiveEntry& e) { e.streaming = false; });
    }
    cv_.notify_all();
    runner_.stop();
    stepPosted_.store(false);
    files_.clear(); // the worker has stopped
    staged_.reset();
}

bool TransparentSender::sendNow(CKelvra_CmdSet_Layer& layer, std::uint8_t handle,
                                const QByteArray& data) {
    {
        std::lock_guard g(m_);
        pending_.push_back({Kind::Typed, QString::asprintf("%02X", handle)});
    }
    if (layer.SendTransparentData(handle, bytesOf(data)))
        return true;
    std::lock_guard g(m_);
    if (!pending_.empty() && pending_.back().kind == Kind::Typed)
        pending_.pop_back();
    return false;
}

void TransparentSender::layerEvent(int kind, const Record& record) {
    switch (kind) {
    case kKindCommandComplete: // [3] the command's opcode, [4] its status
        if (record[3] == kOpSendTransparentData)
            completed(record[4] == 0);
        return;
    case kKindCommandTimeout: // the record is the command: [2] its opcode
        if (record[2] == kOpSendTransparentData)
            completed(false);
        return;
    case kKindConnectionComplete: // [3] status 0: the link is up
        if (record[3] == 0)
            linkUp();
        return;
    case kKindCharacteristicValueReceived:
        if (const std::optional<CreditNotice> notice = creditNotice(record))
            creditReceived(*notice);
        return;
    default:
        return;
    }
}

void TransparentSender::sendDone() {
    completed(true);
}

void TransparentSender::sendFailed() {
    completed(false);
}

void TransparentSender::completed(bool ok) {
    Pending answered;
    {
        std::lock_guard g(m_);
        if (pending_.empty())
            return; // not a send of ours (a raw command, or one from before a stop)
        answered = pending_.front();
        pending_.pop_front();
        // The echo is done with (sent, or refused: it is not tried again).
        if (answered.kind == Kind::Echo && !echoes_.empty() && echoes_.front().id == answered.echo)
            echoes_.pop_front();
        if (!ok && answered.kind == Kind::Block) {
            ++stopGeneration_;
            table_.modify(answered.handle, [](ReceiveEntry& e) { e.streaming = false; });
        }
    }
    if (!ok && answered.kind == Kind::Block)
        emit stopped(answered.handle, QString());
    requestStep();
}

void TransparentSender::linkUp() {
    {
        std::lock_guard g(m_);
        flow_.active = false;
    }
    requestStep(); // a transfer waiting for credit goes on
}

bool TransparentSender::creditReceived(const CreditNotice& notice) {
    const bool accepted = notice.packetSize > kCreditOverhead;
    {
        std::lock_guard g(m_);
        flow_.active = true;
        if (accepted)
            flow_.payload = std::min<int>(notice.packetSize - kCreditOverhead, kMaxPayload);
        flow_.credit += notice.credits;
    }
    requestStep();
    return accepted;
}

void TransparentSender::echo(const QString& handle, const QByteArray& data) {
    if (data.isEmpty())
        return;
    {
        std::lock_guard g(m_);
        // A packet longer than one command carries is echoed in pieces.
        for (qsizetype at = 0; at < data.size(); at += kMaxPayload)
            echoes_.push_back({nextEcho_++, handle, data.mid(at, kMaxPayload)});
    }
    requestStep();
}

TransparentSender::Flow TransparentSender::flow() const {
    std::lock_guard g(m_);
    return flow_;
}

bool TransparentSender::busy() const {
    std::lock_guard g(m_);
    return busyLocked();
}

bool TransparentSender::busyLocked() const {
    return std::any_of(pending_.begin(), pending_.end(),
                       [](const Pending& p) { return p.kind != Kind::Typed; });
}

void TransparentSender::requestStep() {
    // One step waiting is enough: it looks at everything that changed before it runs.
    if (!stepPosted_.exchange(true))
        runner_.post([this](StepContext& c) { step(c); });
}

void TransparentSender::step(StepContext& context) {
    stepPosted_.store(false);
    if (loopBack_.load()) {
        sendEcho(context);
        return;
    }
    // Links whose transfer ended leave the round; a link with nothing to send (it stopped
    // while waiting, or its file failed) gives its turn to the next one.
    while (!context.stopRequested()) {
        QString next;
        {
            std::lock_guard g(m_);
            if (busyLocked() || sendQueue_.empty())
                return;
            if (flow_.active && flow_.credit <= 0)
                return; // the next credit notification goes on
            next = sendQueue_.front();
            sendQueue_.pop_front();
            const std::optional<ReceiveEntry> entry = table_.find(next);
            if (!entry || !entry->streaming)
                continue;
            sendQueue_.push_back(next);
        }
        if (sendBlock(context, next)) {
            stageNext();
            return;
        }
    }
}

void TransparentSender::stageNext() {
    if (loopBack_.load())
        return;
    QString next;
    {
        std::lock_guard g(m_);
        if (sendQueue_.empty())
            return;
        next = sendQueue_.front();
    }
    const std::optional<ReceiveEntry> entry = table_.find(next);
    if (!entry || !entry->streaming || entry->deltaMs > 0)
        return; // a pause comes first: the block is read after it
    const qint64 size = currentBlockSize();
    Block block = readBlock(next);
    if (!block.failure.isEmpty())
        return; // said when its turn comes
    staged_ = Staged{next, entry->filePosition, entry->roundsCompleted, size, std::move(block)};
}

std::optional<TransparentSender::Block> TransparentSender::takeStaged(const ReceiveEntry& entry) {
    std::optional<Staged> staged = std::exchange(staged_, std::nullopt);
    if (!staged || staged->handle != entry.handle || staged->block.transfer != entry.transfer ||
        staged->from != entry.filePosition || staged->roundsBefore != entry.roundsCompleted ||
        staged->size != currentBlockSize())
        return std::nullopt;
    return std::move(staged->block);
}

bool TransparentSender::sendBlock(StepContext& context, const QString& handle) {
    const std::optional<ReceiveEntry> entry = table_.find(handle);
    if (!entry || !entry->streaming)
        return false;
    if (entry->deltaMs > 0) {
        std::unique_lock lock(m_);
        const std::uint64_t generation = stopGeneration_;
        pausing_.store(true);
        context.waitFor(lock, cv_, std::chrono::milliseconds(entry->deltaMs),
                        [&] { return stopGeneration_ != generation; });
        pausing_.store(false);
        if (context.stopRequested())
            return false;
    }
    std::optional<Block> staged = entry->deltaMs > 0 ? std::nullopt : takeStaged(*entry);
    const Block block = staged ? std::move(*staged) : readBlock(handle);
    if (!block.failure.isEmpty()) {
        endTransfer(handle, block.transfer, block.failure);
        return false;
    }
    // The block counts only if its transfer still runs: a Stop Tx, or a new Start Tx,
    // while it was read leaves it unsent.
    Pending pending{Kind::Block, handle};
    bool counted = false;
    {
        std::lock_guard g(m_);
        if (context.stopRequested())
            return false;
        table_.modify(handle, [&](ReceiveEntry& e) {
            if (!e.streaming || e.transfer != block.transfer)
                return;
            e.filePosition = block.position;
            e.roundsCompleted = block.rounds;
            e.bytesSent += static_cast<std::uint64_t>(block.data.size());
            if (block.ended)
                e.streaming = false;
            counted = true;
        });
        if (counted && !block.data.isEmpty()) {
            pending_.push_back(pending);
            if (flow_.active)
                --flow_.credit;
        }
    }
    if (counted && block.ended)
        emit stopped(handle, QString());
    if (!counted || block.data.isEmpty())
        return false;
    if (hand(context, pending, block.data))
        return true;
    if (!context.stopRequested())
        endTransfer(handle, block.transfer, QStringLiteral("Write command fail!"));
    return false;
}

TransparentSender::Block TransparentSender::readBlock(const QString& handle) {
    Block b;
    const std::optional<ReceiveEntry> entry = table_.find(handle);
    if (!entry)
        return b;
    const qint64 size = currentBlockSize();
    b.transfer = entry->transfer;
    b.position = entry->filePosition;
    b.rounds = entry->roundsCompleted;

    QFile* opened = transferFile(*entry);
    if (!opened) {
        b.failure = QStringLiteral(" Open File Failed : %1").arg(entry->referencePath);
        return b;
    }
    QFile& file = *opened;
    file.seek(static_cast<qint64>(b.position));
    b.data = file.read(size);
    if (b.data.size() == size) {
        b.position += static_cast<std::uint64_t>(size);
        return b;
    }
    // The end of the file: a round is complete.
    ++b.rounds;
    b.position = 0;
    b.ended = entry->repeatRounds != 0 && entry->repeatRounds == b.rounds;
    if (b.data.isEmpty() && !b.ended) {
        // The round ended on a block boundary: the next round's first block.
        file.seek(0);
        b.data = file.read(size);
        b.position = static_cast<std::uint64_t>(b.data.size());
        if (b.data.isEmpty())
            b.failure = QStringLiteral(" File Is Empty : %1").arg(entry->referencePath);
    }
    return b;
}

qint64 TransparentSender::currentBlockSize() const {
    const Flow flow = this->flow();
    return flow.active && flow.payload > 0 ? flow.payload : blockSize_.load();
}

QFile* TransparentSender::transferFile(const ReceiveEntry& entry) {
    // Transfers that ended or started again give their file back.
    std::erase_if(files_, [&](const auto& f) {
        const std::optional<ReceiveEntry> e = table_.find(f.first);
        return !e || !e->streaming || e->transfer != f.second.transfer;
    });
    OpenFile& f = files_[entry.handle];
    if (!f.file || f.transfer != entry.transfer) {
        f.transfer = entry.transfer;
        f.file = std::make_unique<QFile>(entry.referencePath);
        if (!f.file->open(QIODevice::ReadOnly)) {
            files_.erase(entry.handle);
            return nullptr;
        }
    }
    return f.file.get();
}

bool TransparentSender::hand(StepContext& context, const Pending& pending, const QByteArray& data) {
    const std::uint8_t handle = handleByte(pending.handle);
    bool written = false;
    SendGate* gate = gate_.load();
    const bool through = gate && gate->send(
                                     SendGate::kWait,
                                     [&](CKelvra_CmdSet_Layer& layer) {
                                         written = layer.SendTransparentData(handle, bytesOf(data));
                                     },
                                     context.token());
    emit sent(pending.handle, data); // the view shows it once it is on its way
    if (through && written)
        return true;
    std::lock_guard g(m_);
    const auto it = std::find_if(pending_.rbegin(), pending_.rend(), [&](const Pending& p) {
        return p.kind == pending.kind && p.handle == pending.handle && p.echo == pending.echo;
    });
    if (it != pending_.rend())
        pending_.erase(std::next(it).base());
    if (pending.kind == Kind::Block && flow_.active)
        ++flow_.credit;
    if (pending.kind == Kind::Echo && !echoes_.empty() && echoes_.front().id == pending.echo)
        echoes_.pop_front();
    return false;
}

bool TransparentSender::sendEcho(StepContext& context) {
    Pending pending{Kind::Echo, QString()};
    QByteArray data;
    {
        std::lock_guard g(m_);
        if (busyLocked() || echoes_.empty())
            return false;
        const Echo& front = echoes_.front();
        pending.handle = front.handle;
        pending.echo = front.id;
        data = front.data;
        pending_.push_back(pending);
    }
    table_.modify(pending.handle,
                  [&](ReceiveEntry& e) { e.bytesSent += static_cast<std::uint64_t>(data.size()); });
    if (hand(context, pending, data))
        return true;
    // The echo could not be sent (no port): the next one may still go.
    if (!context.stopRequested())
        requestStep();
    return false;
}

void TransparentSender::endTransfer(const QString& handle, std::uint64_t transfer,
                                    const QString& reason) {
    bool ended = false;
    table_.modify(handle, [&](ReceiveEntry& e) {
        if (e.transfer != transfer || !e.streaming)
            return;
        e.streaming = false;
        ended = true;
    });
    if (ended)
        emit stopped(handle, reason);
}

} // namespace nuvex3
