#include "pages/common/CNamedValuesPage.h"

#include "pages/common/ListViews.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

CNamedValuesPage::CNamedValuesPage(const QString& caption, QStringList rowNames,
                                   int nameColumnWidth, const QString& accessibleName,
                                   QWidget* parent)
    : CPageBase(caption, parent), names_(std::move(rowNames)) {
    model_ = new QStandardItemModel(0, 2, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("Event Opcode"), QStringLiteral("Value")});

    // Nothing is edited; the columns can be dragged into another order.
    view_ = makeListView(model_, {}, accessibleName, this);
    view_->horizontalHeader()->setSectionsMovable(true);
    view_->setColumnWidth(0, nameColumnWidth);
    view_->setColumnWidth(1, 800);

    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    connect(clear_, &QPushButton::clicked, this, &CNamedValuesPage::reset);

    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(clear_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(bar);
    page->addWidget(view_, 1);
    reset();
}

void CNamedValuesPage::reset() {
    model_->removeRows(0, model_->rowCount());
    for (const QString& name : names_)
        model_->appendRow({new QStandardItem(name), new QStandardItem()});
}
