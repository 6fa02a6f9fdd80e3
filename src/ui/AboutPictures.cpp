#include "AboutPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kBannerWidth = 327;
constexpr int kBannerHeight = 126;

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Concentric arcs opening to the right, as drawn around an antenna.
void drawSignal(QPainter& painter, QPointF centre, int rings, qreal step, const QColor& colour, qreal width) {
    painter.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= rings; ++ring) {
        QColor faded = colour;
        faded.setAlphaF(1.0 - 0.2 * (ring - 1));
        painter.setPen(QPen(faded, width, Qt::SolidLine, Qt::RoundCap));
        const qreal radius = step * ring;
        painter.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), -45 * 16,
                        90 * 16);
    }
}

// A small box with a stub antenna and three status lights.
void drawDevice(QPainter& painter, QRectF body, const QColor& shell, const QColor& trim) {
    painter.setPen(QPen(trim, 1.5));
    painter.setBrush(shell);
    painter.drawRoundedRect(body, 6, 6);
    const QPointF antennaFoot(body.right() - 12, body.top());
    painter.setPen(QPen(trim, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(antennaFoot, antennaFoot + QPointF(0, -24));
    const QColor lights[] = {QColor(0x4c, 0xaf, 0x50), QColor(0xff, 0xc1, 0x07), QColor(0x21, 0x96, 0xf3)};
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(lights[i]);
        painter.drawEllipse(QPointF(body.left() + 14 + i * 14, body.bottom() - 12), 4, 4);
    }
}

// A building with a mast: the receiving station.
void drawStation(QPainter& painter, QRectF base, const QColor& fill, const QColor& trim) {
    painter.setPen(QPen(trim, 1.5));
    painter.setBrush(fill);
    painter.drawRect(base);
    painter.setBrush(trim);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            painter.drawRect(QRectF(base.left() + 8 + col * 16, base.top() + 10 + row * 16, 8, 8));
    const QPointF mastFoot(base.center().x(), base.top());
    painter.setPen(QPen(trim, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(mastFoot, mastFoot + QPointF(0, -30));
    painter.drawLine(mastFoot + QPointF(-10, 0), mastFoot + QPointF(0, -30));
    painter.drawLine(mastFoot + QPointF(10, 0), mastFoot + QPointF(0, -30));
}

// A bold "N" built from strokes, so it looks the same with every font.
void drawMonogram(QPainter& painter, QRectF box, const QColor& colour) {
    QPainterPath path;
    const qreal stroke = box.width() * 0.24;
    path.addRect(QRectF(box.left(), box.top(), stroke, box.height()));
    path.addRect(QRectF(box.right() - stroke, box.top(), stroke, box.height()));
    QPainterPath diagonal;
    diagonal.moveTo(box.left(), box.top());
    diagonal.lineTo(box.left() + stroke, box.top());
    diagonal.lineTo(box.right(), box.bottom());
    diagonal.lineTo(box.right() - stroke, box.bottom());
    diagonal.closeSubpath();
    path = path.united(diagonal);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
}

} // namespace

namespace AboutPictures {

QPixmap NeutralBanner() {
    QPixmap pixmap = blank(kBannerWidth, kBannerHeight);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, kBannerHeight);
    sky.setColorAt(0, QColor(0xe8, 0xf1, 0xfa));
    sky.setColorAt(1, QColor(0xb9, 0xd3, 0xec));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(0.5, 0.5, kBannerWidth - 1, kBannerHeight - 1), 8, 8);

    // Ground line.
    painter.setPen(QPen(QColor(0x7f, 0x9c, 0xb8), 1.5));
    painter.drawLine(QPointF(16, 104), QPointF(kBannerWidth - 16, 104));

    const QColor trim(0x2f, 0x4a, 0x66);
    drawDevice(painter, QRectF(34, 58, 62, 46), QColor(0xf7, 0xf9, 0xfb), trim);
    drawSignal(painter, QPointF(84, 34), 4, 14, QColor(0x2f, 0x6f, 0xae), 3);
    drawStation(painter, QRectF(232, 58, 58, 46), QColor(0xdd, 0xe6, 0xef), trim);

    // Dotted path of the message between them.
    painter.setPen(QPen(QColor(0x2f, 0x6f, 0xae), 2, Qt::DotLine, Qt::RoundCap));
    QPainterPath hop;
    hop.moveTo(150, 40);
    hop.quadTo(190, 14, 240, 26);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(hop);
    return pixmap;
}

QPixmap ProductBanner() {
    QPixmap pixmap = blank(kBannerWidth, kBannerHeight);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient back(0, 0, kBannerWidth, kBannerHeight);
    back.setColorAt(0, QColor(0x12, 0x3a, 0x5e));
    back.setColorAt(1, QColor(0x1f, 0x6f, 0x8b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(back);
    painter.drawRoundedRect(QRectF(0.5, 0.5, kBannerWidth - 1, kBannerHeight - 1), 8, 8);

    drawMonogram(painter, QRectF(40, 28, 56, 70), QColor(0xff, 0xff, 0xff));
    drawSignal(painter, QPointF(108, 63), 5, 16, QColor(0x8f, 0xd8, 0xf0), 4);
    drawDevice(painter, QRectF(214, 56, 70, 48), QColor(0xec, 0xf4, 0xf8), QColor(0x0d, 0x2a, 0x44));
    return pixmap;
}

QPixmap SmallLogo() {
    QPixmap pixmap = blank(98, 24);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x12, 0x3a, 0x5e));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 97, 23), 4, 4);
    drawMonogram(painter, QRectF(8, 4, 13, 16), Qt::white);
    // Signal strength bars.
    painter.setBrush(QColor(0x8f, 0xd8, 0xf0));
    for (int i = 0; i < 5; ++i) {
        const qreal height = 4 + i * 3;
        painter.drawRect(QRectF(34 + i * 11, 20 - height, 7, height));
    }
    return pixmap;
}

} // namespace AboutPictures

void TPictureBox::setPixmap(const QPixmap& pixmap) {
    m_pixmap = pixmap;
    update();
}

void TPictureBox::paintEvent(QPaintEvent*) {
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_pixmap);
}
