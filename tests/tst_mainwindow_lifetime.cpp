// A main window takes everything it made with it: no dialog, discovery socket or timer outlives it
// (in the program and in every test that builds a window).
#include "app/mainwindow.h"

#include "comm/serial_comm.h"
#include <QApplication>
#include <QSerialPort>
#include <QStandardPaths>

#include <QtTest>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

class TestMainWindowLifetime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void closedWindowLeavesNoWindowNorSocketBehind()
    {
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        {
            MainWindow w;
            w.show();
            w.showStartDialog();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(QApplication::topLevelWidgets().size() >= 2); // the window and its dialogs
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList left;
        for (QWidget *w : QApplication::topLevelWidgets())
            left << QString::fromLatin1(w->metaObject()->className());
        QVERIFY2(left.isEmpty(), qPrintable(left.join(", ")));
    }

    // The serial port the window opened is closed when the window goes: the line's other end sees
    // the hang-up.
    void closedWindowClosesItsSerialPort()
    {
        int master = -1, slave = -1;
        char name[128] = {};
        QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        {
            MainWindow w;
            QVERIFY(w.serialComm()->Engine()->openSerial(QString::fromLocal8Bit(name), 115200));
        }
        pollfd p{master, POLLIN, 0};
        QVERIFY(::poll(&p, 1, 0) >= 0);
        const bool hungUp = (p.revents & POLLHUP) != 0;
        ::close(master);
        QVERIFY(hungUp);
    }
};

QTEST_MAIN(TestMainWindowLifetime)
#include "tst_mainwindow_lifetime.moc"
