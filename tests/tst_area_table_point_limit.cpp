// A zone never grows past the 100 points the sensor holds: in the whole main window, the append row
// of the coordinate tables and the spare handle of the polar view refuse a 101st point and say why in
// the status bar, in the language shown.
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "editor/option_scene.h"
#include "editor/viewwindow.h"
#include "tst_area_table_harness.h"

#include <QApplication>
#include <QGraphicsItem>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>

class TestZonePointLimit : public QObject {
    Q_OBJECT

    static void clickRow(MainWindow &w, int row)
    {
        QTableWidget *list = w.form()->AreaTableWidget;
        QTableWidgetItem *item = list->item(row, 0);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    // Area 0's first zone with n points on a line away from the sensor, shown in the editors.
    static void showZoneOf(MainWindow &w, int n)
    {
        QVector<QPoint> line;
        for (int i = 0; i < n; ++i)
            line << QPoint(-5000 + 100 * i, 3000);
        ProjectData().Areas[0].Out1Coord = line;
        clickRow(w, 1);
        clickRow(w, 0);
    }

    static void sendMouse(QWidget *viewport, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                          Qt::MouseButtons buttons)
    {
        QMouseEvent ev(type, pos, viewport->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &ev);
    }

    // Drags the spare handle off the sensor with the mouse, by a pixel offset.
    static void dragSpare(MainWindow &w, QPoint byPixels)
    {
        ViewWindow *view = w.form()->graphicsView;
        QWidget *viewport = view->viewport();
        const QPoint start = view->mapFromScene(QPointF(0, 0));
        sendMouse(viewport, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, start + byPixels / 2, Qt::NoButton, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseMove, start + byPixels, Qt::NoButton, Qt::LeftButton);
        sendMouse(viewport, QEvent::MouseButtonRelease, start + byPixels, Qt::LeftButton, Qt::NoButton);
    }

    // The handle on the sensor, when there is one.
    static QGraphicsItem *spareOf(MainWindow &w)
    {
        for (QGraphicsItem *h : w.optionScene()->handles())
            if (h->pos() == QPointF(0, 0))
                return h;
        return nullptr;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 1; });
    }
    void cleanup() { Dialogs::setResponder({}); }

    void hundredthPointIsTakenAndTheNextIsRefusedWithAMessage()
    {
        MainWindow w;
        w.LanguageToEnglish();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QVector<QPoint> &zone = ProjectData().Areas[0].Out1Coord;
        const QString full = QStringLiteral("A zone holds at most 100 points; this one is full.");

        // The 100th point is still welcome, from the table and from the spare handle alike.
        showZoneOf(w, 99);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 99, 2, "4000"));
        QCOMPARE(zone.size(), 100);
        QCOMPARE(zone.last(), QPoint(0, 4000));
        showZoneOf(w, 99);
        QVERIFY(spareOf(w));
        dragSpare(w, QPoint(40, -30));
        QCOMPARE(zone.size(), 100);
        QVERIFY(zone.last() != QPoint(0, 0) && zone.last().y() > 0);
        QVERIFY(w.statusBar()->currentMessage() != full);

        // A full zone: the append row of both tables refuses, the value leaves the cell.
        const QVector<QPoint> before = zone;
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), 101);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 100, 1, "2500"));
        QCOMPARE(zone, before);
        QCOMPARE(w.statusBar()->currentMessage(), full);
        QCOMPARE(ui->CoordTableWidgetOut1->rowCount(), 101);
        QVERIFY(!ui->CoordTableWidgetOut1->item(100, 1) ||
                ui->CoordTableWidgetOut1->item(100, 1)->text() != QLatin1String("2500"));
        w.statusBar()->clearMessage();
        auto *views = qobject_cast<QTabWidget *>(ui->TabPolarOut1->parentWidget()->parentWidget());
        QVERIFY(views);
        views->setCurrentWidget(ui->TabPolarOut1);
        QVERIFY(typeIntoCell(ui->PolarTableWidgeOut1, 100, 1, "3000"));
        QCOMPARE(zone, before);
        QCOMPARE(w.statusBar()->currentMessage(), full);

        // The spare handle goes back to the sensor; nothing is stored, in either language.
        w.LanguageToChinese();
        w.statusBar()->clearMessage();
        QVERIFY(spareOf(w));
        dragSpare(w, QPoint(-40, -30));
        QCOMPARE(zone, before);
        QVERIFY(spareOf(w)); // back on the sensor
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("一个检测区最多100个点，此检测区已满。"));
        // An edit of a point the zone has is still taken.
        views->setCurrentIndex(0);
        QVERIFY(typeIntoCell(ui->CoordTableWidgetOut1, 0, 1, "-4900"));
        QCOMPARE(zone.first(), QPoint(-4900, 3000));
        QCOMPARE(zone.size(), 100);
    }
};

QTEST_MAIN(TestZonePointLimit)
#include "tst_area_table_point_limit.moc"
