#pragma once
// The transparent page's send and receive view: coloured texts added at the end, emptied
// first whenever it holds more than 12000 characters. Texts reach the widget in batches
// (a few times a second, and only while it is visible), so a link streaming at line rate
// costs one document update per batch; what the widget shows is the same as if every
// text had been added on its own.

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class QTextEdit;

namespace nuvex3 {

class DataView : public QObject {
    Q_OBJECT
public:
    static constexpr int kEmptyAbove = 12000; // characters
    static constexpr int kBatchMs = 100;

    explicit DataView(QTextEdit* view, QObject* parent = nullptr);

    // Adds text and a line break in colour.
    void append(const QString& text, const QColor& colour);
    // Shows what waits for its batch.
    void flush();
    // Empties the view and what waits.
    void clear();
    // The characters the view holds once everything waiting is shown (a line break counts
    // as one).
    int characters() const { return characters_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Text {
        QString text;
        QColor colour;
    };

    QTextEdit* view_;
    std::vector<Text> pending_;
    bool emptyFirst_ = false;
    int characters_ = 0;
    QTimer batch_;
};

} // namespace nuvex3
