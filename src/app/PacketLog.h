#pragma once
// The packet log: every line goes to the log view (sent lines red, received blue) and,
// while a session log file is open, to that file ended by CR LF.
//
// The view holds at most about 10000 characters: before a line is added, a view of more
// than 10000 characters loses its oldest 5000 (which may cut a line). That rule is applied
// at once to a copy of the view's text kept here; the view itself is brought up to date
// in batches, and only with what survives, so a flood of lines costs one small document
// update per batch however many lines it held. The view keeps no undo history.
//
// The file gets every line, in order, from a writer thread (LogFileWriter). Lines are handed
// to it in batches (with the view's batch, or every 64 KiB), so a flood wakes the writer
// once per batch rather than once per line.

#include "app/LogFileWriter.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class QTextEdit;

namespace nuvex3 {

class PacketLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kTrimAbove = 10000; // characters in the view
    static constexpr int kTrimCount = 5000;  // oldest characters dropped

    explicit PacketLog(QTextEdit* view, QObject* parent = nullptr);
    ~PacketLog() override;

    // The line goes to the file's writer at once and to the view with the next batch.
    void append(const QString& text, const QColor& colour);
    // Shows the lines still waiting for their batch and waits until the file holds every
    // line appended so far.
    void flush();
    // Empties the view (pending lines included); the file is not touched.
    void clearView();

    // Opens "Dravo_LOG-<yyyyMMdd_HHmmss>.log" in directory, creating or truncating it; a
    // file still open is closed first. Shows "Open Log File Fail!" when it cannot.
    bool openFile(const QString& directory);
    void closeFile();
    bool fileOpen() const { return file_.isOpen(); }
    QString filePath() const { return file_.path(); }

    // The name Save... writes to: ".log" is added unless the last five characters
    // contain it (any case).
    static QString saveName(const QString& chosen);
    // Writes the view's whole text to path; false when the file cannot be written.
    bool saveView(const QString& path);

private:
    // A run of the view's text in one colour: a line and its line break, or what is left
    // of one after the oldest characters went.
    struct Run {
        QString text;
        QColor colour;
    };
    void showPending();
    void handOverLines();

    QTextEdit* view_;
    LogFileWriter file_;
    QTimer batch_;
    QByteArray fileLines_; // for the file, not yet handed to its writer

    std::deque<Run> text_;  // what the view shows once up to date
    qsizetype length_ = 0;  // characters in text_
    qsizetype shown_ = 0;   // characters the view's document holds now
    qsizetype dropped_ = 0; // characters dropped from the front since the last batch
    std::size_t added_ = 0; // lines added since the last batch (the last runs of text_)
};

} // namespace nuvex3
