#pragma once

#include <QGraphicsView>
#include <QList>
#include <QRectF>
#include <QString>
#include <QVector>

class QGraphicsItem;

// The zoomable drawing surface of the area editor. It owns the zoom state, paints the grid, range
// rings, axes, the unseen region and the metre labels, and turns raw input into editor signals. It
// never edits area data itself; OPTION_SCENE reacts to its signals.
class ViewWindow : public QGraphicsView {
    Q_OBJECT
public:
    explicit ViewWindow(QWidget *parent = nullptr);
    ~ViewWindow() override;

    // Keeps the pointer to the main window's model code and reads it whenever the zoom floor is needed.
    // A code 0..4 zooms fully out for that model; any other code only re-applies the zoom.
    void SetDeviceType(int *type);
    // Clamps the level to the upper limit and the model's floor and applies the resulting scale.
    void SetupMatrix();

    // Filled by the scene controller with its zone and scan items; the view only reads it, to tell
    // those from vertex handles.
    QList<QGraphicsItem *> *baseItems() { return &m_baseItems; }

    int zoomLevel() const { return m_level; }
    double zoomScale() const { return m_scale; }
    int extentWidth() const { return m_extentWidth; }
    int extentHeight() const { return m_extentHeight; }
    // The item under the last press when it was not a base item; kept after the release so the
    // Delete key can remove a clicked handle.
    QGraphicsItem *pressedHandle() const { return m_pressedHandle; }
    bool usesOpenGlViewport() const { return m_openGl; }

    static constexpr int kLevelMax = 350;
    static constexpr int kInitialLevel = 70;

    // 2^((level - 250) / 50): level 250 shows one pixel per millimetre.
    static double scaleForLevel(int level);
    // Spacing of grid lines and range rings, in mm, for a view scale in pixels per mm.
    static int gridStep(double scale);
    // Spacing of the metre labels, in mm.
    static int labelStep(double scale);
    // The multiple of c next to value on the side of zero (value truncated first).
    static int roundTowardZero(double value, int c);
    // Largest ring radius (multiple of c) that reaches into the visible area.
    static int outerRingRadius(const QRectF &visible, int c);
    // Smallest ring radius (multiple of c) that can touch the area: 0 when it holds the sensor.
    static int innerRingRadius(const QRectF &area, int c);

    // The metre labels of the two rulers as drawn: along the bottom the sensor's X, along the left
    // edge the sensor's Y (forward positive), each with its unit.
    struct RulerLabel {
        QPoint at; // scene position of the text's base line
        QString text;
    };
    QVector<RulerLabel> rulerLabels() const;

public slots:
    void ZoomInButtonSlots();
    void ZoomOutButtonSlots();
    // Receiver of the zoom slider: applies the level without echoing it back.
    void ChangeSetupMatrix(int level);
    // The handles were rebuilt: a new handle may now live at the old pressed handle's address, so
    // a later Delete or move must not reach it through the stale pointer.
    void ForgetPressedHandle() { m_pressedHandle = nullptr; }
    // Zooms and centres so the scene rectangle fills the view with a margin, as far as the zoom
    // limits allow; the slider follows.
    void FitToRect(const QRectF &sceneRect);

public:
    // A widget kept in the top right corner of the drawing, over it (the breach legend).
    void setCornerOverlay(QWidget *overlay);

signals:
    void ChangeSetupMatrix(qreal scale);
    void ChangeMatrixSignal(int level);
    void CurrentCoordSignal(QPoint scenePos);
    void MovePointItem(QGraphicsItem *handle);
    void DeletePointItem(QGraphicsItem *handle);
    void AddCenterPointItem();
    void ReleasePointItem();
    void MouseReleaseSignal();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF visibleSceneBounds() const;
    bool isBaseItem(QGraphicsItem *item) const;
    int zoomFloor() const;

    int m_level = kInitialLevel;
    double m_scale = 1.0;
    int *m_deviceType = nullptr;
    int m_extentWidth = 0;
    int m_extentHeight = 0;
    QList<QGraphicsItem *> m_baseItems;
    QGraphicsItem *m_pressedHandle = nullptr;
    bool m_openGl = false;
    QWidget *m_overlay = nullptr;
    void placeOverlay();
};
