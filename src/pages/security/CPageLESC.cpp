#include "pages/security/CPageLESC.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

CPageLESC::CPageLESC(QWidget* parent) : CPageBase(QStringLiteral("LESC"), parent) {
    model_ = new QStandardItemModel(0, 2, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("Event Opcode"), QStringLiteral("Value")});

    // Grid lines, movable columns, whole-row selection; nothing is edited.
    view_ = new QTableView(this);
    view_->setAccessibleName(QStringLiteral("LE Secure Connections values"));
    view_->setModel(model_);
    view_->setShowGrid(true);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->verticalHeader()->setVisible(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setSectionsMovable(true);
    view_->horizontalHeader()->setStretchLastSection(false);
    view_->setColumnWidth(0, 100);
    view_->setColumnWidth(1, 800);

    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    connect(clear_, &QPushButton::clicked, this, &CPageLESC::reset);

    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(clear_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(bar);
    page->addWidget(view_, 1);
    reset();
}

const QStringList& CPageLESC::rowLabels() {
    static const QStringList labels = {
        QStringLiteral("f4-PKax"),  QStringLiteral("f4-PKbx"),   QStringLiteral("f4-Na"),
        QStringLiteral("f4-Nb"),    QStringLiteral("f4-rai"),    QStringLiteral("f4-rbi"),
        QStringLiteral("f4-Ca"),    QStringLiteral("f4-Cb"),     QStringLiteral("f5-DHKey"),
        QStringLiteral("f5-LTK"),   QStringLiteral("f5-MAC"),    QStringLiteral("f6-MACKey"),
        QStringLiteral("f6-Na"),    QStringLiteral("f6-Nb"),     QStringLiteral("f6-ra"),
        QStringLiteral("f6-rb"),    QStringLiteral("f6-IOcapA"), QStringLiteral("f6-IOcapB"),
        QStringLiteral("f6-A"),     QStringLiteral("f6-B"),      QStringLiteral("F6-Ea"),
        QStringLiteral("F6-Eb"),    QStringLiteral("g2-PKax"),   QStringLiteral("g2-PKbx"),
        QStringLiteral("g2-Na"),    QStringLiteral("g2-Nb"),     QStringLiteral("g2-Output"),
        QStringLiteral("h6-BRLTK"),
    };
    return labels;
}

void CPageLESC::reset() {
    model_->removeRows(0, model_->rowCount());
    for (const QString& label : rowLabels())
        model_->appendRow({new QStandardItem(label), new QStandardItem()});
}
