#include "pages/profiles/CPageDemoCorvane.h"

#include "pages/profiles/DisplayPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

using namespace nuvex3;
using namespace nuvex3::profiles;

namespace {

constexpr std::uint8_t kCodeAll = 0xE0;
constexpr std::uint8_t kCodeTouch = 0xC0;
const QColor kLit(255, 0, 0);

// The picture of the touch panel, at its own size.
class TouchPanelPicture : public QWidget {
public:
    explicit TouchPanelPicture(QWidget* parent) : QWidget(parent) {
        setFixedSize(CPageDemoCorvane::kPictureSize);
        setAccessibleName(QStringLiteral("Touch panel"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.isNull()) {
            picture_ = QPixmap(size());
            picture_.fill(Qt::transparent);
            QPainter p(&picture_);
            p.setRenderHint(QPainter::Antialiasing);
            drawTouchPanel(p, size());
        }
        QPainter(this).drawPixmap(0, 0, picture_);
    }

private:
    QPixmap picture_;
};

void paintMarker(QLabel* marker, bool lit) {
    const QColor colour = lit ? kLit : QColor(Qt::white);
    marker->setStyleSheet(
        QStringLiteral("QLabel { color: %1; background: %1; }").arg(colour.name()));
    marker->setAccessibleDescription(lit ? QStringLiteral("lit") : QStringLiteral("off"));
}

} // namespace

CPageDemoCorvane::CPageDemoCorvane(QWidget* parent) : CPageBase(QStringLiteral("Corvane"), parent) {
    auto* picture = new TouchPanelPicture(this);
    QFont labelFont = panelFont(QStringLiteral("MS Reference Sans Serif"), 10);
    for (int i = 0; i < 8; ++i) {
        const QPoint centre(56 + (i % 4) * 112, 78 + (i / 4) * 96);
        auto* channel = new QLabel(QStringLiteral("CS%1").arg(i + 1), picture);
        channel->setFont(labelFont);
        channel->setStyleSheet(QStringLiteral("QLabel { color: white; background: transparent; }"));
        channel->setAlignment(Qt::AlignCenter);
        channel->setGeometry(centre.x() - 30, centre.y() + 32, 40, 18);
        auto* marker = new QLabel(QStringLiteral("M"), picture);
        marker->setAlignment(Qt::AlignCenter);
        marker->setGeometry(centre.x() + 12, centre.y() + 33, 16, 16);
        marker->setAccessibleName(QStringLiteral("Marker CS%1").arg(i + 1));
        paintMarker(marker, false);
        channels_[static_cast<std::size_t>(i)] = channel;
        markers_[static_cast<std::size_t>(i)] = marker;
    }

    auto* rssiLabel = new QLabel(QStringLiteral("RSSI:"), this);
    rssi_ = new QLineEdit(this);
    rssi_->setEnabled(false);
    rssi_->setMaximumWidth(80);
    rssiLabel->setBuddy(rssi_);
    auto* rssiRow = new QHBoxLayout;
    rssiRow->addWidget(rssiLabel);
    rssiRow->addWidget(rssi_);
    rssiRow->addStretch(1);

    auto* page = new QVBoxLayout(this);
    page->addWidget(picture, 0, Qt::AlignLeft);
    page->addLayout(rssiRow);
    page->addStretch(1);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kClearDelayMs);
    connect(timer_, &QTimer::timeout, this, &CPageDemoCorvane::clearTimerExpired);
}

void CPageDemoCorvane::receive(int kind, const Record& record) {
    if (kind != kKindCustomerDemo)
        return;
    const std::uint8_t type = record[3];
    const std::uint8_t code = record[4];
    rssi_->setText(QString::asprintf("%d", static_cast<int>(record[5]) - 256));
    updateMarkers(code, type);
}

void CPageDemoCorvane::updateMarkers(std::uint8_t code, std::uint8_t type) {
    timer_->stop();
    if (code == kCodeAll && type == 1)
        lit_.fill(true);
    if (code == kCodeTouch) {
        lit_.fill(true);
        // Types 2, 4, 8 and 16 name markers 2 to 5.
        for (std::size_t i = 1; i < lit_.size(); ++i)
            if (type == (1u << i))
                lit_[i] = false;
    }
    paintMarkers();
    if (code == kCodeTouch && type == 0) {
        pendingCode_ = kCodeTouch;
        pendingType_ = 0;
        timer_->start();
    }
}

void CPageDemoCorvane::clearTimerExpired() {
    timer_->stop();
    if (pendingCode_ == kCodeTouch && pendingType_ == 0)
        lit_.fill(false);
    paintMarkers();
}

void CPageDemoCorvane::paintMarkers() {
    for (std::size_t i = 0; i < markers_.size(); ++i)
        paintMarker(markers_[i], i < lit_.size() && lit_[i]);
}
