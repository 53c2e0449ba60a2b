#include "ui/StableSize.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <algorithm>

namespace nuvex3 {

namespace {

template <typename Widget> void reserveForTexts(Widget* widget, const QStringList& texts) {
    const QString current = widget->text();
    int width = widget->minimumWidth();
    for (const QString& text : texts) {
        widget->setText(text);
        width = std::max(width, widget->sizeHint().width());
    }
    widget->setText(current);
    widget->setMinimumWidth(width);
}

} // namespace

void reserveWidthFor(QLabel* label, const QStringList& texts) {
    reserveForTexts(label, texts);
}

void reserveWidthFor(QAbstractButton* button, const QStringList& texts) {
    reserveForTexts(button, texts);
}

void reserveWidthFor(QLineEdit* edit, const QString& sample) {
    // The text margins of the style's frame plus the text, as QLineEdit's own size hint
    // computes them.
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QFontMetrics fm = edit->fontMetrics();
    const QMargins margins = edit->textMargins();
    const int text = fm.horizontalAdvance(sample) + margins.left() + margins.right() + 4 +
                     1; // QLineEdit's horizontal margin, twice, and the cursor
    const QSize size = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                       QSize(text, fm.height()), edit);
    edit->setMinimumWidth(std::max(edit->minimumWidth(), size.width()));
}

void reserveWidthFor(QComboBox* combo, const QString& sample) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QFontMetrics fm = combo->fontMetrics();
    const QSize size = combo->style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(fm.horizontalAdvance(sample), fm.height()), combo);
    combo->setMinimumWidth(std::max(combo->minimumWidth(), size.width()));
}

} // namespace nuvex3
