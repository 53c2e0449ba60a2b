#include "pages/automation/ProcedureLog.h"

#include "pages/automation/AutomationRun.h"
#include "ui/ValueEntryQt.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace nuvex3 {

namespace {
constexpr int kTrimAbove = 5000;
constexpr int kTrimmed = 4000;
} // namespace

QTextEdit* makeProcedureLog(const QString& name) {
    auto* view = new QTextEdit;
    view->setReadOnly(true);
    view->setUndoRedoEnabled(false);
    view->setAccessibleName(name);
    return view;
}

void appendProcedureLine(QTextEdit* view, const QString& text, const QColor& colour) {
    QTextDocument* doc = view->document();
    if (doc->characterCount() - 1 > kTrimAbove) {
        QTextCursor cursor(doc);
        cursor.setPosition(0);
        cursor.setPosition(kTrimmed, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    colouredAppend(view, colour, text);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
}

void showRunEntry(QTextEdit* view, const RunEntry& entry) {
    if (entry.tag == RunEntry::Tag::Begin) {
        view->clear();
        return;
    }
    appendProcedureLine(view, entry.text, entry.colour);
}

} // namespace nuvex3
