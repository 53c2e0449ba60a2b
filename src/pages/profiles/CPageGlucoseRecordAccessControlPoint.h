#pragma once
// The "Record Access Control Point" sub-page of the glucose page: the glucose sensor's
// side of the record access procedures, played by hand. Every request the peer writes to
// the Record Access Control Point becomes a row of the request list; a click in the list
// prepares the answer to the last request, which the engineer then sends: stored records
// (typed in), the number of stored records, or a response code. Every answer goes to the
// last connected peer with Send Characteristic Value.

#include "pages/profiles/CProfilePage.h"
#include "pages/profiles/GlucoseRecordForm.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;

class CPageGlucoseRecordAccessControlPoint : public CProfilePage {
    Q_OBJECT
public:
    // More requests than this drop the oldest row (a peer that writes without end).
    static constexpr int kMaxRequestRows = 1000;

    explicit CPageGlucoseRecordAccessControlPoint(CPageBase* host, QWidget* parent = nullptr);

    // Kind 23: a request written to the Record Access Control Point.
    void receive(int kind, const nuvex3::Record& record) override;
    // The click in the request list: prepares the answer to the last request.
    void prepareAnswer();

    static QString opCodeName(int code);
    static QString operatorName(int code);
    static const QStringList& responseEntries();

    // Controls, for tests.
    QStandardItemModel* requests() const { return requests_; }
    QTableView* requestView() const { return view_; }
    QGroupBox* recordsGroup() const { return recordsGroup_; }
    nuvex3::profiles::GlucoseRecordForm* form() const { return form_; }
    QPushButton* sendRecordButton() const { return sendRecord_; }
    QGroupBox* countGroup() const { return countGroup_; }
    QLineEdit* countOpCodeEdit() const { return countOpCode_; }
    QLineEdit* countOperatorEdit() const { return countOperator_; }
    QLineEdit* countEdit() const { return count_; }
    QPushButton* sendCountButton() const { return sendCount_; }
    QGroupBox* responseGroup() const { return responseGroup_; }
    QLineEdit* responseOpCodeEdit() const { return responseOpCode_; }
    QLineEdit* responseOperatorEdit() const { return responseOperator_; }
    QLineEdit* requestOpCodeEdit() const { return requestOpCode_; }
    QComboBox* responseList() const { return response_; }
    QPushButton* sendResponseButton() const { return sendResponse_; }
    int rowCounter() const { return rowCounter_; }
    int storedRecordCount() const { return storedCount_; }

signals:
    // A stored record was sent (or tried): the host's display shows it.
    void measurementSent(const nuvex3::profiles::GlucoseReading& reading);

private:
    void sendRecord();
    void sendCount();
    void sendResponse();

    QStandardItemModel* requests_ = nullptr;
    QTableView* view_ = nullptr;
    QGroupBox* recordsGroup_ = nullptr;
    nuvex3::profiles::GlucoseRecordForm* form_ = nullptr;
    QPushButton* sendRecord_ = nullptr;
    QGroupBox* countGroup_ = nullptr;
    QLineEdit* countOpCode_ = nullptr;
    QLineEdit* countOperator_ = nullptr;
    QLineEdit* count_ = nullptr;
    QPushButton* sendCount_ = nullptr;
    QGroupBox* responseGroup_ = nullptr;
    QLineEdit* responseOpCode_ = nullptr;
    QLineEdit* responseOperator_ = nullptr;
    QLineEdit* requestOpCode_ = nullptr;
    QComboBox* response_ = nullptr;
    QPushButton* sendResponse_ = nullptr;

    int rowCounter_ = 0;
    int lastOpCode_ = 0;
    int lastOperator_ = 0;
    int operand1_ = 0;
    int operand2_ = 0;
    int storedCount_ = 0;
};
