// The advertising data editor driven through its widgets: lengths, composition and its
// messages, both "Update" commands on the wire, ".adv" save and load, reports decoded
// into the fields.

#include "GapTestSupport.h"

#include "pages/gap/CPageAdvEditor.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace nuvex3 {
namespace {

using test::packetText;
using ::testing::ElementsAre;

class AdvEditor : public ::testing::Test {
protected:
    test::RecordingPrompts prompts;
    ScopedPrompts scoped{prompts};
    test::WireModule module;
    CPageAdvEditor page;
    QTemporaryDir dir;

    void SetUp() override {
        page.setLayer(module.layer());
        page.enable(true);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    const CPageAdvEditor::DataSet& adv() { return page.advertising(); }
    const CPageAdvEditor::DataSet& scan() { return page.scanResponse(); }
    static void tick(QCheckBox* box) { box->click(); }
    static void type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    void uuid(const CPageAdvEditor::DataSet& set, int row, const QString& text) {
        if (!set.uuidBox[row]->isChecked())
            tick(set.uuidBox[row]);
        type(set.uuid[row], text);
    }
    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    std::string updateAdv() {
        click(adv().update);
        return module.nextPacket();
    }
    std::string updateScan() {
        click(scan().update);
        return module.nextPacket();
    }
    QByteArray readFile(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QString save(const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        prompts.queueSaveFile(path);
        click(page.saveButton());
        return path;
    }
};

TEST_F(AdvEditor, StartsWithEverythingUntickedAndTheButtonsDisabled) {
    CPageAdvEditor fresh;
    EXPECT_EQ(fresh.caption(), "ADV / SR Data");
    for (QPushButton* b : {fresh.loadButton(), fresh.saveButton(), fresh.advertising().update,
                           fresh.scanResponse().update})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(fresh.serviceRefButton()->isEnabled());
    EXPECT_EQ(fresh.advertising().available->text(), "31");
    EXPECT_EQ(fresh.scanResponse().available->text(), "31");
    EXPECT_EQ(fresh.storeOption()->currentText(),
              QString::fromUtf8("0x00: Advertising Data won\u2019t be stored"));
    EXPECT_TRUE(fresh.scanStoreOption()->isHidden());
    EXPECT_EQ(fresh.scanStoreOption()->currentIndex(), 0);
    EXPECT_EQ(fresh.advertising().uuid[0]->maxLength(), 32);
    EXPECT_FALSE(fresh.advertising().uuidBox[0]->isEnabled());
    EXPECT_FALSE(fresh.advertising().nameEdit->isEnabled());
    EXPECT_EQ(fresh.advertising().flagCombo->currentText(), "0x06: BLE Only");
}

TEST_F(AdvEditor, OnlyFlagLeaves28AndSendsTheStoreOptionAndFlags) {
    tick(adv().flag);
    EXPECT_EQ(adv().available->text(), "28");
    EXPECT_EQ(updateAdv(), packetText(0x11, {0x00, 0x02, 0x01, 0x06}));
    page.storeOption()->setCurrentIndex(1);
    EXPECT_EQ(updateAdv(), packetText(0x11, {0x80, 0x02, 0x01, 0x06}));
}

TEST_F(AdvEditor, AvailableLengthCountsEveryTickedField) {
    tick(adv().service);
    EXPECT_EQ(adv().available->text(), "29");
    uuid(adv(), 0, "180D");
    EXPECT_EQ(adv().available->text(), "27");
    uuid(adv(), 1, "0000FEF0000010008000008000000000"); // 128 bits
    EXPECT_EQ(adv().available->text(), "11");
    tick(adv().uuidBox[1]); // unticked rows do not count
    EXPECT_EQ(adv().available->text(), "27");
    tick(adv().name);
    type(adv().nameEdit, "Abc");
    EXPECT_EQ(adv().available->text(), "22");
    tick(adv().manufacturer);
    type(adv().manufacturerEdit, "12345"); // three bytes, rounded up
    EXPECT_EQ(adv().available->text(), "17");
    tick(adv().service); // unticking the group drops all its rows
    EXPECT_EQ(adv().available->text(), "21");
    EXPECT_FALSE(adv().uuid[0]->isEnabled());

    tick(scan().manufacturer);
    type(scan().manufacturerEdit, "01");
    EXPECT_EQ(scan().available->text(), "28");
    EXPECT_EQ(adv().available->text(), "21");
}

TEST_F(AdvEditor, ServiceUuidsAreSentLeastSignificantByteFirst) {
    tick(adv().service);
    uuid(adv(), 0, "180D");
    uuid(adv(), 1, "180F");
    EXPECT_THAT(*page.composeAdvertising(), ElementsAre(0x05, 0x03, 0x0D, 0x18, 0x0F, 0x18));

    uuid(adv(), 2, "00112233445566778899AABBCCDDEEFF");
    tick(adv().uuidBox[0]);
    tick(adv().uuidBox[1]);
    std::vector<std::uint8_t> expected{0x11, 0x07};
    for (int b = 0xFF; b >= 0; b -= 0x11)
        expected.push_back(static_cast<std::uint8_t>(b));
    EXPECT_EQ(*page.composeAdvertising(), expected);
}

TEST_F(AdvEditor, CompositionOrderAndBothUpdates) {
    tick(adv().manufacturer);
    type(adv().manufacturerEdit, "4E58");
    tick(adv().name);
    type(adv().nameEdit, "NX3");
    tick(adv().flag);
    tick(adv().service);
    uuid(adv(), 0, "180d");
    EXPECT_EQ(adv().uuid[0]->text(), "180d");
    EXPECT_EQ(updateAdv(), packetText(0x11, {0x00, 0x03, 0x03, 0x0D, 0x18, 0x02, 0x01, 0x06, 0x04,
                                             0x09, 'N', 'X', '3', 0x03, 0xFF, 0x4E, 0x58}));

    tick(scan().service);
    uuid(scan(), 0, "FEF0");
    tick(scan().manufacturer);
    type(scan().manufacturerEdit, "010203");
    EXPECT_EQ(updateScan(),
              packetText(0x12, {0x00, 0x03, 0x03, 0xF0, 0xFE, 0x04, 0xFF, 0x01, 0x02, 0x03}));
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(AdvEditor, EveryCompositionMessage) {
    tick(adv().service);
    click(adv().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("No Service Supported!"));
    prompts.clear();
    uuid(adv(), 0, "180");
    click(adv().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("Please Input 2 or 16 Octet for Service UUID"));
    prompts.clear();
    tick(adv().service);

    tick(adv().name);
    click(adv().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("Local Name can not be empty!"));
    prompts.clear();
    tick(adv().name);

    tick(adv().manufacturer);
    click(adv().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("Manufacture Data can not be empty!"));
    prompts.clear();

    tick(scan().service);
    click(scan().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("No Service Supported!"));
    prompts.clear();
    tick(scan().manufacturer);
    type(scan().manufacturerEdit, QString(58, QLatin1Char('A')));
    EXPECT_EQ(scan().available->text(), "Exceeding Length");
    click(scan().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("Scan Response Data Setting is Exceeding Length"));
    EXPECT_TRUE(module.silent());
}

TEST_F(AdvEditor, ThirtyTwoBytesAreRefusedAndTwentySixSentButNotSaved) {
    tick(adv().flag);
    tick(adv().name);
    type(adv().nameEdit, QString(27, QLatin1Char('n')));
    EXPECT_EQ(adv().available->text(), "Exceeding Length");
    click(adv().update);
    EXPECT_THAT(prompts.messages(), ElementsAre("ADV Data Setting is Exceeding Length"));
    EXPECT_TRUE(module.silent());
    prompts.clear();

    type(adv().nameEdit, QString(26, QLatin1Char('n')));
    EXPECT_EQ(adv().available->text(), "0");
    std::vector<std::uint8_t> full{0x00, 0x02, 0x01, 0x06, 27, 0x09};
    full.insert(full.end(), 26, 'n');
    EXPECT_EQ(updateAdv(), packetText(0x11, full));

    type(adv().nameEdit, QString(21, QLatin1Char('n'))); // 26 bytes in all
    EXPECT_EQ(adv().available->text(), "5");
    click(adv().update);
    EXPECT_FALSE(module.nextPacket().empty());
    click(page.saveButton());
    EXPECT_THAT(prompts.messages(), ElementsAre("ADV Data Setting is Exceeding Length"));
    EXPECT_TRUE(prompts.fileFilters().isEmpty()) << "refused before the dialog";

    prompts.clear();
    type(adv().nameEdit, QString(20, QLatin1Char('n'))); // 25 bytes: the largest a file holds
    save("ok");
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_TRUE(QFile::exists(dir.filePath("ok.adv")));
}

TEST_F(AdvEditor, SavingWritesTheExactFileFormat) {
    page.storeOption()->setCurrentIndex(1);
    tick(adv().flag);
    const QString path = save("flags");
    EXPECT_THAT(prompts.fileFilters(), ElementsAre("ADV FILE(*.adv)"));
    EXPECT_EQ(readFile(path + ".adv"), QByteArray("80020106\n"));

    tick(scan().manufacturer);
    type(scan().manufacturerEdit, "0A0B");
    const QString named = save("named.adv"); // the extension is not doubled
    EXPECT_EQ(readFile(named), QByteArray("80020106\n03FF0A0B"));

    page.storeOption()->setCurrentIndex(0);
    tick(adv().flag);
    save("named.adv"); // replaces the earlier content
    EXPECT_EQ(readFile(named), QByteArray("00\n03FF0A0B"));
}

TEST_F(AdvEditor, SaveClearLoadGivesTheSameFieldsAndTheSameBytes) {
    tick(adv().service);
    uuid(adv(), 0, "180D");
    uuid(adv(), 2, "180F");
    tick(adv().flag);
    tick(adv().manufacturer);
    type(adv().manufacturerEdit, "ABCDEF");
    tick(scan().service);
    uuid(scan(), 0, "0000FEF0000010008000008000000000");
    tick(scan().manufacturer);
    type(scan().manufacturerEdit, "0102");
    const std::string advBefore = updateAdv();
    const std::string scanBefore = updateScan();
    const QString path = save("trip");

    CPageAdvEditor other; // a clean editor loads it
    other.setLayer(module.layer());
    other.enable(true);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    tick(other.advertising().name);
    type(other.advertising().nameEdit, "stale");
    prompts.queueOpenFile(path + ".adv");
    click(other.loadButton());
    const auto& a = other.advertising();
    EXPECT_TRUE(a.service->isChecked());
    EXPECT_EQ(a.uuid[0]->text(), "180D");
    EXPECT_EQ(a.uuid[1]->text(), "180F"); // into the first empty row
    EXPECT_TRUE(a.uuidBox[1]->isChecked());
    EXPECT_TRUE(a.flag->isChecked());
    EXPECT_EQ(a.flagCombo->currentIndex(), 0);
    EXPECT_FALSE(a.name->isChecked()) << "the fields are cleared before loading";
    EXPECT_EQ(a.nameEdit->text(), "");
    EXPECT_EQ(a.manufacturerEdit->text(), "ABCDEF");
    EXPECT_EQ(other.scanResponse().uuid[0]->text(), "0000FEF0000010008000008000000000");
    EXPECT_EQ(other.scanResponse().manufacturerEdit->text(), "0102");
    EXPECT_EQ(a.available->text(), page.advertising().available->text());
    EXPECT_TRUE(a.uuid[1]->isEnabled());

    QTest::mouseClick(a.update, Qt::LeftButton);
    EXPECT_EQ(module.nextPacket(), advBefore);
    QTest::mouseClick(other.scanResponse().update, Qt::LeftButton);
    EXPECT_EQ(module.nextPacket(), scanBefore);
}

TEST_F(AdvEditor, LoadReportsAMissingFile) {
    prompts.queueOpenFile(dir.filePath("none.adv"));
    click(page.loadButton());
    EXPECT_THAT(prompts.messages(), ElementsAre(" Open File Failed "));
    EXPECT_THAT(prompts.fileFilters(), ElementsAre("ADV FILE(*.adv)"));
}

TEST_F(AdvEditor, ReportsAccumulateUuidsAndReplaceNameAndManufacturer) {
    page.showAdvertisingReport(std::vector<std::uint8_t>{0x02, 0x01, 0x06, 0x05, 0x03, 0x0D, 0x18,
                                                         0x0F, 0x18, 0x04, 0x09, 'O', 'n', 'e'});
    EXPECT_TRUE(adv().flag->isChecked());
    EXPECT_EQ(adv().uuid[0]->text(), "180D");
    EXPECT_EQ(adv().uuid[1]->text(), "180F");
    EXPECT_EQ(adv().nameEdit->text(), "One");
    EXPECT_EQ(adv().available->text(), "17");

    Record r{};
    r[2] = 0x70;
    const std::uint8_t data[] = {0x09, 0x03, 0x01, 0x2A, 0x02, 0x2A, 0x03, 0x2A,
                                 0x04, 0x2A, 0x04, 0xFF, 0x4E, 0x58, 0x01};
    r[11] = sizeof data;
    std::copy(std::begin(data), std::end(data), r.begin() + 12);
    page.hide(); // another tab is chosen
    page.receive(kKindAdvertisingReport, r);
    EXPECT_EQ(adv().uuid[2]->text(), "") << "a hidden page is not refreshed";
    page.show(); // this tab is chosen again: what was received shows at once
    EXPECT_EQ(adv().uuid[2]->text(), "2A01");
    EXPECT_EQ(adv().uuid[4]->text(), "2A03");
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(adv().uuidBox[i]->isChecked());
    EXPECT_EQ(adv().nameEdit->text(), "One");
    EXPECT_EQ(adv().manufacturerEdit->text(), "4E5801");
    EXPECT_TRUE(adv().manufacturer->isChecked());
}

TEST_F(AdvEditor, ReportsGatheredBetweenRefreshesShowAsIfEachHadBeenShown) {
    // Five reports: flags, UUID lists that overflow the five rows, names, manufacturer data.
    const std::vector<std::vector<std::uint8_t>> reports = {
        {0x02, 0x01, 0x06, 0x05, 0x03, 0x0D, 0x18, 0x0F, 0x18, 0x04, 0x09, 'O', 'n', 'e'},
        {0x03, 0xFF, 0x01, 0x02, 0x11, 0x07, 0x00, 0x01, 0x02, 0x03, 0x04,
         0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F},
        {0x07, 0x03, 0x01, 0x2A, 0x02, 0x2A, 0x03, 0x2A, 0x04, 0x09, 'T', 'w', 'o'},
        {0x03, 0x03, 0x0A, 0x18, 0x03, 0xFF, 0x4E, 0x58},
        {0x02, 0x01, 0x05},
    };
    CPageAdvEditor each;
    for (const auto& data : reports)
        each.showAdvertisingReport(data);

    for (const auto& data : reports) {
        Record r{};
        r[2] = 0x70;
        r[11] = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), r.begin() + 12);
        page.receive(kKindAdvertisingReport, r);
    }
    EXPECT_EQ(adv().nameEdit->text(), "") << "not refreshed per report";
    page.showPendingReports();
    const auto& want = each.advertising();
    for (int i = 0; i < CPageAdvEditor::kUuidRows; ++i) {
        EXPECT_EQ(adv().uuid[i]->text(), want.uuid[i]->text()) << i;
        EXPECT_EQ(adv().uuidBox[i]->isChecked(), want.uuidBox[i]->isChecked()) << i;
    }
    EXPECT_EQ(adv().uuid[4]->text(), "2A02");
    EXPECT_EQ(adv().service->isChecked(), want.service->isChecked());
    EXPECT_EQ(adv().flag->isChecked(), want.flag->isChecked());
    EXPECT_EQ(adv().nameEdit->text(), "Two");
    EXPECT_EQ(adv().manufacturerEdit->text(), want.manufacturerEdit->text());
    EXPECT_EQ(adv().available->text(), want.available->text());
}

TEST_F(AdvEditor, HexFieldsRefuseOtherCharacters) {
    tick(adv().manufacturer);
    type(adv().manufacturerEdit, "0Z1");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));
    EXPECT_EQ(adv().manufacturerEdit->text(), "01");
    prompts.clear();
    tick(scan().service);
    uuid(scan(), 3, "18-0");
    EXPECT_THAT(prompts.messages(), ElementsAre("Input error!! Not Hex mode"));
    EXPECT_EQ(scan().uuid[3]->text(), "180");
}

TEST_F(AdvEditor, ServiceRefOpensTheAssignedNumbersPage) {
    click(page.serviceRefButton());
    EXPECT_THAT(prompts.urls(),
                ElementsAre("https://www.bluetooth.com/specifications/assigned-numbers/"));
}

} // namespace
} // namespace nuvex3
