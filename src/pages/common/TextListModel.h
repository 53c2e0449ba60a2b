#pragma once
// A list of text rows for the pages' report lists (the GATT client's services and
// characteristics, the remote table's notify list): fixed column headers and alignments,
// rows inserted anywhere and cells changed in place. Rows appended at the end are shown
// together at most once per flush interval, so a flood of results costs one insertion and
// one repaint per interval; a row inserted among the shown rows, and a change of a shown
// cell, show at once.

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>

#include <vector>

class TextListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kDefaultFlushMs = 40;

    // One header per column; `centred` marks the columns shown centred (others left).
    TextListModel(QStringList headers, std::vector<bool> centred, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Rows shown and rows still to show: the index the next appended row gets.
    int count() const { return static_cast<int>(rows_.size()); }
    // Inserts a row before `at` (0 to count()); missing cells are empty.
    void insertRow(int at, QStringList cells);
    void appendRow(QStringList cells) { insertRow(count(), std::move(cells)); }
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    // Empties the list, rows still to show included.
    void clear();
    // Shows the appended rows now.
    void flush();
    void setFlushInterval(int ms) { timer_.setInterval(ms); }

private:
    QStringList headers_;
    std::vector<bool> centred_;
    std::vector<QStringList> rows_;
    int shown_ = 0; // rows the views know of: rows_[0, shown_)
    QTimer timer_;
};
