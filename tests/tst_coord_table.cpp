#include "tst_area_table_harness.h"
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "area/coord_table.h"

#include <QSignalSpy>
#include <climits>

Q_DECLARE_METATYPE(QVector<QPoint>)

class TestCoordTable : public AreaEditingTest {
    Q_OBJECT

    // Puts a zone into the current area and shows it, as an area switch would.
    void setZone(int output, int shape, const QVector<QPoint> &pts)
    {
        area().shape(output) = shape;
        area().coord(output) = pts;
        form->coordTable->CoordTableWidgeUpdate();
    }

private slots:
    void tablesAreBuiltWithHeadersAndOneEmptyRow()
    {
        for (int k = 0; k < 3; ++k) {
            QTableWidget *xy = form->cartesian(k);
            QTableWidget *rt = form->polar(k);
            QCOMPARE(xy->horizontalHeaderItem(1)->text(), QString("X坐标[mm]"));
            QCOMPARE(rt->horizontalHeaderItem(2)->text(), QString("角度[deg]"));
            QCOMPARE(xy->columnWidth(0), 40);
            QCOMPARE(xy->columnWidth(1), 80);
            QVERIFY(!xy->verticalHeader()->isVisible());
            QCOMPARE(xy->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(rt->rowCount(), 1);
            QCOMPARE(rowTexts(xy, 0), QStringList({"1", "0", "0"}));
        }
    }

    void refillShowsPointsAndAppendRowWithoutEmitting()
    {
        QSignalSpy edits(form->coordTable.get(), &COORD_TABLE::CoordTableEditSignal);
        area().Out1Coord = points({{100, 200}, {-300, 400}});
        area().Out2Shape = Arc;
        area().Out2Coord = points({{500, 0}, {0, 500}});
        form->coordTable->CoordTableWidgeUpdate();
        QCOMPARE(edits.count(), 0);
        QCOMPARE(form->cartesian(0)->rowCount(), 3);
        QCOMPARE(rowTexts(form->cartesian(0), 1), QStringList({"2", "-300", "400"}));
        QCOMPARE(rowTexts(form->cartesian(0), 2), QStringList({"3", "0", "0"}));
        QCOMPARE(rowTexts(form->polar(0), 2), QStringList({"3", "0", "0"}));
        // Arcs have a fixed point count and no append row.
        QCOMPARE(form->cartesian(1)->rowCount(), 2);
        QCOMPARE(form->polar(1)->rowCount(), 2);
        QCOMPARE(area().Out1Coord.size(), 2);
    }

    void polarCellsUseSinglePrecisionForm_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("radius");
        QTest::addColumn<QString>("angle");
        QTest::newRow("diagonal") << QPoint(1000, 1000) << "1414.21"
                                  << "45";
        QTest::newRow("behind left") << QPoint(-100, -100) << "141.421"
                                     << "225";
        QTest::newRow("behind right") << QPoint(100, -100) << "141.421"
                                      << "-45";
        QTest::newRow("straight behind") << QPoint(0, -100) << "100"
                                         << "-90";
        QTest::newRow("left") << QPoint(-100, 0) << "100"
                              << "180";
        QTest::newRow("ahead") << QPoint(0, 2500) << "2500"
                               << "90";
    }
    void polarCellsUseSinglePrecisionForm()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, radius);
        QFETCH(QString, angle);
        setZone(0, Polygon, {point});
        QCOMPARE(rowTexts(form->polar(0), 0), QStringList({"1", radius, angle}));
    }

    void typedCartesianValueIsRounded_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("half up") << 1 << "2.5" << 3;
        QTest::newRow("negative half truncates") << 1 << "-2.5" << -2;
        QTest::newRow("negative truncates") << 2 << "-3.7" << -3;
        QTest::newRow("below half") << 2 << "3.49" << 3;
        QTest::newRow("above half") << 1 << "3.7" << 4;
        QTest::newRow("beyond int saturates") << 2 << "1e12" << INT_MAX;
        QTest::newRow("far negative saturates") << 2 << "-1e12" << INT_MIN;
    }
    void typedCartesianValueIsRounded()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, stored);
        setZone(0, Polygon, {QPoint(100, 200)});
        form->showTable(0, false);
        QSignalSpy edits(form->coordTable.get(), &COORD_TABLE::CoordTableEditSignal);
        QVERIFY(typeIntoCell(form->cartesian(0), 0, column, typed));
        QCOMPARE(edits.count(), 1);
        const QPoint expected = column == 1 ? QPoint(stored, 200) : QPoint(100, stored);
        QCOMPARE(area().Out1Coord, points({expected}));
        QCOMPARE(form->cartesian(0)->item(0, column)->text(), QString::number(stored));
        // The polar table of the output follows at once.
        QCOMPARE(form->polar(0)->item(0, 1)->text(),
                 QString::number(double(std::sqrt(float(expected.x()) * float(expected.x()) +
                                                  float(expected.y()) * float(expected.y()))),
                                 'g', 6));
    }

    void appendRowCreatesPoints_data()
    {
        QTest::addColumn<bool>("polarPage");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVector<QPoint>>("expected");
        QTest::newRow("xy: y 150") << false << 2 << "150" << points({{0, 150}});
        QTest::newRow("xy: x -75.5") << false << 1 << "-75.5" << points({{-75, 0}});
        QTest::newRow("xy: zero appends nothing") << false << 1 << "0.0" << QVector<QPoint>();
        QTest::newRow("polar: angle 90") << true << 2 << "90" << points({{0, 20}});
        QTest::newRow("polar: angle 180") << true << 2 << "180" << points({{-20, 0}});
        QTest::newRow("polar: radius 1000") << true << 1 << "1000" << points({{1000, 0}});
        QTest::newRow("polar: radius truncates") << true << 1 << "999.9" << points({{999, 0}});
        QTest::newRow("polar: zero appends nothing") << true << 1 << "-0" << QVector<QPoint>();
    }
    void appendRowCreatesPoints()
    {
        QFETCH(bool, polarPage);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QVector<QPoint>, expected);
        form->showTable(0, polarPage);
        QTableWidget *table = polarPage ? form->polar(0) : form->cartesian(0);
        QCOMPARE(table->rowCount(), 1);
        QSignalSpy edits(form->coordTable.get(), &COORD_TABLE::CoordTableEditSignal);
        QVERIFY(typeIntoCell(table, 0, column, typed));
        QCOMPARE(edits.count(), 1);
        QCOMPARE(area().Out1Coord, expected);
        const int n = expected.size();
        QCOMPARE(form->cartesian(0)->rowCount(), n + 1);
        QCOMPARE(rowTexts(form->cartesian(0), n), QStringList({QString::number(n + 1), "0", "0"}));
        if (n == 1)
            QCOMPARE(rowTexts(form->cartesian(0), 0),
                     QStringList({"1", QString::number(expected[0].x()), QString::number(expected[0].y())}));
    }

    void secondAppendGoesAfterTheFirst()
    {
        form->showTable(0, false);
        QVERIFY(typeIntoCell(form->cartesian(0), 0, 2, "150"));
        QVERIFY(typeIntoCell(form->cartesian(0), 1, 1, "300"));
        QVERIFY(typeIntoCell(form->cartesian(0), 1, 2, "450"));
        QCOMPARE(area().Out1Coord, points({{0, 150}, {300, 450}}));
        QCOMPARE(rowTexts(form->cartesian(0), 2), QStringList({"3", "0", "0"}));
    }

    void polarEditOfAPointKeepsTheOtherComponent_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("turn to ahead") << QPoint(1000, 0) << 2 << "90" << QPoint(0, 1000);
        QTest::newRow("turn behind") << QPoint(1000, 0) << 2 << "-90" << QPoint(0, -1000);
        QTest::newRow("stretch diagonal") << QPoint(1000, 1000) << 1 << "2000" << QPoint(1414, 1414);
    }
    void polarEditOfAPointKeepsTheOtherComponent()
    {
        QFETCH(QPoint, start);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QPoint, expected);
        setZone(0, Polygon, {start});
        form->showTable(0, true);
        QVERIFY(typeIntoCell(form->polar(0), 0, column, typed));
        QCOMPARE(area().Out1Coord, points({expected}));
        QCOMPARE(rowTexts(form->cartesian(0), 0),
                 QStringList({"1", QString::number(expected.x()), QString::number(expected.y())}));
    }

    void arcKeepsCommonRadiusWhenOneEndMoves()
    {
        setZone(0, Arc, points({{20, 0}, {20, 0}}));
        form->showTable(0, false);
        QVERIFY(typeIntoCell(form->cartesian(0), 1, 1, "0"));
        QVERIFY(typeIntoCell(form->cartesian(0), 1, 2, "3000"));
        QCOMPARE(area().Out1Coord, points({{3000, 0}, {0, 3000}}));

        // A polar radius edit of one end moves the other end along its own bearing.
        form->showTable(0, true);
        QVERIFY(typeIntoCell(form->polar(0), 0, 1, "1500"));
        QCOMPARE(area().Out1Coord, points({{1500, 0}, {0, 1500}}));
        // Turning one end keeps both on one circle; the turned end is truncated toward zero first,
        // so the common radius is that of (1060, -1060).
        QVERIFY(typeIntoCell(form->polar(0), 0, 2, "-45"));
        QCOMPARE(area().Out1Coord, points({{1060, -1060}, {0, 1499}}));
        QCOMPARE(rowTexts(form->polar(0), 0), QStringList({"1", "1499.07", "-45"}));
        QCOMPARE(form->polar(0)->rowCount(), 2);
    }

    void rectangleNeighboursFollowTheEditedCorner_data()
    {
        QTest::addColumn<int>("corner");
        QTest::addColumn<QVector<QPoint>>("expected");
        // Start: P0 (100,100) P1 (100,500) P2 (900,500) P3 (900,100); the corner goes to (800,1200).
        QTest::newRow("corner 0") << 0 << points({{800, 1200}, {800, 500}, {900, 500}, {900, 1200}});
        QTest::newRow("corner 1") << 1 << points({{800, 100}, {800, 1200}, {900, 1200}, {900, 100}});
        QTest::newRow("corner 2") << 2 << points({{100, 100}, {100, 1200}, {800, 1200}, {800, 100}});
        QTest::newRow("corner 3") << 3 << points({{100, 1200}, {100, 500}, {800, 500}, {800, 1200}});
    }
    void rectangleNeighboursFollowTheEditedCorner()
    {
        QFETCH(int, corner);
        QFETCH(QVector<QPoint>, expected);
        setZone(1, Rectangle, points({{100, 100}, {100, 500}, {900, 500}, {900, 100}}));
        form->showTable(1, false);
        QVERIFY(typeIntoCell(form->cartesian(1), corner, 1, "800"));
        QVERIFY(typeIntoCell(form->cartesian(1), corner, 2, "1200"));
        QCOMPARE(area().Out2Coord, expected);
        QCOMPARE(form->cartesian(1)->rowCount(), 4);
    }

    // A new rectangle starts as four equal points; typed corner by corner in the natural order, or
    // starting from the top, it becomes that rectangle, not a collapsed one drawn as a triangle.
    void rectangleTypedCornerByCornerInAnyOrderBecomesThatRectangle_data()
    {
        QTest::addColumn<QVector<QPoint>>("typed");
        QTest::newRow("bottom-left, bottom-right, top-right, top-left")
            << points({{-500, 100}, {500, 100}, {500, 800}, {-500, 800}});
        QTest::newRow("top-left, top-right, bottom-right, bottom-left")
            << points({{-500, 800}, {500, 800}, {500, 100}, {-500, 100}});
        QTest::newRow("bottom-left, top-left, top-right, bottom-right")
            << points({{-500, 100}, {-500, 800}, {500, 800}, {500, 100}});
    }
    void rectangleTypedCornerByCornerInAnyOrderBecomesThatRectangle()
    {
        QFETCH(QVector<QPoint>, typed);
        setZone(0, Rectangle, points({{20, 0}, {20, 0}, {20, 0}, {20, 0}}));
        form->showTable(0, false);
        QSignalSpy advice(form->coordTable.get(), &COORD_TABLE::CellInputRefused);
        for (int corner = 0; corner < 4; ++corner) {
            QVERIFY(typeIntoCell(form->cartesian(0), corner, 1, QString::number(typed[corner].x())));
            QVERIFY(typeIntoCell(form->cartesian(0), corner, 2, QString::number(typed[corner].y())));
        }
        QCOMPARE(area().Out1Coord, typed);
        // Half-typed, the user was told what a rectangle needs; complete, nothing more is said.
        QVERIFY(advice.count() > 0);
        const int told = advice.count();
        // Moving a corner of the finished rectangle takes its neighbours along, whichever way round.
        QVERIFY(typeIntoCell(form->cartesian(0), 0, 1, "-600"));
        QCOMPARE(advice.count(), told);
        const QVector<QPoint> &p = area().Out1Coord;
        QCOMPARE(p[0].x(), -600);
        QCOMPARE(int(std::count_if(p.begin(), p.end(), [](const QPoint &c) { return c.x() == -600; })), 2);
        QCOMPARE(int(std::count_if(p.begin(), p.end(), [](const QPoint &c) { return c.x() == 500; })), 2);
    }

    // Tab in a coordinate table goes from X to Y and on to the next point's X: the point number is
    // a label, never a stop, and cannot be typed into.
    void tabPassesThePointNumberBy()
    {
        setZone(0, Polygon, points({{100, 200}, {300, 400}}));
        form->showTable(0, false);
        QTableWidget *table = form->cartesian(0);
        table->setFocus();
        table->setCurrentCell(0, 1);
        table->editItem(table->item(0, 1));
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor && editor != table);
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(table->currentColumn(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(table->currentRow(), 1);
        QCOMPARE(table->currentColumn(), 1);
        // Nor does it open for typing.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!typeIntoCell(table, 1, 0, "7"));
        QCOMPARE(area().Out1Coord, points({{100, 200}, {300, 400}}));
    }

    void dependentShapeKeepsXAtZero_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("shape");
        QTest::addColumn<bool>("polarPage");
        QTest::newRow("fan out 2, x typed") << 1 << int(Fan) << false;
        QTest::newRow("straight out 3, x typed") << 2 << int(Straight) << false;
        QTest::newRow("fan out 3, turned in polar") << 2 << int(Fan) << true;
    }
    void dependentShapeKeepsXAtZero()
    {
        QFETCH(int, output);
        QFETCH(int, shape);
        QFETCH(bool, polarPage);
        setZone(output, shape, {QPoint(0, 20)});
        form->showTable(output, polarPage);
        if (polarPage)
            QVERIFY(typeIntoCell(form->polar(output), 0, 2, "45"));
        else
            QVERIFY(typeIntoCell(form->cartesian(output), 0, 1, "300"));
        QCOMPARE(area().coord(output).size(), 1);
        QCOMPARE(area().coord(output)[0].x(), 0);
        QCOMPARE(form->cartesian(output)->item(0, 1)->text(), QString("0"));
    }

    void editOfOut2AlsoStraightensOut3AndShowsIt()
    {
        // A dependent Out 3 read from a file with x off the axis is put back on it by any
        // Out 2 edit, and its own tables show that.
        area().Out3Shape = Fan;
        area().Out3Coord = points({{55, 700}});
        setZone(1, Polygon, {QPoint(10, 10)});
        form->showTable(1, false);
        QVERIFY(typeIntoCell(form->cartesian(1), 0, 1, "20"));
        QCOMPARE(area().Out3Coord, points({{0, 700}}));
        QCOMPARE(rowTexts(form->cartesian(2), 0), QStringList({"1", "0", "700"}));
        QCOMPARE(rowTexts(form->polar(2), 0), QStringList({"1", "700", "90"}));
    }

    void deleteKey_data()
    {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("shape");
        QTest::addColumn<QVector<QPoint>>("start");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<bool>("polarPage");
        QTest::addColumn<QVector<QPoint>>("expected");
        QTest::addColumn<int>("emitted");
        const QVector<QPoint> three = points({{1, 1}, {2, 2}, {3, 3}});
        QTest::newRow("middle vertex")
            << 0 << int(Polygon) << three << 1 << false << points({{1, 1}, {3, 3}}) << 1;
        QTest::newRow("from polar table")
            << 2 << int(Polygon) << three << 0 << true << points({{2, 2}, {3, 3}}) << 1;
        QTest::newRow("append row") << 0 << int(Polygon) << three << 3 << false << three << 0;
        QTest::newRow("rectangle") << 0 << int(Rectangle) << points({{1, 1}, {1, 2}, {2, 2}, {2, 1}}) << 0
                                   << false << points({{1, 1}, {1, 2}, {2, 2}, {2, 1}}) << 0;
        QTest::newRow("arc") << 1 << int(Arc) << points({{5, 0}, {0, 5}}) << 1 << true
                             << points({{5, 0}, {0, 5}}) << 0;
        QTest::newRow("empty out 1") << 0 << int(Polygon) << QVector<QPoint>() << -1 << false
                                     << QVector<QPoint>() << 0;
        QTest::newRow("empty out 2 refreshes only")
            << 1 << int(Polygon) << QVector<QPoint>() << -1 << false << QVector<QPoint>() << 1;
        QTest::newRow("no current row") << 0 << int(Polygon) << three << -1 << false << three << 1;
    }
    void deleteKey()
    {
        QFETCH(int, output);
        QFETCH(int, shape);
        QFETCH(QVector<QPoint>, start);
        QFETCH(int, currentRow);
        QFETCH(bool, polarPage);
        QFETCH(QVector<QPoint>, expected);
        QFETCH(int, emitted);
        setZone(output, shape, start);
        form->showTable(output, polarPage);
        QTableWidget *table = polarPage ? form->polar(output) : form->cartesian(output);
        if (currentRow >= 0)
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualItemRect(table->item(currentRow, 1)).center());
        else
            table->setCurrentItem(nullptr);
        QCOMPARE(table->currentRow(), currentRow);
        QSignalSpy edits(form->coordTable.get(), &COORD_TABLE::CoordTableEditSignal);
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(area().coord(output), expected);
        QCOMPARE(edits.count(), emitted);
        const int rows = expected.size() + (shape == Polygon ? 1 : 0);
        QCOMPARE(table->rowCount(), rows);
    }

    void keysNeitherEditNorNavigate()
    {
        setZone(0, Polygon, points({{1, 1}, {2, 2}}));
        form->showTable(0, false);
        QTableWidget *table = form->cartesian(0);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualItemRect(table->item(0, 1)).center());
        QSignalSpy edits(form->coordTable.get(), &COORD_TABLE::CoordTableEditSignal);
        QTest::keyClicks(table, "5");
        QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_F2);
        QCOMPARE(table->currentRow(), 0);
        for (QLineEdit *editor : table->viewport()->findChildren<QLineEdit *>())
            QVERIFY(!editor->isVisible());
        QCOMPARE(edits.count(), 0);
        QCOMPARE(area().Out1Coord, points({{1, 1}, {2, 2}}));
    }

    void editsGoToTheShownAreaOnly()
    {
        ProjectData().CurrentArea = 70; // clamped to the last area
        form->coordTable->CoordTableWidgeUpdate();
        QCOMPARE(ProjectData().CurrentArea, 63);
        form->showTable(0, false);
        QVERIFY(typeIntoCell(form->cartesian(0), 0, 1, "42"));
        QCOMPARE(ProjectData().Areas[63].Out1Coord, points({{42, 0}}));
        QVERIFY(ProjectData().Areas[0].Out1Coord.isEmpty());
    }
};

QTEST_MAIN(TestCoordTable)
#include "moc_tst_area_table_harness.cpp"
#include "tst_coord_table.moc"
