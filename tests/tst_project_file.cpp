#include "app/mainwindow.h"
#include "area/dialogs.h"
#include "area/file/project_file.h"
#include "area/store/project_data.h"
#include "comm/codec/sensor_parameters.h"
#include "comm/sensor_setting.h"
#include "comm/serial_comm.h"
#include "editor/option_scene.h"
#include "ui_mainwindow.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestProjectFile : public QObject {
    Q_OBJECT

    QList<Dialogs::Prompt> prompts;
    QString chosenFile;

    static AREA_DATA sampleArea()
    {
        AREA_DATA a;
        a.OpenDelay = 6;
        a.CloseDelay = 25;
        a.Hysteresis = 10;
        a.DetectionSize = 9;
        a.SteerMinDgree = -180;
        a.SteerMaxDgree = 45;
        a.VehicleMinSpeed = -300;
        a.VehicleMaxSpeed = 120;
        a.VehicleOptionMode = 4;
        a.Out1Shape = Polygon;
        a.Out1Coord = {{-1200, -35}, {0, 4000}, {3000, 100}};
        a.Out2Shape = Fan;
        a.Out2Coord = {{0, 2500}};
        a.Out3Shape = Arc;
        a.Out3Coord = {{1000, 0}, {-1000, 0}};
        return a;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        prompts.clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return 0;
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) { return chosenFile; });
    }

    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void extensionIsAppendedUnlessAlreadyThereCaseSensitive_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("saved");
        QTest::newRow("none") << "site"
                              << "site.VKT30";
        QTest::newRow("present") << "site.VKT30"
                                 << "site.VKT30";
        QTest::newRow("lower case") << "site.vkt30"
                                    << "site.vkt30.VKT30";
        QTest::newRow("other model") << "site.VKT50"
                                     << "site.VKT50.VKT30";
    }
    void extensionIsAppendedUnlessAlreadyThereCaseSensitive()
    {
        QFETCH(QString, name);
        QFETCH(QString, saved);
        QCOMPARE(ProjectFile::withExtension(name, Laser30), saved);
    }

    void savedProjectOpensWithEveryFieldPointAndSetting()
    {
        QTemporaryDir dir;
        chosenFile = dir.filePath("design");
        {
            MainWindow w;
            ProjectData().Areas[0] = sampleArea();
            ProjectData().Areas[63].Out1Shape = Rectangle;
            ProjectData().Areas[63].Out1Coord = {{20, 0}, {20, 0}, {20, 0}, {20, 0}};
            w.form()->Para_SensorInstallDir->setCurrentIndex(1);
            w.form()->Para_RS485IDAddress->setValue(42);
            ProjectData().Modified = true;
            QVERIFY(w.savefile());
            QVERIFY(!ProjectData().Modified);
        }
        ProjectData().resetToStartup();
        QSettings("Trevalor", "Parameters").clear();
        MainWindow w;
        chosenFile = dir.filePath("design.VKT30");
        w.openfile();
        QVERIFY(prompts.isEmpty());
        QCOMPARE(ProjectData().Areas[0], sampleArea());
        QCOMPARE(ProjectData().Areas[63].Out1Shape, int(Rectangle));
        QCOMPARE(ProjectData().Areas[63].Out1Coord.size(), 4);
        QVERIFY(ProjectData().Areas[5].Out1Coord.isEmpty());
        QCOMPARE(w.form()->Para_SensorInstallDir->currentIndex(), 1);
        QCOMPARE(w.form()->Para_RS485IDAddress->value(), 42);
        // An opened project is what its file holds, and Undo starts from it.
        QVERIFY(!ProjectData().Modified);
        QCOMPARE(ProjectData().UndoHistory[0].size(), 1);
        QCOMPARE(ProjectData().UndoHistory[0].last(), sampleArea());
        QCOMPARE(w.deviceType(), 3);
    }

    void fileOfAnotherModelIsRefusedFromTheMenuButAdoptedFromTheStart()
    {
        QTemporaryDir dir;
        chosenFile = dir.filePath("small.VKT05");
        {
            QFile f(chosenFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QTextStream out(&f);
            out << "KDR_VKT_05\r\n";
            ProjectFile::writeSensorSettings(out, QVector<int>(27, 0));
            PROJECT_DATA &p = ProjectData();
            p.Areas[1] = sampleArea();
            ProjectFile::writeAreas(out, p);
            p.resetToStartup();
        }
        MainWindow w;
        w.openfile();
        QCOMPARE(prompts.size(), 1);
        QCOMPARE(prompts[0].title, QString("错误"));
        QCOMPARE(prompts[0].text, QString("文件损坏"));
        QVERIFY(ProjectData().Areas[1].Out1Coord.isEmpty());
        QVERIFY(!ProjectData().Modified); // a refused file changes nothing
        QCOMPARE(w.deviceType(), 3);

        w.OpenProject();
        // The file's all-zero settings put two spin boxes below their minimum: repaired and listed.
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[1].title, QString("工程文件已修复"));
        QVERIFY(prompts[1].text.contains("RS485IDAddress"));
        QCOMPARE(w.deviceType(), 0);
        QCOMPARE(ProjectData().Areas[1], sampleArea());
        QCOMPARE(w.form()->ZoomSlider->minimum(), 70);
        QCOMPARE(ProjectData().SceneWidth, 12000.0);
    }

    // Areas read from the sensor land in the store behind the editors' backs; the tables and handles
    // must follow, or the next drag would write the old points back.
    void areasReadFromTheSensorAreShownEverywhere()
    {
        MainWindow w;
        // The design was saved as t2: the sensor's areas are not t2's design.
        QTemporaryDir dir;
        chosenFile = dir.filePath("t2");
        QVERIFY(w.saveProjectAs());
        QVERIFY(!w.projectFileName().isEmpty());
        ProjectData().Areas[0] = sampleArea();
        emit w.serialComm()->ReceiveAreasComplete();
        QTableWidget *table = w.form()->CoordTableWidgetOut1;
        QCOMPARE(table->item(0, 1)->text(), QString("-1200"));
        QCOMPARE(table->item(2, 2)->text(), QString("100"));
        QCOMPARE(w.optionScene()->handles().size(), 4); // three vertices and the spare on the sensor
        QCOMPARE(w.form()->Area_OpenDelay->currentIndex(), 6);
        QCOMPARE(ProjectData().UndoHistory[0].last(), sampleArea());
        // The read changed the design: unsaved, and Save asks for a name instead of overwriting t2.
        QVERIFY(ProjectData().Modified);
        QVERIFY(w.projectFileName().isEmpty());
        QVERIFY(w.isWindowModified());
    }

    void unreadableOrForeignFilesChangeNothing()
    {
        QTemporaryDir dir;
        MainWindow w;
        ProjectData().Areas[2] = sampleArea();

        chosenFile = dir.filePath("missing.VKT30");
        w.openfile();
        QCOMPARE(prompts.size(), 1);
        // Said in the window's language (Chinese at first start here).
        QCOMPARE(prompts[0].text, QString::fromUtf8("没有文件"));
        QCOMPARE(prompts[0].buttons, QStringList({QString::fromUtf8("确定"), QString::fromUtf8("取消")}));
        w.OpenProject(); // silent from the start dialog
        QCOMPARE(prompts.size(), 1);

        chosenFile = dir.filePath("foreign.txt");
        QFile f(chosenFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("hello\n");
        f.close();
        w.LanguageToEnglish();
        w.OpenProject();
        QCOMPARE(prompts.size(), 2);
        QCOMPARE(prompts[1].text, QString("FileError"));
        QCOMPARE(w.deviceType(), 3);
        QCOMPARE(ProjectData().Areas[2], sampleArea());

        chosenFile.clear(); // dialog cancelled
        w.openfile();
        w.OpenProject();
        QCOMPARE(prompts.size(), 2);
    }
};

QTEST_MAIN(TestProjectFile)
#include "tst_project_file.moc"
