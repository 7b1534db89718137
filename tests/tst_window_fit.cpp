// The main window on the most common laptop screen, 1366 x 768: maximised with every dock shown it
// stays on the screen, nothing in it is squeezed below what its contents need, the status row and
// the status bar show their texts whole, a layout saved on a larger screen is fitted, and F fits
// the view to what matters.
#include "app/mainwindow.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "editor/option_scene.h"
#include "editor/viewwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QToolBar>
#include <QtTest>

namespace {

// A maximised window on a 1366 x 768 screen, below a title bar and above a panel.
const QRect kLaptop(0, 0, 1366, 768 - 30 - 28);

QList<QDockWidget *> allDocks(Ui::MainWindow *ui)
{
    return {ui->EditionControlDock, ui->SensorSettingDock, ui->DataTableDock, ui->IOSimulationDock,
            ui->SelfCheckDock};
}

bool inside(const QWidget *w, const QWidget *window)
{
    const QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    return window->rect().contains(r);
}

// A label shows its whole text: word-wrapped labels are given the height of their text, the others
// the width.
bool showsWholeText(const QLabel *label)
{
    const QRect room = label->contentsRect();
    if (label->wordWrap()) {
        // A word longer than the line is cut, not wrapped.
        for (const QString &word : label->text().split(QRegularExpression(QStringLiteral("\\s+"))))
            if (label->fontMetrics().horizontalAdvance(word) > room.width())
                return false;
        return label->heightForWidth(room.width()) <= label->height();
    }
    return label->fontMetrics().horizontalAdvance(label->text()) <= room.width();
}

} // namespace

class TestWindowFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
    }

    void maximisedWithEveryDockFitsALaptopScreen_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("English") << true;
        QTest::newRow("Chinese") << false;
    }

    void maximisedWithEveryDockFitsALaptopScreen()
    {
        QFETCH(bool, english);
        MainWindow w;
        english ? w.LanguageToEnglish() : w.LanguageToChinese();
        Ui::MainWindow *ui = w.form();
        w.setGeometry(kLaptop);
        w.show();
        for (QDockWidget *dock : allDocks(ui))
            dock->show();
        // The longest texts the status row and the status bar show in everyday use.
        w.DirChange(true);
        w.IOPortDisplayer(63, 7, 1u << 5); // the longest single fault name
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();

        QVERIFY2(w.minimumSizeHint().width() <= kLaptop.width(),
                 qPrintable(QString("needs %1 px").arg(w.minimumSizeHint().width())));
        QVERIFY2(w.minimumSizeHint().height() <= kLaptop.height(),
                 qPrintable(QString("needs %1 px").arg(w.minimumSizeHint().height())));
        QCOMPARE(w.size(), kLaptop.size());

        // Each dock, brought to the front of its tab group as its action does, is on the screen and
        // has the room its contents need.
        for (QDockWidget *dock : allDocks(ui)) {
            dock->raise();
            QCoreApplication::processEvents();
            QVERIFY2(inside(dock, &w), qPrintable(dock->objectName()));
            QVERIFY2(dock->width() >= dock->minimumSizeHint().width(), qPrintable(dock->objectName()));
            QVERIFY2(dock->height() >= dock->minimumSizeHint().height(), qPrintable(dock->objectName()));
        }
        QCOMPARE(w.size(), kLaptop.size());

        // The docks sharing a column show every tab's title whole, with no tab scrolled out of sight.
        int dockTabBars = 0;
        for (QTabBar *tabs : w.findChildren<QTabBar *>()) {
            if (tabs->parentWidget() != &w || !tabs->isVisible())
                continue;
            ++dockTabBars;
            for (int i = 0; i < tabs->count(); ++i) {
                const QRect tab = tabs->tabRect(i);
                QVERIFY2(tabs->rect().contains(tab), qPrintable(tabs->tabText(i)));
                const int along = tabs->shape() == QTabBar::RoundedEast ? tab.height() : tab.width();
                QVERIFY2(along >= tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)),
                         qPrintable(tabs->tabText(i)));
            }
        }
        QVERIFY(dockTabBars > 0);

        // Every tool of the Edition Controls shows, none hidden behind the toolbar's extension.
        ui->EditionControlDock->raise();
        QCoreApplication::processEvents();
        auto *editTools = w.findChild<QToolBar *>(QStringLiteral("EditionToolBar"));
        QVERIFY(editTools);
        for (QAction *a : editTools->actions())
            QVERIFY2(editTools->widgetForAction(a) && editTools->widgetForAction(a)->isVisible(),
                     qPrintable(a->objectName()));

        // The Teaching pane scrolls down only: its boxes fit the dock's width.
        ui->EditionControlDock->raise();
        ui->TableCoordinatesOut1->setCurrentIndex(1);
        QCoreApplication::processEvents();
        QScrollArea *teaching = ui->TeachingScrollAreaOut1;
        QVERIFY2(teaching->widget()->minimumSizeHint().width() <= teaching->viewport()->width(),
                 qPrintable(QString("contents need %1 px, the pane has %2 px")
                                .arg(teaching->widget()->minimumSizeHint().width())
                                .arg(teaching->viewport()->width())));
        QVERIFY(!teaching->horizontalScrollBar()->isVisible());
        // Headings of the coordinate tables and the Data Table read whole; the coordinate tables also
        // need no sideways scrolling (the Data Table may, in the test's larger font).
        const auto headingsWhole = [](QTableWidget *table) {
            QCoreApplication::processEvents();
            const QFontMetrics metrics(table->horizontalHeader()->font());
            for (int c = 0; c < table->columnCount(); ++c) {
                const QString text = table->horizontalHeaderItem(c)->text();
                if (metrics.horizontalAdvance(text) + 6 > table->columnWidth(c))
                    return text + QString(": %1 px").arg(table->columnWidth(c));
            }
            return QString();
        };
        ui->TableCoordinatesOut1->setCurrentIndex(0);
        for (QTableWidget *table : {ui->CoordTableWidgetOut1, ui->PolarTableWidgeOut1}) {
            ui->CoordinatesTypeOut1->setCurrentIndex(table == ui->PolarTableWidgeOut1);
            QCOMPARE(headingsWhole(table), QString());
            QCOMPARE(table->horizontalScrollBar()->maximum(), 0);
        }
        ui->DataTableDock->raise();
        QCOMPARE(headingsWhole(ui->DataTableWidget), QString());
        ui->EditionControlDock->raise();
        ui->CoordinatesTypeOut1->setCurrentIndex(0);
        ui->TableCoordinatesOut1->setCurrentIndex(1);
        QCoreApplication::processEvents();
        QDir().mkpath(VELTRIN_TEST_OUTPUT);
        w.grab().save(
            QStringLiteral(VELTRIN_TEST_OUTPUT "/laptop_teaching_%1.png").arg(english ? "en" : "zh"));
        QVERIFY(inside(w.statusBar(), &w));
        QVERIFY(inside(ui->graphicsView, &w));
        QVERIFY(ui->graphicsView->width() >= 300);

        for (QLabel *label : {ui->label_dir, ui->label_dirValue, ui->label_Status, ui->label_StatusValue,
                              ui->label_Inputs, ui->label_Outputs}) {
            QVERIFY2(inside(label, &w), qPrintable(label->objectName()));
            QVERIFY2(showsWholeText(label), qPrintable(label->objectName() + ": " + label->text()));
        }
        for (QLabel *label : w.statusBar()->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            QVERIFY2(inside(label, &w), qPrintable(label->text()));
            QVERIFY2(showsWholeText(label), qPrintable(label->text()));
        }
    }

    // F fits the displayed area's zones into the view with a margin; with no zone, the scan.
    void zoomToFitShowsTheZonesOrTheScan()
    {
        MainWindow w;
        w.LanguageToEnglish();
        w.setGeometry(kLaptop);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ViewWindow *view = w.form()->graphicsView;
        const QRect room = view->viewport()->rect();
        auto shown = [view](const QRectF &scene) { return view->mapFromScene(scene).boundingRect(); };

        PROJECT_DATA &p = ProjectData();
        p.CurrentArea = 3;
        p.Areas[3].Out1Shape = Polygon;
        p.Areas[3].Out1Coord = {QPoint(8000, 9000), QPoint(12000, 9000), QPoint(12000, 12000)};
        const int before = view->zoomLevel();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(view, Qt::Key_F);
        QVERIFY(view->zoomLevel() > before);
        QCOMPARE(w.form()->ZoomSlider->value(), view->zoomLevel());
        const QRect zone = shown(QRectF(QPointF(0, -12000), QPointF(12000, 0))); // swept from the sensor
        QVERIFY2(
            room.contains(zone),
            qPrintable(
                QString("%1 %2 %3 %4").arg(zone.x()).arg(zone.y()).arg(zone.width()).arg(zone.height())));
        QVERIFY(zone.width() > room.width() / 3 || zone.height() > room.height() / 3); // filling, not lost

        // No zone: the scan's reach.
        p.Areas[3] = AREA_DATA();
        ScanData().ConnectType = 0;
        std::fill(std::begin(ScanData().SerialDistance), std::end(ScanData().SerialDistance), quint16(3000));
        w.optionScene()->setOutlineVisible(true);
        w.ZoomToFitSlot();
        const QRect scan = shown(QRectF(-3000, -3000, 6000, 6000));
        QVERIFY(room.contains(scan));
        QVERIFY(scan.height() > room.height() / 2);
        w.optionScene()->setOutlineVisible(false);
        p.resetToStartup();
    }

    // A layout saved on a larger screen, with the right-hand docks side by side, is fitted to the
    // screen the window opens on: its size, its position and the docks.
    void savedLayoutWiderThanTheScreenIsFitted()
    {
        {
            MainWindow big;
            big.show();
            Ui::MainWindow *ui = big.form();
            for (QDockWidget *dock : allDocks(ui))
                dock->show();
            big.splitDockWidget(ui->SensorSettingDock, ui->IOSimulationDock, Qt::Horizontal);
            big.splitDockWidget(ui->IOSimulationDock, ui->SelfCheckDock, Qt::Horizontal);
            big.setGeometry(QRect(QPoint(400, 300), kLaptop.size() * 2));
            QCoreApplication::processEvents();
            QVERIFY(big.minimumSizeHint().width() > kLaptop.width());
            big.close(); // writes the layout
        }
        MainWindow w;
        // Fitted already to the screen it opened on, as far as its contents allow.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(w.width() <= qMax(screen.width(), w.minimumSizeHint().width()));

        w.fitToScreen(kLaptop);
        w.show();
        Ui::MainWindow *ui = w.form();
        for (QDockWidget *dock : allDocks(ui))
            dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        QVERIFY2(w.minimumSizeHint().width() <= kLaptop.width(),
                 qPrintable(QString("needs %1 px").arg(w.minimumSizeHint().width())));
        QVERIFY2(
            kLaptop.contains(w.geometry()),
            qPrintable(QString("%1 x %2 at %3, %4").arg(w.width()).arg(w.height()).arg(w.x()).arg(w.y())));
        for (QDockWidget *dock : allDocks(ui)) {
            dock->raise();
            QCoreApplication::processEvents();
            QVERIFY2(inside(dock, &w), qPrintable(dock->objectName()));
        }
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_window_fit.moc"
