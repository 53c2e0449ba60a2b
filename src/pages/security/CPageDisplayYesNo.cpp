#include "pages/security/CPageDisplayYesNo.h"

#include "link/CKelvra_CmdSet_Layer.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPageDisplayYesNo::CPageDisplayYesNo(nuvex3::CKelvra_CmdSet_Layer* layer, std::uint8_t handle,
                                     const QString& pairingCode, QWidget* parent)
    : QDialog(parent), layer_(layer), handle_(handle) {
    setWindowTitle(QStringLiteral("DisPlay YesNo"));
    // No close box: the question is answered with "Yes" or "No".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* grid = new QGridLayout;
    auto* handleCaption = new QLabel(QStringLiteral("Connection Handle :"), this);
    handleEdit_ = new QLineEdit(QString::asprintf("%02x", handle), this);
    handleEdit_->setReadOnly(true);
    handleCaption->setBuddy(handleEdit_);
    auto* codeCaption = new QLabel(QStringLiteral("Pairing Code :"), this);
    codeEdit_ = new QLineEdit(pairingCode, this);
    codeEdit_->setReadOnly(true);
    codeCaption->setBuddy(codeEdit_);
    grid->addWidget(handleCaption, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("0x"), this), 0, 1);
    grid->addWidget(handleEdit_, 0, 2);
    grid->addWidget(codeCaption, 1, 0);
    grid->addWidget(codeEdit_, 1, 2);
    grid->setColumnStretch(2, 1);

    yes_ = new QPushButton(QStringLiteral("Yes"), this);
    no_ = new QPushButton(QStringLiteral("No"), this);
    yes_->setDefault(true);
    connect(yes_, &QPushButton::clicked, this, &CPageDisplayYesNo::answerYes);
    connect(no_, &QPushButton::clicked, this, &CPageDisplayYesNo::answerNo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(yes_);
    buttons->addWidget(no_);

    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Requires to Pairing"), this));
    column->addLayout(grid);
    column->addLayout(buttons);
    yes_->setFocus();
}

void CPageDisplayYesNo::answer(std::uint8_t value, int result) {
    // The answer's Command Complete comes back through the log; a failed write shows
    // nothing.
    if (layer_)
        layer_->PasskeyConfirmReply(handle_, value);
    layer_ = nullptr;
    done(result);
}

void CPageDisplayYesNo::answerYes() {
    answer(kAccept, Accepted);
}

void CPageDisplayYesNo::answerNo() {
    answer(kReject, Rejected);
}

void CPageDisplayYesNo::reject() {
    if (isVisible())
        answerNo();
    else
        QDialog::reject();
}

void CPageDisplayYesNo::end() {
    layer_ = nullptr;
    done(Rejected);
}
