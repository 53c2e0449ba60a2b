#pragma once
// "DisPlay YesNo": the numeric comparison question. The module shows a six-character
// pairing code and asks whether the peer shows the same; "Yes" answers with a Passkey
// Confirm Reply (0x41) of 0x00, "No" (and Esc) with 0x01. The main window shows one
// window-modal at a time on the UI thread, so events go on being routed while it is open,
// and ends it without an answer when the pairing completes or the port closes.

#include <QDialog>

#include <cstdint>

class QLineEdit;
class QPushButton;

namespace nuvex3 {
class CKelvra_CmdSet_Layer;
}

class CPageDisplayYesNo : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAccept = 0x00;
    static constexpr std::uint8_t kReject = 0x01;

    CPageDisplayYesNo(nuvex3::CKelvra_CmdSet_Layer* layer, std::uint8_t handle,
                      const QString& pairingCode, QWidget* parent = nullptr);

    std::uint8_t handle() const { return handle_; }

    // Closes the question without sending anything (the pairing ended, or the port is
    // closing: the layer is not used any more after this).
    void end();

    // The answers, as the buttons give them.
    void answerYes();
    void answerNo();

    // Controls, for tests.
    QLineEdit* handleEdit() const { return handleEdit_; }
    QLineEdit* codeEdit() const { return codeEdit_; }
    QPushButton* yesButton() const { return yes_; }
    QPushButton* noButton() const { return no_; }

public slots:
    // Esc, or a window manager that closes the window anyway: the answer is "No".
    void reject() override;

private:
    void answer(std::uint8_t value, int result);

    nuvex3::CKelvra_CmdSet_Layer* layer_;
    std::uint8_t handle_;
    QLineEdit* handleEdit_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QPushButton* yes_ = nullptr;
    QPushButton* no_ = nullptr;
};
