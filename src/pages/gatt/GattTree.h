#pragma once
// The tree the table pages show for an attribute table, as plain data: one item per link,
// service, characteristic declaration, characteristic value and descriptor, each with its
// label and the record that "Read", "Write" and the notify switch work from. Also the
// notify list rows and the "Save As..." text, which carries the same labels. Widget-free;
// GattTreeModel shows it.

#include "pages/gatt/GattTable.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace nuvex3::gatt {

// The kinds of tree items (the root "GATT Table" has none of these).
enum class ItemKind : int {
    Root = -1,
    Link = 0,
    Service = 1,
    Declaration = 2, // properties 0: neither "Read" nor "Write"
    Value = 3,       // the characteristic's properties, value handle and value
    Descriptor = 4,  // the characteristic's properties, the descriptor's handle, UUID, value
};

struct ItemRecord {
    ItemKind kind = ItemKind::Root;
    std::uint8_t properties = 0;
    QString link;   // the link's handle text
    QString handle; // the attribute handle text
    QString uuid;
    QString value;
};

struct TreeItem {
    QString label;
    ItemRecord record;
    std::vector<TreeItem> children;
};

// The table pages name services among the first 29 rows of the service table.
inline constexpr std::size_t kTableServiceRows = 29;

// "Connection Handle : 01".
QString linkLabel(const Link& link);
// "Battery Service : 180F", or "Service : <uuid>" when the catalogue has no name.
QString serviceLabel(const Service& service);
// "Battery Level (2A19) : R/N [0011]", or "Characteristic (<uuid>): R/N [0011]".
QString characteristicLabel(const Characteristic& c);
// "Value: 0x57 [0012]".
QString valueLabel(const QString& value, const QString& valueHandle);
// "Client Characteristic Configuration (2902) : 0x0100 [0013]", or
// "Descriptor(<uuid>) : 0x0100 [0013]".
QString descriptorLabel(const Descriptor& d);
// The label of a value or descriptor item from its record (after its value changed);
// other kinds keep their labels, so this returns an empty text for them.
QString labelOf(const ItemRecord& record);

// The whole tree: root "GATT Table", then links, services, characteristics, and under each
// characteristic its value item and its descriptors.
TreeItem buildTree(const Table& table);

// "Save As...": "GATT Table", a line of 122 "-", then each link's lines indented by tabs
// and "-" by depth, each link followed by the line of "-" again.
QString saveText(const TreeItem& root);

// One row of the notify list, for each Client Characteristic Configuration descriptor.
struct NotifyRow {
    QString connection;     // the link's handle text
    QString service;        // "<name> (<uuid>)" or the UUID text
    QString characteristic; // likewise
    QString handle;         // the characteristic's value handle
    QString value;          // the characteristic's value text
    QString state;          // "Enabled", or "Disabled" when the descriptor reads 0x0000
    // What a double-click works from.
    std::uint8_t properties = 0;
    QString link;
    QString valueHandle;
    QString cccdHandle;
};
std::vector<NotifyRow> notifyRows(const Table& table);

inline const QString kEnabled = QStringLiteral("Enabled");
inline const QString kDisabled = QStringLiteral("Disabled");
// The state a notify list row shows for a configuration value text.
QString notifyState(const QString& cccdValue);

} // namespace nuvex3::gatt
