#pragma once
// The transparent page's send engine: streams files to links in blocks (round after round,
// round robin over the links, with a pause before each block and the peer's credit flow
// control) and echoes received data back (loop-back). Widget-free.
//
// One block or echo is under way at a time: a step on the engine's worker sends it (Send
// Transparent Data, 0x3F) through the send gate, and the module's Command Complete for it
// (sendDone / sendFailed, from the event routing) lets the next one go. Every 0x3F the
// engine or its owner hands to the layer is remembered in order, so each Command Complete
// is matched with the send it answers. Stop, stopAll (Disconnect, a lost port, the module
// idle) and the pause before a block are interruptible; after stopAll() returns nothing
// more is sent.
//
// Thread use: every public operation is for the UI thread, but for layerEvent() and what it
// calls (any thread). The signals are emitted on the worker or the layer's thread (connect
// them queued or auto).

#include "framework/StepRunner.h"
#include "link/Packet.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace nuvex3 {

class CKelvra_CmdSet_Layer;
class ReceiveTable;
class SendGate;
struct ReceiveEntry;

// A credit notification of the peer (kind 22 on attribute handle 0x0057): value bytes 2
// and 3 give its packet size (the block is 3 bytes less), byte 4 the credits it adds.
struct CreditNotice {
    std::uint16_t packetSize = 0;
    std::uint8_t credits = 0;
};
// The notice a characteristic value record carries, or nothing for any other attribute
// (or a value too short to hold one).
std::optional<CreditNotice> creditNotice(const Record& record);

class TransparentSender : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxBlockSize = 640; // "( 1 ~ 640 )"
    static constexpr int kMaxPayload = 1494;  // data bytes one 0x3F command can carry
    static constexpr std::uint16_t kCreditOverhead = 3;

    explicit TransparentSender(ReceiveTable& table, QObject* parent = nullptr);
    ~TransparentSender() override;

    // The gate the worker sends through (the main window's), set before the first send.
    void setGate(SendGate* gate);

    // "Block Size (byte):", used while flow control is off; held to at least 1 byte.
    void setBlockSize(int bytes);
    int blockSize() const { return blockSize_.load(); }

    // "Loop Back": while on, received data is echoed and files wait. Turning it on or off
    // empties the echo queue; turning it off lets waiting transfers go on.
    void setLoopBack(bool on);
    bool loopBack() const { return loopBack_.load(); }

    // "Start Tx" for one link: streams `file` from its start for `rounds` rounds (0: until
    // stopped), pausing `deltaMs` before each block. Counters restart. False when the link
    // has no entry.
    bool start(const QString& handle, const QString& file, std::uint32_t rounds,
               std::uint32_t deltaMs);
    // "Stop Tx" for one link: no further block of it is sent.
    void stop(const QString& handle);
    // Stops every transfer, drops every queued block and echo and what awaits its Command
    // Complete, and joins the worker.
    void stopAll();

    // A Send Transparent Data command sent now on the caller's thread (the typed "Send"),
    // remembered so that its Command Complete is not taken for a block's.
    bool sendNow(CKelvra_CmdSet_Layer& layer, std::uint8_t handle, const QByteArray& data);

    // Every record the command layer reports, on the layer's own thread as it is decoded
    // (the window gets the same record afterwards, for its views and the log). The
    // answers to the engine's sends, new links and the peer's credit notifications are
    // taken here, so that the next block goes out without waiting for the window's event
    // loop. Any thread; never blocks for long.
    void layerEvent(int kind, const Record& record);

    // What layerEvent() makes of those records (also for tests of the engine alone).
    void sendDone();   // Command Complete of 0x3F, status 0
    void sendFailed(); // Command Complete of 0x3F with an error, or no answer in time
    // A new link is up: flow control is off until the peer announces credits again.
    void linkUp();
    // A credit notification: flow control on, the block size and more credit. A packet
    // size of 3 bytes or less would give blocks of no bytes: that size is refused (false)
    // and the block size stays as it was; the credits count all the same.
    bool creditReceived(const CreditNotice& notice);
    // Data received on a link while "Loop Back" is on: echoed in arrival order.
    void echo(const QString& handle, const QByteArray& data);

    struct Flow {
        bool active = false; // the peer announced credits since the last new link
        int credit = 0;      // blocks the peer still accepts
        int payload = 0;     // block size under flow control, 0 before a valid size
    };
    Flow flow() const;
    // A block or echo awaits its Command Complete.
    bool busy() const;
    // A step of the worker runs or waits to run.
    bool stepping() const { return runner_.busy(); }
    // The worker waits the pause ("Delta Time (ms):") before a block.
    bool pausing() const { return pausing_.load(); }

signals:
    // A block or echo is handed to the layer (the page shows it).
    void sent(const QString& handle, const QByteArray& data);
    // A transfer ended by itself: its rounds are done (reason empty) or it cannot go on
    // (reason says why).
    void stopped(const QString& handle, const QString& reason);

private:
    enum class Kind { Typed, Block, Echo };
    struct Pending {
        Kind kind;
        QString handle;
        std::uint64_t echo = 0; // the echo it carries
    };
    struct Echo {
        std::uint64_t id;
        QString handle;
        QByteArray data;
    };
    // The next block of a transfer as read from its file, before it is counted.
    struct Block {
        std::uint64_t transfer = 0;
        QByteArray data;
        std::uint64_t position = 0; // where the block after it starts
        std::uint32_t rounds = 0;   // rounds completed with it
        bool ended = false;         // it ends the transfer (its last round)
        QString failure;            // the transfer cannot go on
    };

    // The next block read ahead while the one before awaits its answer, so that it leaves
    // as soon as the answer comes (worker only). It is used only if its link's transfer is
    // still where it was read and the block size has not changed meanwhile.
    struct Staged {
        QString handle;
        std::uint64_t from = 0;         // the file position it was read at
        std::uint32_t roundsBefore = 0; // rounds completed when it was read
        qint64 size = 0;                // the block size it was read with
        Block block;
    };

    void requestStep();
    void step(StepContext& context);
    bool busyLocked() const;
    // The next block of a link; false when nothing was handed to the layer.
    bool sendBlock(StepContext& context, const QString& handle);
    bool sendEcho(StepContext& context);
    Block readBlock(const QString& handle);
    // The block size in force: the peer's under flow control, else "Block Size (byte):".
    qint64 currentBlockSize() const;
    // Reads the block of the link whose turn is next into staged_, when it may go at once.
    void stageNext();
    // The staged block when it is the one `entry` would read now.
    std::optional<Block> takeStaged(const ReceiveEntry& entry);
    // The file a transfer reads, opened once for it (worker only).
    QFile* transferFile(const ReceiveEntry& entry);
    // Sends one 0x3F whose pending entry is already the last of pending_; on failure
    // forgets it again.
    bool hand(StepContext& context, const Pending& pending, const QByteArray& data);
    void endTransfer(const QString& handle, std::uint64_t transfer, const QString& reason);
    void completed(bool ok); // the oldest pending send is answered

    ReceiveTable& table_;
    std::atomic<SendGate*> gate_{nullptr};
    std::atomic<int> blockSize_{80};
    std::atomic<bool> loopBack_{false};
    std::atomic<bool> stepPosted_{false};
    std::atomic<bool> pausing_{false};

    mutable std::mutex m_;
    std::condition_variable cv_;       // stops wake the pause before a block
    std::uint64_t stopGeneration_ = 0; // counts stop() calls
    std::deque<QString> sendQueue_;    // links waiting for their next block, round robin
    std::deque<Echo> echoes_;          // received data waiting to be echoed
    std::uint64_t nextEcho_ = 1;
    std::deque<Pending> pending_; // 0x3F commands awaiting their Command Complete
    Flow flow_;

    // Files of the transfers, open from their first block to their end (worker only;
    // stopAll closes them once the worker has stopped).
    struct OpenFile {
        std::uint64_t transfer = 0;
        std::unique_ptr<QFile> file;
    };
    std::map<QString, OpenFile> files_;
    std::optional<Staged> staged_;

    StepRunner runner_;
};

} // namespace nuvex3
