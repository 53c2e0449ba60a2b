#include "pages/gatt/GattResultLists.h"

#include "link/AssignedNumbers.h"
#include "pages/common/ListViews.h"
#include "pages/common/TextListModel.h"
#include "pages/gatt/GattTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace nuvex3;

GattResultLists::GattResultLists(QWidget* parent) : QWidget(parent) {
    services_ = new TextListModel({QStringLiteral("Conn Handle"), QStringLiteral("Start Handle"),
                                   QStringLiteral("End Handle"), QStringLiteral("Service UUID")},
                                  {true, true, true, false}, this);
    characteristics_ = new TextListModel({QStringLiteral("Handle"), QStringLiteral("Attr_type"),
                                          QStringLiteral("Attr_value"), QStringLiteral("UUID")},
                                         {false, false, false, false}, this);
    servicesView_ =
        makeListView(services_, {80, 80, 80, 250}, QStringLiteral("Services  List"), this);
    characteristicsView_ = makeListView(characteristics_, {80, 120, 150, 250},
                                        QStringLiteral("Characteristics  List"), this);
    connect(servicesView_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { emit serviceRowClicked(index.row()); });

    clearServices_ = new QPushButton(QStringLiteral("Clear"), this);
    clearServices_->setAccessibleName(QStringLiteral("Clear Services List"));
    clearCharacteristics_ = new QPushButton(QStringLiteral("Clear"), this);
    clearCharacteristics_->setAccessibleName(QStringLiteral("Clear Characteristics List"));
    connect(clearServices_, &QPushButton::clicked, this, [this] { services_->clear(); });
    connect(clearCharacteristics_, &QPushButton::clicked, this,
            [this] { characteristics_->clear(); });

    auto listBar = [this](const QString& caption, QPushButton* clear, QTableView* view) {
        auto* bar = new QHBoxLayout;
        auto* label = new QLabel(caption, this);
        label->setBuddy(view);
        bar->addWidget(label);
        bar->addStretch(1);
        bar->addWidget(clear);
        return bar;
    };
    auto* lists = new QVBoxLayout(this);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->addLayout(listBar(QStringLiteral("Services  List :"), clearServices_, servicesView_));
    lists->addWidget(servicesView_, 2);
    lists->addLayout(listBar(QStringLiteral("Characteristics  List :"), clearCharacteristics_,
                             characteristicsView_));
    lists->addWidget(characteristicsView_, 3);
}

bool GattResultLists::addDiscoveryResult(int kind, const Record& record) {
    switch (kind) {
    case kKindPrimaryServiceResult:
        addService(record);
        return true;
    case kKindCharacteristicResult:
        addCharacteristic(record);
        return true;
    case kKindDescriptorResult:
        addDescriptor(record);
        return true;
    default:
        return false;
    }
}

void GattResultLists::addService(const Record& r) {
    const gatt::Service s = gatt::serviceOf(r);
    QString uuid = QStringLiteral("0x") + s.uuid;
    if (const auto name =
            assigned::serviceName(s.uuid.toStdString(), assigned::kClientPageServices);
        name && s.uuid.size() == 4)
        uuid = QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name->data(), name->size()), uuid);
    services_->appendRow({gatt::linkText(r), s.startHandle, s.endHandle, uuid});
}

void GattResultLists::addCharacteristic(const Record& r) {
    const gatt::Characteristic c = gatt::characteristicOf(r);
    const int at = characteristics_->count();
    characteristics_->insertRow(
        at, {QStringLiteral("0x") + c.declarationHandle, QStringLiteral("Characteristic"),
             QStringLiteral("%1, 0x%2").arg(gatt::propertiesText(c.properties), c.valueHandle),
             QStringLiteral("0x") + c.uuid});
    characteristics_->insertRow(
        at + 1, {QStringLiteral("0x") + c.valueHandle, QStringLiteral("Characteristic Value")});
}

void GattResultLists::addDescriptor(const Record& r) {
    const gatt::Descriptor d = gatt::descriptorOf(r);
    const std::uint32_t h = gatt::hexValue(d.handle);
    int at = characteristics_->count();
    for (int row = 0; row < characteristics_->count(); ++row)
        if (gatt::hexValue(characteristics_->cell(row, Handle)) + 1 == h) {
            at = row + 1;
            break;
        }
    characteristics_->insertRow(at, {QStringLiteral("0x") + d.handle, QStringLiteral("Descriptor"),
                                     QString(), QStringLiteral("0x") + d.uuid});
}

int GattResultLists::rowOfHandle(const QString& handle) const {
    if (handle.isEmpty())
        return -1;
    const std::uint32_t h = gatt::hexValue(handle);
    for (int row = 0; row < characteristics_->count(); ++row)
        if (gatt::hexValue(characteristics_->cell(row, Handle)) == h)
            return row;
    return -1;
}

void GattResultLists::showValue(const QString& handle, const QString& value) {
    if (const int row = rowOfHandle(handle); row >= 0)
        characteristics_->setCell(row, AttrValue, value);
}

QString GattResultLists::serviceUuidOfRow(int row) {
    services_->flush();
    if (row < 0 || row >= services_->count())
        return {};
    const QString text = services_->cell(row, ServiceUuid);
    if (const qsizetype open = text.indexOf(QLatin1String("(0x")); open >= 0) {
        const qsizetype close = text.indexOf(QLatin1Char(')'), open);
        return text.mid(open + 3, close < 0 ? -1 : close - open - 3);
    }
    return text.startsWith(QLatin1String("0x")) ? text.mid(2) : text;
}

void GattResultLists::flush() {
    services_->flush();
    characteristics_->flush();
}
