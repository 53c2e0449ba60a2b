#pragma once
// The display panels of the profile pages: a picture of the device (drawn by the tool
// itself, once) with the values last sent written over it. Each text has its place, font
// and colour; a font the system lacks falls back to a similar one. The texts shown are
// also the panel's accessible description, for screen readers and UI automation.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

namespace nuvex3::profiles {

// A font of this family at this size, falling back to a similar family when absent.
QFont panelFont(const QString& family, qreal points, bool condensed = false);

class DisplayPanel : public QWidget {
    Q_OBJECT
public:
    struct Field {
        QString name; // what the text is, for the accessible description
        QRect rect;
        QFont font;
        QColor colour;
        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    };
    using Painter = std::function<void(QPainter&, const QSize&)>;

    DisplayPanel(const QString& accessibleName, QSize size, Painter picture,
                 std::vector<Field> fields, QWidget* parent = nullptr);

    void setText(int field, const QString& text);
    const QString& text(int field) const { return texts_[static_cast<std::size_t>(field)]; }
    // The whole picture with its texts, as the page shows it.
    QPixmap render();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Drawing over the picture and the texts (charts, markers).
    virtual void paintOver(QPainter&) {}

private:
    void describe();

    Painter picture_;
    QPixmap cached_;
    std::vector<Field> fields_;
    std::vector<QString> texts_;
};

// The pictures of the devices.
void drawHeartRateMonitor(QPainter& p, const QSize& size);
void drawThermometer(QPainter& p, const QSize& size);
void drawBloodPressureMonitor(QPainter& p, const QSize& size);
void drawWeightScale(QPainter& p, const QSize& size);
void drawGlucoseMeter(QPainter& p, const QSize& size);
void drawTouchPanel(QPainter& p, const QSize& size);

} // namespace nuvex3::profiles
