// Files through the window: CSV from the coordinate tables and the File menu (an import is one undo
// step of each area it changes; a refused file changes nothing) and the configuration report.
#include "ui_mainwindow.h"

#include "app/mainwindow.h"
#include "area/area_table.h"
#include "area/dialogs.h"
#include "area/store/project_data.h"
#include "area/zone_csv_commands.h"
#include "comm/codec/design_image.h"

#include <QProcess>

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestCsvWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    QStringList m_texts;

    PROJECT_DATA &p() { return ProjectData(); }
    int steps(int area) { return p().UndoHistory[area].size(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings("Trevalor", "Parameters").clear();
        ProjectData().resetToStartup();
        m_texts.clear();
        Dialogs::setResponder([this](const Dialogs::Prompt &prompt) {
            m_texts << prompt.text;
            return 0;
        });
        Dialogs::setFileResponder([this](const Dialogs::FilePrompt &) { return m_file; });
    }
    void cleanup()
    {
        Dialogs::setResponder({});
        Dialogs::setFileResponder({});
    }

    void zoneImportIsOneUndoStepAndRefusalChangesNothing()
    {
        MainWindow w;
        w.LanguageToEnglish();
        ZoneCsvCommands *csv = w.zoneCsvCommands();
        QVERIFY(csv);
        const QVector<QPoint> drawn{{-1000, 2000}, {0, 3000}, {1500, 2500}};
        p().Areas[0].Out2Coord = drawn;
        m_file = m_dir.filePath("out2"); // ".csv" is added
        csv->exportZone(1);
        QFile written(m_file + ".csv");
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("x_mm,y_mm\r\n-1000,2000\r\n0,3000\r\n1500,2500\r\n"));

        // Into Out 1, which is a polygon too; the tables show what was imported.
        m_file = m_dir.filePath("out2.csv");
        const int before = steps(0);
        csv->importZone(0);
        QCOMPARE(p().Areas[0].Out1Coord, drawn);
        QCOMPARE(steps(0), before + 1);
        QCOMPARE(w.form()->CoordTableWidgetOut1->item(2, 1)->text(), QString("1500"));
        QVERIFY(p().Modified);
        w.areaTable()->UndoAreaTableData();
        QVERIFY(p().Areas[0].Out1Coord.isEmpty());
        QCOMPARE(w.form()->CoordTableWidgetOut1->rowCount(), 1);

        // Out 3 as an arc cannot take three points: the user is told which line, nothing changes.
        p().Areas[0].Out3Shape = Arc;
        p().Areas[0].Out3Coord = {{20, 0}, {20, 0}};
        const int arcSteps = steps(0);
        csv->importZone(2);
        QCOMPARE(p().Areas[0].Out3Coord, QVector<QPoint>({{20, 0}, {20, 0}}));
        QCOMPARE(steps(0), arcSteps);
        QCOMPARE(m_texts.size(), 1);
        QVERIFY2(m_texts[0].contains("An arc needs exactly 2 points"), qPrintable(m_texts[0]));
    }

    void projectImportRestoresEachNamedAreaAsOneStep()
    {
        MainWindow w;
        QAction *exportCsv = w.findChild<QAction *>("ExportCsv");
        QAction *importCsv = w.findChild<QAction *>("ImportCsv");
        QVERIFY(exportCsv && importCsv);
        QVERIFY(w.form()->File->actions().contains(importCsv));
        w.LanguageToEnglish();
        QCOMPARE(importCsv->text(), QString("Import Project from CSV…"));
        w.LanguageToChinese();
        QCOMPARE(importCsv->text(), QString("从CSV导入项目…"));

        p().Areas[3].Out1Shape = Rectangle;
        p().Areas[3].Out1Coord = {{-500, 100}, {-500, 900}, {500, 900}, {500, 100}};
        p().Areas[7].Out1Coord = {{100, 4000}, {-100, 4000}};
        p().Areas[7].Out2Shape = Straight;
        p().Areas[7].Out2Coord = {{0, 2000}};
        p().Areas[9].Out1Coord = {{1, 1}};
        const AREA_DATA area3 = p().Areas[3];
        const AREA_DATA area7 = p().Areas[7];
        m_file = m_dir.filePath("project.csv");
        exportCsv->trigger();

        p().Areas[3] = p().EmptyArea;
        p().Areas[7].Out2Shape = Polygon;
        p().Areas[7].Out2Coord.clear();
        p().Areas[9].Out1Coord = {{2, 2}};  // named in the file: takes the file's point again
        p().Areas[10].Out1Coord = {{5, 5}}; // not named: kept
        w.areaTable()->SaveAllUndoAreaTableData();
        const int before3 = steps(3);
        const int before10 = steps(10);
        importCsv->trigger();
        QCOMPARE(p().Areas[3].Out1Shape, int(Rectangle));
        QCOMPARE(p().Areas[3].Out1Coord, area3.Out1Coord);
        QCOMPARE(p().Areas[7].Out2Shape, int(Straight));
        QCOMPARE(p().Areas[7].Out2Coord, area7.Out2Coord);
        QCOMPARE(p().Areas[9].Out1Coord, QVector<QPoint>({{1, 1}}));
        QCOMPARE(p().Areas[10].Out1Coord, QVector<QPoint>({{5, 5}}));
        QCOMPARE(steps(3), before3 + 1);
        QCOMPARE(steps(10), before10); // unchanged areas get no step
        QVERIFY(m_texts.isEmpty());
    }

    // The report shows the dock's settings as the dock shows them and the design's fingerprint.
    void reportCarriesTheDocksSettingsAndTheDesignsCrc()
    {
        MainWindow w;
        w.LanguageToEnglish();
        p().Areas[2].Out1Coord = {{-700, 1500}, {700, 1500}};
        m_file = m_dir.filePath("report");
        w.findChild<QAction *>("ExportReport")->trigger();
        QVERIFY(m_texts.isEmpty());
        QProcess text;
        text.start("pdftotext", {"-layout", m_file + ".pdf", "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString all = QString::fromUtf8(text.readAllStandardOutput());
        const QString crc =
            QString("CRC-32 %1").arg(designImageCrc(p(), *w.sensorParameters()), 8, 16, QChar('0')).toUpper();
        QCOMPARE(all.count(crc), 2); // both pages
        QVERIFY(all.contains("VKT-30xx")); // the model by its name
        for (const char *s :
             {"RS232 Baud Rate", "Install Direction", "IP Address", "Dirt Strength", "Area 2"})
            QVERIFY2(all.contains(s), s);
        QVERIFY(all.contains(QRegularExpression("IP Address\\s+\\d+\\.\\d+\\.\\d+\\.\\d+")));
    }
};

QTEST_MAIN(TestCsvWindow)
#include "tst_mainwindow_files.moc"
