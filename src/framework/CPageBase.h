#pragma once
// The base of every feature page in the property sheet: the command layer it sends
// through (not owned; set on Connect, cleared on Disconnect), its copy of the link table,
// an enable operation and a receive operation for routed events.

#include "link/Packet.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace nuvex3 {
class CKelvra_CmdSet_Layer;
class MainWindow;
} // namespace nuvex3

class CPageBase : public QWidget {
    Q_OBJECT
public:
    explicit CPageBase(const QString& caption, QWidget* parent = nullptr);

    // The tab caption in the property sheet.
    const QString& caption() const { return caption_; }

    void setLayer(nuvex3::CKelvra_CmdSet_Layer* layer) {
        layer_ = layer;
        layerChanged();
    }
    nuvex3::CKelvra_CmdSet_Layer* layer() const { return layer_; }

    // The main window (not owned), set once when the main window builds its sheet.
    void setMainWindow(nuvex3::MainWindow* window) { mainWindow_ = window; }
    nuvex3::MainWindow* mainWindow() const { return mainWindow_; }

    // Connected / disconnected. What it enables is the page's own business; the default
    // enables or disables the whole page.
    virtual void enable(bool on);

    // An event routed to this page by the main window, on the UI thread.
    virtual void receive(int kind, const nuvex3::Record& record);

    // The main window overwrites every page's copy after each change of the link table.
    void setLinkTable(const std::vector<std::uint8_t>& handles);
    const std::vector<std::uint8_t>& linkTable() const { return links_; }

    // The module reported itself and all four links idle: forget every link.
    virtual void onAllIdle();

    // The command layer is about to go (Disconnect, a lost port, exit): stop every runner
    // of the page and wait for its worker, so that nothing is sent afterwards. UI thread.
    virtual void stopRunners() {}

protected:
    // Called after the link table copy changed (refresh handle combos here).
    virtual void linkTableChanged() {}
    // Called after the command layer was set or taken away (nullptr: Disconnect or a lost
    // port, before the layer is destroyed; a page stops its runners here).
    virtual void layerChanged() {}

private:
    QString caption_;
    nuvex3::CKelvra_CmdSet_Layer* layer_ = nullptr;
    nuvex3::MainWindow* mainWindow_ = nullptr;
    std::vector<std::uint8_t> links_;
};
