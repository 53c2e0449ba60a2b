#pragma once
// What the main window offers to the pages: its packet log, the profile pages operation,
// page activation, the start directory and the send gate. Pages reach it through
// CPageBase::mainWindow().
// Every operation is for the UI thread; from a worker thread, queue the call to the UI
// thread (QMetaObject::invokeMethod on the page).

#include <QColor>
#include <QString>

#include <cstdint>

class CPageBase;

namespace nuvex3 {

class SendGate;

// Profile page flags of setProfilePages(); 0 removes every profile page.
enum ProfilePageFlag : std::uint8_t {
    kProfileWeightScale = 0x01,
    kProfileHeartRate = 0x02,
    kProfileHealthThermometer = 0x04,
    kProfileBloodPressure = 0x08,
    kProfileGlucose = 0x10,
};

class MainWindow {
public:
    virtual ~MainWindow() = default;

    // Appends one line to the packet log view and the session log file.
    virtual void appendLog(const QString& text, const QColor& colour) = 0;
    // Adds the profile pages of the set flags (in flag order) or, with 0, removes them all.
    virtual void setProfilePages(std::uint8_t flags) = 0;
    // Shows this page of the sheet (nothing when the page is not in the sheet).
    virtual void activatePage(CPageBase& page) = 0;
    // The directory the tool was started in; log and received data files go there.
    virtual QString startDirectory() const = 0;
    // The gate every sender on a worker thread sends through.
    virtual SendGate& sendGate() = 0;
};

} // namespace nuvex3
