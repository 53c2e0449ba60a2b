#include "pages/gatt/TableWalkRunner.h"

#include "framework/SendGate.h"

using namespace nuvex3;
using namespace nuvex3::gatt;

TableWalkRunner::TableWalkRunner(TableWalk& walk, Sender sender, FailureText failureText,
                                 GateSource gate, QObject* parent)
    : QObject(parent), walk_(walk), sender_(std::move(sender)),
      failureText_(std::move(failureText)), gate_(std::move(gate)) {}

TableWalkRunner::~TableWalkRunner() {
    stop();
}

void TableWalkRunner::start(std::vector<std::uint8_t> links) {
    walk_.start(std::move(links));
    step();
}

void TableWalkRunner::acknowledge(std::uint8_t opcode, const Opcodes& opcodes) {
    using Op = TableWalk::Op;
    const std::pair<std::uint8_t, Op> ops[] = {
        {opcodes.services, Op::DiscoverServices},
        {opcodes.characteristics, Op::DiscoverCharacteristics},
        {opcodes.read, Op::ReadCharacteristic}};
    for (const auto& [op, walkOp] : ops)
        if (op == opcode && walk_.acknowledge(walkOp))
            step();
}

void TableWalkRunner::step() {
    SendGate* gate = gate_ ? gate_() : nullptr;
    const std::uint64_t generation = generation_.load();
    runner_.post([this, gate, generation](StepContext& context) {
        const TableWalk::Step next = walk_.next();
        if (next.kind == TableWalk::Step::Finished) {
            QMetaObject::invokeMethod(
                this,
                [this, generation] {
                    if (generation == generation_.load())
                        emit finished();
                },
                Qt::QueuedConnection);
            return;
        }
        if (next.kind != TableWalk::Step::Send)
            return;
        bool written = false;
        const bool sent =
            gate && gate->send(
                        SendGate::kWait,
                        [&](CKelvra_CmdSet_Layer& layer) {
                            walk_.sent(next.command.op); // before its answer can arrive
                            written = sender_(layer, next.command);
                        },
                        context.token());
        if (context.stopRequested() || (sent && written))
            return;
        walk_.stop();
        const QString message = failureText_(next.command.op);
        QMetaObject::invokeMethod(
            this,
            [this, generation, message] {
                if (generation == generation_.load())
                    emit failed(message);
            },
            Qt::QueuedConnection);
    });
}

void TableWalkRunner::stop() {
    ++generation_;
    walk_.stop();
    runner_.stop();
}
