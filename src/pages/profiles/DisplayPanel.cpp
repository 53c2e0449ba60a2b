#include "pages/profiles/DisplayPanel.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace nuvex3::profiles {

namespace {

const QColor kLcd(0xDF, 0xE7, 0xDC);
const QColor kLcdEdge(0x9A, 0xA8, 0x96);
const QColor kCaption(0x6E, 0x78, 0x6C);

// The body of a device: a rounded shell, lit from above.
void body(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 18, 18);
}

// A liquid crystal screen with a faint inner shadow.
void lcd(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kLcdEdge, 2));
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kLcd.darker(108));
    g.setColorAt(0.15, kLcd);
    g.setColorAt(1, kLcd.lighter(103));
    p.setBrush(g);
    p.drawRoundedRect(r, 8, 8);
}

void caption(QPainter& p, const QRectF& r, const QString& text, qreal points = 8,
             const QColor& colour = kCaption) {
    p.setPen(colour);
    p.setFont(panelFont(QStringLiteral("Sans Serif"), points));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
}

QPainterPath heartShape(const QRectF& r) {
    QPainterPath path;
    const qreal w = r.width(), h = r.height();
    path.moveTo(r.left() + w / 2, r.top() + h);
    path.cubicTo(r.left() - w * 0.1, r.top() + h * 0.55, r.left() + w * 0.05, r.top() - h * 0.1,
                 r.left() + w / 2, r.top() + h * 0.25);
    path.cubicTo(r.left() + w * 0.95, r.top() - h * 0.1, r.left() + w * 1.1, r.top() + h * 0.55,
                 r.left() + w / 2, r.top() + h);
    return path;
}

void heart(QPainter& p, const QRectF& r) {
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width());
    g.setColorAt(0, QColor(0xFF, 0x6B, 0x6B));
    g.setColorAt(1, QColor(0xB0, 0x10, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(heartShape(r));
}

} // namespace

QFont panelFont(const QString& family, qreal points, bool condensed) {
    QFont f;
    // The named family when the system has it; otherwise a plain face of the same kind.
    QStringList families{family};
    if (!QFontDatabase::families().contains(family))
        families = {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Sans Serif")};
    f.setFamilies(families);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    if (condensed)
        f.setStretch(QFont::SemiCondensed);
    return f;
}

DisplayPanel::DisplayPanel(const QString& accessibleName, QSize size, Painter picture,
                           std::vector<Field> fields, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)), fields_(std::move(fields)),
      texts_(fields_.size()) {
    setFixedSize(size);
    setAccessibleName(accessibleName);
    describe();
}

void DisplayPanel::setText(int field, const QString& text) {
    QString& kept = texts_.at(static_cast<std::size_t>(field));
    if (kept == text)
        return;
    kept = text;
    describe();
    update(fields_[static_cast<std::size_t>(field)].rect);
}

void DisplayPanel::describe() {
    QStringList parts;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (!texts_[i].isEmpty())
            parts << fields_[i].name + QStringLiteral(": ") + texts_[i];
    setAccessibleDescription(parts.join(QStringLiteral("; ")));
}

QPixmap DisplayPanel::render() {
    QPixmap out(size());
    out.fill(Qt::transparent);
    QWidget::render(&out);
    return out;
}

void DisplayPanel::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (cached_.isNull() || cached_.devicePixelRatio() != ratio) {
        cached_ = QPixmap(size() * ratio);
        cached_.setDevicePixelRatio(ratio);
        cached_.fill(Qt::transparent);
        QPainter bp(&cached_);
        bp.setRenderHint(QPainter::Antialiasing);
        picture_(bp, size());
    }
    QPainter p(this);
    p.drawPixmap(0, 0, cached_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setBackgroundMode(Qt::TransparentMode);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const Field& f = fields_[i];
        p.setFont(f.font);
        p.setPen(f.colour);
        p.drawText(f.rect, static_cast<int>(f.align) | Qt::TextSingleLine, texts_[i]);
    }
    paintOver(p);
}

// ---------------------------------------------------------------------------------------
// The devices. Each leaves room for the texts its page places over it.

void drawHeartRateMonitor(QPainter& p, const QSize& size) {
    body(p, QRectF(QPointF(0, 0), size), QColor(0xF4, 0xF4, 0xF4), QColor(0xB8, 0xBC, 0xC0));
    lcd(p, QRectF(16, 14, 300, size.height() - 28));
    heart(p, QRectF(30, 26, 30, 27));
    caption(p, QRectF(262, 82, 50, 20), QStringLiteral("bpm"), 11);
    caption(p, QRectF(30, 120, 60, 20), QStringLiteral("Energy"));
    caption(p, QRectF(30, 142, 60, 20), QStringLiteral("Location"));
    // The RR-interval strip: a dark window for the white bars.
    const QRectF strip(330, 14, size.width() - 346, size.height() - 28);
    QLinearGradient g(strip.topLeft(), strip.bottomLeft());
    g.setColorAt(0, QColor(0x2F, 0x3E, 0x4E));
    g.setColorAt(1, QColor(0x1B, 0x25, 0x30));
    p.setPen(QPen(QColor(0x10, 0x18, 0x20), 2));
    p.setBrush(g);
    p.drawRoundedRect(strip, 8, 8);
    caption(p, QRectF(strip.left() + 12, strip.top() + 8, 200, 18),
            QStringLiteral("RR-Interval (1/1024 s)"), 8, QColor(0xC8, 0xD4, 0xE0));
}

void drawThermometer(QPainter& p, const QSize& size) {
    body(p, QRectF(QPointF(0, 0), size), QColor(0xFB, 0xFB, 0xFD), QColor(0xC4, 0xCA, 0xD6));
    lcd(p, QRectF(16, 14, 420, size.height() - 28));
    // The unit badge, where the unit letter goes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5A, 0x6A, 0x80));
    p.drawEllipse(QRectF(356, 36, 60, 60));
    caption(p, QRectF(30, 134, 60, 18), QStringLiteral("Date"), 7.5);
    caption(p, QRectF(230, 134, 60, 18), QStringLiteral("Time"), 7.5);
    caption(p, QRectF(30, 154, 60, 18), QStringLiteral("Type"), 7.5);
    caption(p, QRectF(230, 154, 60, 18), QStringLiteral("Interval"), 7.5);
    // A clinical thermometer beside the screen.
    const qreal x = size.width() - 80;
    p.setPen(QPen(QColor(0x70, 0x78, 0x88), 2));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRoundedRect(QRectF(x, 24, 22, size.height() - 70), 11, 11);
    p.setBrush(QColor(0xD0, 0x20, 0x30));
    p.drawEllipse(QRectF(x - 8, size.height() - 62, 38, 38));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(x + 7, 70, 8, size.height() - 110));
    p.setPen(QPen(QColor(0x70, 0x78, 0x88), 1));
    for (int i = 0; i < 9; ++i)
        p.drawLine(QPointF(x + 24, 36 + i * 11), QPointF(x + 32, 36 + i * 11));
}

void drawBloodPressureMonitor(QPainter& p, const QSize& size) {
    body(p, QRectF(QPointF(0, 0), size), QColor(0xF8, 0xF8, 0xF8), QColor(0xAE, 0xB6, 0xBE));
    const QRectF screen(16, 14, size.width() - 32, size.height() - 28);
    lcd(p, screen);
    p.setPen(QPen(kLcdEdge, 1));
    p.drawLine(QPointF(420, 24), QPointF(420, screen.bottom() - 10));
    p.drawLine(QPointF(30, 46), QPointF(406, 46));
    caption(p, QRectF(436, 24, 80, 18), QStringLiteral("PULSE /min"), 7.5);
    heart(p, QRectF(size.width() - 62, 26, 22, 20));
    caption(p, QRectF(436, 112, 80, 18), QStringLiteral("MEMORY"), 7.5);
}

void drawWeightScale(QPainter& p, const QSize& size) {
    // The platform, seen from above, with its screen at the front edge.
    body(p, QRectF(QPointF(0, 0), size), QColor(0xE8, 0xEE, 0xF2), QColor(0x9C, 0xA8, 0xB4));
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 120), 1));
    for (int i = 1; i < 6; ++i)
        p.drawLine(QPointF(24, i * size.height() / 6.0), QPointF(110, i * size.height() / 6.0));
    for (int i = 1; i < 6; ++i)
        p.drawLine(QPointF(size.width() - 110, i * size.height() / 6.0),
                   QPointF(size.width() - 24, i * size.height() / 6.0));
    lcd(p, QRectF(130, 14, size.width() - 260, size.height() - 28));
    caption(p, QRectF(146, 112, 60, 18), QStringLiteral("Battery"), 7.5);
    caption(p, QRectF(146, 134, 60, 18), QStringLiteral("Time"), 7.5);
}

void drawGlucoseMeter(QPainter& p, const QSize& size) {
    body(p, QRectF(QPointF(0, 0), size), QColor(0xF2, 0xF6, 0xFA), QColor(0x8E, 0xA4, 0xBC));
    lcd(p, QRectF(16, 14, 430, size.height() - 28));
    caption(p, QRectF(30, 22, 60, 18), QStringLiteral("No."), 7.5);
    caption(p, QRectF(30, 128, 60, 18), QStringLiteral("Type"), 7.5);
    caption(p, QRectF(30, 148, 60, 18), QStringLiteral("Location"), 7.5);
    // A test strip in its port.
    const qreal x = size.width() - 110;
    p.setPen(QPen(QColor(0x50, 0x60, 0x70), 1.5));
    p.setBrush(QColor(0x30, 0x3A, 0x46));
    p.drawRoundedRect(QRectF(x, size.height() / 2.0 - 12, 60, 24), 4, 4);
    p.setBrush(QColor(0xF4, 0xF0, 0xE0));
    p.drawRect(QRectF(x + 50, size.height() / 2.0 - 7, 42, 14));
    p.setBrush(QColor(0xC0, 0x20, 0x30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(x + 78, size.height() / 2.0 - 4, 8, 8));
}

void drawTouchPanel(QPainter& p, const QSize& size) {
    // A glass panel with eight capacitive keys in two rows.
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(0x24, 0x2C, 0x38));
    g.setColorAt(1, QColor(0x0C, 0x10, 0x16));
    p.setPen(QPen(QColor(0x5A, 0x66, 0x74), 2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 14, 14);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 40), 1));
    p.drawLine(QPointF(16, 12), QPointF(size.width() - 16, 12));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col) {
            const QPointF centre(56 + col * 112, 78 + row * 96);
            QRadialGradient key(centre, 30);
            key.setColorAt(0, QColor(0x5C, 0x7C, 0x9C));
            key.setColorAt(0.8, QColor(0x2A, 0x3C, 0x50));
            key.setColorAt(1, QColor(0x8A, 0xA8, 0xC8));
            p.setPen(QPen(QColor(0x9C, 0xC0, 0xE0), 1.5));
            p.setBrush(key);
            p.drawEllipse(centre, 30, 30);
        }
}

} // namespace nuvex3::profiles
