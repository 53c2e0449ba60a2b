#pragma once
// The "Decoded" view beside the raw log: a filter box, the decoded rows, and for the row
// chosen a detail pane (every field, the pairing, what is wrong with the packet) over the
// raw bytes, where the bytes of the chosen field are marked. "Export..." writes the
// session as pcapng; "Window" shows the view in a window of its own, which can be made as
// large as the screen, and closing that window brings it back.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTimer;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace nuvex3 {

class DecodedModel;
class WhileVisibleProxy;

class DecodedView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFilterDelayMs = 250;

    explicit DecodedView(DecodedModel* model, QWidget* parent = nullptr);
    ~DecodedView() override;

    // Where "Export..." starts, and the interface name the file records (the port).
    void setExportDirectory(const QString& directory) { exportDirectory_ = directory; }
    void setInterfaceName(const QString& name) { interfaceName_ = name; }

    // "Export..." as the user presses it.
    void exportSession();
    // Shows the view in its own window, or back in its place.
    void popOut();
    void popIn();
    bool poppedOut() const { return window_ != nullptr; }

    struct Controls {
        QLineEdit* filter = nullptr;
        QLabel* status = nullptr;
        QPushButton* exportButton = nullptr;
        QPushButton* window = nullptr;
        QTableView* list = nullptr;
        QTreeWidget* detail = nullptr;
        QPlainTextEdit* bytes = nullptr;
    };
    const Controls& controls() const { return ui_; }

private:
    void applyFilter();
    void showRow(int row);
    void markField(QTreeWidgetItem* item);
    void updateStatus();

    DecodedModel* model_;
    WhileVisibleProxy* proxy_ = nullptr;  // the list's model
    std::optional<std::uint64_t> chosen_; // the session row chosen in the list
    Controls ui_;
    QWidget* content_ = nullptr;     // everything but the placeholder
    QWidget* placeholder_ = nullptr; // shown here while the content is in its window
    QSplitter* split_ = nullptr;
    QDialog* window_ = nullptr;
    QTimer* filterDelay_ = nullptr;
    QString exportDirectory_;
    QString interfaceName_;
    bool following_ = true; // the list keeps the newest row in view
};

} // namespace nuvex3
