// Write All and Soft Reboot change the sensor: through the window, connected to the stand-in, each
// asks first, names the sensor by its address and, once known, its serial number, and sends nothing
// when the answer is Cancel.
#include "app/mainwindow.h"
#include "area/store/project_data.h"
#include "comm/codec/scan_data.h"
#include "comm/serial_comm.h"
#include "exchange_helpers.h"
#include "tst_transport_sim.h"
#include "ui_mainwindow.h"

#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

namespace {
const char kAddress[] = "127.0.14.1";
} // namespace

class TestTransportConfirm : public QObject {
    Q_OBJECT

    QList<Dialogs::Prompt> prompts;
    int confirmAnswer = 1; // the button for the two confirmations; every other box gets 0

    const Dialogs::Prompt *lastTitled(const QString &title) const
    {
        for (int i = prompts.size() - 1; i >= 0; --i)
            if (prompts[i].title == title)
                return &prompts[i];
        return nullptr;
    }
    int countTitled(const QString &title) const
    {
        int n = 0;
        for (const Dialogs::Prompt &p : prompts)
            n += p.title == title;
        return n;
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings("Trevalor", "Parameters").clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            const QStringList confirmations{"Write All Setting", "Soft Reboot", QString::fromUtf8("下载数据"),
                                            QString::fromUtf8("重启设备")};
            if (confirmations.contains(p.title))
                return confirmAnswer;
            return p.text.contains(QLatin1String("Restart the sensor now?")) ||
                           p.text.contains(QString::fromUtf8("是否现在重启传感器"))
                       ? 1
                       : 0;
        });
    }
    void cleanupTestCase() { Dialogs::setResponder({}); }

    void writeAllAndRebootAskFirstNamingTheSensor()
    {
        StandIn sim;
        QVERIFY2(sim.start({"--address", kAddress}), qPrintable(sim.error));
        ScanData().EtherMode = 0;
        MainWindow window;
        window.LanguageToEnglish();
        window.show();
        Ui::MainWindow *ui = window.form();
        QSignalSpy sent(window.serialComm(), &SERIAL_COMM::FrameSent);
        window.CreatEthernetPort(QString::fromLatin1(kAddress));
        QTRY_VERIFY_WITH_TIMEOUT(countTitled("Parameters") == 1, 20000); // the read on connecting

        // Cancel: asked, named, nothing written.
        confirmAnswer = 1;
        ui->WriteAllSetting->trigger();
        const Dialogs::Prompt *ask = lastTitled("Write All Setting");
        QVERIFY(ask);
        QVERIFY2(ask->text.contains(QLatin1String("127.0.14.1")), qPrintable(ask->text));
        QCOMPARE(ask->buttons, QStringList({"Write", "Cancel"}));
        // The product information answers after anything queued before it.
        ui->SensorInformation->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(countTitled("Product Message") == 1, 10000);
        auto framesSent = [&sent] {
            QList<QByteArray> frames;
            for (const QList<QVariant> &args : sent)
                frames << args.at(0).toByteArray();
            return frames;
        };
        QCOMPARE(countFrames(framesSent(), "WArea"), 0);

        // The sensor has told its serial number: the reboot question names it too. Declined.
        ui->SoftReboot->trigger();
        ask = lastTitled("Soft Reboot");
        QVERIFY(ask);
        QVERIFY2(ask->text.contains(QLatin1String("127.0.14.1")) &&
                     ask->text.contains(QLatin1String("serial number 20417")),
                 qPrintable(ask->text));
        QCOMPARE(ask->buttons, QStringList({"Restart", "Cancel"}));

        // Chinese names it as well.
        window.LanguageToChinese();
        ui->SoftReboot->trigger();
        ask = lastTitled(QString::fromUtf8("重启设备"));
        QVERIFY(ask);
        QVERIFY2(ask->text.contains(QLatin1String("127.0.14.1")) &&
                     ask->text.contains(QLatin1String("20417")),
                 qPrintable(ask->text));
        QCOMPARE(ask->buttons, QStringList({QString::fromUtf8("重启"), QString::fromUtf8("取消")}));
        window.LanguageToEnglish();
        QCOMPARE(countFrames(framesSent(), "RBoot"), 0); // the declined restarts sent nothing

        // Write: the areas go out.
        confirmAnswer = 0;
        sent.clear();
        ui->WriteAllSetting->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(countFrames(framesSent(), "WArea") > 0, 10000);
        ui->DisConnection->trigger();
    }
};

QTEST_MAIN(TestTransportConfirm)
#include "tst_transport_confirm.moc"
