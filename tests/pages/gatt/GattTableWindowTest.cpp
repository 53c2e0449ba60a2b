#include "GattTestSupport.h"

#include "pages/gatt/GattTablePanel.h"
#include "pages/gatt/GattTreeModel.h"

#include <gtest/gtest.h>

#include <iostream>

namespace nuvex3::test {
namespace {

TEST(Dump, Walk) {
    GattWindow w;
    ASSERT_TRUE(w.connectPeer(kHeartRateSensor));
    ASSERT_TRUE(w.walk());
    std::cout << w.pages().gattTable.panel()->model()->saveText().toStdString();
    for (const QString& l : w.sentSince())
        std::cout << l.toStdString() << "\n";
    for (const QString& m : w.prompts().messages())
        std::cout << "MSG " << m.toStdString() << "\n";
}

} // namespace
} // namespace nuvex3::test
