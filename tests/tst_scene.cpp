// The scene controller and its vertex handles, driven through an offscreen editor view with real
// mouse events, the way an engineer drags, deletes and releases handles.
#include "area/geometry/polar.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/option_scene.h"
#include "editor/paint_out.h"
#include "editor/paint_outline.h"
#include "editor/point_items.h"
#include "editor/viewwindow.h"

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

// A zoom level at which one pixel is 8 mm, so whole-pixel drags land on whole millimetres.
constexpr int kLevel = 100;
constexpr double kMmPerPixel = 8.0;

void sendMouse(QWidget *viewport, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent ev(type, pos, viewport->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(viewport, &ev);
}

QPoint pixels(double xMm, double yMm)
{
    return QPoint(qRound(xMm / kMmPerPixel), qRound(yMm / kMmPerPixel));
}

} // namespace

class TestScene : public QObject {
    Q_OBJECT

    int deviceType = Laser30;
    std::unique_ptr<QGraphicsScene> scene;
    std::unique_ptr<ViewWindow> view;
    std::unique_ptr<OPTION_SCENE> controller;

    PROJECT_DATA &store() { return ProjectData(); }
    AREA_DATA &area0() { return ProjectData().Areas[0]; }
    QWidget *viewport() { return view->viewport(); }
    // The pixel of a stored sensor point (X, Y).
    QPoint pixelOf(QPoint stored) { return view->mapFromScene(QPointF(stored.x(), -stored.y())); }

    // Press the left button on a stored point, drag by a pixel offset in two steps and release.
    void drag(QPoint from, QPoint byPixels, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint start = pixelOf(from);
        const QPoint end = start + byPixels;
        sendMouse(viewport(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton, modifiers);
        sendMouse(viewport(), QEvent::MouseMove, start + byPixels / 2, Qt::NoButton, Qt::LeftButton,
                  modifiers);
        sendMouse(viewport(), QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton, modifiers);
        sendMouse(viewport(), QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton, modifiers);
    }

    void rightClick(QPoint at)
    {
        const QPoint p = pixelOf(at);
        sendMouse(viewport(), QEvent::MouseButtonPress, p, Qt::RightButton, Qt::RightButton);
        sendMouse(viewport(), QEvent::MouseButtonRelease, p, Qt::RightButton, Qt::NoButton);
    }

    QGraphicsItem *handleAt(QPoint stored) const
    {
        for (QGraphicsItem *h : controller->handles())
            if (h->pos() == QPointF(stored.x(), -stored.y()))
                return h;
        return nullptr;
    }

    QVector<QPoint> handlePoints() const
    {
        QVector<QPoint> points;
        for (QGraphicsItem *h : controller->handles())
            points << QPoint(int(h->pos().x()), -int(h->pos().y()));
        return points;
    }

    // Wired as the main window wires the view to the controller.
    void buildEditor()
    {
        scene = std::make_unique<QGraphicsScene>();
        view = std::make_unique<ViewWindow>();
        view->resize(640, 640);
        view->setScene(scene.get());
        view->SetDeviceType(&deviceType);
        controller = std::make_unique<OPTION_SCENE>(&deviceType, scene.get(), &store(), &ScanData(),
                                                    view->baseItems());
        connect(view.get(), &ViewWindow::AddCenterPointItem, controller.get(),
                &OPTION_SCENE::AddCenterPointItemSlots);
        connect(view.get(), &ViewWindow::MovePointItem, controller.get(), &OPTION_SCENE::MovePointItemSlots);
        connect(view.get(), &ViewWindow::DeletePointItem, controller.get(),
                &OPTION_SCENE::DeletePointItemSlots);
        connect(view.get(), qOverload<qreal>(&ViewWindow::ChangeSetupMatrix), controller.get(),
                &OPTION_SCENE::ChangeScaleSize);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->ChangeSetupMatrix(kLevel);
        view->centerOn(0, 0);
        QCOMPARE(view->zoomScale(), 1.0 / kMmPerPixel);
    }

    // Gives the current output a shape and points, then rebuilds the handles as an edit would.
    void setOutput(int output, int shape, const QVector<QPoint> &points)
    {
        store().CurrentOutput = output;
        area0().shape(output) = shape;
        area0().coord(output) = points;
        controller->CoordTableUpdatePointItem();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qRegisterMetaType<QGraphicsItem *>();
    }

    void init()
    {
        deviceType = Laser30;
        ProjectData().resetToStartup();
        buildEditor();
    }

    void cleanup()
    {
        view.reset();
        controller.reset();
        scene.reset();
    }

    void constructionFillsTheBaseListAndSizesTheSceneForTheModel()
    {
        QList<QGraphicsItem *> expected{controller->out1Item(), controller->out2Item(),
                                        controller->out3Item(), controller->outlineItem(),
                                        controller->intensityItem()};
        QCOMPARE(*view->baseItems(), expected);
        QCOMPARE(scene->sceneRect(), QRectF(-36000, -36000, 72000, 72000));
        QCOMPARE(store().SceneWidth, 72000.0);
        QCOMPARE(controller->outlineItem()->zValue(), 6.0);
        QCOMPARE(controller->intensityItem()->zValue(), 5.0);
        // No stream yet: the overlays wait for a sensor.
        QVERIFY(!controller->outlineItem()->isVisible());
        QVERIFY(!controller->intensityItem()->isVisible());
    }

    void deviceTypeChangesSceneSquareAndEveryBaseItem()
    {
        deviceType = Laser05;
        controller->SetDeviceType(&deviceType);
        QCOMPARE(scene->sceneRect(), QRectF(-6000, -6000, 12000, 12000));
        for (QGraphicsItem *item : *view->baseItems())
            QCOMPARE(item->boundingRect(), QRectF(-6000, -6000, 12000, 12000));
        QCOMPARE(store().SceneWidth, 12000.0);
        QCOMPARE(store().SceneHeight, 12000.0);

        // An unknown model keeps what there is.
        deviceType = 9;
        controller->SetDeviceType(&deviceType);
        QCOMPARE(scene->sceneRect(), QRectF(-6000, -6000, 12000, 12000));
        QCOMPARE(controller->outlineItem()->boundingRect(), QRectF(-6000, -6000, 12000, 12000));
    }

    void newPolygonShowsOneHandleOnTheSensor()
    {
        QCOMPARE(controller->handles().size(), 1);
        QCOMPARE(controller->handles().first()->pos(), QPointF(0, 0));
        QCOMPARE(controller->handles().first()->type(), int(POINT_POINT::Type));
        // Asking again while it sits there adds nothing.
        controller->AddCenterPointItemSlots();
        QCOMPARE(controller->handles().size(), 1);
    }

    void draggingTheSpareHandleStoresTheVertexAndAFreshSpareAppears()
    {
        QSignalSpy channel(controller.get(), &OPTION_SCENE::PointItemChannelSignal);
        drag(QPoint(0, 0), pixels(1000, -2000));

        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 2000)}));
        QVERIFY(channel.count() >= 1);
        QCOMPARE(controller->handles().size(), 2);
        QVERIFY(handleAt(QPoint(1000, 2000)));
        QVERIFY(handleAt(QPoint(0, 0)));
        QCOMPARE(controller->handles().last()->pos(), QPointF(0, 0)); // the new spare

        // A second vertex from the new spare joins the first.
        drag(QPoint(0, 0), pixels(-1600, -800));
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 2000), QPoint(-1600, 800)}));
        QCOMPARE(controller->handles().size(), 3);
    }

    void releaseFindsTheStoreAtTheDroppedPosition()
    {
        // The release takes its undo snapshot before its own last move report, so every move must
        // already have written where the handle now stands; otherwise Redo after an Undo brings
        // the vertex back short of where it was dropped.
        QVector<QPoint> atRelease;
        connect(view.get(), &ViewWindow::ReleasePointItem, controller.get(),
                [&] { atRelease = area0().Out1Coord; });
        setOutput(0, Polygon, {{1000, 2000}});
        drag(QPoint(1000, 2000), pixels(800, -400));
        QCOMPARE(atRelease, QVector<QPoint>({QPoint(1800, 2400)}));

        setOutput(0, Rectangle, {{1000, 1000}, {1000, 2000}, {2000, 2000}, {2000, 1000}});
        drag(QPoint(2000, 2000), pixels(800, -400));
        QCOMPARE(atRelease, QVector<QPoint>({{1000, 1000}, {1000, 2400}, {2800, 2400}, {2800, 1000}}));
    }

    // A polygon that starts at the sensor (typed, opened or read from the sensor) keeps that vertex
    // when another one is dragged or deleted; only the spare handle is not a vertex.
    void vertexOnTheSensorSurvivesEditsOfTheOthers()
    {
        setOutput(0, Polygon, {{0, 0}, {1000, 2000}, {-1000, 2000}});
        QCOMPARE(controller->handles().size(), 3); // no spare while a vertex sits on the sensor
        drag(QPoint(1000, 2000), pixels(400, 0));
        QCOMPARE(area0().Out1Coord.size(), 3);
        QCOMPARE(area0().Out1Coord.first(), QPoint(0, 0));
        rightClick(QPoint(-1000, 2000));
        QCOMPARE(area0().Out1Coord.size(), 2);
        QCOMPARE(area0().Out1Coord.first(), QPoint(0, 0));
    }

    void shiftHoldsAHandleWhereItIs()
    {
        setOutput(0, Polygon, {{1000, 2000}});
        drag(QPoint(1000, 2000), pixels(400, 400), Qt::ShiftModifier);
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 2000)}));
        QVERIFY(handleAt(QPoint(1000, 2000)));
    }

    void rightClickDeletesAPolygonVertexOnly()
    {
        setOutput(0, Polygon, {{1000, 2000}, {-1000, 2000}, {0, 3000}});
        QCOMPARE(controller->handles().size(), 4); // three vertices and the spare
        rightClick(QPoint(-1000, 2000));
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 2000), QPoint(0, 3000)}));
        QCOMPARE(handlePoints(), QVector<QPoint>({QPoint(1000, 2000), QPoint(0, 3000), QPoint(0, 0)}));

        // The view still names the deleted handle as pressed; pressing Delete must not reach it.
        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(area0().Out1Coord.size(), 2);
    }

    void rightClickOnAnArcHandleChangesNothing()
    {
        setOutput(0, Arc, {{1000, 1000}, {-2000, 2000}});
        QCOMPARE(controller->handles().size(), 2); // no spare for an arc
        rightClick(QPoint(1000, 1000));
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 1000), QPoint(-2000, 2000)}));
        QCOMPARE(controller->handles().size(), 2);
    }

    void arcKeepsTheOtherHandleOnTheCommonCircleAtItsBearing_data()
    {
        QTest::addColumn<int>("moved");
        QTest::addColumn<QPoint>("by"); // pixels
        QTest::newRow("first end") << 0 << pixels(-1000, -2000);
        QTest::newRow("second end") << 1 << pixels(1200, -400);
    }
    void arcKeepsTheOtherHandleOnTheCommonCircleAtItsBearing()
    {
        QFETCH(int, moved);
        QFETCH(QPoint, by);
        const QVector<QPoint> before{{1000, 1000}, {-2000, 2000}};
        setOutput(0, Arc, before);
        const int other = 1 - moved;
        const float otherBearing = polar::degrees(before[other]);

        drag(before[moved], by);

        const QVector<QPoint> &after = area0().Out1Coord;
        QCOMPARE(after.size(), 2);
        const QPoint expectedMoved = before[moved] + QPoint(by.x(), -by.y()) * int(kMmPerPixel);
        QCOMPARE(after[moved], expectedMoved);
        const float r = polar::radius(expectedMoved);
        QVERIFY2(qAbs(polar::radius(after[other]) - r) < 2.0f,
                 qPrintable(QString::number(polar::radius(after[other]))));
        QVERIFY(qAbs(polar::degrees(after[other]) - otherBearing) < 0.05f);
        QCOMPARE(after[other], polar::toPoint(r, polar::angle(before[other])));
        QCOMPARE(handlePoints(), after); // the other handle went along
    }

    void arcEndDraggedOntoTheSensorKeepsTheOtherEndsBearing()
    {
        setOutput(0, Arc, {{1000, 1000}, {-2000, 2000}});
        drag(QPoint(1000, 1000), pixels(-1000, 1000));
        const QVector<QPoint> &after = area0().Out1Coord;
        QCOMPARE(after[0], QPoint(0, 0));
        // Halfway it took the half radius; the sensor itself has none to give.
        QVERIFY(polar::radius(after[1]) > 500);
        QVERIFY(qAbs(polar::degrees(after[1]) - 135.0f) < 0.05f);
    }

    void clickingAnArcHandleWithoutMovingItChangesNothing()
    {
        // Ends on different circles, as a project file may hold them.
        setOutput(0, Arc, {{1000, 1000}, {-3000, 3000}});
        QTest::mouseClick(viewport(), Qt::LeftButton, Qt::NoModifier, pixelOf(QPoint(1000, 1000)));
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 1000), QPoint(-3000, 3000)}));
    }

    void rectangleCornerDragKeepsFourAxisParallelSides_data()
    {
        QTest::addColumn<int>("corner");
        for (int c = 0; c < 4; ++c)
            QTest::newRow(qPrintable(QString("corner %1").arg(c))) << c;
    }
    void rectangleCornerDragKeepsFourAxisParallelSides()
    {
        QFETCH(int, corner);
        const QVector<QPoint> before{{-1000, 1000}, {-1000, 3000}, {1000, 3000}, {1000, 1000}};
        setOutput(0, Rectangle, before);
        QCOMPARE(controller->handles().size(), 4);

        drag(before[corner], pixels(-400, 400));

        const QVector<QPoint> &p = area0().Out1Coord;
        QCOMPARE(p.size(), 4);
        QCOMPARE(p[corner], before[corner] + QPoint(-400, -400));
        QCOMPARE(p[0].x(), p[1].x());
        QCOMPARE(p[1].y(), p[2].y());
        QCOMPARE(p[2].x(), p[3].x());
        QCOMPARE(p[3].y(), p[0].y());
        // The corner across the rectangle stays put.
        QCOMPARE(p[(corner + 2) % 4], before[(corner + 2) % 4]);
        QCOMPARE(handlePoints(), p);
    }

    void dependentHandleSlidesOnlyOnTheForwardAxisAndStopsAtTheSensor_data()
    {
        QTest::addColumn<int>("shape");
        QTest::newRow("straight") << int(Straight);
        QTest::newRow("fan") << int(Fan);
        QTest::newRow("ratio") << int(Ratio);
    }
    void dependentHandleSlidesOnlyOnTheForwardAxisAndStopsAtTheSensor()
    {
        QFETCH(int, shape);
        setOutput(1, shape, {{0, 2000}});
        QCOMPARE(controller->handles().size(), 1); // no spare for a dependent shape
        QGraphicsItem *bar = controller->handles().first();
        QCOMPARE(bar->type(), int(POINT_RATIO::Type));

        // Sideways and back toward the sensor: only the forward distance changes.
        const QPoint start = pixelOf(QPoint(0, 2000));
        sendMouse(viewport(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        sendMouse(viewport(), QEvent::MouseMove, start + pixels(600, 800), Qt::NoButton, Qt::LeftButton);
        sendMouse(viewport(), QEvent::MouseMove, start + pixels(600, 1200), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(bar->pos(), QPointF(0, -800));
        QCOMPARE(area0().Out2Coord, QVector<QPoint>({QPoint(0, 800)})); // the store follows every move

        // Far past the sensor: it stops there and keeps its point.
        sendMouse(viewport(), QEvent::MouseMove, start + pixels(-300, 5000), Qt::NoButton, Qt::LeftButton);
        sendMouse(viewport(), QEvent::MouseButtonRelease, start + pixels(-300, 5000), Qt::LeftButton,
                  Qt::NoButton);
        QCOMPARE(bar->pos(), QPointF(0, 0));
        QCOMPARE(area0().Out2Coord, QVector<QPoint>({QPoint(0, 0)}));
        QCOMPARE(controller->handles().size(), 1); // no spare appears for a dependent output

        // Rebuilt from the store, the handle is still there to be pulled out again.
        controller->CoordTableUpdatePointItem();
        QCOMPARE(controller->handles().size(), 1);
        drag(QPoint(0, 0), pixels(0, -1600));
        QCOMPARE(area0().Out2Coord, QVector<QPoint>({QPoint(0, 1600)}));
    }

    void storedCoordinatesTruncateTowardZero_data()
    {
        QTest::addColumn<QPointF>("scenePos");
        QTest::addColumn<QPoint>("stored");
        QTest::newRow("ahead right") << QPointF(100.7, -200.9) << QPoint(100, 200);
        QTest::newRow("behind left") << QPointF(-100.7, 200.9) << QPoint(-100, -200);
        QTest::newRow("under a millimetre") << QPointF(0.9, -0.4) << QPoint(0, 0);
    }
    void storedCoordinatesTruncateTowardZero()
    {
        QFETCH(QPointF, scenePos);
        QFETCH(QPoint, stored);
        QCOMPARE(controller->handles().size(), 1);
        controller->handles().first()->setPos(scenePos);
        controller->MovePointItemSlots(controller->handles().first());
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({stored}));
    }

    void rebuildMakesOneHandlePerStoredPointOfTheCurrentOutput_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("handleType");
        QTest::addColumn<int>("handles"); // including the spare
        QTest::newRow("Out1 polygon") << 0 << int(Polygon) << int(POINT_POINT::Type) << 4;
        QTest::newRow("Out2 arc") << 1 << int(Arc) << int(POINT_POINT::Type) << 3;
        QTest::newRow("Out3 rectangle") << 2 << int(Rectangle) << int(POINT_POINT::Type) << 3;
        QTest::newRow("Out3 fan") << 2 << int(Fan) << int(POINT_RATIO::Type) << 3;
    }
    void rebuildMakesOneHandlePerStoredPointOfTheCurrentOutput()
    {
        QFETCH(int, output);
        QFETCH(int, shape);
        QFETCH(int, handleType);
        QFETCH(int, handles);
        // Other outputs hold points too; only the current output's appear.
        area0().Out1Coord = {{500, 500}};
        area0().Out2Coord = {{600, 600}, {700, 700}};
        setOutput(output, shape, {{1000, 2000}, {-1000, 2000}, {0, 3000}});
        QCOMPARE(controller->handles().size(), handles);
        QCOMPARE(controller->handles().first()->type(), handleType);
        QCOMPARE(handlePoints().mid(0, 3), QVector<QPoint>({{1000, 2000}, {-1000, 2000}, {0, 3000}}));
        // The depth order follows the output being edited.
        const PAINT_OUT_ITEM *zones[] = {controller->out1Item(), controller->out2Item(),
                                         controller->out3Item()};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(zones[i]->zValue() == 3.0, i == output);
    }

    void depthOrderPutsTheEditedOutputOnTop_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<QVector<double>>("z");
        QTest::newRow("Out1") << 0 << QVector<double>{3, 2, 1};
        QTest::newRow("Out2") << 1 << QVector<double>{2, 3, 1};
        QTest::newRow("Out3") << 2 << QVector<double>{1, 2, 3};
        QTest::newRow("stray keeps the order") << 7 << QVector<double>{1, 2, 3};
    }
    void depthOrderPutsTheEditedOutputOnTop()
    {
        QFETCH(int, output);
        QFETCH(QVector<double>, z);
        store().CurrentOutput = 2;
        controller->PaintOutItemSetZValue();
        store().CurrentOutput = output;
        controller->PaintOutItemSetZValue();
        QCOMPARE(QVector<double>({controller->out1Item()->zValue(), controller->out2Item()->zValue(),
                                  controller->out3Item()->zValue()}),
                 z);
    }

    void requestsForHandlesNotInTheListAreIgnored()
    {
        setOutput(0, Rectangle, {{-1000, 1000}, {-1000, 3000}, {1000, 3000}, {1000, 1000}});
        QGraphicsRectItem stranger(0, 0, 10, 10);
        stranger.setPos(5000, -5000);
        controller->MovePointItemSlots(&stranger);
        controller->DeletePointItemSlots(&stranger);
        QCOMPARE(area0().Out1Coord,
                 QVector<QPoint>({{-1000, 1000}, {-1000, 3000}, {1000, 3000}, {1000, 1000}}));
        QCOMPARE(controller->handles().size(), 4);

        setOutput(0, Polygon, {{1000, 1000}});
        controller->DeletePointItemSlots(&stranger);
        QCOMPARE(area0().Out1Coord, QVector<QPoint>({QPoint(1000, 1000)}));
        QCOMPARE(controller->handles().size(), 2);
    }

    void handleStaysFifteenPixelsWideAtAnyZoom()
    {
        setOutput(0, Polygon, {{1000, 2000}});
        QGraphicsItem *vertex = handleAt(QPoint(1000, 2000));
        QVERIFY(vertex);
        for (int level : {300, 120, 60}) {
            view->ChangeSetupMatrix(level);
            view->centerOn(vertex->pos());
            QCOMPARE(vertex->boundingRect().width() * view->zoomScale(), 15.0);
            const QPoint centre = view->mapFromScene(vertex->pos());
            QCOMPARE(view->itemAt(centre + QPoint(6, 6)), vertex);
            QVERIFY(view->itemAt(centre + QPoint(10, 0)) != vertex);
        }
    }

    void hoveringAHandleTurnsItRed()
    {
        setOutput(0, Polygon, {{1000, 2000}});
        auto *vertex = static_cast<POINT_HANDLE *>(handleAt(QPoint(1000, 2000)));
        QVERIFY(!vertex->hovered());
        const QPoint p = pixelOf(QPoint(1000, 2000));
        sendMouse(viewport(), QEvent::MouseMove, p + QPoint(30, 30), Qt::NoButton, Qt::NoButton);
        sendMouse(viewport(), QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        QVERIFY(vertex->hovered());
        QCOMPARE(vertex->fillColour(), QColor(Qt::red).lighter(125));
        QCOMPARE(vertex->cursor().shape(), Qt::SizeAllCursor);
        sendMouse(viewport(), QEvent::MouseMove, p + QPoint(30, 30), Qt::NoButton, Qt::NoButton);
        QVERIFY(!vertex->hovered());
        QCOMPARE(vertex->fillColour().rgb(), QColor(Qt::blue).rgb());
    }

    void outlineRefreshRepaintsTheZonesEvenWithoutAStream()
    {
        QVERIFY(!controller->outlineItem()->isVisible());
        QCoreApplication::processEvents();
        QSignalSpy changed(scene.get(), &QGraphicsScene::changed);
        controller->UpdataPaintOutline();
        QTRY_VERIFY(changed.count() > 0);
        QRectF covered;
        for (const QList<QVariant> &args : changed)
            for (const QRectF &r : args.at(0).value<QList<QRectF>>())
                covered |= r;
        QVERIFY(covered.contains(QRectF(-30000, -30000, 60000, 60000)));
    }
};

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
