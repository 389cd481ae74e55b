#include "ui/about_picture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace vy {

namespace {

// A small computer: a screen on a stand.
void DrawComputer(QPainter& p, const QPointF& centre, const QColor& body)
{
    const QRectF screen(centre.x() - 13, centre.y() - 11, 26, 18);
    p.setPen(QPen(QColor(20, 40, 70), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(screen, 2.5, 2.5);
    p.setBrush(QColor(170, 215, 245));
    p.drawRect(screen.adjusted(3, 3, -3, -3));
    p.setBrush(body);
    p.drawRect(QRectF(centre.x() - 2.5, screen.bottom(), 5, 4));
    p.drawRoundedRect(QRectF(centre.x() - 9, screen.bottom() + 4, 18, 3), 1.5, 1.5);
}

}  // namespace

QPixmap AboutPicture(qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QPixmap pixmap(qRound(AboutPictureWidth * ratio), qRound(AboutPictureHeight * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(0, 0, AboutPictureWidth, AboutPictureHeight);

    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0.0, QColor(14, 52, 96));
    sky.setColorAt(1.0, QColor(28, 108, 160));
    p.fillRect(area, sky);

    // Faint grid of a network in the background.
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    for (int x = 12; x < AboutPictureWidth; x += 18)
        p.drawLine(QPointF(x, 0), QPointF(x, AboutPictureHeight));
    for (int y = 10; y < AboutPictureHeight; y += 18)
        p.drawLine(QPointF(0, y), QPointF(AboutPictureWidth, y));

    // The connection: a client and a server joined by a dashed line with a
    // packet travelling along it.
    const QPointF client(174, 68);
    const QPointF server(212, 26);
    QPainterPath link;
    link.moveTo(client + QPointF(13, -4));
    link.cubicTo(QPointF(200, 62), QPointF(184, 28), server + QPointF(-13, 0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 196, 64), 2.2, Qt::DashLine, Qt::RoundCap));
    p.drawPath(link);
    const QPointF packet = link.pointAtPercent(0.55);
    QRadialGradient glow(packet, 6);
    glow.setColorAt(0.0, QColor(255, 240, 180));
    glow.setColorAt(1.0, QColor(255, 196, 64, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(packet, 6, 6);
    p.setBrush(QColor(255, 226, 120));
    p.drawEllipse(packet, 2.6, 2.6);
    DrawComputer(p, client, QColor(226, 232, 240));
    DrawComputer(p, server, QColor(226, 232, 240));

    // The name.
    QFont name(QStringLiteral("DejaVu Sans"));
    name.setStyleHint(QFont::SansSerif);
    name.setPixelSize(46);
    name.setBold(true);
    p.setFont(name);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(16, 14, 120, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vy 3"));
    p.setPen(Qt::white);
    p.drawText(QRectF(14, 12, 120, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vy 3"));

    QFont tagline(QStringLiteral("DejaVu Sans"));
    tagline.setStyleHint(QFont::SansSerif);
    tagline.setPixelSize(11);
    p.setFont(tagline);
    p.setPen(QColor(200, 225, 245));
    p.drawText(QRectF(16, 70, 150, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Connection log analyser"));

    p.end();
    return pixmap;
}

}  // namespace vy
