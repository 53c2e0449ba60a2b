#include "pages/profiles/ProfileFields.h"

#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <cmath>

namespace nuvex3::profiles {

namespace {

const char* const kMinimum = "clampMinimum";
const char* const kMaximum = "clampMaximum";
const char* const kException = "clampException";

void applyClamp(QLineEdit* field) {
    if (field->text().isEmpty())
        return;
    clampNumber(field, field->property(kMinimum).toInt(), field->property(kMaximum).toInt(),
                field->property(kException).toInt());
}

QLineEdit* digitsField(QWidget* parent, bool signedText, int maxLength, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    const QString pattern = signedText ? QStringLiteral("-?[0-9]*") : QStringLiteral("[0-9]*");
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

} // namespace

QLineEdit* numberField(QWidget* parent, std::int32_t minimum, std::int32_t maximum,
                       std::int32_t exception, int maxLength, const QString& text) {
    const bool signedText = minimum < 0 || (exception != kNoException && exception < 0);
    QLineEdit* e = digitsField(parent, signedText, maxLength, text);
    e->setProperty(kMinimum, minimum);
    e->setProperty(kMaximum, maximum);
    e->setProperty(kException, exception);
    QObject::connect(e, &QLineEdit::textChanged, e, [e] { applyClamp(e); });
    return e;
}

QLineEdit* plainNumberField(QWidget* parent, int maxLength, const QString& text) {
    return digitsField(parent, false, maxLength, text);
}

void setClampRange(QLineEdit* field, std::int32_t minimum, std::int32_t maximum) {
    field->setProperty(kMinimum, minimum);
    field->setProperty(kMaximum, maximum);
    applyClamp(field);
}

std::int32_t numberOf(const QLineEdit* field) {
    return parseSigned(field->text().toStdString());
}

QComboBox* listOf(const QStringList& entries, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems(entries);
    c->setCurrentIndex(0);
    return c;
}

int leadingNumber(const QString& entry) {
    return static_cast<int>(parseSigned(entry.toStdString()));
}

std::uint8_t hexCodeOf(const QComboBox* list) {
    const QString text = list->currentText();
    const int at = text.indexOf(QStringLiteral("0x"));
    const QString digits = at < 0 ? QString() : text.mid(at + 2, 2);
    return static_cast<std::uint8_t>(parseUnsigned(digits.toStdString(), 16));
}

void TimeFields::build(QWidget* parent, const Ranges* ranges) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int length = i == 0 ? 4 : 2;
        fields[i] = ranges ? numberField(parent, ranges->minimum[i], ranges->maximum[i],
                                         kNoException, length)
                           : plainNumberField(parent, length);
        fields[i]->setMaximumWidth(fields[i]->fontMetrics().horizontalAdvance(
                                       i == 0 ? QStringLiteral("00000") : QStringLiteral("000")) +
                                   14);
    }
    static const char* const kNames[] = {"Year", "Month", "Day", "Hours", "Minutes", "Seconds"};
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->setAccessibleName(QString::fromLatin1(kNames[i]));
}

void TimeFields::addTo(QGridLayout* grid, int row, int column, const QString& caption) {
    QWidget* owner = fields[0]->parentWidget();
    auto* line = new QHBoxLayout;
    line->setSpacing(2);
    static const char* const kSeparators[] = {"/", "/", "", ":", ":"};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line->addWidget(fields[i]);
        if (i + 1 < fields.size() && *kSeparators[i])
            line->addWidget(new QLabel(QString::fromLatin1(kSeparators[i]), owner));
        else if (i + 1 < fields.size())
            line->addSpacing(8);
    }
    line->addStretch(1);
    if (!caption.isEmpty()) {
        auto* label = new QLabel(caption, owner);
        label->setBuddy(fields[0]);
        grid->addWidget(label, row, column);
        ++column;
    }
    grid->addLayout(line, row, column, 1, -1);
}

void TimeFields::fillNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const int values[] = {now.date().year(), now.date().month(),  now.date().day(),
                          now.time().hour(), now.time().minute(), now.time().second()};
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i]->setText(QString::number(values[i]));
}

void TimeFields::setEnabled(bool on) {
    for (QLineEdit* f : fields)
        f->setEnabled(on);
}

std::vector<std::uint8_t> TimeFields::bytes() const {
    ValueWriter w;
    w.u16(static_cast<std::uint32_t>(value(0)));
    for (int i = 1; i < 6; ++i)
        w.u8(static_cast<std::uint32_t>(value(i)));
    return w.bytes();
}

const TimeFields::Ranges& calendarRanges(int firstMonth) {
    static const TimeFields::Ranges fromZero{{1, 0, 1, 0, 0, 0}, {9999, 12, 31, 23, 59, 59}};
    static const TimeFields::Ranges fromOne{{1, 1, 1, 0, 0, 0}, {9999, 12, 31, 23, 59, 59}};
    return firstMonth == 0 ? fromZero : fromOne;
}

std::uint16_t sfloat(std::int32_t mantissa, int exponentIndex) {
    return static_cast<std::uint16_t>(((exponentIndex & 0x0F) << 12) |
                                      (static_cast<std::uint32_t>(mantissa) & 0x0FFF));
}

const QStringList& sfloatMultipliers() {
    static const QStringList list = {
        QStringLiteral("1"),         QStringLiteral("10"),       QStringLiteral("100"),
        QStringLiteral("1000"),      QStringLiteral("10000"),    QStringLiteral("100000"),
        QStringLiteral("1000000"),   QStringLiteral("10000000"), QStringLiteral("0.00000001"),
        QStringLiteral("0.0000001"), QStringLiteral("0.000001"), QStringLiteral("0.00001"),
        QStringLiteral("0.0001"),    QStringLiteral("0.001"),    QStringLiteral("0.01"),
        QStringLiteral("0.1")};
    return list;
}

double sfloatMultiplier(int exponentIndex) {
    const int e = exponentIndex & 0x0F;
    return std::pow(10.0, e < 8 ? e : e - 16);
}

} // namespace nuvex3::profiles
