#pragma once
// Small field builders the pages share.

class QLineEdit;
class QWidget;

// A read-only edit.
QLineEdit* readOnlyEdit(QWidget* parent);
// The field with a "0x" label in front of it, in one widget for a layout cell.
QWidget* prefixed(QWidget* field, QWidget* parent);
