#pragma once
// What the main window offers to the pages: its packet log, the profile pages operation,
// the table event that hands characteristic handles to the profile pages, page
// activation, the start directory and the send gate. Pages reach it through
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

// The profile page a characteristic of an attribute table is handed to (tableEvent()), by
// the service it belongs to.
enum ProfileSelector : int {
    kSelectGlucose = 1,           // glucose service
    kSelectHealthThermometer = 2, // health thermometer service
    kSelectHeartRate = 3,         // heart rate service
    kSelectBattery = 4,           // battery service: the weight scale page
    kSelectBloodPressure = 5,     // blood pressure service
    kSelectWeightScale = 6,       // weight scale service
};

class MainWindow {
public:
    virtual ~MainWindow() = default;

    // Appends one line to the packet log view and the session log file.
    virtual void appendLog(const QString& text, const QColor& colour) = 0;
    // Adds the profile pages of the set flags (in flag order) or, with 0, removes them all.
    virtual void setProfilePages(std::uint8_t flags) = 0;
    // A characteristic with a 16-bit UUID that an attribute table walk found: its UUID text
    // ("2A37") and value handle text ("0012") go to the profile page the selector names;
    // another selector does nothing.
    virtual void tableEvent(int selector, const QString& uuid, const QString& valueHandle) = 0;
    // Shows this page of the sheet (nothing when the page is not in the sheet).
    virtual void activatePage(CPageBase& page) = 0;
    // The directory the tool was started in; log and received data files go there.
    virtual QString startDirectory() const = 0;
    // The gate every sender on a worker thread sends through.
    virtual SendGate& sendGate() = 0;
};

} // namespace nuvex3
