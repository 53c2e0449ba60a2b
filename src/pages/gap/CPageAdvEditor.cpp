#include "pages/gap/CPageAdvEditor.h"

CPageAdvEditor::CPageAdvEditor(QWidget* parent)
    : CPageBase(QStringLiteral("ADV / SR Data"), parent) {}
