#pragma once
// The packet log: every line goes to the log view (sent lines red, received blue) and,
// while a session log file is open, to that file ended by CR LF. Lines reach the view in
// batches, so a flood of packets costs one document update per batch; the view keeps at
// most about 10000 characters by dropping the oldest 5000 whenever it holds more.

#include <QColor>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class QTextEdit;

namespace nuvex3 {

class PacketLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kTrimAbove = 10000; // characters in the view
    static constexpr int kTrimCount = 5000;  // oldest characters dropped

    explicit PacketLog(QTextEdit* view, QObject* parent = nullptr);
    ~PacketLog() override;

    // The line is written to the file at once and shown with the next batch.
    void append(const QString& text, const QColor& colour);
    // Shows the lines still waiting for their batch.
    void flush();
    // Empties the view (pending lines included); the file is not touched.
    void clearView();

    // Opens "Dravo_LOG-<yyyyMMdd_HHmmss>.log" in directory, creating or truncating it; a
    // file still open is closed first. Shows "Open Log File Fail!" when it cannot.
    bool openFile(const QString& directory);
    void closeFile();
    bool fileOpen() const { return file_.isOpen(); }
    QString filePath() const { return file_.fileName(); }

    // The name Save... writes to: ".log" is added unless the last five characters
    // contain it (any case).
    static QString saveName(const QString& chosen);
    // Writes the view's whole text to path; false when the file cannot be written.
    bool saveView(const QString& path);

private:
    struct Line {
        QString text;
        QColor colour;
    };

    QTextEdit* view_;
    QFile file_;
    std::vector<Line> pending_;
    QTimer batch_;
};

} // namespace nuvex3
