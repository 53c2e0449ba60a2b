#pragma once
// Controls whose caption changes at run time (relabelled parameter rows, a button that
// reads "Continuous Send" or "Stop") keep one size: the largest any of their texts
// needs, so that the layout around them does not move when the text changes, and
// read-only fields wide enough for the values they show.

#include <QStringList>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QComboBox;

namespace nuvex3 {

// The widget's minimum width becomes the widest of its size hints for these texts; its
// text is left as it was.
void reserveWidthFor(QLabel* label, const QStringList& texts);
void reserveWidthFor(QAbstractButton* button, const QStringList& texts);
// A line edit or a combo box whose text area holds `sample` whole.
void reserveWidthFor(QLineEdit* edit, const QString& sample);
void reserveWidthFor(QComboBox* combo, const QString& sample);

} // namespace nuvex3
