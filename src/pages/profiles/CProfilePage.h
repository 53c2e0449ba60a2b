#pragma once
// The base of the five profile pages (weight scale, heart rate, health thermometer, blood
// pressure, glucose) and the glucose sub-pages. The local attribute table's walk hands each
// page the characteristics of its services as (UUID text, value handle text) pairs,
// through the main window's table event; the page keeps the value handle of every UUID it
// was given and sends to those handles: Send Characteristic Value (0x38, to a connected
// peer) or Update Characteristic Value (0x39, the module's own value). A failed write
// shows the page's message.

#include "framework/CPageBase.h"

#include <QString>

#include <cstdint>
#include <map>
#include <span>

class CProfilePage : public CPageBase {
    Q_OBJECT
public:
    // `host`: the page whose command layer and link table this one uses (the glucose
    // sub-pages use their host's); null for the page itself.
    explicit CProfilePage(const QString& caption, QWidget* parent = nullptr,
                          CPageBase* host = nullptr);

    // A characteristic of the module's own attribute table for this page: its 16-bit UUID
    // ("2A37") and its value handle ("0012"), both as upper-case hexadecimal text. A page
    // that spreads the handles over sub-pages overrides this and calls the base.
    virtual void characteristicFound(const QString& uuid, const QString& valueHandle);

    // The value handle text given last for this UUID (either case), empty when none was.
    QString characteristicHandle(const QString& uuid) const;

    // The handle text of the characteristic the peer writes to (the control point), whose
    // writes the main window hands to this page; empty when the page has none.
    virtual QString controlPointHandle() const { return {}; }

protected:
    // The handle of a UUID read as a hexadecimal number (0 while unknown).
    std::uint16_t handleOf(const QString& uuid) const;
    // The first handle of the link list, 0x00 when there is no link.
    std::uint8_t firstLink() const;
    // The last handle of the link list, 0x00 when there is no link.
    std::uint8_t lastLink() const;
    // Send Characteristic Value to `link`; the message when the layer refuses it.
    bool sendValue(std::uint8_t link, const QString& uuid, std::span<const std::uint8_t> value,
                   const QString& failure);
    // Update Characteristic Value; the message when the layer refuses it.
    bool updateValue(const QString& uuid, std::span<const std::uint8_t> value,
                     const QString& failure);

private:
    CPageBase* host_;
    std::map<QString, QString> handles_; // upper-case UUID -> value handle
};

// True when the attribute handle of these two bytes is the one the handle text names; an
// empty text names no handle.
bool isHandle(const QString& handleText, std::uint8_t high, std::uint8_t low);
