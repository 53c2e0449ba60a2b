#pragma once
// What the two attribute-table pages share: a TableWalk over the links a page walks, run
// one command at a time by a TableWalkRunner with the page's own commands, the tree panel
// over the same walk with the page's "Get ... Table" button, and what the event routing
// asks of a table page (start, acknowledge, stop, the profile pages found, the pending
// read). finished() of the runner rebuilds the panel; failed() shows the page's message.

#include "framework/CPageBase.h"
#include "pages/gatt/TableWalk.h"
#include "pages/gatt/TableWalkRunner.h"

#include <QString>

#include <cstdint>
#include <vector>

class GattTablePanel;

class CTableWalkPage : public CPageBase {
    Q_OBJECT
public:
    ~CTableWalkPage() override;

    void stopRunners() override;

    // ---- what the event routing asks ----
    // "Get ... Table": starts the walk over linksToWalk().
    void startWalk();
    // The walk is running (its flag is set).
    bool walking() const;
    // The module acknowledged `opcode`: when it is the walk's command the next step runs.
    void ContinueWalk(std::uint8_t opcode);
    // An error ended the walk; the table keeps what it has.
    void stopWalk();
    // The profile pages of the services the walk found (setProfilePages flags).
    std::uint8_t profileFlags() const { return profileFlags_; }
    // The attribute handle of the pending read (the client or server page places a reply
    // it did not ask for by it), empty when none.
    QString pendingReadHandle() const;

    // ---- for tests ----
    const nuvex3::gatt::TableWalk& walk() const { return walk_; }
    GattTablePanel* panel() const { return panel_; }
    bool walkStepUnderWay() const;

protected:
    struct Setup {
        QString caption;  // the page's tab caption
        QString getTable; // the panel's button, "Get ... GATT Table"
        QString table;    // "Client" or "Server" in "Get GATT ... Table Fail!(...)"
        nuvex3::gatt::TableWalk::Reads reads;
        TableWalkRunner::Sender sender;   // the page's four walk commands
        TableWalkRunner::Opcodes opcodes; // and their opcodes
    };
    CTableWalkPage(const Setup& setup, QWidget* parent);

    // The links a walk goes over.
    virtual std::vector<std::uint8_t> linksToWalk() const = 0;
    // A primary service the walk found: filed, and its profile page flagged.
    void onServiceFound(const nuvex3::Record& record);

    nuvex3::gatt::TableWalk walk_;
    GattTablePanel* panel_ = nullptr;

private:
    TableWalkRunner* runner_ = nullptr;
    TableWalkRunner::Opcodes opcodes_;
    std::uint8_t profileFlags_ = 0;
};
