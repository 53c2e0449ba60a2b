#include "pages/common/Fields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

QLineEdit* readOnlyEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    return e;
}

QWidget* prefixed(QWidget* field, QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(new QLabel(QStringLiteral("0x"), w));
    h->addWidget(field, 1);
    return w;
}
