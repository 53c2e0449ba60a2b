// The "Air Patch" page (constructed by the main window, not in its sheet), the module
// played on a pseudo-terminal: the writes of "Login", "Update Manufacture" and "Compare"
// on the first link the window's routing copied in, and the image files it refuses.

#include "MaintenanceTestSupport.h"

#include "app/PageSet.h"
#include "pages/maintenance/CPageAirPatch.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvex3::test {
namespace {

const Bytes kUpdateManufacture = {0x0A, 0x04, 0x48, 0x00, 0x01, 0x24, 0x00, 0x30};
const Bytes kCompare = {0x0D, 0x04, 0x48, 0x00, 0x01, 0x24, 0x00, 0x10};

class AirPatchPage : public ::testing::Test, public ModuleOnPty {
protected:
    void SetUp() override { show(&page); }

    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void connectionComplete(std::uint8_t handle) {
        event(0x71, {0x00, handle, 0x00, 0x00, 0x0F, 0x0E, 0x0D, 0x0C, 0x0B, 0x0A, 0x00, 0x18, 0x00,
                     0x00, 0x00, 0x48});
    }
    // A write of value to value handle `at` on link `link`.
    static std::string write(std::uint8_t link, std::uint16_t at, const Bytes& value) {
        Bytes p(4 + value.size());
        p[0] = link;
        p[2] = static_cast<std::uint8_t>(at >> 8);
        p[3] = static_cast<std::uint8_t>(at);
        std::copy(value.begin(), value.end(), p.begin() + 4);
        return packetText(0x34, p);
    }
    QString file(const QString& name, qint64 size) {
        const QString path = QDir(h.directory()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bytes;
        for (qint64 i = 0; i < std::min<qint64>(size, 64); ++i)
            bytes.append(static_cast<char>(0xA0 + i));
        f.write(bytes);
        f.resize(size);
        return path;
    }

    CPageAirPatch& page = h.dialog().pages().airPatch;
};

TEST_F(AirPatchPage, WritesGoToTheFirstLinkAndTheKnownHandle) {
    EXPECT_EQ(h.ui().sheet->indexOf(&page), -1);
    EXPECT_EQ(page.keyEdit()->text(), "3A7C19E0B25D48F6C1093E7A5D2B8F41");
    EXPECT_FALSE(page.versionEdit(0)->isEnabled());

    // No link: connection handle 0x00; no handle known: 0x0000.
    click(page.loginButton());
    EXPECT_EQ(nextCommand(), write(0x00, 0x0000, {0x01}));

    connectionComplete(0x05);
    connectionComplete(0x06);
    ASSERT_EQ(page.linkTable(), Bytes({0x05, 0x06}));
    click(page.loginButton());
    EXPECT_EQ(nextCommand(), write(0x05, 0x0000, {0x01}));

    page.setValueHandleText("0062");
    const QString image = file("image.bin", 20);
    h.prompts().queueOpenFile(image);
    click(page.updateManufactureButton());
    EXPECT_EQ(nextCommand(), write(0x05, 0x0062, kUpdateManufacture));
    EXPECT_EQ(page.pathEdit()->text(), image);
    ASSERT_EQ(page.images().size(), 1u);
    EXPECT_EQ(page.images()[0].path, image);

    // A handle found for the link wins over the handle text.
    page.setHandleLookup([](std::uint8_t link) -> std::optional<std::uint16_t> {
        if (link == 0x05)
            return 0x0072;
        return std::nullopt;
    });
    h.prompts().queueOpenFile(image);
    click(page.compareButton());
    EXPECT_EQ(nextCommand(), write(0x05, 0x0072, kCompare));
    ASSERT_EQ(page.compareImage().size(), 20);
    EXPECT_EQ(static_cast<std::uint8_t>(page.compareImage()[19]), 0xB3);
    EXPECT_EQ(h.prompts().fileFilters(), QStringList({"BIN FILE(*.bin)", "BIN FILE(*.bin)"}));
    EXPECT_TRUE(h.prompts().messages().isEmpty());

    h.pressConnectButton(); // "Disconnect"
    click(page.loginButton());
    EXPECT_EQ(h.prompts().messages(), QStringList({"Write command fail!"}));
}

TEST_F(AirPatchPage, EmptyTooLargeOrUnreadableImagesAreRefused) {
    const QString empty = file("empty.bin", 0);
    const QString large = file("large.bin", CPageAirPatch::kMaxImageSize + 1);
    const QString missing = QDir(h.directory()).filePath("missing.bin");
    for (QPushButton* button : {page.updateManufactureButton(), page.compareButton()}) {
        for (const QString& path : {empty, large, missing}) {
            h.prompts().queueOpenFile(path);
            click(button);
        }
        click(button); // cancelled: nothing at all
    }
    const QStringList once = {"The image file is empty: " + empty,
                              "The image file is too large: " + large +
                                  " (524289 bytes, at most 524288)",
                              " Open File Failed "};
    EXPECT_EQ(h.prompts().messages(), once + once);
    EXPECT_TRUE(silent());
    EXPECT_TRUE(page.images().empty());
    EXPECT_TRUE(page.compareImage().isEmpty());
    EXPECT_EQ(page.pathEdit()->text(), "");

    // An image at the limit is taken.
    const QString largest = file("largest.bin", CPageAirPatch::kMaxImageSize);
    h.prompts().queueOpenFile(largest);
    click(page.compareButton());
    EXPECT_EQ(nextCommand(), write(0x00, 0x0000, kCompare));
    EXPECT_EQ(page.compareImage().size(), CPageAirPatch::kMaxImageSize);
}

} // namespace
} // namespace nuvex3::test
