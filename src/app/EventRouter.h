#pragma once
// Everything the command layer reports reaches the window here, on the UI thread, one
// record at a time in the order the layer produced them: the packet log lines, the error
// messages, the module status, the link table and the events of every page. The routing
// of decoded kinds is one table (kRoutes in EventRouter.cpp); each page adds its rows
// there.

#include "link/Packet.h"

#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class CPageDisplayYesNo;
class QComboBox;

namespace nuvex3 {

class MainTimers;
class MainWindow;
struct PageSet;

// "BT Status:" and "Link 1:" to "Link 4:".
using StatusCombos = std::array<QComboBox*, 5>;

// Answers the pairing questions of the module when nobody is there to answer them (the
// headless runner): a pass key request or a numeric comparison no runner took.
class UnattendedPairing {
public:
    virtual ~UnattendedPairing() = default;
    virtual void passkeyRequested(std::uint8_t handle) = 0;
    virtual void confirmRequested(std::uint8_t handle, const QString& code) = 0;
};

// The entries of the module status combos; `link4` gives the list of "Link 4:".
QStringList moduleStateEntries(bool link4 = false);

// The packet log line of a command record (kind 0) or of a received packet (kind 1).
QString sentLine(const Record& command);
QString receivedLine(const Record& packet);

class EventRouter {
public:
    struct Targets {
        PageSet& pages;
        MainWindow& window;
        StatusCombos status;
        MainTimers& timers;
        // A Command Complete with status 0 arrived (continuous send goes on).
        std::function<void()> commandSucceeded;
    };

    explicit EventRouter(Targets targets);

    // Handles one record of the command layer.
    void route(int kind, const Record& record);

    // The port closed (Disconnect, or the port was lost): nothing the module reported
    // holds any more. The status displays are emptied and every link is forgotten, as
    // when the module reports itself and all links idle.
    void forgetModule();

    // The handles of the established links, in the order they were established.
    const std::vector<std::uint8_t>& linkTable() const { return links_; }

    // The port is about to close: the open pairing question ends without an answer, and
    // a pass key request still waiting for its message to be dismissed is dropped.
    void endPairingOnPortClose();
    // The numeric comparison question that is open, if any.
    CPageDisplayYesNo* pairingQuestion() const;

    // Installs (or, with nullptr, removes) the unattended answers.
    void setUnattendedPairing(UnattendedPairing* answers) { unattended_ = answers; }

private:
    using Handler = void (EventRouter::*)(int kind, const Record& record);
    struct Route {
        int kind;
        Handler handler;
    };
    static const std::vector<Route>& routes();

    bool commandComplete(const Record& record); // false: the record stops here
    void toGap(int kind, const Record& record);
    void toGapAndAdvEditor(int kind, const Record& record);
    void moduleStatus(int kind, const Record& record);
    void connectionComplete(int kind, const Record& record);
    void disconnectionComplete(int kind, const Record& record);
    // Pairing (EventRouterPairing.cpp).
    void passkeyEntryRequest(int kind, const Record& record);
    void pairingComplete(int kind, const Record& record);
    void passkeyConfirmRequest(int kind, const Record& record);
    bool pairingTakenByRunner(int kind, const Record& record);
    void endPairingQuestion();
    void configureMode(int kind, const Record& record);
    // The auto test and the test cases (EventRouterAutomation.cpp).
    void automationStatus(int kind, const Record& record);
    void automationAdvertising(int kind, const Record& record);
    void automationCommandComplete(int kind, const Record& record);
    void automationServiceFound(int kind, const Record& record);
    bool commandErrorTakenByRunner(std::uint8_t opcode, std::uint8_t status);
    bool disconnectionTakenByRunner(std::uint8_t reason);
    bool confirmTakenUnattended(std::uint8_t handle, const QString& code);
    // Maintenance pages (EventRouterMaintenance.cpp).
    void toCommon(int kind, const Record& record);
    void toGpio(int kind, const Record& record);
    void maintenanceCommandComplete(int kind, const Record& record);

    // GATT client and remote table (EventRouterGatt.cpp).
    // A Command Complete with an error status: true when it is handled here and goes no
    // further (status 0x8A during the remote walk).
    bool gattCommandError(std::uint8_t opcode, std::uint8_t status);
    void gattCommandDone(int kind, const Record& record);
    void gattReadReply(int kind, const Record& record);
    void gattReadByUuid(int kind, const Record& record);
    void gattDiscovery(int kind, const Record& record);
    void gattValueReceived(int kind, const Record& record);
    // The module acknowledged `opcode`: the remote walk's next step when it is the walk's.
    void stepRemoteWalk(std::uint8_t opcode);
    // Transparent data (EventRouterTransparent.cpp).
    void transparentCredit(int kind, const Record& record); // 22: credit notification
    void receivedData(int kind, const Record& record);      // 25: file, view, loop-back

    // GATT server and local table (EventRouterGattServer.cpp).
    // A Command Complete with an error status for a local command: true when it is handled
    // here and goes no further (status 0x8A during the local walk).
    bool gattServerCommandError(std::uint8_t opcode, std::uint8_t status);
    void gattServerCommandDone(int kind, const Record& record);
    void localReadReply(int kind, const Record& record);
    void clientWrite(int kind, const Record& record);
    // Profile pages and the customer demo page (EventRouterProfiles.cpp).
    void profileControlPoint(int kind, const Record& record);
    void customerDemo(int kind, const Record& record);

    // A receive table entry and an empty received data file for a new link.
    void addReceiveEntry(std::uint8_t handle);

    void forgetLinks();
    void copyLinkTable();
    void selectState(QComboBox* combo, std::uint8_t state);

    Targets t_;
    std::vector<std::uint8_t> links_;

    UnattendedPairing* unattended_ = nullptr;
    QPointer<CPageDisplayYesNo> question_;
    // Counts pairings that ended, per handle, and port closes: a pass key request whose
    // message was open meanwhile does not enable the keypad afterwards.
    std::array<std::uint32_t, 256> pairingsEnded_{};
    std::uint32_t portCloses_ = 0;
};

} // namespace nuvex3
