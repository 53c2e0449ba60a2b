#include "app/ContinuousSend.h"

#include "framework/SendGate.h"
#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QMetaObject>

#include <algorithm>
#include <fstream>

namespace nuvex3 {

std::vector<std::string> parseScript(std::istream& in) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        std::erase_if(line, [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
        if (!line.empty())
            lines.push_back(std::move(line));
    }
    return lines;
}

ScriptCommand scriptCommand(const std::string& line) {
    ScriptCommand command;
    command.opcode = static_cast<std::uint8_t>(parseUnsigned(line.substr(0, 2), 16));
    const std::size_t count = line.size() / 2 >= 1 ? line.size() / 2 - 1 : 0;
    command.params = line.size() > 2 ? hexToBytes(std::string_view(line).substr(2))
                                     : std::vector<std::uint8_t>{};
    command.params.resize(count, 0);
    return command;
}

ContinuousSend::ContinuousSend(SendGate& gate, QObject* parent) : QObject(parent), gate_(gate) {}

ContinuousSend::~ContinuousSend() {
    runner_.stop();
}

const QString& ContinuousSend::finishText() {
    static const QString text = QStringLiteral("Continuius_send Finish");
    return text;
}

bool ContinuousSend::loadScript(const QString& path) {
    std::ifstream in(path.toStdString());
    if (!in) {
        setLines({});
        return false;
    }
    setLines(parseScript(in));
    return true;
}

void ContinuousSend::setLines(std::vector<std::string> lines) {
    std::lock_guard g(m_);
    lines_ = std::move(lines);
    // A run under way keeps its index; it must not read past the new end.
    index_ = std::min(index_, lines_.size());
}

std::size_t ContinuousSend::lineCount() const {
    std::lock_guard g(m_);
    return lines_.size();
}

void ContinuousSend::start(std::uint32_t rounds) {
    {
        std::lock_guard g(m_);
        round_ = 1;
        target_ = rounds;
        index_ = 0;
        running_ = true;
    }
    emit runningChanged(true);
    runner_.post([this](StepContext& c) { step(c); });
}

void ContinuousSend::stop() {
    {
        std::lock_guard g(m_);
        index_ = lines_.size();
        running_ = false;
    }
    runner_.stop();
    emit runningChanged(false);
}

bool ContinuousSend::running() const {
    std::lock_guard g(m_);
    return running_;
}

void ContinuousSend::commandSucceeded() {
    if (running())
        runner_.post([this](StepContext& c) { step(c); });
}

void ContinuousSend::finishRun() {
    running_ = false;
    QMetaObject::invokeMethod(
        this, [this] { emit runningChanged(false); }, Qt::QueuedConnection);
    postMessage(finishText(), PromptIcon::Information);
}

void ContinuousSend::step(StepContext& context) {
    ScriptCommand command;
    {
        std::lock_guard g(m_);
        // A Command Complete may queue a step while the last step of the run is still
        // finishing; once the run has ended such a step does nothing.
        if (!running_)
            return;
        if (index_ >= lines_.size()) {
            finishRun();
            return;
        }
        command = scriptCommand(lines_[index_]);
        ++index_;
    }
    // A gate time-out skips this command; the run still advances.
    gate_.send(
        SendGate::kWait,
        [&](CKelvra_CmdSet_Layer& layer) {
            if (context.sleepFor(kSendDelay))
                layer.QueueCommand(command.opcode, command.params);
        },
        context.token());
    if (context.stopRequested())
        return;
    std::lock_guard g(m_);
    if (index_ >= lines_.size()) {
        index_ = 0;
        QMetaObject::invokeMethod(
            this, [this, round = round_] { emit roundSent(static_cast<int>(round)); },
            Qt::QueuedConnection);
        if (round_ == target_)
            finishRun();
        ++round_;
    }
}

} // namespace nuvex3
