#include "pages/transparent/DataView.h"

#include "ui/ValueEntryQt.h"

#include <QEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

namespace nuvex3 {

DataView::DataView(QTextEdit* view, QObject* parent) : QObject(parent), view_(view) {
    batch_.setSingleShot(true);
    batch_.setInterval(kBatchMs);
    connect(&batch_, &QTimer::timeout, this, [this] {
        if (view_->isVisible())
            flush();
    });
    view_->setUndoRedoEnabled(false); // a view, not an editor: no history to keep
    view_->installEventFilter(this);
}

void DataView::append(const QString& text, const QColor& colour) {
    if (characters_ > kEmptyAbove) {
        pending_.clear();
        emptyFirst_ = true;
        characters_ = 0;
    }
    characters_ += static_cast<int>(text.size()) + 1;
    // Texts of one colour in a row are added in one piece.
    if (!pending_.empty() && pending_.back().colour == colour)
        pending_.back().text += QLatin1Char('\n') + text;
    else
        pending_.push_back({text, colour});
    if (!batch_.isActive())
        batch_.start();
}

void DataView::flush() {
    batch_.stop();
    if (emptyFirst_) {
        view_->clear();
        emptyFirst_ = false;
    }
    for (const Text& t : pending_)
        colouredAppend(view_, t.colour, t.text);
    pending_.clear();
    if (QScrollBar* bar = view_->verticalScrollBar())
        bar->setValue(bar->maximum());
}

void DataView::clear() {
    batch_.stop();
    pending_.clear();
    emptyFirst_ = false;
    characters_ = 0;
    view_->clear();
}

bool DataView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Show && !pending_.empty())
        flush();
    return QObject::eventFilter(watched, event);
}

} // namespace nuvex3
