#pragma once
// The walk over an attribute table, one command per step: discover the services of a
// link (phase 0), then the characteristics and descriptors of each service (phase 1), then
// read the characteristic values (phase 2) and the descriptor values (phase 3), link after
// link. Each step is started by the acknowledgement of the previous command; a step that
// has nothing to send for the current position moves on at once ("again") until it has a
// command or the walk is over.
//
// The walk owns the table it fills: discovery results and read replies arrive on the UI
// thread while steps run on a runner's worker, so every operation takes the walk's lock.
// It says which command to send (a Command); the page maps it to its own command set
// (the remote table to 0x30, 0x31 and 0x32, the local table to 0x3B, 0x3C and 0x3A).
// Widget-free.

#include "pages/gatt/GattTable.h"

#include <QString>

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace nuvex3::gatt {

class TableWalk {
public:
    enum class Op {
        DiscoverServices,        // for `link`
        DiscoverCharacteristics, // of the service `uuid` (4 or 32 digits) on `link`
        ReadCharacteristic,      // the value at `handle` on `link`
        ReadDescriptor,          // the descriptor at `handle` on `link`
    };
    struct Command {
        Op op = Op::DiscoverServices;
        std::uint8_t link = 0;
        QString uuid;
        std::uint16_t handle = 0;
    };
    struct Step {
        enum Kind {
            Idle,     // not walking: nothing to do
            Send,     // send `command`; the next step waits for its acknowledgement
            Finished, // every link is done; the walk is no longer running
        };
        Kind kind = Idle;
        Command command;
    };
    // Which characteristic values phase 2 reads.
    enum class Reads { Readable, All };

    // The attribute a read reply belongs to.
    struct PendingRead {
        QString link;
        QString handle;
    };

    explicit TableWalk(Reads reads) : reads_(reads) {}

    // Clears the table and the position and starts walking the links in this order.
    void start(std::vector<std::uint8_t> links);
    // The links to walk changed (a link came or went during the walk).
    void setLinks(std::vector<std::uint8_t> links);
    // Ends the walk (an error, Stop or Disconnect); the table keeps what it has.
    void stop();
    bool running() const;
    int phase() const;

    // One step: moves to the next command and returns it.
    Step next();

    // The command of the last step is about to be written: the walk now waits for its
    // acknowledgement (and no other).
    void sent(Op op);
    // A command of this kind was acknowledged. True when it is the one the walk waits for
    // (the two reads are one command): then the next step may run. An acknowledgement the
    // walk does not wait for (a command of another page, an answer to a command of a
    // previous connection) moves nothing.
    bool acknowledge(Op op);

    // Filling, from discovery results (see GattTable.h for the rules).
    bool addService(const QString& link, Service service);
    // A characteristic of the service being discovered.
    bool addCharacteristic(const QString& link, Characteristic characteristic);
    bool addDescriptor(const QString& link, Descriptor descriptor);
    QString discoveringUuid() const;

    void setPendingRead(PendingRead read);
    std::optional<PendingRead> pendingRead() const;
    // A read reply: the value goes to the attribute of the pending read, which is cleared.
    // Returns that attribute, or nothing when no read was pending.
    std::optional<PendingRead> placeReadReply(const QString& value);
    // A value for one attribute (a notification, a read by UUID, a write that was done).
    bool placeValue(const QString& link, const QString& handle, const QString& value);

    // A copy of the table, and whether it holds a link record.
    Table table() const;
    bool hasLinks() const;

private:
    const Link* currentLink() const;
    QString currentLinkText() const;
    Step send(Op op, const QString& uuid = {}, std::uint16_t handle = 0);

    const Reads reads_;
    mutable std::mutex m_;
    Table table_;
    std::vector<std::uint8_t> links_;
    bool running_ = false;
    int phase_ = 0;
    std::size_t link_ = 0, service_ = 0, characteristic_ = 0, descriptor_ = 0;
    QString discovering_;
    std::optional<PendingRead> pending_;
    std::optional<Op> awaiting_; // the command written last, until it is acknowledged
};

} // namespace nuvex3::gatt
