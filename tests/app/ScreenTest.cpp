// The main window on a 1280x800 screen (the offscreen platform given that screen): it
// fits, every control is in reach, a smaller window scrolls, and controls whose caption
// changes keep their place.

#include "AppTestSupport.h"

#include "app/PageSet.h"
#include "framework/MainWindow.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace nuvex3::test {
namespace {

// True when the whole widget is on screen, not clipped by a scroll area or the window.
bool wholeInView(QWidget* w) {
    return w->isVisible() && w->visibleRegion().boundingRect() == w->rect();
}

QScrollArea* scrollAreaOf(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p))
            return area;
    return nullptr;
}

class OnALaptopScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1280, 800))
            << "run with QT_QPA_PLATFORM=offscreen:configfile=screen-1280x800.json";
        h.ui().sheet->setCurrentWidget(&h.dialog().pages().gap);
        h.dialog().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.dialog()));
    }
    MainWindowHarness h{{"/dev/ttyUSB0"}};
};

TEST_F(OnALaptopScreen, TheWindowFitsAndEveryControlIsInReach) {
    EXPECT_TRUE(QRect(0, 0, 1280, 800).contains(h.dialog().frameGeometry()))
        << h.dialog().frameGeometry().width() << "x" << h.dialog().frameGeometry().height();
    CPageGAP& gap = h.dialog().pages().gap;
    for (QWidget* w : std::vector<QWidget*>{
             h.ui().connect, h.ui().continuousSend, h.ui().status[4], h.ui().logView, h.ui().clear,
             h.ui().save, gap.opcodeCombo(), gap.sendButton(), gap.timeoutEdit(),
             gap.deviceNameEdit(), gap.clearButton(), gap.reportView()})
        EXPECT_TRUE(wholeInView(w))
            << w->metaObject()->className() << " " << w->objectName().toStdString()
            << (qobject_cast<QPushButton*>(w) ? qobject_cast<QPushButton*>(w)->text().toStdString()
                                              : std::string());
}

TEST_F(OnALaptopScreen, EveryPageFitsBesideTheLeftColumnWithoutScrollingSideways) {
    QTabWidget* sheet = h.ui().sheet;
    h.dialog().setProfilePages(kProfileWeightScale | kProfileHeartRate | kProfileHealthThermometer |
                               kProfileBloodPressure | kProfileGlucose);
    QScrollArea* sheetArea = scrollAreaOf(sheet);
    ASSERT_NE(sheetArea, nullptr);
    for (int i = 0; i < sheet->count(); ++i) {
        sheet->setCurrentIndex(i);
        QCoreApplication::processEvents();
        EXPECT_FALSE(sheetArea->horizontalScrollBar()->isVisible())
            << sheet->tabText(i).toStdString() << " needs "
            << sheet->widget(i)->minimumSizeHint().width() << " pixels";
    }
}

TEST_F(OnALaptopScreen, StatusDisplaysShowTheirLongestEntryWholeInTheNormalTextColour) {
    for (QComboBox* combo : h.ui().status) {
        EXPECT_FALSE(combo->isEnabled()) << "a display, not a choice";
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
        combo->setCurrentIndex(5); // "0x08: Transparent Service Enabled Mode"
        EXPECT_GE(combo->width(), combo->sizeHint().width());
        EXPECT_GT(combo->width(), widest);
        const QPalette& p = combo->palette();
        EXPECT_EQ(p.color(QPalette::Disabled, QPalette::ButtonText),
                  p.color(QPalette::Active, QPalette::ButtonText));
        EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text),
                  p.color(QPalette::Active, QPalette::Text));
    }
}

TEST_F(OnALaptopScreen, ASmallerWindowScrollsItsSides) {
    h.dialog().resize(900, 560);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.dialog().size(), QSize(900, 560));
    CPageGAP& gap = h.dialog().pages().gap;
    QScrollArea* sheetArea = scrollAreaOf(h.ui().sheet);
    QScrollArea* leftArea = scrollAreaOf(h.ui().logView);
    ASSERT_NE(sheetArea, nullptr);
    ASSERT_NE(leftArea, nullptr);
    EXPECT_TRUE(sheetArea->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(wholeInView(gap.clearButton()));
    sheetArea->ensureWidgetVisible(gap.clearButton());
    EXPECT_TRUE(wholeInView(gap.clearButton())) << "scrolled into view";
    EXPECT_TRUE(wholeInView(h.ui().status[0]));
    leftArea->ensureWidgetVisible(h.ui().save);
    EXPECT_TRUE(wholeInView(h.ui().save));
}

TEST_F(OnALaptopScreen, AButtonWhoseCaptionChangesKeepsItsPlace) {
    QPushButton* button = h.ui().continuousSend;
    const QRect before = button->geometry();
    EXPECT_GE(button->width(), button->sizeHint().width()) << "\"Continuous Send\" whole";
    button->setText("Stop"); // what a running send shows
    QCoreApplication::processEvents();
    EXPECT_EQ(button->geometry(), before);
    button->setText("Continuous Send");
    QCoreApplication::processEvents();
    EXPECT_EQ(button->geometry(), before);
}

} // namespace
} // namespace nuvex3::test
