#pragma once
// The procedure logs of the auto test and the test cases: a read-only rich edit whose
// lines keep their colour, trimmed from the front so it never grows without end.

#include <QColor>
#include <QString>

class QTextEdit;

namespace nuvex3 {

struct RunEntry;

// A read-only log view with the accessible name `name`.
QTextEdit* makeProcedureLog(const QString& name);

// Appends text and a line break in colour; when the log already holds more than 5000
// characters, its first 4000 are deleted first.
void appendProcedureLine(QTextEdit* view, const QString& text, const QColor& colour);

// Shows one run entry: Begin empties the view, every other entry appends its text.
void showRunEntry(QTextEdit* view, const RunEntry& entry);

} // namespace nuvex3
