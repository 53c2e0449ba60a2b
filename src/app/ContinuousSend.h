#pragma once
// Continuous send: sends the commands of a text script one after the other, each next one
// after the module has answered the previous one with a successful Command Complete, for a
// number of rounds. Steps run on the runner's worker and send through the send gate.
// Widget-free; the main window shows its state.

#include "framework/StepRunner.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <istream>
#include <mutex>
#include <string>
#include <vector>

namespace nuvex3 {

class SendGate;

// One script line as a command.
struct ScriptCommand {
    std::uint8_t opcode = 0;
    std::vector<std::uint8_t> params;
};

// Reads a script: one command per line, blanks removed, empty lines skipped.
std::vector<std::string> parseScript(std::istream& in);
// The opcode is the first two characters in hex; the parameter count is (length / 2) - 1
// (never below 0); the parameters are the rest of the line converted from hex.
ScriptCommand scriptCommand(const std::string& line);

class ContinuousSend : public QObject {
    Q_OBJECT
public:
    static constexpr auto kSendDelay = std::chrono::milliseconds(50);

    explicit ContinuousSend(SendGate& gate, QObject* parent = nullptr);
    ~ContinuousSend() override;

    // Replaces the script lines (a run under way goes on with the new lines from its
    // current index). False when the file cannot be read; the lines are then empty.
    bool loadScript(const QString& path);
    void setLines(std::vector<std::string> lines);
    std::size_t lineCount() const;

    // "Continuous Send": starts a run of `rounds` rounds (0 repeats until stopped).
    void start(std::uint32_t rounds);
    // "Stop": ends the run; a step under way sends nothing more.
    void stop();
    bool running() const;
    // A step is queued or running (it may be waiting for its delay or the gate).
    bool stepUnderWay() const { return runner_.busy(); }

    // A Command Complete with status 0 arrived (UI thread): the next step goes.
    void commandSucceeded();

    static const QString& finishText();

signals:
    // Emitted on the UI thread when a run starts or ends.
    void runningChanged(bool running);
    // Emitted on the UI thread when the last line of a round (counted from 1) has gone.
    void roundSent(int round);

private:
    void step(StepContext& context);
    void finishRun(); // with m_ held

    SendGate& gate_;
    mutable std::mutex m_;
    std::vector<std::string> lines_;
    std::size_t index_ = 0;
    std::uint32_t round_ = 1;
    std::uint32_t target_ = 1;
    bool running_ = false;
    StepRunner runner_;
};

} // namespace nuvex3
