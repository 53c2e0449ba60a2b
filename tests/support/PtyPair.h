#pragma once
// A pseudo-terminal pair for end-to-end tests: the tool opens slavePath() like any serial
// port; the test reads and writes the master side.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvex3::test {

class PtyPair {
public:
    PtyPair();  // raw mode, non-blocking master
    ~PtyPair(); // closes both sides
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    void write(const std::vector<std::uint8_t>& bytes);
    // Reads until n bytes have arrived or no byte arrives for `quiet` (bounded wait on
    // real I/O, not a sleep). Returns what arrived.
    std::vector<std::uint8_t> read(std::size_t n,
                                   std::chrono::milliseconds quiet = std::chrono::seconds(5));
    // Everything that is available right now plus what arrives within `quiet`.
    std::vector<std::uint8_t> drain(std::chrono::milliseconds quiet);
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1; // kept open so the line does not hang up between opens
    std::string slavePath_;
};

} // namespace nuvex3::test
