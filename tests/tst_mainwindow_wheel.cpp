// The mouse wheel over the window's scrolling panes scrolls them: a combo box or spin box under a
// resting pointer keeps its value unless the user has clicked or tabbed into it.
#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

namespace {

// One notch down, delivered as the window system delivers it, so it travels up to the parents.
void wheelNotch(QWidget *target)
{
    const QPointF at = QRectF(target->rect()).center();
    QWheelEvent wheel(at, QPointF(target->mapToGlobal(at.toPoint())), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QCoreApplication::instance()->notify(target, &wheel);
}

} // namespace

class TestMainWindowWheel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        Dialogs::setResponder([](const Dialogs::Prompt &) { return 0; });
    }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
    }

    void wheelScrollsThePaneAndChangesOnlyAFocusedBox_data()
    {
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("box");
        QTest::newRow("Sensor Setting, CAN baud rate") << "SensorScrollArea"
                                                       << "Para_CANBaudRate";
        QTest::newRow("Teaching, method") << "TeachingScrollAreaOut1"
                                          << "MethodOut1";
        QTest::newRow("IO Simulation, steering") << "IOSimulationScrollArea"
                                                 << "SimDgreeSpinBox";
    }
    void wheelScrollsThePaneAndChangesOnlyAFocusedBox()
    {
        QFETCH(QString, pane);
        QFETCH(QString, box);
        MainWindow w;
        Ui::MainWindow *ui = w.form();
        ui->IOSimulationDock->show();
        ui->TableCoordinatesOut1->setCurrentIndex(1); // the Teaching page
        w.resize(900, 420);                           // small enough that every pane scrolls
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *area = w.findChild<QScrollArea *>(pane);
        auto *target = w.findChild<QWidget *>(box);
        QVERIFY(area && target);
        area->widget()->setEnabled(true);
        target->setEnabled(true);
        QScrollBar *bar = area->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(0);
        area->ensureWidgetVisible(target);
        const int scrolled = bar->value();
        QVERIFY(scrolled < bar->maximum());
        auto value = [target] {
            if (auto *combo = qobject_cast<QComboBox *>(target))
                return combo->currentIndex();
            return qobject_cast<QSpinBox *>(target)->value();
        };
        const int before = value();

        wheelNotch(target);
        QCOMPARE(value(), before);
        QVERIFY(!target->hasFocus());
        QVERIFY(bar->value() > scrolled);

        // Clicked or tabbed into, the box takes the wheel.
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        wheelNotch(target);
        QVERIFY(value() != before);
    }
};

QTEST_MAIN(TestMainWindowWheel)
#include "tst_mainwindow_wheel.moc"
