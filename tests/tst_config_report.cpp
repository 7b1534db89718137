// The configuration report as a reader of the PDF sees it: text extracted with pdftotext, page by
// page.
#include "area/store/project_data.h"
#include "report/config_report.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestConfigReport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QStringList run(const QString &program, const QStringList &arguments)
    {
        QProcess p;
        p.start(program, arguments);
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    }

    static ReportInput input(bool english)
    {
        ReportInput in;
        in.language = english ? Language::English : Language::Chinese;
        in.projectFile = "/plant/line 4/dock.VKT30";
        in.model = "Laser30";
        in.created = QDateTime(QDate(2026, 3, 4), QTime(5, 6));
        in.parameters = {{"Control Mode", "IO Interface"}, {"IP Address", "192.168.1.200"}};
        in.project = &ProjectData();
        in.crc = 0x1a2b3c4d;
        return in;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
                 "pdftotext is missing (poppler-utils, scripts/deps.sh)");
    }

    void sixtyFourAreasEachOnItsPagesWithPointsAndTheCrc()
    {
        PROJECT_DATA &p = ProjectData();
        p.resetToStartup();
        for (int a = 0; a < kAreaCount; ++a)
            for (int i = 0; i < 3 + a % 5; ++i)
                p.Areas[a].Out1Coord << QPoint(-(1000 + a * 10 + i), 20000 + a * 10 + i);
        p.Areas[5].OpenDelay = 6;
        p.Areas[5].SteerMinDgree = -35;
        // Area 63 is full: 100 points do not fit below its picture, the rest go on a second page.
        p.Areas[63].Out1Coord.clear();
        for (int i = 0; i < kMaxZonePoints; ++i)
            p.Areas[63].Out1Coord << QPoint(30000 + i, 1000 + i);
        p.Areas[63].Out2Shape = Arc;
        p.Areas[63].Out2Coord = {{2000, 0}, {0, 2000}};
        QCOMPARE(reportPageCount(p), 1 + 64 + 1);

        const QString file = m_dir.filePath("report.pdf");
        QString error;
        QVERIFY2(writeConfigReport(file, input(true), &error), qPrintable(error));
        QStringList pages = run("pdftotext", {"-layout", file, "-"});
        QCOMPARE(pages.size(), 66 + 1); // a form feed ends every page
        pages.removeLast();
        for (int page = 0; page < pages.size(); ++page) {
            QVERIFY2(pages[page].contains("CRC-32 1A2B3C4D"), qPrintable(QString("page %1").arg(page + 1)));
            QVERIFY(pages[page].contains(QString("Page %1 of 66").arg(page + 1)));
        }
        const QString &cover = pages[0];
        for (const char *s : {"Configuration Report", "/plant/line 4/dock.VKT30", "Laser30", "2026-03-04",
                              "No sensor connected.", "192.168.1.200", "IO Interface"})
            QVERIFY2(cover.contains(s), s);
        for (int a = 0; a < kAreaCount; ++a) {
            const QString &page = pages[1 + a];
            QVERIFY2(page.contains(QString("Area %1").arg(a)), qPrintable(page.left(200)));
            for (const QPoint &pt : p.Areas[a].Out1Coord.mid(0, 60)) {
                const QRegularExpression row(QString("(^|\\s)%1\\s+%2(\\s|$)").arg(pt.x()).arg(pt.y()));
                QVERIFY2(page.contains(row),
                         qPrintable(QString("area %1 point %2,%3").arg(a).arg(pt.x()).arg(pt.y())));
            }
        }
        QVERIFY(pages[6].contains("120ms") && pages[6].contains("-35°"));
        // No hysteresis reads as the window's combo says it, "Off".
        QVERIFY(pages.join('\n').contains(QRegularExpression("Hysteresis\\s+Off\\b")));
        QVERIFY(pages[64].contains("Out 2: Arc, 2 points"));
        QVERIFY(pages[65].contains("Area 63 (continued)"));
        QVERIFY(pages[65].contains(QRegularExpression("\\b100\\s+30099\\s+1099\\b")));
        p.resetToStartup();
    }

    void chineseReportCarriesItsGlyphs()
    {
        PROJECT_DATA &p = ProjectData();
        p.resetToStartup();
        p.Areas[7].Out1Coord = {{-500, 3000}, {500, 3000}};
        ReportInput in = input(false);
        in.product = QStringList{QString::fromUtf8("传感器 127.0.16.1（序列号 20417）")};
        const QString file = m_dir.filePath("report_cn.pdf");
        QString error;
        QVERIFY2(writeConfigReport(file, in, &error), qPrintable(error));
        const QStringList pages = run("pdftotext", {"-layout", file, "-"});
        QCOMPARE(pages.size(), 2 + 1);
        QVERIFY(pages[0].contains(QString::fromUtf8("配置报告")));
        QVERIFY(pages[0].contains(QString::fromUtf8("序列号 20417")));
        QVERIFY(pages[1].contains(QString::fromUtf8("区域 7")));
        // (页 may come back as its look-alike radical: one glyph serves both.)
        QVERIFY(pages[1].contains(QRegularExpression(QString::fromUtf8("第2.，共2."))));
        QVERIFY(pages[1].contains("CRC-32 1A2B3C4D"));
        // Every font the PDF uses travels inside it.
        const QStringList fonts = run("pdffonts", {file}).join("").split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &f : fonts)
            QVERIFY2(f.contains(QRegularExpression("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$")),
                     qPrintable(f));
        p.resetToStartup();
    }

    void unwritablePlaceIsReported()
    {
        QString error;
        QVERIFY(!writeConfigReport(m_dir.filePath("no/such/folder/r.pdf"), input(true), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestConfigReport)
#include "tst_config_report.moc"
