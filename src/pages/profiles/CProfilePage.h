#pragma once
// The base of the five profile pages (weight scale, heart rate, health thermometer, blood
// pressure, glucose). The local attribute table's walk hands each page the characteristics
// of its services as (UUID text, value handle text) pairs, through the main window's table
// event; the page keeps the value handle of every UUID it was given and sends to those
// handles.

#include "framework/CPageBase.h"

#include <QString>

#include <map>

class CProfilePage : public CPageBase {
    Q_OBJECT
public:
    using CPageBase::CPageBase;

    // A characteristic of the module's own attribute table for this page: its 16-bit UUID
    // ("2A37") and its value handle ("0012"), both as upper-case hexadecimal text. A page
    // that spreads the handles over sub-pages overrides this and calls the base.
    virtual void characteristicFound(const QString& uuid, const QString& valueHandle);

    // The value handle text given last for this UUID (either case), empty when none was.
    QString characteristicHandle(const QString& uuid) const;

private:
    std::map<QString, QString> handles_; // upper-case UUID -> value handle
};
