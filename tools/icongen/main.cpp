// Paints every icon of the application as a flat pictogram and writes them as PNG files.
//
//   QT_QPA_PLATFORM=offscreen veltrin-icongen <output directory>
//
// Tool icons are 32 x 32, the input/output lamps 28 x 28 (the status row shows them unscaled in
// 28 x 28 labels), the two pictures used as dialog artwork 64 x 64.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <vector>

namespace {

// One palette for every icon keeps the set consistent.
const QColor Ink(55, 71, 79);
const QColor Paper(250, 250, 250);
const QColor Blue(30, 136, 229);
const QColor DarkBlue(21, 101, 192);
const QColor LightBlue(187, 222, 251);
const QColor Green(67, 160, 71);
const QColor Red(229, 57, 53);
const QColor Orange(251, 140, 0);
const QColor Yellow(253, 216, 53);
const QColor FolderBack(249, 168, 37);
const QColor FolderFront(255, 202, 40);
const QColor Steel(144, 164, 174);
const QColor LightSteel(207, 216, 220);
const QColor Zone1(255, 255, 128);
const QColor Zone2(255, 128, 0);

// A path along the points, closed unless asked otherwise.
QPainterPath through(std::initializer_list<QPointF> points, bool closed = true)
{
    QPainterPath path;
    path.moveTo(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(*it);
    if (closed)
        path.closeSubpath();
    return path;
}

QPen pen(const QColor &c, qreal w = 2.0)
{
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

void fillOutline(QPainter &p, const QPainterPath &path, const QColor &fill, qreal w = 1.5)
{
    p.setPen(pen(Ink, w));
    p.setBrush(fill);
    p.drawPath(path);
}

// A straight arrow: shaft from `from` to `to` with a filled head at `to`.
void arrow(QPainter &p, QPointF from, QPointF to, const QColor &c, qreal width = 3.0, qreal head = 7.0)
{
    const QLineF line(from, to);
    const qreal a = qDegreesToRadians(line.angle());
    const QPointF dir(qCos(a), -qSin(a));
    const QPointF normal(-dir.y(), dir.x());
    const QPointF base = to - dir * head;
    p.setPen(pen(c, width));
    p.drawLine(from, base + dir * 1.0);
    QPolygonF tip;
    tip << to << base + normal * (head * 0.65) << base - normal * (head * 0.65);
    p.setPen(pen(c, 1.0));
    p.setBrush(c);
    p.drawPolygon(tip);
}

// Arc arrow around `centre`: angles in degrees, counter-clockwise, head at the end angle.
void arcArrow(QPainter &p, QPointF centre, qreal r, qreal start, qreal sweep, const QColor &c,
              qreal width = 3.0)
{
    QPainterPath path;
    const QRectF box(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    p.setPen(pen(c, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    const qreal end = qDegreesToRadians(start + sweep);
    const QPointF tip(centre.x() + r * qCos(end), centre.y() - r * qSin(end));
    // tangent in the direction of travel
    const qreal s = sweep >= 0 ? 1.0 : -1.0;
    const QPointF tangent(-qSin(end) * s, -qCos(end) * s);
    const QPointF normal(-tangent.y(), tangent.x());
    const qreal head = 6.0;
    QPolygonF tri;
    tri << tip + tangent * head * 0.9 << tip + normal * head * 0.75 << tip - normal * head * 0.75;
    p.setPen(pen(c, 1.0));
    p.setBrush(c);
    p.drawPolygon(tri);
}

QPainterPath gearPath(QPointF c, qreal outer, qreal inner, int teeth, qreal hole)
{
    QPainterPath path;
    const int steps = teeth * 4;
    for (int i = 0; i < steps; ++i) {
        const qreal a = 2 * M_PI * i / steps;
        const qreal r = (i % 4 < 2) ? outer : inner;
        const qreal a2 = a + 2 * M_PI / steps;
        const QPointF p1(c.x() + r * qCos(a), c.y() + r * qSin(a));
        const QPointF p2(c.x() + r * qCos(a2), c.y() + r * qSin(a2));
        if (i == 0)
            path.moveTo(p1);
        else
            path.lineTo(p1);
        path.lineTo(p2);
    }
    path.closeSubpath();
    path.addEllipse(c, hole, hole);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

void gearBadge(QPainter &p, QPointF c, qreal outer = 8.0)
{
    fillOutline(p, gearPath(c, outer, outer * 0.72, 8, outer * 0.33), Steel, 1.2);
}

void plusBadge(QPainter &p, QPointF c, qreal r, const QColor &fill)
{
    p.setPen(pen(Qt::white, 1.5));
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
    p.setPen(pen(Qt::white, 2.5));
    p.drawLine(c + QPointF(-r * 0.5, 0), c + QPointF(r * 0.5, 0));
    p.drawLine(c + QPointF(0, -r * 0.5), c + QPointF(0, r * 0.5));
}

// A sheet of paper with a folded corner and a few text lines.
void page(QPainter &p, const QRectF &r, bool lines = true)
{
    const qreal fold = qMin(r.width(), r.height()) * 0.3;
    fillOutline(p,
                through({r.topLeft(), QPointF(r.right() - fold, r.top()), QPointF(r.right(), r.top() + fold),
                         r.bottomRight(), r.bottomLeft()}),
                Paper);
    p.setBrush(Qt::NoBrush);
    p.drawPath(through({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                        QPointF(r.right(), r.top() + fold)},
                       false));
    if (!lines)
        return;
    p.setPen(pen(Steel, 1.5));
    for (qreal y = r.top() + fold + 3; y < r.bottom() - 3; y += 4)
        p.drawLine(QPointF(r.left() + 3.5, y), QPointF(r.right() - 3.5, y));
}

void floppy(QPainter &p, const QRectF &r)
{
    const qreal u = r.width() / 24.0;
    QPainterPath body;
    body.moveTo(r.left() + 2 * u, r.top());
    body.lineTo(r.right() - 4 * u, r.top());
    body.lineTo(r.right(), r.top() + 4 * u);
    body.lineTo(r.right(), r.bottom() - 2 * u);
    body.quadTo(r.right(), r.bottom(), r.right() - 2 * u, r.bottom());
    body.lineTo(r.left() + 2 * u, r.bottom());
    body.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - 2 * u);
    body.lineTo(r.left(), r.top() + 2 * u);
    body.quadTo(r.left(), r.top(), r.left() + 2 * u, r.top());
    fillOutline(p, body, Blue);
    p.setPen(pen(Ink, 1.2));
    p.setBrush(LightSteel);
    p.drawRect(QRectF(r.left() + 6 * u, r.top(), 11 * u, 8 * u));
    p.setBrush(Ink);
    p.drawRect(QRectF(r.left() + 13 * u, r.top() + 1.5 * u, 2.5 * u, 5 * u));
    p.setBrush(Paper);
    p.drawRect(QRectF(r.left() + 4 * u, r.top() + 13 * u, 16 * u, 11 * u - 1));
}

void pencil(QPainter &p, QPointF tip, qreal length, qreal angleDeg)
{
    p.save();
    p.translate(tip);
    p.rotate(-angleDeg);
    const qreal w = 5.0;
    QPainterPath body;
    body.addRect(QRectF(5, -w / 2, length - 8, w));
    fillOutline(p, body, Orange, 1.2);
    fillOutline(p, through({QPointF(0, 0), QPointF(5, -w / 2), QPointF(5, w / 2)}), QColor(255, 224, 178),
                1.2);
    QPainterPath eraser;
    eraser.addRect(QRectF(length - 3, -w / 2, 3, w));
    fillOutline(p, eraser, QColor(240, 98, 146), 1.2);
    p.restore();
}

void magnifier(QPainter &p, bool plus)
{
    p.setPen(pen(Ink, 5.0));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(pen(DarkBlue, 3.0));
    p.setBrush(QColor(227, 242, 253));
    p.drawEllipse(QPointF(13, 13), 9.5, 9.5);
    p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
    if (plus)
        p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
}

// A made-up but plausible scan contour around a sensor at `c`, leaving the blind wedge behind it.
QPolygonF scanContour(QPointF c, qreal scale)
{
    static const qreal radii[] = {9, 10, 11, 13, 12, 12, 14, 14, 13, 11, 10, 10, 12, 13, 13, 12, 10, 9};
    const int n = sizeof(radii) / sizeof(radii[0]);
    QPolygonF poly;
    for (int i = 0; i < n; ++i) {
        const qreal deg = -70.0 + 320.0 * i / (n - 1);
        const qreal a = qDegreesToRadians(deg);
        poly << QPointF(c.x() + radii[i] * scale * qCos(a), c.y() - radii[i] * scale * qSin(a));
    }
    return poly;
}

// The contour closed through the sensor at `c`: the area the scan sees.
QPolygonF scanWedge(QPointF c)
{
    QPolygonF poly = scanContour(c, 1.05);
    poly.prepend(c);
    poly.append(c);
    return poly;
}

void sensorDot(QPainter &p, QPointF c, qreal r = 3.0)
{
    p.setPen(pen(Ink, 1.0));
    p.setBrush(Ink);
    p.drawEllipse(c, r, r);
}

// A scanner housing: a short cylinder with a dark window band.
void scanner(QPainter &p, const QRectF &r)
{
    QPainterPath body;
    body.addRoundedRect(r, r.width() * 0.25, r.width() * 0.25);
    fillOutline(p, body, LightSteel);
    p.setPen(pen(Ink, 1.0));
    p.setBrush(QColor(38, 50, 56));
    p.drawRoundedRect(QRectF(r.left() + 1.5, r.top() + r.height() * 0.22, r.width() - 3, r.height() * 0.3), 2,
                      2);
    p.setPen(pen(Red, 1.5));
    p.drawLine(QPointF(r.center().x() - 1.5, r.top() + r.height() * 0.37),
               QPointF(r.center().x() + 1.5, r.top() + r.height() * 0.37));
}

void serialConnector(QPainter &p, const QRectF &r)
{
    const qreal inset = r.width() * 0.12;
    fillOutline(p,
                through({r.topLeft(), r.topRight(), QPointF(r.right() - inset, r.bottom()),
                         QPointF(r.left() + inset, r.bottom())}),
                LightSteel, 2.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    const qreal pr = r.width() / 24.0 * 1.6;
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(r.left() + r.width() * (0.2 + 0.15 * i), r.top() + r.height() * 0.33), pr, pr);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(r.left() + r.width() * (0.275 + 0.15 * i), r.top() + r.height() * 0.7), pr, pr);
}

void ethernetSocket(QPainter &p, const QRectF &r)
{
    QPainterPath frame;
    frame.addRoundedRect(r, 3, 3);
    fillOutline(p, frame, LightSteel, 2.0);
    const qreal u = r.width() / 22.0;
    const qreal top = r.top() + 4 * u, bottom = r.top() + 18 * u, shoulder = r.top() + 15 * u;
    const QPainterPath hole =
        through({QPointF(r.left() + 4 * u, top), QPointF(r.right() - 4 * u, top),
                 QPointF(r.right() - 4 * u, shoulder), QPointF(r.right() - 8 * u, shoulder),
                 QPointF(r.right() - 8 * u, bottom), QPointF(r.left() + 8 * u, bottom),
                 QPointF(r.left() + 8 * u, shoulder), QPointF(r.left() + 4 * u, shoulder)});
    fillOutline(p, hole, QColor(38, 50, 56), 1.0);
    p.setPen(pen(QColor(255, 193, 7), qMax<qreal>(1.0, u)));
    for (int i = 0; i < 6; ++i) {
        const qreal x = r.left() + (6 + 2 * i) * u;
        p.drawLine(QPointF(x, r.top() + 5.5 * u), QPointF(x, r.top() + 9 * u));
    }
}

void socket(QPainter &p, const QRectF &body, const QColor &fill)
{
    QPainterPath b;
    b.addRoundedRect(body, 2, 2);
    fillOutline(p, b, fill);
}

void plug(QPainter &p, const QRectF &body, const QColor &fill, bool prongsRight)
{
    socket(p, body, fill);
    const qreal x0 = prongsRight ? body.right() : body.left();
    const qreal x1 = prongsRight ? body.right() + 4 : body.left() - 4;
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(x0, body.top() + body.height() * 0.3), QPointF(x1, body.top() + body.height() * 0.3));
    p.drawLine(QPointF(x0, body.bottom() - body.height() * 0.3),
               QPointF(x1, body.bottom() - body.height() * 0.3));
}

void tray(QPainter &p)
{
    p.setPen(pen(Ink, 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(through({QPointF(4, 19), QPointF(4, 27), QPointF(28, 27), QPointF(28, 19)}, false));
}

void glyph(QPainter &p, const QRectF &r, const QString &text, const QColor &c, qreal pixelSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(pixelSize));
    f.setBold(true);
    f.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath path;
    path.addText(0, 0, f, text);
    const QRectF b = path.boundingRect();
    path.translate(r.center() - b.center());
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

QPainterPath star(QPointF c, qreal r, qreal rotationDeg)
{
    QPainterPath s;
    for (int i = 0; i < 10; ++i) {
        const qreal rr = (i % 2 == 0) ? r : r * 0.382;
        const qreal a = qDegreesToRadians(rotationDeg - 90.0 + 36.0 * i);
        const QPointF pt(c.x() + rr * qCos(a), c.y() + rr * qSin(a));
        if (i == 0)
            s.moveTo(pt);
        else
            s.lineTo(pt);
    }
    s.closeSubpath();
    return s;
}

// ---- lamps ---------------------------------------------------------------------------------

struct LampColour {
    QColor fill;
    QColor rim;
    QColor text;
};

LampColour lampColour(const QString &name)
{
    if (name == QLatin1String("Green"))
        return {QColor(46, 184, 46), QColor(27, 94, 32), Qt::white};
    if (name == QLatin1String("Yellow"))
        return {QColor(255, 214, 0), QColor(158, 122, 0), QColor(62, 39, 35)};
    if (name == QLatin1String("Orange"))
        return {QColor(255, 128, 0), QColor(160, 70, 0), Qt::white};
    if (name == QLatin1String("Red"))
        return {QColor(229, 40, 40), QColor(140, 20, 20), Qt::white};
    return {QColor(189, 189, 189), QColor(117, 117, 117), QColor(80, 80, 80)};
}

void lamp(QPainter &p, const QString &colour, const QString &label)
{
    const LampColour c = lampColour(colour);
    p.setPen(pen(c.rim, 1.6));
    p.setBrush(c.fill);
    p.drawEllipse(QPointF(14, 14), 12.2, 12.2);
    // a soft highlight so the lit lamps read as lamps
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawEllipse(QPointF(11, 9.5), 6.5, 4.0);
    glyph(p, QRectF(0, 0.5, 28, 28), label, c.text, 15);
}

// ---- shape buttons -------------------------------------------------------------------------

QPolygonF baseZone()
{
    QPolygonF z;
    z << QPointF(16, 27) << QPointF(4, 17) << QPointF(7, 6) << QPointF(17, 3) << QPointF(27, 8)
      << QPointF(28, 19);
    return z;
}

void dashedBase(QPainter &p)
{
    QPen dash(Ink, 1.2, Qt::DashLine);
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(baseZone());
}

// A dependent zone: the part of the base zone inside clip, over the base zone's dashed outline.
void clippedBase(QPainter &p, const QPainterPath &clip)
{
    QPainterPath base;
    base.addPolygon(baseZone());
    base.closeSubpath();
    fillOutline(p, base.intersected(clip), Zone2);
    dashedBase(p);
}

void vertexDots(QPainter &p, const QPolygonF &pts)
{
    p.setPen(pen(Ink, 1.0));
    p.setBrush(Paper);
    for (const QPointF &v : pts)
        p.drawRect(QRectF(v.x() - 2, v.y() - 2, 4, 4));
}

// The scanner in its field of view with one zone: the application's own picture, drawn on a
// 32-unit square and scaled to whatever size is asked for.
void paintRadar(QPainter &p)
{
    const QPointF c(16, 17);
    p.setPen(pen(DarkBlue, 1.5));
    p.setBrush(QColor(227, 242, 253));
    p.drawEllipse(c, 14, 14);
    // the field of view, with the blind wedge behind the sensor left open
    QPainterPath fov;
    const QRectF box(c.x() - 14, c.y() - 14, 28, 28);
    fov.moveTo(c);
    fov.arcTo(box, -70, 320);
    fov.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(144, 202, 249));
    p.drawPath(fov);
    p.setPen(pen(QColor(255, 255, 255, 200), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 9.3, 9.3);
    p.drawEllipse(c, 4.7, 4.7);
    QPolygonF zone;
    zone << c << QPointF(8, 12) << QPointF(12, 6) << QPointF(21, 6) << QPointF(24, 12);
    p.setPen(pen(Ink, 1.0));
    p.setBrush(QColor(255, 255, 128, 220));
    p.drawPolygon(zone);
    p.setPen(pen(DarkBlue, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 14, 14);
    scanner(p, QRectF(c.x() - 3.5, c.y() - 4.5, 7, 9));
}

// A faint edge so that a light flag stands out on a light menu.
void flagEdge(QPainter &p, const QRectF &f)
{
    p.setPen(QPen(QColor(0, 0, 0, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.adjusted(0.5, 0.5, -0.5, -0.5));
}

struct Icon {
    const char *name;
    int size;
    std::function<void(QPainter &)> paint;
};

std::vector<Icon> icons()
{
    std::vector<Icon> list;
    auto add = [&list](const char *name, std::function<void(QPainter &)> f, int size = 32) {
        list.push_back({name, size, std::move(f)});
    };

    // ---- files
    add("openFile", [](QPainter &p) {
        fillOutline(p,
                    through({QPointF(3, 27), QPointF(3, 6), QPointF(11, 6), QPointF(13.5, 9), QPointF(26, 9),
                             QPointF(26, 27)}),
                    FolderBack);
        page(p, QRectF(7, 5, 15, 14), false);
        fillOutline(p, through({QPointF(3, 27), QPointF(8, 14), QPointF(30, 14), QPointF(26, 27)}),
                    FolderFront);
    });
    add("newFile", [](QPainter &p) {
        page(p, QRectF(5, 3, 19, 25));
        plusBadge(p, QPointF(23, 23), 7.5, Green);
    });
    add("Save", [](QPainter &p) { floppy(p, QRectF(4, 4, 24, 24)); });
    add("Save_as", [](QPainter &p) {
        floppy(p, QRectF(2, 2, 22, 22));
        pencil(p, QPointF(15, 29), 18, 45);
    });
    add("application-exit", [](QPainter &p) {
        QPainterPath ring;
        const QRectF box(5, 6, 22, 22);
        ring.arcMoveTo(box, 120);
        ring.arcTo(box, 120, 300);
        p.setPen(pen(Red, 3.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(ring);
        p.drawLine(QPointF(16, 3), QPointF(16, 16));
    });
    add("signout", [](QPainter &p) {
        p.setPen(pen(Ink, 3.0));
        p.setBrush(Qt::NoBrush);
        p.drawPath(through({QPointF(16, 5), QPointF(5, 5), QPointF(5, 27), QPointF(16, 27)}, false));
        arrow(p, QPointF(11, 16), QPointF(29, 16), Blue, 3.5, 8);
    });

    // ---- editing
    auto hook = [](QPainter &p) {
        QPainterPath path;
        path.moveTo(11, 11);
        path.lineTo(19, 11);
        path.arcTo(QRectF(12, 11, 15, 15), 90, -180);
        path.lineTo(10, 26);
        p.setPen(pen(DarkBlue, 3.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        QPolygonF head;
        head << QPointF(3, 11) << QPointF(12, 4.5) << QPointF(12, 17.5);
        p.setPen(pen(DarkBlue, 1.0));
        p.setBrush(DarkBlue);
        p.drawPolygon(head);
    };
    add("Undo", hook);
    add("Redot", [hook](QPainter &p) {
        p.translate(32, 0);
        p.scale(-1, 1);
        hook(p);
    });
    add("copy", [](QPainter &p) {
        page(p, QRectF(4, 3, 16, 20));
        page(p, QRectF(12, 9, 16, 20));
    });
    add("cut", [](QPainter &p) {
        p.setPen(pen(Ink, 1.2));
        p.setBrush(LightSteel);
        QPolygonF blade1, blade2;
        blade1 << QPointF(12.5, 19) << QPointF(21, 2.5) << QPointF(17, 18);
        blade2 << QPointF(19.5, 19) << QPointF(11, 2.5) << QPointF(15, 18);
        p.drawPolygon(blade1);
        p.drawPolygon(blade2);
        p.setBrush(Ink);
        p.drawEllipse(QPointF(16, 15.5), 1.2, 1.2);
        p.setPen(pen(Red, 3.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
        p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
    });
    add("paste", [](QPainter &p) {
        QPainterPath board;
        board.addRoundedRect(QRectF(4, 5, 20, 24), 2.5, 2.5);
        fillOutline(p, board, QColor(161, 136, 127));
        p.setPen(pen(Ink, 1.2));
        p.setBrush(LightSteel);
        p.drawRoundedRect(QRectF(9, 2.5, 10, 5.5), 1.5, 1.5);
        page(p, QRectF(13, 11, 16, 19));
    });
    add("Delete", [](QPainter &p) {
        p.setPen(pen(Red, 5.0));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
    });
    add("deleteAll", [](QPainter &p) {
        fillOutline(p, through({QPointF(8, 10), QPointF(24, 10), QPointF(22, 29), QPointF(10, 29)}),
                    LightSteel);
        p.setPen(pen(Ink, 1.5));
        p.drawLine(QPointF(13, 13.5), QPointF(13.5, 26));
        p.drawLine(QPointF(16, 13.5), QPointF(16, 26));
        p.drawLine(QPointF(19, 13.5), QPointF(18.5, 26));
        p.setPen(pen(Ink, 2.5));
        p.drawLine(QPointF(5, 8), QPointF(27, 8));
        p.setPen(pen(Ink, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(13, 4, 6, 4));
        p.setPen(pen(Red, 2.5));
        p.drawLine(QPointF(20, 18), QPointF(29, 27));
        p.drawLine(QPointF(29, 18), QPointF(20, 27));
    });
    add("settings", [](QPainter &p) { fillOutline(p, gearPath(QPointF(16, 16), 13.5, 10, 8, 4.5), Steel); });

    // ---- view
    add("distance", [](QPainter &p) {
        const QPointF c(16, 17);
        QPolygonF contour = scanContour(c, 1.05);
        p.setPen(pen(QColor(46, 160, 46), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(contour);
        p.setPen(pen(QColor(46, 160, 46, 120), 1.0));
        p.drawLine(c, contour.first());
        p.drawLine(c, contour.last());
        sensorDot(p, c);
    });
    add("Intensity", [](QPainter &p) {
        const qreal h[] = {9, 16, 22, 13, 19};
        const QColor cols[] = {QColor(100, 181, 246), QColor(66, 165, 245), DarkBlue, QColor(66, 165, 245),
                               Blue};
        for (int i = 0; i < 5; ++i) {
            p.setPen(pen(Ink, 1.0));
            p.setBrush(cols[i]);
            p.drawRect(QRectF(4 + i * 5.2, 27 - h[i], 4, h[i]));
        }
        p.setPen(pen(Ink, 2.0));
        p.drawLine(QPointF(3, 28), QPointF(29, 28));
    });
    add("dataTable", [](QPainter &p) {
        const QRectF r(3.5, 5.5, 25, 21);
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Paper);
        p.drawRect(r);
        p.setBrush(Blue);
        p.drawRect(QRectF(r.left(), r.top(), r.width(), 5));
        p.setPen(pen(Steel, 1.2));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(r.left() + 1, r.top() + 5 + i * 4),
                       QPointF(r.right() - 1, r.top() + 5 + i * 4));
        p.setPen(pen(Ink, 1.2));
        p.drawLine(QPointF(r.left() + 7, r.top()), QPointF(r.left() + 7, r.bottom()));
        p.drawLine(QPointF(r.left() + 16, r.top()), QPointF(r.left() + 16, r.bottom()));
    });
    add("Edition", [](QPainter &p) {
        QPolygonF zone;
        zone << QPointF(4, 26) << QPointF(3, 12) << QPointF(11, 5) << QPointF(21, 9) << QPointF(19, 26);
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Zone1);
        p.drawPolygon(zone);
        vertexDots(p, zone);
        pencil(p, QPointF(14, 28), 22, 55);
    });
    add("monitor", [](QPainter &p) {
        p.setPen(pen(Ink, 1.5));
        p.setBrush(QColor(38, 50, 56));
        p.drawRoundedRect(QRectF(2.5, 4.5, 27, 19), 2, 2);
        p.setBrush(QColor(13, 71, 161));
        p.drawRect(QRectF(5, 7, 22, 14));
        p.setPen(pen(QColor(105, 240, 174), 1.8));
        QPolygonF wave;
        wave << QPointF(6, 15) << QPointF(10, 15) << QPointF(12, 10) << QPointF(15, 19) << QPointF(18, 12)
             << QPointF(20, 15) << QPointF(26, 15);
        p.drawPolyline(wave);
        p.setPen(pen(Ink, 2.5));
        p.drawLine(QPointF(16, 24), QPointF(16, 27));
        p.drawLine(QPointF(10, 28), QPointF(22, 28));
    });
    add("SensorSetting", [](QPainter &p) {
        scanner(p, QRectF(4, 3, 17, 23));
        gearBadge(p, QPointF(23, 23), 7.5);
    });
    add("Simulation", [](QPainter &p) {
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Green);
        p.drawRoundedRect(QRectF(3, 4, 26, 11), 5.5, 5.5);
        p.setBrush(Paper);
        p.drawEllipse(QPointF(23.5, 9.5), 4, 4);
        p.setBrush(LightSteel);
        p.drawRoundedRect(QRectF(3, 18, 26, 11), 5.5, 5.5);
        p.setBrush(Paper);
        p.drawEllipse(QPointF(8.5, 23.5), 4, 4);
    });
    add("SelfCheck", [](QPainter &p) {
        QPainterPath shield;
        shield.moveTo(16, 3);
        shield.lineTo(27, 7);
        shield.cubicTo(27, 18, 23, 25, 16, 29);
        shield.cubicTo(9, 25, 5, 18, 5, 7);
        shield.closeSubpath();
        fillOutline(p, shield, Green);
        p.setPen(pen(Qt::white, 3.2));
        p.setBrush(Qt::NoBrush);
        QPolygonF tick;
        tick << QPointF(10.5, 15.5) << QPointF(14.5, 20) << QPointF(22, 11);
        p.drawPolyline(tick);
    });
    add("view", [](QPainter &p) {
        QPainterPath eye;
        eye.moveTo(2, 16);
        eye.quadTo(16, 2, 30, 16);
        eye.quadTo(16, 30, 2, 16);
        fillOutline(p, eye, Paper, 2.0);
        p.setPen(pen(Ink, 1.0));
        p.setBrush(Blue);
        p.drawEllipse(QPointF(16, 16), 6.5, 6.5);
        p.setBrush(Ink);
        p.drawEllipse(QPointF(16, 16), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(14, 14), 1.4, 1.4);
    });
    add("Zoom_in", [](QPainter &p) { magnifier(p, true); });
    add("Zoom_out", [](QPainter &p) { magnifier(p, false); });

    // ---- connections
    add("Serial", [](QPainter &p) { serialConnector(p, QRectF(3, 9, 26, 14)); });
    add("Ethernet", [](QPainter &p) { ethernetSocket(p, QRectF(5, 5, 22, 22)); });
    add("Usartsettingt", [](QPainter &p) {
        serialConnector(p, QRectF(1, 5, 24, 13));
        gearBadge(p, QPointF(23, 23), 7.5);
    });
    add("EthernetSetting", [](QPainter &p) {
        ethernetSocket(p, QRectF(2, 2, 19, 19));
        gearBadge(p, QPointF(23, 23), 7.5);
    });
    add("connect", [](QPainter &p) {
        p.setPen(pen(Ink, 3.0));
        p.drawLine(QPointF(16, 22), QPointF(16, 30));
        QPainterPath body;
        body.addRoundedRect(QRectF(9, 10, 14, 13), 2.5, 2.5);
        fillOutline(p, body, Blue);
        p.setPen(QPen(Ink, 3.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(13, 10), QPointF(13, 3));
        p.drawLine(QPointF(19, 10), QPointF(19, 3));
    });
    add("connected", [](QPainter &p) {
        p.setPen(pen(Ink, 3.0));
        p.drawLine(QPointF(1, 16), QPointF(8, 16));
        p.drawLine(QPointF(24, 16), QPointF(31, 16));
        plug(p, QRectF(7, 10, 9, 12), Green, true);
        socket(p, QRectF(19, 9, 6, 14), Green);
    });
    add("disconnected", [](QPainter &p) {
        p.setPen(pen(Ink, 3.0));
        p.drawLine(QPointF(1, 16), QPointF(5, 16));
        p.drawLine(QPointF(27, 16), QPointF(31, 16));
        plug(p, QRectF(4, 10, 8, 12), LightSteel, true);
        socket(p, QRectF(21, 9, 6, 14), LightSteel);
        p.setPen(pen(Red, 2.0));
        p.drawLine(QPointF(17, 6), QPointF(19, 10));
        p.drawLine(QPointF(18.5, 16), QPointF(15.5, 16));
        p.drawLine(QPointF(17, 26), QPointF(19, 22));
    });
    add("upload", [](QPainter &p) {
        tray(p);
        arrow(p, QPointF(16, 22), QPointF(16, 3), Blue, 4.0, 9);
    });
    add("download", [](QPainter &p) {
        tray(p);
        arrow(p, QPointF(16, 3), QPointF(16, 23), Green, 4.0, 9);
    });
    add("reboot", [](QPainter &p) {
        arcArrow(p, QPointF(16, 16), 10.5, 110, -310, Orange, 3.5);
        p.setPen(pen(Orange, 3.0));
        p.drawLine(QPointF(16, 9.5), QPointF(16, 17));
    });
    add("Refresh", [](QPainter &p) {
        arcArrow(p, QPointF(16, 16), 10.5, 200, -150, Green, 3.2);
        arcArrow(p, QPointF(16, 16), 10.5, 20, -150, Green, 3.2);
    });
    add("information", [](QPainter &p) {
        p.setPen(pen(DarkBlue, 1.5));
        p.setBrush(Blue);
        p.drawEllipse(QPointF(16, 16), 13, 13);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 9.5), 2.3, 2.3);
        p.drawRoundedRect(QRectF(14, 13.5, 4, 11.5), 1.5, 1.5);
    });
    add("about", [](QPainter &p) {
        p.setPen(pen(QColor(0, 105, 92), 1.5));
        p.setBrush(QColor(0, 150, 136));
        p.drawEllipse(QPointF(16, 16), 13, 13);
        glyph(p, QRectF(3, 3.5, 26, 26), QStringLiteral("?"), Qt::white, 20);
    });
    add("Manual", [](QPainter &p) {
        QPainterPath left, right;
        left.moveTo(16, 8);
        left.cubicTo(12, 5, 7, 5, 2, 6);
        left.lineTo(2, 26);
        left.cubicTo(7, 25, 12, 25, 16, 28);
        left.closeSubpath();
        right = QTransform(-1, 0, 0, 1, 32, 0).map(left);
        fillOutline(p, left, Paper);
        fillOutline(p, right, Paper);
        p.setPen(pen(Blue, 1.4));
        for (int i = 0; i < 4; ++i) {
            const qreal y = 11 + i * 4;
            p.drawLine(QPointF(5, y - 0.5), QPointF(13, y + 0.5));
            p.drawLine(QPointF(19, y + 0.5), QPointF(27, y - 0.5));
        }
    });

    // ---- display modes (colours of the live scan contour)
    add("DispGraph", [](QPainter &p) {
        const QPointF c(16, 17);
        p.setPen(pen(Steel, 1.2));
        p.setBrush(QColor(0, 200, 0, 110));
        p.drawPolygon(scanWedge(c));
        sensorDot(p, c, 2.5);
    });
    add("DispCloud", [](QPainter &p) {
        const QPointF c(16, 17);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(46, 160, 46));
        const QPolygonF poly = scanContour(c, 1.05);
        for (int i = 0; i < poly.size(); ++i)
            p.drawEllipse(poly[i], 1.7, 1.7);
        sensorDot(p, c, 2.5);
    });
    add("DispLine", [](QPainter &p) {
        const QPointF c(16, 17);
        p.setPen(pen(QColor(46, 160, 46), 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(scanWedge(c));
        sensorDot(p, c, 2.5);
    });

    // ---- flags
    add("China", [](QPainter &p) {
        const QRectF f(1, 6, 30, 20);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(222, 41, 16));
        p.drawRect(f);
        p.setBrush(QColor(255, 222, 0));
        p.drawPath(star(QPointF(7, 12), 4.2, 0));
        p.drawPath(star(QPointF(13, 8.5), 1.4, 20));
        p.drawPath(star(QPointF(15, 11), 1.4, 45));
        p.drawPath(star(QPointF(15, 14.5), 1.4, 0));
        p.drawPath(star(QPointF(13, 17), 1.4, 20));
        flagEdge(p, f);
    });
    add("English", [](QPainter &p) {
        const QRectF f(1, 6, 30, 20);
        p.save();
        p.setClipRect(f);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(1, 33, 105));
        p.drawRect(f);
        p.setPen(QPen(Qt::white, 4.0));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.bottomLeft(), f.topRight());
        p.setPen(QPen(QColor(200, 16, 46), 1.5));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.bottomLeft(), f.topRight());
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(13, 6, 6, 20));
        p.drawRect(QRectF(1, 13, 30, 6));
        p.setBrush(QColor(200, 16, 46));
        p.drawRect(QRectF(14.5, 6, 3, 20));
        p.drawRect(QRectF(1, 14.5, 30, 3));
        p.restore();
        flagEdge(p, f);
    });

    // ---- pictures (also used as dialog artwork, hence the larger size)
    add(
        "radar",
        [](QPainter &p) {
            p.scale(2, 2);
            paintRadar(p);
        },
        64);
    add(
        "ConnectSensor",
        [](QPainter &p) {
            scanner(p, QRectF(5, 14, 16, 24));
            // laptop
            p.setPen(pen(Ink, 2.0));
            p.setBrush(QColor(38, 50, 56));
            p.drawRoundedRect(QRectF(38, 16, 22, 16), 2, 2);
            p.setBrush(QColor(13, 71, 161));
            p.drawRect(QRectF(41, 19, 16, 10));
            p.setBrush(LightSteel);
            QPolygonF base;
            base << QPointF(35, 36) << QPointF(63, 36) << QPointF(60, 32) << QPointF(38, 32);
            p.drawPolygon(base);
            arrow(p, QPointF(23, 22), QPointF(35, 22), Green, 3.0, 6);
            arrow(p, QPointF(35, 30), QPointF(23, 30), Blue, 3.0, 6);
            p.setPen(pen(Steel, 2.0));
            p.drawLine(QPointF(13, 38), QPointF(13, 48));
            p.drawLine(QPointF(13, 48), QPointF(49, 48));
            p.drawLine(QPointF(49, 48), QPointF(49, 37));
        },
        64);

    // ---- shape buttons of the edit dock
    add("shapePolygon", [](QPainter &p) {
        const QPolygonF z = baseZone();
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Zone1);
        p.drawPolygon(z);
        vertexDots(p, z);
    });
    add("shapeArc", [](QPainter &p) {
        const QPointF c(16, 28);
        QPainterPath pie;
        pie.moveTo(c);
        pie.arcTo(QRectF(c.x() - 22, c.y() - 22, 44, 44), 35, 110);
        pie.closeSubpath();
        fillOutline(p, pie, Zone1);
        const qreal a0 = qDegreesToRadians(35.0), a1 = qDegreesToRadians(145.0);
        vertexDots(p, QPolygonF() << QPointF(c.x() + 22 * qCos(a0), c.y() - 22 * qSin(a0))
                                  << QPointF(c.x() + 22 * qCos(a1), c.y() - 22 * qSin(a1)));
    });
    add("shapeRectangle", [](QPainter &p) {
        const QRectF r(5, 6, 22, 18);
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Zone1);
        p.drawRect(r);
        vertexDots(p, QPolygonF() << r.topLeft() << r.topRight() << r.bottomRight() << r.bottomLeft());
    });
    add("shapeStraight", [](QPainter &p) {
        QPainterPath clip;
        clip.addRect(QRectF(0, 15, 32, 17));
        clippedBase(p, clip);
        p.setPen(pen(Ink, 1.5));
        p.drawLine(QPointF(2, 15), QPointF(30, 15));
        vertexDots(p, QPolygonF() << QPointF(16, 15));
    });
    add("shapeFan", [](QPainter &p) {
        const QPointF c(16, 27);
        QPainterPath clip;
        clip.moveTo(c);
        clip.arcTo(QRectF(c.x() - 13, c.y() - 13, 26, 26), -45, 270);
        clip.closeSubpath();
        clippedBase(p, clip);
        vertexDots(p, QPolygonF() << QPointF(16, 14));
    });
    add("shapeRatio", [](QPainter &p) {
        dashedBase(p);
        QPolygonF z = baseZone();
        const QPointF c(16, 27);
        for (QPointF &v : z)
            v = c + (v - c) * 0.55;
        p.setPen(pen(Ink, 1.5));
        p.setBrush(Zone2);
        p.drawPolygon(z);
        vertexDots(p, QPolygonF() << QPointF(16, 15));
    });

    // ---- lamps of the status row and the simulation buttons
    static const char *const lampNames[] = {
        "Gray1",  "Gray2",  "Gray3",  "Gray4",   "Gray5",   "Gray6", "Green1",    "Green2",     "Green3",
        "Green4", "Green5", "Green6", "Yellow1", "Orange2", "Red3",  "GrayFault", "GreenFault", "RedFault"};
    for (const char *name : lampNames) {
        add(
            name,
            [name](QPainter &p) {
                QString n = QString::fromLatin1(name);
                const bool fault = n.endsWith(QLatin1String("Fault"));
                const QString label = fault ? QStringLiteral("!") : n.right(1);
                const QString colour = fault ? n.left(n.size() - 5) : n.left(n.size() - 1);
                lamp(p, colour, label);
            },
            28);
    }
    return list;
}

// Paints one square icon into dir/name.png; false (said on stderr) when the file cannot be written.
bool writeIcon(const QString &dir, const QString &name, int size,
               const std::function<void(QPainter &)> &paint)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p);
    }
    const QString file = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (image.save(file, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

// The desktop's icon theme sizes: veltrin-<N>.png for each, installed as hicolor/NxN/apps/veltrin.png.
int writeAppIcons(const QString &dir)
{
    int failures = 0;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        failures += !writeIcon(dir, QStringLiteral("veltrin-%1").arg(size), size, [size](QPainter &p) {
            p.scale(size / 32.0, size / 32.0);
            paintRadar(p);
        });
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const bool appIcon = argc == 3 && qstrcmp(argv[1], "--app-icon") == 0;
    if (argc != 2 && !appIcon) {
        std::fprintf(stderr, "usage: %s [--app-icon] <output directory>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[argc - 1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    if (appIcon)
        return writeAppIcons(dir);
    int failures = 0;
    for (const Icon &icon : icons())
        failures += !writeIcon(dir, QString::fromLatin1(icon.name), icon.size, icon.paint);
    return failures == 0 ? 0 : 1;
}
