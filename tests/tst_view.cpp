#include "area/store/device_type.h"
#include "editor/viewwindow.h"

#include <QDir>
#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QScrollBar>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

void moveMouse(QWidget *viewport, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent ev(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &ev);
}

void turnWheel(QWidget *viewport, int delta)
{
    const QPoint pos = viewport->rect().center();
    QWheelEvent ev(pos, viewport->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &ev);
}

QStringList messagesSeen;
void collectMessages(QtMsgType, const QMessageLogContext &, const QString &msg)
{
    messagesSeen << msg;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

    std::unique_ptr<QGraphicsScene> scene;
    std::unique_ptr<ViewWindow> view;
    QGraphicsRectItem *zone = nullptr;      // stands for a zone item: a base item
    QGraphicsEllipseItem *handle = nullptr; // stands for a vertex handle
    int deviceType = Laser30;

    QPoint pixelOf(QPointF scenePoint) const { return view->mapFromScene(scenePoint); }

    // A 2 m zone square around the sensor, and a movable 80 mm handle in front-right of it.
    void buildScene()
    {
        scene = std::make_unique<QGraphicsScene>(-36000, -36000, 72000, 72000);
        zone = scene->addRect(-1000, -1000, 2000, 2000, QPen(Qt::darkYellow), QBrush(QColor(255, 255, 128)));
        zone->setFlag(QGraphicsItem::ItemIsSelectable);
        handle = scene->addEllipse(-40, -40, 80, 80, QPen(Qt::black), QBrush(Qt::blue));
        handle->setFlags(QGraphicsItem::ItemIsMovable | QGraphicsItem::ItemIsSelectable);
        handle->setZValue(1);
        handle->setPos(600, -600);
        view->baseItems()->append(zone);
        view->setScene(scene.get());
        view->centerOn(0, 0);
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
        view = std::make_unique<ViewWindow>();
        view->resize(600, 500);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    void cleanup()
    {
        view.reset();
        scene.reset();
        zone = nullptr;
        handle = nullptr;
    }

    void headlessViewportIsRasterAntialiasedAndQuiet()
    {
        messagesSeen.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectMessages);
        {
            ViewWindow quiet;
        }
        qInstallMessageHandler(previous);
        QCOMPARE(messagesSeen, QStringList());
        QVERIFY(!view->usesOpenGlViewport());
        QVERIFY(view->renderHints() & QPainter::Antialiasing);
        QCOMPARE(view->zoomLevel(), ViewWindow::kInitialLevel);
        QCOMPARE(view->zoomScale(), std::pow(2.0, -3.6));
    }

    void zoomIsClampedAndTheClampedLevelReported_data()
    {
        QTest::addColumn<int>("type"); // -1: no model set yet
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("reportsLevel");

        QTest::newRow("in button at the top") << 3 << 350 << "in" << 350 << true;
        QTest::newRow("in button reaches the top") << 3 << 349 << "in" << 350 << true;
        QTest::newRow("out button at Laser30 floor") << 3 << -55 << "out" << -55 << true;
        QTest::newRow("out button at Laser05 floor") << 0 << 70 << "out" << 70 << true;
        QTest::newRow("out button above floor") << 1 << 31 << "out" << 30 << true;
        QTest::newRow("wheel up past the top") << 3 << 345 << "wheel+" << 350 << true;
        QTest::newRow("wheel down past Laser50 floor") << 4 << -85 << "wheel-" << -90 << true;
        QTest::newRow("wheel down past Laser20 floor") << 2 << -15 << "wheel-" << -20 << true;
        QTest::newRow("zero wheel delta is no step") << 3 << 100 << "wheel0" << 100 << false;
        QTest::newRow("slider above the top") << 3 << 100 << "slider400" << 350 << false;
        QTest::newRow("slider below Laser30 floor") << 3 << 100 << "slider-100" << -55 << false;
        QTest::newRow("no model: out button has no floor") << -1 << -500 << "out" << -501 << true;
        QTest::newRow("no model: wheel has no floor") << -1 << -200 << "wheel-" << -210 << true;
        QTest::newRow("no model: slider has no floor") << -1 << 100 << "slider-1000" << -1000 << false;
        QTest::newRow("no model: top still holds") << -1 << 350 << "wheel+" << 350 << true;
    }
    void zoomIsClampedAndTheClampedLevelReported()
    {
        QFETCH(int, type);
        QFETCH(int, start);
        QFETCH(QString, action);
        QFETCH(int, expected);
        QFETCH(bool, reportsLevel);

        buildScene();
        deviceType = type;
        if (type >= 0)
            view->SetDeviceType(&deviceType);
        view->ChangeSetupMatrix(start);
        QCOMPARE(view->zoomLevel(), start);

        QSignalSpy levels(view.get(), &ViewWindow::ChangeMatrixSignal);
        QSignalSpy scales(view.get(), SIGNAL(ChangeSetupMatrix(qreal)));
        if (action == "in")
            view->ZoomInButtonSlots();
        else if (action == "out")
            view->ZoomOutButtonSlots();
        else if (action.startsWith("wheel"))
            turnWheel(view->viewport(), action == "wheel+" ? 120 : action == "wheel-" ? -120 : 0);
        else
            view->ChangeSetupMatrix(action.mid(6).toInt());

        QCOMPARE(view->zoomLevel(), expected);
        QCOMPARE(view->zoomScale(), ViewWindow::scaleForLevel(expected));
        QCOMPARE(view->transform().m11(), view->zoomScale());
        QCOMPARE(view->transform().m22(), view->zoomScale());
        if (reportsLevel) {
            QCOMPARE(levels.count(), 1);
            QCOMPARE(levels.at(0).at(0).toInt(), expected);
            QCOMPARE(scales.count(), 1);
            QCOMPARE(scales.at(0).at(0).toReal(), view->zoomScale());
        } else {
            QCOMPARE(levels.count(), 0);
        }
    }

    void deviceTypeZoomsFullyOutForKnownModelsOnly_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("extent");
        QTest::addColumn<double>("scale");
        QTest::newRow("Laser05") << 0 << 70 << 12000 << std::pow(2.0, -3.6);
        QTest::newRow("Laser10") << 1 << 30 << 24000 << std::pow(2.0, -4.4);
        QTest::newRow("Laser20") << 2 << -20 << 48000 << std::pow(2.0, -5.4);
        QTest::newRow("Laser30 (start-up)") << 3 << -55 << 72000 << std::pow(2.0, -6.1);
        QTest::newRow("Laser50") << 4 << -90 << 120000 << std::pow(2.0, -6.8);
        QTest::newRow("code 5 keeps the zoom") << 5 << 120 << 0 << std::pow(2.0, -2.6);
        QTest::newRow("code -1 keeps the zoom") << -1 << 120 << 0 << std::pow(2.0, -2.6);
    }
    void deviceTypeZoomsFullyOutForKnownModelsOnly()
    {
        QFETCH(int, type);
        QFETCH(int, level);
        QFETCH(int, extent);
        QFETCH(double, scale);
        view->ChangeSetupMatrix(120);
        deviceType = type;
        QSignalSpy scales(view.get(), SIGNAL(ChangeSetupMatrix(qreal)));
        view->SetDeviceType(&deviceType);
        QCOMPARE(view->zoomLevel(), level);
        QCOMPARE(view->extentWidth(), extent);
        QCOMPARE(view->extentHeight(), extent);
        QCOMPARE(scales.count(), 1);
        QCOMPARE(view->zoomScale(), scale);
        QCOMPARE(scales.at(0).at(0).toReal(), scale);
    }

    void zoomFloorFollowsTheModelCodeAtCallTime()
    {
        view->SetDeviceType(&deviceType); // Laser30, floor -55
        deviceType = Laser50;             // the main window changes its int later
        for (int i = 0; i < 50; ++i)
            view->ZoomOutButtonSlots();
        QCOMPARE(view->zoomLevel(), -90);
        deviceType = Laser05;
        view->SetupMatrix();
        QCOMPARE(view->zoomLevel(), 70);
    }

    void gridAndLabelStepsSwitchStrictlyAboveThresholds_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("grid");
        QTest::addColumn<int>("label");
        QTest::newRow("top zoom") << 4.0 << 10 << 50;
        QTest::newRow("just above 3.5") << 3.5000001 << 10 << 50;
        QTest::newRow("at 3.5") << 3.5 << 100 << 100;
        QTest::newRow("just above 0.378929") << 0.3789291 << 100 << 100;
        QTest::newRow("at 0.378929") << 0.378929 << 1000 << 1000;
        QTest::newRow("just above 0.0544094") << 0.0544095 << 1000 << 1000;
        QTest::newRow("at 0.0544094") << 0.0544094 << 10000 << 10000;
        QTest::newRow("Laser30 floor") << ViewWindow::scaleForLevel(-55) << 10000 << 10000;
        QTest::newRow("start-up level") << ViewWindow::scaleForLevel(70) << 1000 << 1000;
    }
    void gridAndLabelStepsSwitchStrictlyAboveThresholds()
    {
        QFETCH(double, scale);
        QFETCH(int, grid);
        QFETCH(int, label);
        QCOMPARE(ViewWindow::gridStep(scale), grid);
        QCOMPARE(ViewWindow::labelStep(scale), label);
    }

    void roundingGoesTowardZeroOnBothSides_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("rounded");
        QTest::newRow("negative fraction") << -1234.5 << 1000 << -1000;
        QTest::newRow("negative under one step") << -999.9 << 1000 << 0;
        QTest::newRow("negative exact") << -20000.0 << 10000 << -20000;
        QTest::newRow("Laser30 left edge") << -36000.0 << 10000 << -30000;
        QTest::newRow("positive") << 1999.9 << 1000 << 1000;
        QTest::newRow("fine step") << 12345.6 << 100 << 12300;
        QTest::newRow("far beyond int range") << -1.0e12 << 10000 << -500000000;
    }
    void roundingGoesTowardZeroOnBothSides()
    {
        QFETCH(double, value);
        QFETCH(int, c);
        QFETCH(int, rounded);
        QCOMPARE(ViewWindow::roundTowardZero(value, c), rounded);
    }

    void ringsCoverEveryRadiusThatCrossesTheArea_data()
    {
        QTest::addColumn<QRectF>("area");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("outer");
        QTest::newRow("holds the sensor: down to 0") << QRectF(-500, -400, 1000, 800) << 100 << 0 << 600;
        QTest::newRow("straddles +X axis") << QRectF(5500, -300, 3500, 600) << 1000 << 5000 << 9000;
        QTest::newRow("straddles -Y axis (ahead)") << QRectF(-200, -9500, 400, 2000) << 1000 << 7000 << 9000;
        QTest::newRow("one quadrant: nearest corner")
            << QRectF(3000, -4000, 1000, 1000) << 1000 << 4000 << 5000;
        // The top-left corner is the farthest; its ring must still be drawn there.
        QTest::newRow("far corner not on grid") << QRectF(-20900, -20900, 21000, 21000) << 1000 << 0 << 29000;
    }
    void ringsCoverEveryRadiusThatCrossesTheArea()
    {
        QFETCH(QRectF, area);
        QFETCH(int, c);
        QFETCH(int, inner);
        QFETCH(int, outer);
        QCOMPARE(ViewWindow::innerRingRadius(area, c), inner);
        QCOMPARE(ViewWindow::outerRingRadius(area, c), outer);
    }

    void mouseMoveReportsTheSceneMillimetresUnderTheCursor_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QPointF>("scenePoint");
        QTest::newRow("ahead right, 2 px per mm") << 300 << QPointF(120, -80);
        QTest::newRow("behind left, 1 px per 4 mm") << 150 << QPointF(-600, 400);
    }
    void mouseMoveReportsTheSceneMillimetresUnderTheCursor()
    {
        QFETCH(int, level);
        QFETCH(QPointF, scenePoint);
        buildScene();
        view->ChangeSetupMatrix(level);
        view->centerOn(0, 0);
        QSignalSpy coords(view.get(), &ViewWindow::CurrentCoordSignal);
        moveMouse(view->viewport(), pixelOf(scenePoint), Qt::NoButton);
        QCOMPARE(coords.count(), 1);
        const QPoint reported = coords.at(0).at(0).toPoint();
        const double tolerance = 1.0 / view->zoomScale();
        QVERIFY2(qAbs(reported.x() - scenePoint.x()) <= tolerance &&
                     qAbs(reported.y() - scenePoint.y()) <= tolerance,
                 qPrintable(QString("reported %1,%2").arg(reported.x()).arg(reported.y())));
    }

    // The left ruler reads the sensor's Y like the cursor readout: positive ahead of the sensor
    // (up on the screen), negative behind it; both rulers carry the unit.
    void rulersReadTheSensorsCoordinatesInMetres()
    {
        buildScene();
        view->ChangeSetupMatrix(100); // a label every metre
        view->centerOn(0, 0);
        QMap<int, QString> left, bottom;
        for (const ViewWindow::RulerLabel &label : view->rulerLabels()) {
            if (label.at.x() == int(view->mapToScene(QPoint(0, 0)).x()))
                left[label.at.y()] = label.text;
            else
                bottom[label.at.x()] = label.text;
        }
        QCOMPARE(left.value(-1000), QStringLiteral("1 m")); // 1 m ahead, drawn above the sensor
        QCOMPARE(left.value(1000), QStringLiteral("-1 m"));
        QCOMPARE(left.value(0), QStringLiteral("0 m"));
        QCOMPARE(bottom.value(1000), QStringLiteral("1 m"));
        QCOMPARE(bottom.value(-1000), QStringLiteral("-1 m"));

        // The cursor at a left label's height reports the same Y.
        QSignalSpy coords(view.get(), &ViewWindow::CurrentCoordSignal);
        moveMouse(view->viewport(), pixelOf(QPointF(300, -1000)), Qt::NoButton);
        QCOMPARE(coords.count(), 1);
        QVERIFY(qAbs(-coords.at(0).at(0).toPoint().y() - 1000) <= 1.0 / view->zoomScale());
    }

    void pressDecidesBetweenPanningAndGrabbingAHandle_data()
    {
        QTest::addColumn<QPointF>("pressAt");
        QTest::addColumn<bool>("grabsHandle");
        QTest::addColumn<bool>("pans");
        QTest::newRow("zone pans, selects nothing") << QPointF(-500, 500) << false << true;
        QTest::newRow("handle is grabbed and moved") << QPointF(600, -600) << true << false;
        QTest::newRow("empty ground pans") << QPointF(-1100, -1100) << false << true;
    }
    void pressDecidesBetweenPanningAndGrabbingAHandle()
    {
        QFETCH(QPointF, pressAt);
        QFETCH(bool, grabsHandle);
        QFETCH(bool, pans);
        buildScene();
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        QSignalSpy moves(view.get(), &ViewWindow::MovePointItem);
        const int scrollBefore = view->horizontalScrollBar()->value();
        const QPointF handleBefore = handle->pos();

        const QPoint p = pixelOf(pressAt);
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, p);
        QCOMPARE(view->pressedHandle(), grabsHandle ? static_cast<QGraphicsItem *>(handle) : nullptr);
        moveMouse(view->viewport(), p + QPoint(20, 0), Qt::LeftButton);
        moveMouse(view->viewport(), p + QPoint(40, 0), Qt::LeftButton);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, p + QPoint(40, 0));

        QVERIFY(view->isInteractive());
        QVERIFY(!zone->isSelected());
        QCOMPARE(view->horizontalScrollBar()->value() != scrollBefore, pans);
        QCOMPARE(handle->pos() != handleBefore, grabsHandle);
        // Two moves while held, one more at release; every one names the handle.
        QCOMPARE(moves.count(), grabsHandle ? 3 : 0);
        for (const QList<QVariant> &args : moves)
            QCOMPARE(args.at(0).value<QGraphicsItem *>(), static_cast<QGraphicsItem *>(handle));
        // The last report is taken after the handle has settled, so the controller sees the final spot.
        if (grabsHandle)
            QVERIFY(qAbs(handle->pos().x() - (600 + 40 / view->zoomScale())) <= 1.0 / view->zoomScale());
    }

    void rightPressAsksToDeleteOnlyAHandle_data()
    {
        QTest::addColumn<QPointF>("pressAt");
        QTest::addColumn<bool>("deletes");
        QTest::newRow("handle") << QPointF(600, -600) << true;
        QTest::newRow("zone") << QPointF(-500, 500) << false;
        QTest::newRow("empty ground") << QPointF(-1100, -1100) << false;
    }
    void rightPressAsksToDeleteOnlyAHandle()
    {
        QFETCH(QPointF, pressAt);
        QFETCH(bool, deletes);
        buildScene();
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        QSignalSpy deletions(view.get(), &ViewWindow::DeletePointItem);
        // Sent directly: a right press on empty ground is rightly left unaccepted.
        const QPoint p = pixelOf(pressAt);
        QMouseEvent press(QEvent::MouseButtonPress, p, view->viewport()->mapToGlobal(p), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &press);
        QCOMPARE(deletions.count(), deletes ? 1 : 0);
        if (deletes)
            QCOMPARE(deletions.at(0).at(0).value<QGraphicsItem *>(), static_cast<QGraphicsItem *>(handle));
    }

    void deleteKeyRemovesTheClickedHandleOnceAndOtherKeysDoNothing()
    {
        buildScene();
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        QSignalSpy deletions(view.get(), &ViewWindow::DeletePointItem);

        QTest::keyClick(view.get(), Qt::Key_Delete); // nothing clicked yet
        QCOMPARE(deletions.count(), 0);

        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, pixelOf(handle->pos()));
        QCOMPARE(view->pressedHandle(), static_cast<QGraphicsItem *>(handle)); // kept after the release
        const int hBefore = view->horizontalScrollBar()->value();
        const int vBefore = view->verticalScrollBar()->value();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Backspace})
            QTest::keyClick(view.get(), key);
        QCOMPARE(view->horizontalScrollBar()->value(), hBefore);
        QCOMPARE(view->verticalScrollBar()->value(), vBefore);
        QCOMPARE(deletions.count(), 0);

        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(deletions.count(), 1);
        QCOMPARE(deletions.at(0).at(0).value<QGraphicsItem *>(), static_cast<QGraphicsItem *>(handle));
        // The handle is gone once the controller has it; a second Delete must not name it again.
        QTest::keyClick(view.get(), Qt::Key_Delete);
        QCOMPARE(deletions.count(), 1);
    }

    void releaseReportsUndoPointBeforeFinalMoveThenRedraw_data()
    {
        QTest::addColumn<QPointF>("pressAt");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("handle") << QPointF(600, -600) << QStringList{"release", "move", "redraw"};
        QTest::newRow("zone") << QPointF(-500, 500) << QStringList{"redraw"};
        QTest::newRow("empty ground") << QPointF(-1100, -1100) << QStringList{"redraw"};
    }
    void releaseReportsUndoPointBeforeFinalMoveThenRedraw()
    {
        QFETCH(QPointF, pressAt);
        QFETCH(QStringList, order);
        buildScene();
        // Keep a handle on the sensor so the release does not ask for a new one.
        QGraphicsEllipseItem *centre = scene->addEllipse(-40, -40, 80, 80);
        centre->setZValue(1);
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        QStringList seen;
        connect(view.get(), &ViewWindow::ReleasePointItem, this, [&] { seen << "release"; });
        connect(view.get(), &ViewWindow::MovePointItem, this, [&] { seen << "move"; });
        connect(view.get(), &ViewWindow::MouseReleaseSignal, this, [&] { seen << "redraw"; });
        connect(view.get(), &ViewWindow::AddCenterPointItem, this, [&] { seen << "centre"; });
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, pixelOf(pressAt));
        QCOMPARE(seen, order);
    }

    void releaseAsksForACentreHandleWhenOnlyAZoneCoversTheSensor_data()
    {
        QTest::addColumn<bool>("zoneAtSensor");
        QTest::addColumn<bool>("dragOff");
        QTest::addColumn<int>("requests");
        QTest::newRow("handle dragged off the sensor") << true << true << 1;
        QTest::newRow("handle clicked in place") << true << false << 0;
        QTest::newRow("nothing at the sensor") << false << true << 0;
    }
    void releaseAsksForACentreHandleWhenOnlyAZoneCoversTheSensor()
    {
        QFETCH(bool, zoneAtSensor);
        QFETCH(bool, dragOff);
        QFETCH(int, requests);
        buildScene();
        if (!zoneAtSensor)
            zone->setPos(5000, 5000);
        handle->setPos(0, 0);
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        QSignalSpy centre(view.get(), &ViewWindow::AddCenterPointItem);
        const QPoint p = pixelOf(QPointF(0, 0));
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, p);
        const QPoint end = dragOff ? p + QPoint(60, -60) : p;
        if (dragOff)
            moveMouse(view->viewport(), end, Qt::LeftButton);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, end);
        QCOMPARE(centre.count(), requests);
    }

    void unseenWedgeBehindTheSensorAndCornersBeyondRangeAreShaded_data()
    {
        QTest::addColumn<QPointF>("scenePoint");
        QTest::addColumn<bool>("shaded");
        // Sensor (X, Y) is drawn at scene (X, -Y): behind the sensor is down the screen.
        QTest::newRow("straight behind") << QPointF(300, 5300) << true;
        QTest::newRow("inside wedge at 265 deg") << QPointF(-462, 5280) << true;
        QTest::newRow("seen at 245 deg") << QPointF(-2240, 4803) << false;
        QTest::newRow("straight ahead") << QPointF(300, -5300) << false;
        QTest::newRow("left side") << QPointF(-5300, 300) << false;
        QTest::newRow("corner beyond range") << QPointF(35500, -35500) << true;
        QTest::newRow("just inside range") << QPointF(25300, -25300) << false;
    }
    void unseenWedgeBehindTheSensorAndCornersBeyondRangeAreShaded()
    {
        QFETCH(QPointF, scenePoint);
        QFETCH(bool, shaded);
        scene = std::make_unique<QGraphicsScene>(-36000, -36000, 72000, 72000);
        view->setScene(scene.get());
        view->SetDeviceType(&deviceType);
        view->ChangeSetupMatrix(150); // 4 mm per pixel, grid every metre
        view->centerOn(scenePoint);
        const QImage image = view->viewport()->grab().toImage();
        const QPoint px = pixelOf(scenePoint);
        QVERIFY(image.rect().adjusted(40, 40, -40, -40).contains(px));
        const QColor c = image.pixelColor(px);
        const QString what = QString("pixel %1,%2 is %3").arg(px.x()).arg(px.y()).arg(c.name());
        if (shaded) {
            // 50 % grey over the white ground
            QVERIFY2(c.red() == c.green() && c.green() == c.blue(), qPrintable(what));
            QVERIFY2(c.red() > 170 && c.red() < 210, qPrintable(what));
        } else {
            QVERIFY2(c.red() > 245 && c.green() > 245 && c.blue() > 245, qPrintable(what));
        }
    }

    void gridRingsAndAxesAppearWhereTheyBelong()
    {
        scene = std::make_unique<QGraphicsScene>(-36000, -36000, 72000, 72000);
        view->setScene(scene.get());
        view->SetDeviceType(&deviceType);
        view->resize(800, 800);
        view->ChangeSetupMatrix(150);
        view->centerOn(0, 0);
        const QImage image = view->viewport()->grab().toImage();
        // A one-pixel antialiased line may straddle two pixels: look at the darkest of the 3x3 around.
        auto at = [&](QPointF p) {
            int darkest = 255;
            const QPoint c = pixelOf(p);
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    darkest = qMin(darkest, image.pixelColor(c + QPoint(dx, dy)).red());
            return darkest;
        };
        const auto grey = [](int v) { return v < 230 && v > 60; };
        QVERIFY2(grey(at(QPointF(1000, -300))), "vertical grid line at 1 m");
        QVERIFY2(grey(at(QPointF(1300, -1000))), "horizontal grid line 1 m ahead");
        QVERIFY2(grey(at(QPointF(0.6 * 1000, -0.8 * 1000))), "ring of radius 1 m");
        QVERIFY2(at(QPointF(0, -700)) < 60, "Y axis is black");
        QVERIFY2(at(QPointF(-700, 0)) < 60, "X axis is black");
        QVERIFY2(at(QPointF(350, -450)) > 245, "open ground stays white");
    }

    // Pictures for a person to look at: Laser30 fully zoomed out and close up.
    void writesPreviewImages()
    {
        const QString dir = QStringLiteral(VELTRIN_TEST_OUTPUT);
        QVERIFY(QDir().mkpath(dir));
        buildScene();
        view->resize(1000, 800);
        view->SetDeviceType(&deviceType);
        view->centerOn(0, 0);
        QImage far = view->viewport()->grab().toImage();
        QVERIFY(far.save(dir + "/view_laser30_far.png"));
        view->ChangeSetupMatrix(160);
        view->centerOn(0, 0);
        QImage near = view->viewport()->grab().toImage();
        QVERIFY(near.save(dir + "/view_laser30_near.png"));
        QVERIFY(far != near);
    }
};

QTEST_MAIN(TestView)
#include "tst_view.moc"
