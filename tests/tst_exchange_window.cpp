// The window against the stand-in over TCP: a read-all started while the live scan streams into the
// open data table ends with exactly one message that tells the truth; every write-all, verified or cut
// short, leaves its line in the write log beside the project file.
#include "app/mainwindow.h"
#include "area/store/project_data.h"
#include "comm/codec/codec.h"
#include "comm/serial_comm.h"
#include "comm/write_log.h"
#include "exchange/link.h"
#include "tst_transport_sim.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>

#include <QtTest>

#include <memory>

namespace {
const char *const kAddress = "127.0.11.1";

QStringList logLines(const QString &path)
{
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

class TestExchangeWindow : public QObject {
    Q_OBJECT

    StandIn sim;
    PromptRecorder recorder;
    std::unique_ptr<MainWindow> window;

    Ui::MainWindow *ui() const { return window->form(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        ScanData() = SCAN_DATA();
        recorder.install();
        window = std::make_unique<MainWindow>();
        window->LanguageToEnglish();
        window->show();
    }

    void cleanupTestCase()
    {
        if (window && ui()->DisConnection->isEnabled())
            window->CloseSerialPort();
        window.reset();
        sim.stop();
        PromptRecorder::uninstall();
    }

    void readAllWhileStreamingToTheDataTableEndsWithOneMessage()
    {
        QVERIFY2(sim.start({"--address", kAddress, "--rate", "10"}), qPrintable(sim.error));
        window->OpenMonitoringMode();
        ui()->Distance->setChecked(true);
        ui()->DataTable->trigger();
        QVERIFY(ui()->DataTableDock->isVisible());

        int revolutions = 0;
        QObject probe;
        connect(window->serialComm(), &SERIAL_COMM::ReceiveScanfData, &probe, [&] {
            ++revolutions;
            // A slower machine than this one fills the table more slowly still: the stream piles
            // up in the socket between two deliveries.
            QThread::msleep(150);
        });

        window->ConnectChangeEthernetModeSlot();
        window->CreatEthernetPort(QString::fromLatin1(kAddress));
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);
        SERIAL_COMM *comm = window->serialComm();
        // The connect's own read-all first.
        QTRY_VERIFY_WITH_TIMEOUT(comm->Engine()->RunningSequence() == SERIAL_COMM::Sequence::None &&
                                     !recorder.prompts.isEmpty(),
                                 30000);
        // The finest resolution: 12,800 points a revolution, more than 50,000 bytes each.
        ui()->Set_ScanSensorAngle->setCurrentIndex(0);
        QTest::keyClick(ui()->ScanGroupBox, Qt::Key_Space);
        QVERIFY(window->sensorControl()->Enable);
        QTRY_VERIFY_WITH_TIMEOUT(ScanData().EtherCount == 12800, 10000);

        for (int run = 0; run < 5; ++run) {
            // Monitoring is under way again before each read-all.
            const int before = revolutions;
            QTRY_VERIFY_WITH_TIMEOUT(revolutions >= before + 3, 10000);
            recorder.prompts.clear();
            // Started while a status poll awaits its answer, as a click lands at any moment.
            bool started = false;
            int sentAreas = 0;
            QObject once;
            connect(comm, &SERIAL_COMM::FrameSent, &once, [&](const QByteArray &frame) {
                sentAreas += frame.startsWith("RArea");
                if (!started && frame.startsWith("WSimu")) {
                    started = true;
                    ui()->ReadAllSetting->trigger();
                }
            });
            QTRY_VERIFY_WITH_TIMEOUT(started, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(comm->Engine()->RunningSequence() == SERIAL_COMM::Sequence::None, 60000);
            QCOMPARE(sentAreas, 64); // no reply was lost and asked for again
            // One message, posted once the handler has returned: the read-all is complete.
            QTRY_VERIFY_WITH_TIMEOUT(!recorder.prompts.isEmpty(), 5000);
            QCOMPARE(recorder.prompts.size(), 1);
            QCOMPARE(recorder.prompts[0].text, QStringLiteral("Parameters Read OK!"));
        }
    }

    // Runs after the read-all test, on its connection.
    void verifiedWriteIsLoggedBesideTheProjectOrInAppDataWhenNeverSaved()
    {
        QCOMPARE(window->link()->kind(), Link::Kind::Tcp);
        const QString written = QStringLiteral("Parameters written. They take effect after a restart.");
        auto writeAll = [&] {
            const int before = recorder.count(written);
            ui()->WriteAllSetting->trigger();
            QTRY_COMPARE_WITH_TIMEOUT(recorder.count(written), before + 1, 30000);
        };

        // Never saved: the log goes to the application's data folder, and the status bar says so.
        QVERIFY(window->projectFileName().isEmpty());
        const QString fallback = writeLogPath(QString());
        QVERIFY(fallback.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
        const int fallbackLines = logLines(fallback).size();
        writeAll();
        QCOMPARE(logLines(fallback).size(), fallbackLines + 1);
        QVERIFY(logLines(fallback).last().contains(QLatin1String("(unsaved project)")));
        QVERIFY(logLines(fallback).last().endsWith(
            QLatin1String("Verified: 64 areas, case channels and 25 parameters match")));
        QString shown = window->statusBar()->currentMessage();
        QVERIFY2(shown.contains(QLatin1String("never saved")) && shown.contains(fallback), qPrintable(shown));

        // Saved: the log lies beside the project file and names it.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Dialogs::setFileResponder([&](const Dialogs::FilePrompt &) { return dir.filePath("hall 3"); });
        QVERIFY(window->saveProjectAs());
        Dialogs::setFileResponder({});
        const QString project = window->projectFileName();
        QVERIFY(project.startsWith(dir.filePath("hall 3")));
        writeAll();
        const QStringList beside = logLines(dir.filePath(QString::fromLatin1(kWriteLogName)));
        QCOMPARE(beside.size(), 1);
        QVERIFY2(beside[0].split(QLatin1Char('\t')).contains(project), qPrintable(beside[0]));
        QCOMPARE(logLines(fallback).size(), fallbackLines + 1);
        shown = window->statusBar()->currentMessage();
        QVERIFY2(!shown.contains(QLatin1String("never saved")) && shown.contains(dir.path()),
                 qPrintable(shown));

        // A write cut short is logged as well, with what it wrote and what it did not.
        SERIAL_COMM *comm = window->serialComm();
        QObject probe;
        connect(comm->Engine(), &ExchangeEngine::SequenceProgress, &probe,
                [comm](ExchangeEngine::Sequence sequence, int done, int) {
                    if (sequence == ExchangeEngine::Sequence::WriteAll && done == 5)
                        comm->CancelSequence();
                });
        ui()->WriteAllSetting->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(logLines(dir.filePath(QString::fromLatin1(kWriteLogName))).size(), 2,
                                  30000);
        const QString cut = logLines(dir.filePath(QString::fromLatin1(kWriteLogName))).last();
        QVERIFY2(
            cut.contains(QLatin1String("Cancelled.")) &&
                cut.endsWith(QStringLiteral("areas 0–4 written; areas 5–63, case channels and parameters "
                                            "not written")),
            qPrintable(cut));
    }
};

QTEST_MAIN(TestExchangeWindow)
#include "tst_exchange_window.moc"
