// Fuzz target for the whole receive path: arbitrary bytes from a module on a
// pseudo-terminal go through the layer into the real main window's event routing, with the
// prompt fake standing in for the message boxes (it runs an event loop while a box is
// "open", as a real box does). After each input the module sends enough zeros to close a
// packet the input left open, then a marker packet; the window must show the marker.
// Checks: no crash, never more than one box open at a time, the log view's text and the
// prompt fake's record stay bounded, and the window keeps routing.

#include "AppTestSupport.h"
#include "PtyPair.h"

#include "app/PacketLog.h"
#include "link/Clock.h"
#include "link/Packet.h"

#include <QApplication>
#include <QTextDocument>
#include <QTextEdit>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using namespace nuvex3;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "route_fuzzer: %s\n", what);
        std::abort();
    }
}

// One window for every input, connected to one pseudo-terminal; time moves only when the
// target says so, so nothing times out while the input is routed.
struct Session {
    int argc = 1;
    char name[13] = "route_fuzzer";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    ManualClock clock;
    ScopedClock scopedClock{clock};
    test::PtyPair pty;
    test::MainWindowHarness harness;
    std::uint32_t marker = 0;

    Session() {
        harness.connectTo(QString::fromStdString(pty.slavePath()));
        check(harness.dialog().connected(), "the window did not connect to the pseudo-terminal");
    }
};

Session& session() {
    static Session* s = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new Session; // lives until the process ends, as the fuzzer's inputs do
    }();
    return *s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session& s = session();
    s.harness.prompts().clear();

    // The input, zeros to close a packet it left open (the longest has kReassemblySize
    // bytes, none of them a start byte), then the marker, a Status Report with a counter.
    std::vector<std::uint8_t> bytes(data, data + size);
    bytes.insert(bytes.end(), kReassemblySize, 0x00);
    const std::uint32_t m = ++s.marker;
    const auto marker = test::packet(
        0x81, {0x09, static_cast<std::uint8_t>(m >> 24), static_cast<std::uint8_t>(m >> 16),
               static_cast<std::uint8_t>(m >> 8), static_cast<std::uint8_t>(m)});
    bytes.insert(bytes.end(), marker.begin(), marker.end());

    // Written from a thread of its own: the window's reader stops reading while its queue
    // is full, and this thread is the window's.
    std::thread writer([&s, &bytes] { s.pty.write(bytes); });
    QString markerLine = QStringLiteral("--> ");
    for (std::size_t i = 1; i + 1 < marker.size(); ++i)
        markerLine += QString::asprintf("%02X", marker[i]);
    const bool shown = s.harness.waitForLine(markerLine);
    writer.join();
    s.pty.drain(std::chrono::milliseconds(0)); // what the tool sent meanwhile

    check(shown, "the marker packet after the input never reached the log view");
    check(s.harness.prompts().maxOpen() <= 1, "a message box opened inside another one");
    const int viewCharacters = s.harness.ui().logView->document()->characterCount();
    check(viewCharacters <= PacketLog::kTrimAbove + 4 * static_cast<int>(kReassemblySize),
          "the log view holds more text than its bound");
    return 0;
}
