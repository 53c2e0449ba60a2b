#pragma once
// The pattern every command page shares: an "Opcode:" drop-down whose entries read
// "0xNN: Name", a "Send" button and four generic parameter rows (caption label, "0x"
// prefix, editable combo, unit label) relabelled per opcode from a table. The rows get
// their hexadecimal check and range clamps while typing and on focus loss from the same
// table. A page supplies its table and one send function; a send that the command layer
// refuses shows "Write command fail!".

#include "framework/CPageBase.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace nuvex3 {

// How one parameter row looks and behaves for one opcode.
struct ParamRowSpec {
    QString caption;      // empty: the row keeps its reset texts and is disabled
    QString unit;         // null: the unit label keeps its reset text "Unit:"
    bool prefix = true;   // the "0x" label
    QStringList choices;  // a fixed choice list, first entry selected
    bool handles = false; // the choices are the open connection handles ("%02X")
    int limit = 0;        // text limit in characters, 0 = none
    QString text;         // default text of a free-text row
    bool enabled = true;
    int dropWidth = 0; // width of the drop-down list, 0 = the combo's own width

    // Checks of a free-text row: the hexadecimal check while typing, an upper bound
    // applied while typing and a lower bound applied when the row loses focus. A clamped
    // value is written with as many upper-case digits as the row's text limit.
    bool hexCheck = false;
    std::optional<std::uint32_t> maxOnChange;
    std::optional<std::uint32_t> minOnFocusLoss;

    bool isDisabled() const { return caption.isEmpty(); }
};

// Builders for the table rows.
namespace rows {
ParamRowSpec off();
// A free-text hexadecimal row.
ParamRowSpec hex(const QString& caption, const QString& unit, int limit, const QString& text = {});
// A choice list whose unit label reads "(Selection)" with the "0x" prefix hidden.
ParamRowSpec selection(const QString& caption, const QStringList& choices);
// A choice list that keeps the prefix and the "Unit:" label.
ParamRowSpec choice(const QString& caption, const QStringList& choices);
// The open connection handles, first selected, "00" when there is none; limit 2.
ParamRowSpec handle(const QString& caption);
// Range checks on a free-text row.
ParamRowSpec withRange(ParamRowSpec row, std::optional<std::uint32_t> maxOnChange,
                       std::optional<std::uint32_t> minOnFocusLoss);
} // namespace rows

struct OpcodeSpec {
    QString text; // "0xNN: Name"
    std::array<ParamRowSpec, 4> rows;
};

// The opcode a "0xNN: Name" entry stands for: its text read as a hexadecimal number.
std::optional<std::uint8_t> opcodeOfText(const QString& text);

} // namespace nuvex3

class CCommandPage : public CPageBase {
    Q_OBJECT
public:
    enum class SendResult {
        Sent,    // the command layer took the command
        Refused, // a check failed; its message has been shown, nothing sent
        Failed,  // the layer refused the write, or the opcode is unknown
    };

    static constexpr int kRows = 4;

    // Enables "Send" (pages may add more controls by overriding).
    void enable(bool on) override;

    // The controls, for tests and for pages that prepare a command (a list click).
    QComboBox* opcodeCombo() const { return opcode_; }
    QPushButton* sendButton() const { return send_; }
    QComboBox* valueCombo(int row) const { return rows_[row].combo; }
    QLabel* captionLabel(int row) const { return rows_[row].caption; }
    QLabel* unitLabel(int row) const { return rows_[row].unit; }
    QLabel* prefixLabel(int row) const { return rows_[row].prefix; }

    // Selects the entry at index and relabels the rows for it.
    void selectOpcode(int index);
    // The opcode of the selected entry, read from its text.
    std::optional<std::uint8_t> selectedOpcode() const;
    // Refills the rows of the selected opcode that list the open handles (after the link
    // table changed), first handle selected, "00" when there is none.
    void refreshHandleRows();

protected:
    CCommandPage(const QString& caption, const QString& groupCaption,
                 std::vector<nuvex3::OpcodeSpec> table, int opcodeDropWidth,
                 QWidget* parent = nullptr);

    // The "<group caption>" box holding the opcode drop-down, "Send" and the four rows;
    // the page places it in its layout. Call selectOpcode() once the page is built.
    QGroupBox* commandGroup() const { return group_; }

    // Builds and sends the command of the selected opcode.
    virtual SendResult sendCommand(std::uint8_t opcode) = 0;
    // Runs the sender of `opcode` from a page's table of (opcode, send function) pairs;
    // Failed when the table has none.
    template <typename Page, std::size_t N>
    static SendResult
    runSender(Page& page, std::uint8_t opcode,
              const std::pair<std::uint8_t, SendResult (Page::*)()> (&senders)[N]) {
        for (const auto& [op, fn] : senders)
            if (op == opcode)
                return (page.*fn)();
        return SendResult::Failed;
    }
    // Called after the rows were relabelled for an opcode (e.g. to load data).
    virtual void afterRelabel(std::uint8_t) {}

    // Field access for the send functions.
    QString rowText(int row) const;
    void setRowText(int row, const QString& text);
    int choiceIndex(int row) const;
    // The selected entry's text read as a hexadecimal number (0 when there is none).
    std::uint8_t choiceValue(int row) const;
    // Shows message and returns false when the row holds fewer than minChars characters.
    bool requireChars(int row, int minChars, const QString& message) const;
    // The connection handle of a handle row: at least two characters, else the message
    // "Please input 1 byte for Connction Handle"; the first converted byte.
    std::optional<std::uint8_t> handleOf(int row) const;
    // The row's hex text as bytes; a text with fewer digits than asked is padded with 0.
    std::vector<std::uint8_t> bytesOf(int row, std::size_t atLeast = 0) const;
    // A UUID row: exactly 4 or 32 characters (a 16-bit or a 128-bit UUID), else the message
    // "Please input 2 bytes or 16 bytes for Service UUID"; the bytes in the order typed.
    std::optional<std::vector<std::uint8_t>> uuidOf(int row) const;
    std::uint16_t value16Of(int row) const;
    std::array<std::uint8_t, 6> addressOf(int row) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QLabel* caption = nullptr;
        QLabel* prefix = nullptr;
        QComboBox* combo = nullptr;
        QLabel* unit = nullptr;
    };

    void reserveRowWidths();
    void relabel();
    void resetRows();
    void applyRow(int row, const nuvex3::ParamRowSpec& spec);
    void fillHandles(int row);
    const nuvex3::ParamRowSpec* currentSpec(int row) const;
    void onTextEdited(int row);
    void onFocusLost(int row);
    void clampRow(int row, std::uint32_t bound, bool above);
    void onSend();

    std::vector<nuvex3::OpcodeSpec> table_;
    QGroupBox* group_ = nullptr;
    QComboBox* opcode_ = nullptr;
    QPushButton* send_ = nullptr;
    std::array<Row, kRows> rows_{};
    int defaultDropWidth_ = 0;
    // The last change of the opcode selection whose "activated" may still follow (0:
    // none), so that a user's choice relabels once.
    std::uint64_t changes_ = 0;
    std::uint64_t unansweredChange_ = 0;
};
