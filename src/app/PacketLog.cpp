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
}

PacketLog::PacketLog(QTextEdit* view, QObject* parent) : QObject(parent), view_(view) {
    batch_.setSingleShot(true);
    batch_.setInterval(kBatchMs);
    connect(&batch_, &QTimer::timeout, this, &PacketLog::flush);
}

PacketLog::~PacketLog() {
    closeFile();
}

void PacketLog::append(const QString& text, const QColor& colour) {
    if (file_.isOpen()) {
        file_.seek(file_.size());
        file_.write(text.toLatin1());
        file_.write("\r\n", 2);
    }
    pending_.push_back({text, colour});
    if (!batch_.isActive())
        batch_.start();
}

void PacketLog::flush() {
    batch_.stop();
    if (file_.isOpen())
        file_.flush();
    if (pending_.empty())
        return;
    QTextDocument* doc = view_->document();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const Line& line : pending_) {
        // Each line first trims the view when it holds more than the limit.
        const int length = doc->characterCount() - 1;
        if (length > kTrimAbove) {
            cursor.setPosition(0);
            cursor.setPosition(kTrimCount, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.movePosition(QTextCursor::End);
        QTextCharFormat format;
        format.setForeground(line.colour);
        cursor.insertText(line.text + QStringLiteral("\n"), format);
    }
    cursor.endEditBlock();
    pending_.clear();
    view_->moveCursor(QTextCursor::End);
    view_->ensureCursorVisible();
}

void PacketLog::clearView() {
    pending_.clear();
    batch_.stop();
    view_->clear();
}

bool PacketLog::openFile(const QString& directory) {
    closeFile();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    file_.setFileName(QDir(directory).filePath(QStringLiteral("Dravo_LOG-%1.log").arg(stamp)));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        prompts().message(QStringLiteral("Open Log File Fail!"));
        return false;
    }
    return true;
}

void PacketLog::closeFile() {
    if (file_.isOpen())
        file_.close();
}

QString PacketLog::saveName(const QString& chosen) {
    if (chosen.size() < 5 || !chosen.right(5).contains(QStringLiteral(".log"), Qt::CaseInsensitive))
        return chosen + QStringLiteral(".log");
    return chosen;
}

bool PacketLog::saveView(const QString& path) {
    flush();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    out.write(view_->toPlainText().toLocal8Bit());
    return true;
}

} // namespace nuvex3
