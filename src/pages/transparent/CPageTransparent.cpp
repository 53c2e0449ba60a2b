#include "pages/transparent/CPageTransparent.h"

#include "link/Clock.h"
#include "ui/Prompts.h"
#include "ui/ValueEntryQt.h"

#include <QFile>

CPageTransparent::CPageTransparent(QWidget* parent)
    : CPageBase(QStringLiteral("Transparent"), parent) {}

void CPageTransparent::compareReceivedFile() {
    const std::optional<nuvex3::ReceiveEntry> entry = receiveTable_.first();
    if (!entry)
        return;
    setCompareResult(QStringLiteral("Compare Result : Comparing"));
    if (nuvex3::compareFiles(entry->referencePath, entry->receivedPath)) {
        QFile received(entry->receivedPath);
        if (received.open(QIODevice::ReadWrite | QIODevice::Truncate))
            received.close();
        setCompareResult(QStringLiteral("Compare Result : Pass"));
    } else {
        nuvex3::prompts().message(
            QStringLiteral("Compare Fail (Connection Handle:%1) \nReceive File Path: %2\nCompare "
                           "File Path: %3")
                .arg(entry->handle, entry->receivedPath, entry->referencePath));
        setCompareResult(QStringLiteral("Compare Result : Fail"));
    }
    receiveTable_.resetTicks(entry->handle, nuvex3::clock().tickMs());
}

void CPageTransparent::onAllIdle() {
    CPageBase::onAllIdle();
    receiveTable_.clear();
}
