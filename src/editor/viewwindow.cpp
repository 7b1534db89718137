#include "editor/viewwindow.h"

#include "area/store/device_type.h"

#include <QFont>
#include <QGraphicsItem>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPainterPath>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <QtMath>

#include <climits>
#include <cmath>

namespace {

// Scene bounds used for painting are kept inside this box so that every truncation to int, and the
// diameter of the largest ring, stay representable even when the view is zoomed out without limit
// (before a model is known).
constexpr double kPaintBound = 5.0e8;
// No sane screen shows this many grid lines; past it the step is widened so a paint stays bounded.
constexpr double kMaxLinesPerPass = 1000.0;
constexpr int kWheelStep = 10;
constexpr int kBottomLabelOffset = 25;

QSurfaceFormat multisampledFormat()
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSamples(4);
    return format;
}

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

// Whether an OpenGL viewport can really be used here. Headless platforms and displays without GL are
// detected before any GL widget exists, so the view falls back to the raster viewport quietly.
bool openGlViewportUsable()
{
    static int usable = -1;
    if (usable >= 0)
        return usable == 1;
    usable = 0;
    const QString platform = QGuiApplication::platformName();
    if (platform.isEmpty() || platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;

    // A display without GL makes the platform print warnings while we probe; they say nothing the
    // user needs, since the raster viewport takes over.
    const QtMessageHandler previous = qInstallMessageHandler(discardMessages);
    {
        QOpenGLContext context;
        context.setFormat(multisampledFormat());
        if (context.create() && context.isValid()) {
            QOffscreenSurface surface;
            surface.setFormat(context.format());
            surface.create();
            if (surface.isValid() && context.makeCurrent(&surface)) {
                usable = 1;
                context.doneCurrent();
            }
        }
    }
    qInstallMessageHandler(previous);
    return usable == 1;
}

double clampToPaintBound(double v)
{
    return qBound(-kPaintBound, v, kPaintBound);
}

// Widens a step by powers of ten until the span holds a bounded number of lines.
int stepFitting(int step, double span)
{
    while (step < 100000000 && span / step > kMaxLinesPerPass)
        step *= 10;
    return step;
}

int truncatedPenWidth(double width)
{
    return int(qBound(0.0, width, 1.0e6));
}

} // namespace

ViewWindow::ViewWindow(QWidget *parent) : QGraphicsView(parent)
{
    SetupMatrix();
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setRenderHint(QPainter::Antialiasing, false);
    setDragMode(QGraphicsView::RubberBandDrag);
    setOptimizationFlags(QGraphicsView::DontSavePainterState);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    if (openGlViewportUsable()) {
        auto *gl = new QOpenGLWidget;
        gl->setFormat(multisampledFormat());
        setViewport(gl);
        m_openGl = true;
    } else {
        // Without multisampling the items would be drawn jagged; antialias them on the raster viewport
        // so both viewports show the same picture.
        setRenderHint(QPainter::Antialiasing, true);
    }
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setDragMode(QGraphicsView::ScrollHandDrag);
}

ViewWindow::~ViewWindow() = default;

double ViewWindow::scaleForLevel(int level)
{
    return qPow(2.0, (double(level) - 250.0) / 50.0);
}

int ViewWindow::gridStep(double scale)
{
    if (scale > 3.5)
        return 10;
    if (scale > 0.378929)
        return 100;
    if (scale > 0.0544094)
        return 1000;
    return 10000;
}

int ViewWindow::labelStep(double scale)
{
    if (scale > 3.5)
        return 50;
    if (scale > 0.378929)
        return 100;
    if (scale > 0.0544094)
        return 1000;
    return 10000;
}

int ViewWindow::roundTowardZero(double value, int c)
{
    if (c <= 0)
        return int(clampToPaintBound(value));
    const double v = clampToPaintBound(value);
    const int t = int(v);
    return int(v - double(t % c)); // % keeps the sign of t, so this moves toward zero
}

int ViewWindow::outerRingRadius(const QRectF &visible, int c)
{
    const double xs[2] = {clampToPaintBound(visible.left()), clampToPaintBound(visible.right())};
    const double ys[2] = {clampToPaintBound(visible.top()), clampToPaintBound(visible.bottom())};
    int rMax = 0;
    for (double x : xs)
        for (double y : ys)
            rMax = qMax(rMax, roundTowardZero(std::hypot(x, y), c));
    return rMax;
}

int ViewWindow::innerRingRadius(const QRectF &area, int c)
{
    const double left = clampToPaintBound(area.left()), right = clampToPaintBound(area.right());
    const double top = clampToPaintBound(area.top()), bottom = clampToPaintBound(area.bottom());
    // Nearest point of the area to the sensor: on an axis band when the area straddles it, else a corner.
    const double dx = (left <= 0.0 && right >= 0.0) ? 0.0 : qMin(qAbs(left), qAbs(right));
    const double dy = (top <= 0.0 && bottom >= 0.0) ? 0.0 : qMin(qAbs(top), qAbs(bottom));
    return roundTowardZero(std::hypot(dx, dy), c);
}

int ViewWindow::zoomFloor() const
{
    const DeviceInfo *info = m_deviceType ? deviceInfo(*m_deviceType) : nullptr;
    return info ? info->zoomFloor : INT_MIN;
}

void ViewWindow::SetupMatrix()
{
    if (m_level > kLevelMax)
        m_level = kLevelMax;
    const int floor = zoomFloor();
    if (m_level < floor)
        m_level = floor;
    m_scale = scaleForLevel(m_level);
    setTransform(QTransform::fromScale(m_scale, m_scale), false);
    emit ChangeSetupMatrix(qreal(m_scale));
}

void ViewWindow::SetDeviceType(int *type)
{
    m_deviceType = type;
    if (const DeviceInfo *info = type ? deviceInfo(*type) : nullptr) {
        m_extentWidth = info->extent;
        m_extentHeight = info->extent;
        m_level = info->zoomFloor;
    }
    SetupMatrix();
}

void ViewWindow::ZoomInButtonSlots()
{
    ++m_level;
    SetupMatrix();
    emit ChangeMatrixSignal(m_level);
}

void ViewWindow::ZoomOutButtonSlots()
{
    --m_level;
    SetupMatrix();
    emit ChangeMatrixSignal(m_level);
}

void ViewWindow::ChangeSetupMatrix(int level)
{
    m_level = level;
    SetupMatrix();
}

void ViewWindow::setCornerOverlay(QWidget *overlay)
{
    m_overlay = overlay;
    if (overlay) {
        overlay->setParent(this);
        placeOverlay();
    }
}

void ViewWindow::placeOverlay()
{
    if (!m_overlay)
        return;
    const QRect area = viewport()->geometry();
    m_overlay->resize(m_overlay->sizeHint());
    m_overlay->move(area.right() - m_overlay->width() - 6, area.top() + 6);
    m_overlay->raise();
}

void ViewWindow::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    placeOverlay();
}

void ViewWindow::FitToRect(const QRectF &sceneRect)
{
    QRectF r = sceneRect.normalized();
    // A tenth of the larger side on every side, and never less than a metre across, so a single
    // point or a thin zone does not zoom in to the last level.
    const double margin = 0.1 * qMax(r.width(), r.height());
    r.adjust(-margin, -margin, margin, margin);
    const QPointF centre = r.center();
    r.setSize(r.size().expandedTo(QSizeF(1000, 1000)));
    r.moveCenter(centre);
    const QSize room = viewport()->size();
    if (room.width() <= 0 || room.height() <= 0)
        return;
    const double scale = qMin(room.width() / r.width(), room.height() / r.height());
    // The largest level whose scale still shows the whole rectangle.
    m_level = int(std::floor(250.0 + 50.0 * std::log2(scale)));
    SetupMatrix();
    centerOn(centre);
    emit ChangeMatrixSignal(m_level);
}

QRectF ViewWindow::visibleSceneBounds() const
{
    const int w = viewport()->width();
    const int h = viewport()->height();
    const QPointF topLeft = mapToScene(QPoint(0, 0));
    const double right = mapToScene(QPoint(w, 0)).x();
    const double bottom = mapToScene(QPoint(0, h)).y();
    const double left = clampToPaintBound(topLeft.x()), top = clampToPaintBound(topLeft.y());
    return QRectF(QPointF(left, top), QPointF(clampToPaintBound(right), clampToPaintBound(bottom)));
}

void ViewWindow::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);

    const QRectF vis = visibleSceneBounds();
    const double left = vis.left(), top = vis.top(), right = vis.right(), bottom = vis.bottom();
    const int c = stepFitting(gridStep(m_scale), qMax(vis.width(), vis.height()));

    painter->setPen(QPen(QBrush(Qt::gray), truncatedPenWidth(1.2 / m_scale)));
    for (qint64 x = roundTowardZero(left, c); x <= right; x += c)
        painter->drawLine(QLine(int(x), int(top), int(x), int(bottom)));
    for (qint64 y = roundTowardZero(top, c); y <= bottom; y += c)
        painter->drawLine(QLine(int(left), int(y), int(right), int(y)));

    // Only the rings that can reach into the repainted area; an area holding the sensor goes down to 0.
    const int rMax = outerRingRadius(vis, c);
    const int rMin = innerRingRadius(rect, c);
    for (int r = rMax; r >= rMin && r >= 0; r -= c)
        painter->drawEllipse(QRect(-r, -r, 2 * r, 2 * r));

    painter->setPen(QPen(QBrush(Qt::black), truncatedPenWidth(2.0 / m_scale)));
    painter->drawLine(QLine(0, int(top), 0, int(bottom)));
    painter->drawLine(QLine(int(left), 0, int(right), 0));

    if (m_extentWidth > 0 && m_extentHeight > 0) {
        const QRectF extent(-(m_extentWidth / 2), -(m_extentHeight / 2), m_extentWidth, m_extentHeight);
        QPainterPath seen;
        seen.moveTo(0, 0);
        seen.arcTo(extent, -70.0, 320.0);
        seen.closeSubpath();
        QPainterPath square;
        square.addRect(extent);
        painter->fillPath(square.subtracted(seen), QColor(125, 125, 125, 125));
    }
    painter->restore();
}

QVector<ViewWindow::RulerLabel> ViewWindow::rulerLabels() const
{
    QVector<RulerLabel> labels;
    const QRectF vis = visibleSceneBounds();
    const int s = stepFitting(labelStep(m_scale), qMax(vis.width(), vis.height()));
    const QString unit = QStringLiteral(" m");

    const int baseY =
        int(clampToPaintBound(mapToScene(QPoint(0, viewport()->height() - kBottomLabelOffset)).y()));
    for (qint64 x = roundTowardZero(vis.left(), s); x <= vis.right(); x += s)
        labels.append({QPoint(int(x), baseY), QString::number(double(x) / 1000.0, 'g', 6) + unit});

    // The scene's y points down; the ruler reads the sensor's Y, forward positive, as the cursor
    // readout does.
    const int leftX = int(vis.left());
    for (qint64 y = roundTowardZero(vis.top(), s); y <= vis.bottom(); y += s)
        labels.append({QPoint(leftX, int(y)), QString::number(double(-y) / 1000.0, 'g', 6) + unit});
    return labels;
}

void ViewWindow::drawForeground(QPainter *painter, const QRectF &)
{
    painter->save();
    painter->setPen(QPen(Qt::black));
    // The interface font, sized in scene units so the labels keep their size on the screen.
    QFont font = this->font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    font.setPointSizeF(qBound(1.0, points / m_scale, 1.0e6));
    painter->setFont(font);
    for (const RulerLabel &label : rulerLabels())
        painter->drawText(label.at, label.text);
    painter->restore();
}

void ViewWindow::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    event->accept();
    // Touchpads send zero-delta events at the start and end of a gesture; they are not a zoom step.
    if (delta == 0)
        return;
    m_level += delta > 0 ? kWheelStep : -kWheelStep;
    SetupMatrix();
    emit ChangeMatrixSignal(m_level);
}

bool ViewWindow::isBaseItem(QGraphicsItem *item) const
{
    return item && m_baseItems.contains(item);
}

void ViewWindow::mousePressEvent(QMouseEvent *event)
{
    QGraphicsItem *item = itemAt(event->pos());
    if (isBaseItem(item)) {
        // A press on a zone pans the view instead of selecting the zone.
        setInteractive(false);
        m_pressedHandle = nullptr;
    } else {
        m_pressedHandle = item;
    }
    if (event->button() == Qt::RightButton && m_pressedHandle)
        emit DeletePointItem(m_pressedHandle);
    QGraphicsView::mousePressEvent(event);
}

void ViewWindow::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = mapToScene(event->pos());
    emit CurrentCoordSignal(QPoint(qRound(p.x()), qRound(p.y())));
    // The handle is moved first and reported after, so the store always holds where it stands:
    // the release's undo snapshot is taken before its own last report.
    QGraphicsView::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && m_pressedHandle)
        emit MovePointItem(m_pressedHandle);
}

void ViewWindow::mouseReleaseEvent(QMouseEvent *event)
{
    setInteractive(true);
    // Nothing but a zone at the sensor means the handle that sat there has been dragged away.
    if (isBaseItem(itemAt(mapFromScene(QPointF(0, 0)))))
        emit AddCenterPointItem();
    if (m_pressedHandle) {
        emit ReleasePointItem();
        emit MovePointItem(m_pressedHandle);
    }
    emit MouseReleaseSignal();
    QGraphicsView::mouseReleaseEvent(event);
}

void ViewWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && m_pressedHandle) {
        QGraphicsItem *handle = m_pressedHandle;
        // The receiver deletes the handle; forgetting it keeps a second Delete from naming a freed
        // item whose address a new handle may already reuse.
        m_pressedHandle = nullptr;
        emit DeletePointItem(handle);
    }
    event->accept();
}
