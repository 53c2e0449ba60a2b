#include "ui/ValueEntryQt.h"

#include "ui/Prompts.h"
#include "ui/ValueEntry.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>

#include <fstream>

namespace nuvex3 {

namespace {

// Removes the character at index from a line edit, keeping the caret there.
void removeAt(QLineEdit* edit, int index) {
    QString t = edit->text();
    t.remove(index, 1);
    edit->setText(t);
    edit->setCursorPosition(index);
}

bool validate(QLineEdit* edit, bool hex, std::uint32_t minimum, std::uint32_t maximum, bool clamp) {
    if (!edit)
        return false;
    const std::string text = edit->text().toUpper().toStdString();
    const auto bad = hex ? firstNonHex(text) : firstNonDigit(text);
    if (bad) {
        prompts().message(hex ? QStringLiteral("Input error!! Not Hex mode")
                              : QStringLiteral("Input error!! Not Number"));
        removeAt(edit, static_cast<int>(*bad));
        return false;
    }
    if (clamp) {
        const auto replaced =
            hex ? clampHexText(text, minimum, maximum) : clampNumberText(text, minimum, maximum);
        if (replaced)
            edit->setText(QString::fromStdString(*replaced));
    }
    return true;
}

} // namespace

bool validateHexEdit(QLineEdit* edit, std::uint32_t minimum, std::uint32_t maximum, bool clamp) {
    return validate(edit, true, minimum, maximum, clamp);
}

bool validateHexCombo(QComboBox* combo, std::uint32_t minimum, std::uint32_t maximum, bool clamp) {
    return combo && validate(combo->lineEdit(), true, minimum, maximum, clamp);
}

bool validateNumberCombo(QComboBox* combo, std::uint32_t minimum, std::uint32_t maximum,
                         bool clamp) {
    return combo && validate(combo->lineEdit(), false, minimum, maximum, clamp);
}

void clampNumber(QLineEdit* edit, std::int32_t minimum, std::int32_t maximum,
                 std::int32_t exception) {
    if (!edit)
        return;
    if (const auto r = clampSignedText(edit->text().toStdString(), minimum, maximum, exception))
        edit->setText(QString::fromStdString(*r));
}

void colouredAppend(QTextEdit* view, const QColor& colour, const QString& text) {
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat fmt;
    fmt.setForeground(colour);
    cursor.insertText(text + QStringLiteral("\n"), fmt);
}

bool compareFiles(const QString& pathA, const QString& pathB) {
    std::ifstream a(pathA.toStdString(), std::ios::binary);
    std::ifstream b(pathB.toStdString(), std::ios::binary);
    if (!a || !b)
        return false;
    return compareStreams(a, b);
}

} // namespace nuvex3
