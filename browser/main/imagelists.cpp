#include "imagelists.h"

#include <QApplication>
#include <QIconEngine>
#include <QStyle>
#include <QStyleOption>
#include <QHash>
#include <QPainter>

#include <functional>

namespace tamsel {

namespace {

using Drawing = std::function<void(QPainter &)>;

// The pictures are drawn, not scaled: at each device pixel ratio they are drawn afresh, so they
// stay sharp at any scale.
QPixmap drawn(int size, qreal ratio, const Drawing &draw)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pixmap;
}

// Draws its picture only when a size is asked for, and keeps what it drew: a window shows each
// picture at one device pixel ratio, so drawing every ratio up front is wasted at start-up.
class DrawnIconEngine : public QIconEngine
{
public:
    DrawnIconEngine(int size, Drawing draw)
        : m_size(size)
        , m_draw(std::move(draw))
    {
    }

    QIconEngine *clone() const override { return new DrawnIconEngine(*this); }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const QSize own(m_size, m_size);
        return own.boundedTo(size).isEmpty() ? QSize() : own.scaled(own.boundedTo(size), Qt::KeepAspectRatio);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(m_size, m_size)}; }

    // `size` is in device pixels: twice the picture's size on a screen of ratio 2.
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        if (side <= 0)
            return {};
        const int ratioSide = std::max(side, m_size);
        const quint64 key = (quint64(ratioSide) << 8) | quint64(mode);
        if (auto it = m_drawn.constFind(key); it != m_drawn.cend())
            return fitted(*it, side);
        QPixmap pixmap = drawn(m_size, qreal(ratioSide) / m_size, m_draw);
        pixmap.setDevicePixelRatio(1.0);
        if (mode != QIcon::Normal && mode != QIcon::Active)
        {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        m_drawn.insert(key, pixmap);
        return fitted(pixmap, side);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

private:
    static QPixmap fitted(const QPixmap &pixmap, int side)
    {
        return pixmap.width() <= side ? pixmap : pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    int m_size;
    Drawing m_draw;
    QHash<quint64, QPixmap> m_drawn;
};

QIcon drawnIcon(int size, Drawing draw)
{
    return QIcon(new DrawnIconEngine(size, std::move(draw)));
}

void drawBook(QPainter &p)
{
    p.setPen(QPen(QColor(20, 50, 110), 2));
    p.setBrush(QColor(50, 110, 200));
    p.drawRoundedRect(QRectF(9, 6, 30, 36), 3, 3);
    p.setBrush(QColor(245, 240, 225));
    p.drawRect(QRectF(13, 36, 26, 5));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(17, 15), QPointF(33, 15));
    p.drawLine(QPointF(17, 21), QPointF(29, 21));
}

void drawCodeWindow(QPainter &p)
{
    p.setPen(QPen(QColor(40, 60, 80), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(5, 8, 38, 32), 3, 3);
    p.setBrush(QColor(40, 120, 70));
    p.drawRect(QRectF(5, 8, 38, 7));
    p.setPen(QPen(QColor(40, 120, 70), 2.5));
    p.drawLine(QPointF(11, 21), QPointF(22, 21));
    p.drawLine(QPointF(15, 27), QPointF(34, 27));
    p.drawLine(QPointF(15, 33), QPointF(28, 33));
}

void drawGear(QPainter &p)
{
    p.translate(24, 24);
    p.setPen(QPen(QColor(90, 60, 20), 1.5));
    p.setBrush(QColor(230, 150, 40));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.rotate(i * 45.0);
        p.drawRect(QRectF(-4, -20, 8, 10));
        p.restore();
    }
    p.drawEllipse(QPointF(0, 0), 14, 14);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 5, 5);
}

void drawExamPaper(QPainter &p)
{
    p.setPen(QPen(QColor(80, 80, 80), 2));
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(QRectF(9, 4, 28, 38));
    p.setPen(QPen(QColor(150, 150, 150), 2));
    for (int y = 12; y <= 24; y += 6)
        p.drawLine(QPointF(14, y), QPointF(32, y));
    p.setPen(QPen(QColor(210, 30, 30), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(18, 32), QPointF(25, 40), QPointF(42, 22)}));
}

void drawBulb(QPainter &p)
{
    p.setPen(QPen(QColor(140, 110, 0), 2));
    p.setBrush(QColor(255, 220, 50));
    p.drawEllipse(QRectF(11, 4, 26, 26));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(18, 30, 12, 10));
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.drawLine(QPointF(18, 34), QPointF(30, 34));
    p.drawLine(QPointF(20, 43), QPointF(28, 43));
}

void drawNumberedTile(QPainter &p, int number)
{
    const QColor colour = QColor::fromHsv((number * 37) % 360, 90, 200);
    p.setPen(QPen(colour.darker(150), 2));
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(6, 6, 36, 36), 6, 6);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(6, 6, 36, 36), Qt::AlignCenter, QString::number(number));
}

void drawFolder(QPainter &p, bool open)
{
    p.setPen(QPen(QColor(150, 110, 20), 1.5));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(3, 9, 26, 19));
    p.drawRect(QRectF(3, 6, 11, 4));
    if (open) {
        p.setBrush(QColor(255, 225, 130));
        p.drawPolygon(QPolygonF({QPointF(7, 14), QPointF(31, 14), QPointF(27, 28), QPointF(3, 28)}));
    }
}

void drawLeaf(QPainter &p)
{
    p.setPen(QPen(QColor(70, 90, 120), 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(7, 3), QPointF(20, 3), QPointF(26, 9), QPointF(26, 29), QPointF(7, 29)}));
    p.setPen(QPen(QColor(60, 120, 200), 1.5));
    for (int y = 12; y <= 24; y += 4)
        p.drawLine(QPointF(10, y), QPointF(23, y));
}

void drawShili(QPainter &p)
{
    p.setPen(QPen(QColor(30, 100, 60), 1.5));
    p.setBrush(QColor(90, 180, 110));
    p.drawRoundedRect(QRectF(4, 5, 24, 22), 3, 3);
    p.setPen(QPen(Qt::white, 2));
    p.drawPolyline(QPolygonF({QPointF(11, 11), QPointF(8, 16), QPointF(11, 21)}));
    p.drawPolyline(QPolygonF({QPointF(21, 11), QPointF(24, 16), QPointF(21, 21)}));
    p.drawLine(QPointF(18, 10), QPointF(14, 22));
}

void drawToolbarImage(QPainter &p, int number)
{
    switch (number) {
    case 23: drawBook(p); break;
    case 24: drawCodeWindow(p); break;
    case 26: drawGear(p); break;
    case 27: drawExamPaper(p); break;
    case 28: drawBulb(p); break;
    default: drawNumberedTile(p, number); break;
    }
}

} // namespace

QPixmap ToolbarImages::image(int number)
{
    return drawn(kSize, 1.0, [number](QPainter &p) { drawToolbarImage(p, number); });
}

QIcon ToolbarImages::icon(int number)
{
    return drawnIcon(kSize, [number](QPainter &p) { drawToolbarImage(p, number); });
}

QIcon TreeImages::image(const QString &key)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    // The picture is drawn later, when first shown: the key is kept by value.
    return *cache.insert(key, drawnIcon(kSize, [key](QPainter &p) {
        if (key == u"leaf")
            drawLeaf(p);
        else if (key == u"closed")
            drawFolder(p, false);
        else if (key == u"open")
            drawFolder(p, true);
        else if (key == u"shili")
            drawShili(p);
    }));
}

} // namespace tamsel
