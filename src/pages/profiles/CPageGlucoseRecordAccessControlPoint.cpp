#include "pages/profiles/CPageGlucoseRecordAccessControlPoint.h"

#include "pages/common/ListViews.h"
#include "pages/profiles/ProfileFields.h"
#include "pages/profiles/WrittenValue.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

const QString kUuidMeasurement = QStringLiteral("2A18");
const QString kUuidControlPoint = QStringLiteral("2A52");

enum OpCode { kReportRecords = 1, kReportCount = 4 };
enum Operator { kAll = 1, kAtMost = 2, kAtLeast = 3, kWithin = 4, kFirst = 5, kLast = 6 };

QString nameOf(const QStringList& names, int code) {
    return code >= 0 && code < names.size() ? names[code] : QStringLiteral("Unknown");
}

std::uint8_t decimalByte(const QLineEdit* field) {
    return static_cast<std::uint8_t>(numberOf(field));
}

} // namespace

QString CPageGlucoseRecordAccessControlPoint::opCodeName(int code) {
    static const QStringList names = {QStringLiteral("Reserved"),
                                      QStringLiteral("Report stored records"),
                                      QStringLiteral("Delete stored records"),
                                      QStringLiteral("Abort operation"),
                                      QStringLiteral("Report number of stored records"),
                                      QStringLiteral("Number of stored records response"),
                                      QStringLiteral("Response Code")};
    return nameOf(names, code);
}

QString CPageGlucoseRecordAccessControlPoint::operatorName(int code) {
    static const QStringList names = {QStringLiteral("Null"),
                                      QStringLiteral("All records"),
                                      QStringLiteral("Less than or equal to"),
                                      QStringLiteral("Greater than or equal to"),
                                      QStringLiteral("Within range of"),
                                      QStringLiteral("First record"),
                                      QStringLiteral("Last record")};
    return nameOf(names, code);
}

const QStringList& CPageGlucoseRecordAccessControlPoint::responseEntries() {
    static const QStringList entries = {QStringLiteral("01: Success"),
                                        QStringLiteral("02: Op Code not supported"),
                                        QStringLiteral("03:  Invalid Operator"),
                                        QStringLiteral("04: Operator not supported"),
                                        QStringLiteral("05:  Invalid Operand"),
                                        QStringLiteral("06: No records found"),
                                        QStringLiteral("07:  Abort unsuccessful"),
                                        QStringLiteral("08: Procedure not completed"),
                                        QStringLiteral("09: Operand not supported")};
    return entries;
}

CPageGlucoseRecordAccessControlPoint::CPageGlucoseRecordAccessControlPoint(CPageBase* host,
                                                                           QWidget* parent)
    : CProfilePage(QStringLiteral("Record Access Control Point"), parent, host) {
    requests_ = new QStandardItemModel(0, 3, this);
    requests_->setHorizontalHeaderLabels(
        {QStringLiteral("Opcode"), QStringLiteral("Operator"), QStringLiteral("Operand")});
    view_ = makeListView(requests_, {}, QStringLiteral("Requests"), this);
    view_->setColumnWidth(0, 100);
    view_->setColumnWidth(1, 150);
    view_->setColumnWidth(2, 150);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setMinimumHeight(110);

    recordsGroup_ = new QGroupBox(QStringLiteral("Stored Records"), this);
    recordsGroup_->setAccessibleName(recordsGroup_->title());
    form_ = new GlucoseRecordForm(recordsGroup_);
    sendRecord_ = new QPushButton(QStringLiteral("Send"), recordsGroup_);
    auto* recordsLayout = new QVBoxLayout(recordsGroup_);
    recordsLayout->addWidget(form_);
    recordsLayout->addWidget(sendRecord_, 0, Qt::AlignLeft);

    countGroup_ = new QGroupBox(QStringLiteral("Sequence Number"), this);
    countGroup_->setAccessibleName(countGroup_->title());
    auto* countForm = new QFormLayout(countGroup_);
    countOpCode_ = plainNumberField(countGroup_, 3);
    countOperator_ = plainNumberField(countGroup_, 3);
    count_ = numberField(countGroup_, 0, 65535);
    sendCount_ = new QPushButton(QStringLiteral("Send"), countGroup_);
    countForm->addRow(QStringLiteral("Op Code:"), countOpCode_);
    countForm->addRow(QStringLiteral("Operator:"), countOperator_);
    countForm->addRow(QStringLiteral("Sequence Number:"), count_);
    countForm->addRow(sendCount_);

    responseGroup_ = new QGroupBox(QStringLiteral("Response"), this);
    responseGroup_->setAccessibleName(responseGroup_->title());
    auto* responseForm = new QFormLayout(responseGroup_);
    responseOpCode_ = plainNumberField(responseGroup_, 3);
    responseOperator_ = plainNumberField(responseGroup_, 3);
    requestOpCode_ = new QLineEdit(responseGroup_);
    requestOpCode_->setReadOnly(true);
    response_ = listOf(responseEntries(), responseGroup_);
    sendResponse_ = new QPushButton(QStringLiteral("Send"), responseGroup_);
    responseForm->addRow(QStringLiteral("Op Code:"), responseOpCode_);
    responseForm->addRow(QStringLiteral("Operator:"), responseOperator_);
    responseForm->addRow(QStringLiteral("Request Op Code:"), requestOpCode_);
    responseForm->addRow(QStringLiteral("Response:"), response_);
    responseForm->addRow(sendResponse_);

    auto* answers = new QHBoxLayout;
    answers->addWidget(countGroup_);
    answers->addWidget(responseGroup_);
    answers->addStretch(1);
    auto* page = new QVBoxLayout(this);
    page->addWidget(view_);
    page->addLayout(answers);
    page->addWidget(recordsGroup_);
    page->addStretch(1);

    // Nothing is answered before a request was clicked.
    recordsGroup_->setEnabled(false);
    countGroup_->setEnabled(false);
    responseGroup_->setEnabled(false);

    connect(view_, &QTableView::clicked, this, [this] { prepareAnswer(); });
    connect(sendRecord_, &QPushButton::clicked, this,
            &CPageGlucoseRecordAccessControlPoint::sendRecord);
    connect(sendCount_, &QPushButton::clicked, this,
            &CPageGlucoseRecordAccessControlPoint::sendCount);
    connect(sendResponse_, &QPushButton::clicked, this,
            &CPageGlucoseRecordAccessControlPoint::sendResponse);
}

void CPageGlucoseRecordAccessControlPoint::receive(int kind, const Record& record) {
    if (kind != kKindClientWrite)
        return;
    // Op code, operator, filter type, operand 1 and 2 (least significant byte first);
    // bytes the request does not hold read as 0.
    const std::vector<std::uint8_t> v = writtenValue(record);
    auto at = [&v](std::size_t i) { return i < v.size() ? static_cast<int>(v[i]) : 0; };
    lastOpCode_ = at(0);
    lastOperator_ = at(1);
    const int filter = at(2);
    QString operand;
    switch (lastOperator_) {
    case 0:
    case kAll:
    case kFirst:
    case kLast:
        operand = QStringLiteral("No operand used");
        break;
    case kWithin:
        operand1_ = at(3) + 256 * at(4);
        operand2_ = at(5) + 256 * at(6);
        operand = QString::asprintf("%d:Sequence Number,%s:form %d to %d", filter,
                                    qPrintable(operatorName(lastOperator_)), operand1_, operand2_);
        break;
    default:
        operand1_ = at(3) + 256 * at(4);
        operand = QString::asprintf("%d:Sequence Number,%s:%d", filter,
                                    qPrintable(operatorName(lastOperator_)), operand1_);
        break;
    }
    if (requests_->rowCount() >= kMaxRequestRows) {
        requests_->removeRow(0);
        rowCounter_ = std::max(0, rowCounter_ - 1);
    }
    rowCounter_ = std::min(rowCounter_, requests_->rowCount());
    requests_->insertRow(
        rowCounter_, {new QStandardItem(QString::asprintf("%02x:%s", lastOpCode_,
                                                          qPrintable(opCodeName(lastOpCode_)))),
                      new QStandardItem(QString::asprintf("%02x:%s", lastOperator_,
                                                          qPrintable(operatorName(lastOperator_)))),
                      new QStandardItem(operand)});
    ++rowCounter_;
}

void CPageGlucoseRecordAccessControlPoint::prepareAnswer() {
    if (lastOpCode_ == kReportRecords) {
        int records = 0;
        switch (lastOperator_) {
        case kAll:
            records = storedCount_;
            break;
        case kAtMost:
            records = operand1_;
            break;
        case kAtLeast:
            records = storedCount_ - operand1_;
            break;
        case kWithin:
            records = operand2_ - operand1_;
            break;
        case kFirst:
        case kLast:
            records = 1;
            break;
        default:
            break;
        }
        if (lastOperator_ < kAll || lastOperator_ > kLast) {
            prompts().message(QStringLiteral("Error operator !"));
        } else {
            prompts().message(
                QString::asprintf("Please enter %d group of glucose records.", records),
                PromptIcon::Information);
            recordsGroup_->setEnabled(true);
            form_->sequenceEdit()->setText(QStringLiteral("01"));
            form_->timeFields().fillNow();
        }
    }
    if (lastOpCode_ == kReportCount) {
        countGroup_->setEnabled(true);
        countOpCode_->setText(QStringLiteral("05"));
        countOperator_->setText(QStringLiteral("00"));
    }
    responseGroup_->setEnabled(true);
    responseOpCode_->setText(QStringLiteral("06"));
    responseOperator_->setText(QStringLiteral("00"));
    requestOpCode_->setText(QString::asprintf("%02x", lastOpCode_));
}

void CPageGlucoseRecordAccessControlPoint::sendRecord() {
    sendValue(lastLink(), kUuidMeasurement, form_->value(),
              QStringLiteral("Send glucose measurement context fail!"));
    emit measurementSent(form_->reading(2));
}

void CPageGlucoseRecordAccessControlPoint::sendCount() {
    storedCount_ = numberOf(count_);
    const std::vector<std::uint8_t> value = ValueWriter()
                                                .u8(decimalByte(countOpCode_))
                                                .u8(decimalByte(countOperator_))
                                                .u16(static_cast<std::uint32_t>(storedCount_))
                                                .bytes();
    if (sendValue(lastLink(), kUuidControlPoint, value,
                  QStringLiteral("Send glucose records number fail!")))
        countGroup_->setEnabled(false);
}

void CPageGlucoseRecordAccessControlPoint::sendResponse() {
    const std::uint8_t code = static_cast<std::uint8_t>(
        parseUnsigned(response_->currentText().left(2).toStdString(), 16));
    const std::vector<std::uint8_t> value = {decimalByte(responseOpCode_),
                                             decimalByte(responseOperator_),
                                             static_cast<std::uint8_t>(lastOpCode_), code};
    if (!sendValue(lastLink(), kUuidControlPoint, value,
                   QStringLiteral("Send glucose response fail!")))
        return;
    recordsGroup_->setEnabled(false);
    responseGroup_->setEnabled(false);
    requests_->removeRow(0);
    rowCounter_ = 0;
}
