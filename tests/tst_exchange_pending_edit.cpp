// A value still being typed (a coordinate cell, a case channel spin box) is part of the design that
// connecting, Write All and Verify act on: against the stand-in over TCP on loopback.
#include "ui_mainwindow.h" // generated form; included here so the build generates it for this test

#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "comm/codec/requests.h"
#include "comm/serial_comm.h"
#include "sim_process.h"

#include <QSettings>
#include <QTcpSocket>
#include <QtTest>

namespace {
const QString kAddress = QStringLiteral("127.0.13.1");
} // namespace

class TestExchangePendingEdit : public QObject {
    Q_OBJECT

    // Opens a cell's editor and types into it, without Enter: the value is still being typed.
    static void startTyping(QTableWidget *t, int row, int column, const QString &text)
    {
        t->scrollToItem(t->item(row, column));
        const QPoint at = t->visualItemRect(t->item(row, column)).center();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor && editor != t);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
    }

    static QVector<ParsedRequest> requests(const QList<QByteArray> &frames, FrameCode code)
    {
        QVector<ParsedRequest> found;
        for (QByteArray bytes : frames) {
            ParsedRequest r;
            if (extractRequest(bytes, r) == RequestExtract::Taken && r.code == code)
                found << r;
        }
        return found;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void typedValuesReachConnectWriteAllAndVerify()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData() = SCAN_DATA();
        QStringList asked;
        Dialogs::setResponder([&](const Dialogs::Prompt &p) {
            asked << p.text;
            if (p.text.contains(QLatin1String("What should connecting do")))
                return 1; // keep the project
            if (p.text.contains(QLatin1String("Restart the sensor now?")))
                return 1; // never restart the stand-in
            return 0;
        });
        SimProcess sim;
        // A slow stream: every revolution fills the data table, which a sanitized build on a busy machine
        // cannot do at the full rate and still write and verify in time.
        QVERIFY2(sim.start({"--address", kAddress, "--rate", "2"}), qPrintable(sim.error));

        MainWindow w;
        w.LanguageToEnglish();
        w.resize(1366, 768);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Ui::MainWindow *ui = w.form();
        QList<QByteArray> sent;
        connect(w.serialComm(), &SERIAL_COMM::FrameSent, &w, [&](const QByteArray &f) { sent << f; });

        // A fresh project with a point being typed is a design of its own: connecting asks before
        // replacing it, and keeping it keeps the typed point.
        startTyping(ui->CoordTableWidgetOut1, 0, 2, "4200");
        w.ConnectChangeEthernetModeSlot();
        w.CreatEthernetPort(kAddress);
        QTRY_VERIFY_WITH_TIMEOUT(w.connectionState() == ConnectionStatus::State::Connected, 10000);
        QVERIFY(asked.filter("What should connecting do").size() == 1);
        QTRY_VERIFY_WITH_TIMEOUT(!requests(sent, FrameCode::RPara).isEmpty(), 10000);
        QVERIFY(requests(sent, FrameCode::RArea).isEmpty());
        QCOMPARE(ProjectData().Areas[0].Out1Coord, (QVector<QPoint>{{0, 4200}}));

        // Write All sends the coordinate still being typed.
        startTyping(ui->CoordTableWidgetOut1, 0, 1, "-300");
        sent.clear();
        QSignalSpy verified(w.serialComm(), &SERIAL_COMM::VerifyFinished);
        ui->WriteAllSetting->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(verified.count(), 1, 30000);
        const QVector<ParsedRequest> areas = requests(sent, FrameCode::WArea);
        QVERIFY(!areas.isEmpty() && areas.first().areaIndex == 0);
        QCOMPARE(areas.first().area.Out1Coord, (QVector<QPoint>{{-300, 4200}}));
        QVERIFY(verified.first().at(1).toBool()); // read back as written

        // Verify compares the steering minimum being typed, not the one before it: a mismatch now.
        w.activateWindow(); // back from the write's progress window
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ui->ParametersEditTab->setCurrentIndex(1);
        ui->SteerMinDgree->setFocus();
        ui->SteerMinDgree->selectAll();
        QTest::keyClicks(ui->SteerMinDgree, "-45");
        verified.clear();
        w.findChild<QAction *>("VerifySetting")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(verified.count(), 1, 30000);
        QCOMPARE(ProjectData().Areas[0].SteerMinDgree, -45);
        QVERIFY(!verified.first().at(1).toBool());
        QVERIFY2(verified.first().at(3).toString().startsWith("Verify found differences"),
                 qPrintable(verified.first().at(3).toString()));
        QVERIFY(asked.filter("Sensor Reboot Complete").isEmpty()); // the stand-in was never restarted

        w.CloseSerialPort();
        Dialogs::setResponder({});
    }
};

QTEST_MAIN(TestExchangePendingEdit)
#include "tst_exchange_pending_edit.moc"
