#include "app/PacketLog.h"

#include "ui/Prompts.h"

#include <QDateTime>
#include <QDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace nuvex3 {

namespace {
constexpr int kBatchMs = 30;
// Lines gathered before they go to the file's writer (besides every batch of the view).
constexpr qsizetype kHandOverBytes = 64 * 1024;
} // namespace

PacketLog::PacketLog(QTextEdit* view, QObject* parent) : QObject(parent), view_(view) {
    view_->setUndoRedoEnabled(false);
    batch_.setSingleShot(true);
    batch_.setInterval(kBatchMs);
    connect(&batch_, &QTimer::timeout, this, &PacketLog::showPending);
}

PacketLog::~PacketLog() {
    closeFile();
}

void PacketLog::append(const QString& text, const QColor& colour) {
    if (file_.isOpen()) {
        // The writer thread is woken once per handover, not once per line.
        fileLines_.append(text.toLatin1());
        fileLines_.append("\r\n", 2);
        if (fileLines_.size() >= kHandOverBytes)
            handOverLines();
    }
    if (length_ > kTrimAbove) {
        qsizetype drop = kTrimCount;
        while (drop > 0) {
            Run& first = text_.front();
            if (first.text.size() > drop) {
                first.text.remove(0, drop);
                break;
            }
            drop -= first.text.size();
            text_.pop_front();
        }
        length_ -= kTrimCount;
        dropped_ += kTrimCount;
    }
    text_.push_back({text + QLatin1Char('\n'), colour});
    length_ += text.size() + 1;
    ++added_;
    if (!batch_.isActive())
        batch_.start();
}

void PacketLog::handOverLines() {
    if (fileLines_.isEmpty())
        return;
    file_.write(fileLines_.constData(), static_cast<std::size_t>(fileLines_.size()));
    fileLines_.resize(0);
}

void PacketLog::showPending() {
    batch_.stop();
    handOverLines();
    if (added_ == 0 && dropped_ == 0)
        return;
    QTextDocument* doc = view_->document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    auto from = text_.begin();
    if (dropped_ >= shown_) {
        // Everything shown has gone (and maybe some of the new lines): the view is drawn
        // again from what is left.
        doc->clear();
    } else {
        // Only shown text has gone: the new lines are all there, at the end.
        if (dropped_ > 0) {
            cursor.setPosition(0);
            cursor.setPosition(static_cast<int>(dropped_), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        from = text_.end() - static_cast<std::ptrdiff_t>(added_);
    }
    cursor.movePosition(QTextCursor::End);
    for (auto it = from; it != text_.end(); ++it) {
        QTextCharFormat format;
        format.setForeground(it->colour);
        cursor.insertText(it->text, format);
    }
    cursor.endEditBlock();
    shown_ = length_;
    dropped_ = 0;
    added_ = 0;
    view_->moveCursor(QTextCursor::End);
    view_->ensureCursorVisible();
}

void PacketLog::flush() {
    showPending();
    file_.flush();
}

void PacketLog::clearView() {
    batch_.stop();
    handOverLines();
    text_.clear();
    length_ = shown_ = dropped_ = 0;
    added_ = 0;
    view_->clear();
}

bool PacketLog::openFile(const QString& directory) {
    handOverLines(); // the lines of a file still open end it
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    if (!file_.open(QDir(directory).filePath(QStringLiteral("Dravo_LOG-%1.log").arg(stamp)))) {
        prompts().message(QStringLiteral("Open Log File Fail!"));
        return false;
    }
    return true;
}

void PacketLog::closeFile() {
    handOverLines();
    file_.close();
}

QString PacketLog::saveName(const QString& chosen) {
    if (chosen.size() < 5 || !chosen.right(5).contains(QStringLiteral(".log"), Qt::CaseInsensitive))
        return chosen + QStringLiteral(".log");
    return chosen;
}

bool PacketLog::saveView(const QString& path) {
    showPending();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    out.write(view_->toPlainText().toLocal8Bit());
    return true;
}

} // namespace nuvex3
