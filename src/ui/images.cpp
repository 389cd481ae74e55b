#include "ui/images.h"

#include <functional>

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vy {
namespace {

using Drawing = std::function<void(QPainter&)>;

// Draws a picture given in a 16 x 16 design grid at the requested size.
class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(Drawing draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        draw_(*painter);
        painter->restore();
    }

    // Asked for in device pixels (the icon sets the pixel ratio itself), so
    // every ratio gets a picture drawn at its own resolution.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size.isEmpty() ? QSize(1, 1) : size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), pm.size()), mode, state);
        return pm;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(20, 20), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(draw_); }
    QString key() const override { return QStringLiteral("vy-painted"); }

private:
    Drawing draw_;
};

QIcon Painted(Drawing draw) { return QIcon(new PaintedIconEngine(std::move(draw))); }

QPen Outline(const QColor& color, double width = 0.8)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A calendar sheet with a red top band; the body is left to the caller.
void CalendarSheet(QPainter& p)
{
    p.setPen(Outline(QColor(90, 90, 90)));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 12), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(1.9, 2.9, 12.2, 3.2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRoundedRect(QRectF(4, 1, 1.4, 3), 0.6, 0.6);
    p.drawRoundedRect(QRectF(10.6, 1, 1.4, 3), 0.6, 0.6);
}

void DrawOpenFolder(QPainter& p)
{
    p.setPen(Outline(QColor(150, 105, 10)));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath back;
    back.moveTo(1, 3);
    back.lineTo(6, 3);
    back.lineTo(7.5, 4.5);
    back.lineTo(13, 4.5);
    back.lineTo(13, 13.5);
    back.lineTo(1, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(252, 225, 120));
    QPainterPath flap;
    flap.moveTo(3.5, 7);
    flap.lineTo(15.5, 7);
    flap.lineTo(13, 13.5);
    flap.lineTo(1, 13.5);
    flap.closeSubpath();
    p.drawPath(flap);
}

void DrawSave(QPainter& p)
{
    p.setPen(Outline(QColor(20, 40, 100)));
    p.setBrush(QColor(50, 90, 180));
    QPainterPath disk;
    disk.moveTo(1.5, 1.5);
    disk.lineTo(12.5, 1.5);
    disk.lineTo(14.5, 3.5);
    disk.lineTo(14.5, 14.5);
    disk.lineTo(1.5, 14.5);
    disk.closeSubpath();
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 240));
    p.drawRect(QRectF(4, 2, 7.5, 4.5));
    p.setBrush(QColor(20, 40, 100));
    p.drawRect(QRectF(9, 2.7, 1.6, 3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 9, 9, 5));
    p.setPen(Outline(QColor(150, 150, 170), 0.6));
    p.drawLine(QPointF(5, 11), QPointF(11, 11));
    p.drawLine(QPointF(5, 12.8), QPointF(11, 12.8));
}

void DrawHelp(QPainter& p)
{
    p.setPen(Outline(QColor(20, 60, 140)));
    p.setBrush(QColor(40, 110, 210));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QPen mark(Qt::white, 2.0);
    mark.setCapStyle(Qt::RoundCap);
    p.setPen(mark);
    p.setBrush(Qt::NoBrush);
    QPainterPath hook;
    hook.moveTo(5.6, 6.0);
    hook.cubicTo(5.6, 3.0, 10.4, 3.0, 10.4, 6.0);
    hook.cubicTo(10.4, 7.8, 8.0, 7.8, 8.0, 9.8);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 12.4), 1.15, 1.15);
}

void DrawConnection(QPainter& p)
{
    // Two arrows: data going both ways over one connection.
    QPen pen(QColor(30, 130, 60), 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(2, 5), QPointF(13, 5));
    p.drawPolyline(QPolygonF({QPointF(10, 2.5), QPointF(13, 5), QPointF(10, 7.5)}));
    pen.setColor(QColor(30, 80, 170));
    p.setPen(pen);
    p.drawLine(QPointF(3, 11), QPointF(14, 11));
    p.drawPolyline(QPolygonF({QPointF(6, 8.5), QPointF(3, 11), QPointF(6, 13.5)}));
}

void DrawDomain(QPainter& p)
{
    p.setPen(Outline(QColor(20, 80, 140)));
    p.setBrush(QColor(110, 170, 230));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.setPen(Outline(QColor(20, 80, 140), 0.7));
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
    p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
}

void DrawUser(QPainter& p)
{
    p.setPen(Outline(QColor(120, 70, 20)));
    p.setBrush(QColor(245, 190, 130));
    p.drawEllipse(QRectF(5, 1.5, 6, 6));
    p.setBrush(QColor(60, 120, 200));
    p.setPen(Outline(QColor(30, 60, 120)));
    QPainterPath body;
    body.moveTo(2, 15);
    body.cubicTo(2, 9, 14, 9, 14, 15);
    body.closeSubpath();
    p.drawPath(body);
}

void DrawServer(QPainter& p)
{
    p.setPen(Outline(QColor(50, 50, 60)));
    p.setBrush(QColor(170, 175, 190));
    p.drawRoundedRect(QRectF(3.5, 1, 9, 14), 1, 1);
    p.setBrush(QColor(90, 95, 110));
    p.drawRect(QRectF(5, 3, 6, 1.6));
    p.drawRect(QRectF(5, 6, 6, 1.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 80));
    p.drawEllipse(QPointF(6, 12), 1, 1);
    p.setBrush(QColor(240, 170, 40));
    p.drawEllipse(QPointF(9, 12), 1, 1);
}

void DrawPort(QPainter& p)
{
    // A serial plug seen from the front.
    p.setPen(Outline(QColor(40, 40, 40)));
    p.setBrush(QColor(120, 120, 130));
    QPainterPath shell;
    shell.moveTo(1, 4);
    shell.lineTo(15, 4);
    shell.lineTo(13, 12);
    shell.lineTo(3, 12);
    shell.closeSubpath();
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 220, 90));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(3.6 + 2.2 * i, 6.6), 0.8, 0.8);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(4.7 + 2.2 * i, 9.4), 0.8, 0.8);
}

void DrawSpeed(QPainter& p)
{
    p.setPen(Outline(QColor(40, 40, 40)));
    p.setBrush(QColor(250, 250, 250));
    QPainterPath dial;
    dial.moveTo(1, 12);
    dial.arcTo(QRectF(1, 3, 14, 18), 180, -180);
    dial.closeSubpath();
    p.drawPath(dial);
    p.setPen(Outline(QColor(40, 160, 60), 1.4));
    p.drawArc(QRectF(3, 5, 10, 14), 150 * 16, -40 * 16);
    p.setPen(Outline(QColor(220, 60, 40), 1.4));
    p.drawArc(QRectF(3, 5, 10, 14), 60 * 16, -40 * 16);
    p.setPen(Outline(QColor(30, 30, 30), 1.3));
    p.drawLine(QPointF(8, 12), QPointF(11.5, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawEllipse(QPointF(8, 12), 1.2, 1.2);
}

void DrawYear(QPainter& p)
{
    CalendarSheet(p);
    p.setPen(Outline(QColor(120, 120, 120), 0.7));
    for (double y : {8.2, 10.4, 12.6})
        p.drawLine(QPointF(3.5, y), QPointF(12.5, y));
}

void DrawMonth(QPainter& p)
{
    CalendarSheet(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(130, 130, 130));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(3.2 + 2.5 * col, 7.3 + 2.3 * row, 1.5, 1.4));
}

void DrawDay(QPainter& p)
{
    CalendarSheet(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(3.2 + 2.5 * col, 7.3 + 2.3 * row, 1.5, 1.4));
    p.setBrush(QColor(30, 90, 200));
    p.drawRect(QRectF(7.6, 9.2, 3.0, 2.8));
}

void DrawWindow(QPainter& p)
{
    p.setPen(Outline(QColor(20, 50, 90)));
    p.setBrush(QColor(235, 242, 250));
    p.drawRoundedRect(QRectF(0.8, 0.8, 14.4, 14.4), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 210));
    p.drawRect(QRectF(3, 8, 2.2, 5));
    p.setBrush(QColor(30, 150, 80));
    p.drawRect(QRectF(6.4, 5, 2.2, 8));
    p.setBrush(QColor(200, 60, 40));
    p.drawRect(QRectF(9.8, 3, 2.2, 10));
    p.setPen(Outline(QColor(20, 50, 90), 0.8));
    p.drawLine(QPointF(2.5, 13.2), QPointF(13.5, 13.2));
}

}  // namespace

QIcon ToolImage(int index)
{
    switch (index) {
    case 0: return Painted(DrawOpenFolder);
    case 1: return Painted(DrawSave);
    case 2: return Painted(DrawHelp);
    default: return QIcon();
    }
}

QIcon TreeImage(int index)
{
    static const Drawing drawings[TreeImageCount] = {DrawConnection, DrawDomain, DrawUser, DrawServer, DrawPort,
                                                     DrawSpeed,      DrawYear,   DrawMonth, DrawDay};
    if (index < 0 || index >= TreeImageCount)
        return QIcon();
    // One shared icon per image, so a list of a million rows makes no new ones.
    static QIcon cache[TreeImageCount];
    if (cache[index].isNull())
        cache[index] = Painted(drawings[index]);
    return cache[index];
}

QIcon WindowImage() { return Painted(DrawWindow); }

}  // namespace vy
