#include "pages/gatt/GattTree.h"

namespace nuvex3::gatt {

namespace {

const QString kDashes = QString(122, QLatin1Char('-')) + QLatin1Char('\n');

QString nameAndUuid(const std::optional<QString>& name, const QString& uuid) {
    return name ? QStringLiteral("%1 (%2)").arg(*name, uuid) : uuid;
}

void appendLines(QString& out, const TreeItem& item, int depth) {
    out += QString(depth, QLatin1Char('\t')) + QLatin1Char('-') + item.label + QLatin1Char('\n');
    for (const TreeItem& child : item.children)
        appendLines(out, child, depth + 1);
}

} // namespace

QString linkLabel(const Link& link) {
    return QStringLiteral("Connection Handle : %1").arg(link.handle);
}

QString serviceLabel(const Service& service) {
    if (const auto name = serviceName(service.uuid, kTableServiceRows))
        return QStringLiteral("%1 : %2").arg(*name, service.uuid);
    return QStringLiteral("Service : %1").arg(service.uuid);
}

QString characteristicLabel(const Characteristic& c) {
    const QString props = propertiesText(c.properties);
    if (const auto name = characteristicName(c.uuid))
        return QStringLiteral("%1 (%2) : %3 [%4]").arg(*name, c.uuid, props, c.declarationHandle);
    return QStringLiteral("Characteristic (%1): %2 [%3]").arg(c.uuid, props, c.declarationHandle);
}

QString valueLabel(const QString& value, const QString& valueHandle) {
    return QStringLiteral("Value: %1 [%2]").arg(value, valueHandle);
}

QString descriptorLabel(const Descriptor& d) {
    if (const auto name = descriptorName(d.uuid))
        return QStringLiteral("%1 (%2) : %3 [%4]").arg(*name, d.uuid, d.value, d.handle);
    return QStringLiteral("Descriptor(%1) : %2 [%3]").arg(d.uuid, d.value, d.handle);
}

QString labelOf(const ItemRecord& r) {
    switch (r.kind) {
    case ItemKind::Value:
        return valueLabel(r.value, r.handle);
    case ItemKind::Descriptor:
        return descriptorLabel(Descriptor{r.handle, r.uuid, r.value});
    default:
        return {};
    }
}

TreeItem buildTree(const Table& table) {
    TreeItem root{QStringLiteral("GATT Table"), {}, {}};
    for (const Link& l : table) {
        TreeItem link{linkLabel(l), {ItemKind::Link, 0, l.handle, {}, {}, {}}, {}};
        for (const Service& s : l.services) {
            TreeItem service{
                serviceLabel(s), {ItemKind::Service, 0, l.handle, s.startHandle, s.uuid, {}}, {}};
            for (const Characteristic& c : s.characteristics) {
                TreeItem decl{characteristicLabel(c),
                              {ItemKind::Declaration, 0, l.handle, c.declarationHandle, c.uuid, {}},
                              {}};
                const ItemRecord value{ItemKind::Value, c.properties, l.handle,
                                       c.valueHandle,   c.uuid,       c.value};
                decl.children.push_back({labelOf(value), value, {}});
                for (const Descriptor& d : c.descriptors) {
                    const ItemRecord r{
                        ItemKind::Descriptor, c.properties, l.handle, d.handle, d.uuid, d.value};
                    decl.children.push_back({labelOf(r), r, {}});
                }
                service.children.push_back(std::move(decl));
            }
            link.children.push_back(std::move(service));
        }
        root.children.push_back(std::move(link));
    }
    return root;
}

QString saveText(const TreeItem& root) {
    QString out = root.label + QLatin1Char('\n') + kDashes;
    for (const TreeItem& link : root.children) {
        appendLines(out, link, 1);
        out += kDashes;
    }
    return out;
}

QString notifyState(const QString& cccdValue) {
    return cccdValue == QLatin1String("0x0000") ? kDisabled : kEnabled;
}

std::vector<NotifyRow> notifyRows(const Table& table) {
    std::vector<NotifyRow> rows;
    for (const Link& l : table)
        for (const Service& s : l.services)
            for (const Characteristic& c : s.characteristics)
                for (const Descriptor& d : c.descriptors) {
                    if (d.uuid != kCccdUuid)
                        continue;
                    NotifyRow r;
                    r.connection = l.handle;
                    r.service = nameAndUuid(serviceName(s.uuid, kTableServiceRows), s.uuid);
                    r.characteristic = nameAndUuid(characteristicName(c.uuid), c.uuid);
                    r.handle = c.valueHandle;
                    r.value = c.value;
                    r.state = notifyState(d.value);
                    r.properties = c.properties;
                    r.link = l.handle;
                    r.valueHandle = c.valueHandle;
                    r.cccdHandle = d.handle;
                    rows.push_back(std::move(r));
                }
    return rows;
}

} // namespace nuvex3::gatt
