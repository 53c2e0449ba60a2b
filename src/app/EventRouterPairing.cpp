// The window's part in pairing: the module asks for a pass key (the keypad of the pass
// key page), reports the end of a pairing (a message), or asks to confirm a numeric
// comparison code (the Yes/No question).

#include "app/EventRouter.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"
#include "pages/security/CPageDisplayYesNo.h"
#include "ui/Prompts.h"

#include <QTabWidget>

namespace nuvex3 {

namespace {

constexpr std::uint8_t kPairingSucceeded = 0;
constexpr std::uint8_t kPairingFailed = 1;
constexpr std::uint8_t kPairingTimedOut = 2;
constexpr std::size_t kPairingCodeLength = 6;

// Brings a page of the property sheet to the front.
void showPage(QWidget& page) {
    for (QWidget* w = page.parentWidget(); w; w = w->parentWidget())
        if (auto* sheet = qobject_cast<QTabWidget*>(w)) {
            sheet->setCurrentWidget(&page);
            return;
        }
}

} // namespace

void EventRouter::passkeyEntryRequest(int kind, const Record& record) {
    if (pairingTakenByRunner(kind, record))
        return;
    CPassKeyPage& keypad = t_.pages.passKey;
    if (!keypad.layer())
        return; // routed after the port closed: no key can be sent any more
    const std::uint8_t handle = record[3];
    const std::uint32_t ended = pairingsEnded_[handle];
    const std::uint32_t closes = portCloses_;
    prompts().message(
        QString::asprintf("Please input the Pass Key of Connection Handle(0x%02X)", handle),
        PromptIcon::Information);
    // The message box runs its own event loop: the pairing may have ended or the port
    // closed before the user dismissed it, and then there is no key to type.
    if (pairingsEnded_[handle] != ended || portCloses_ != closes || !keypad.layer())
        return;
    keypad.enable(true);
    showPage(keypad);
    keypad.setHandleText(QString::asprintf("%02X", handle));
    keypad.setFocus(Qt::OtherFocusReason);
    t_.pages.smp.prefillForPassKey(handle);
}

void EventRouter::pairingComplete(int kind, const Record& record) {
    const std::uint8_t handle = record[3];
    ++pairingsEnded_[handle];
    t_.pages.passKey.enable(false);
    endPairingQuestion();
    if (pairingTakenByRunner(kind, record))
        return;
    switch (record[4]) {
    case kPairingSucceeded:
        prompts().message(
            QString::asprintf("Pairing Complete with Connection Handle(0x%02X)", handle),
            PromptIcon::Information);
        break;
    case kPairingFailed:
        prompts().message(QStringLiteral("Pairing Fail"));
        break;
    case kPairingTimedOut:
        prompts().message(QStringLiteral("Pairing Timeout"));
        break;
    default:
        break;
    }
}

// No runner answers a numeric comparison; the headless runner does.
void EventRouter::passkeyConfirmRequest(int, const Record& record) {
    CKelvra_CmdSet_Layer* layer = t_.pages.smp.layer();
    if (!layer)
        return; // routed after the port closed: the answer could not be sent
    const std::uint8_t handle = record[3];
    const QString code =
        QString::fromLatin1(reinterpret_cast<const char*>(record.data() + 4), kPairingCodeLength);
    if (confirmTakenUnattended(handle, code))
        return;
    endPairingQuestion(); // a second request replaces the first
    auto* question = new CPageDisplayYesNo(layer, handle, code, dynamic_cast<QWidget*>(&t_.window));
    question->setAttribute(Qt::WA_DeleteOnClose);
    question->setWindowModality(Qt::WindowModal);
    QObject::connect(question, &QDialog::finished, question, [this, question] {
        if (question_ == question)
            question_ = nullptr;
    });
    question_ = question;
    question->open(); // returns at once: events go on being routed while it is open
}

void EventRouter::endPairingQuestion() {
    if (CPageDisplayYesNo* open = question_) {
        question_ = nullptr;
        open->end();
    }
}

void EventRouter::endPairingOnPortClose() {
    ++portCloses_;
    endPairingQuestion();
}

CPageDisplayYesNo* EventRouter::pairingQuestion() const {
    return question_;
}

} // namespace nuvex3
