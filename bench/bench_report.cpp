// Time to write the configuration report of a full design: 64 areas, each with three zones of 100
// points (the largest report there is). Prints "name value unit" lines.
#include "area/geometry/polar.h"
#include "area/store/project_data.h"
#include "report/config_report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    PROJECT_DATA &p = ProjectData();
    for (int a = 0; a < kAreaCount; ++a)
        for (int k = 0; k < kOutputCount; ++k)
            for (int i = 0; i < kMaxZonePoints; ++i)
                p.Areas[a].coord(k) << polar::toPointDegrees(
                    float(3000 * (3 - k) * (0.8 + 0.2 * std::sin(0.37 * i + a))), -70.f + 320.f * i / 99);
    QTemporaryDir dir;
    for (bool english : {true, false}) {
        ReportInput in;
        in.language = english ? Language::English : Language::Chinese;
        in.model = "Laser30";
        in.created = QDateTime::currentDateTime();
        in.project = &p;
        in.crc = 0x12345678;
        for (int i = 0; i < 24; ++i)
            in.parameters << qMakePair(QString("Parameter %1").arg(i), QString::number(i));
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (!writeConfigReport(dir.filePath("r.pdf"), in, &error)) {
            std::fprintf(stderr, "report failed: %s\n", qPrintable(error));
            return 1;
        }
        const double s = clock.nsecsElapsed() / 1e9;
        std::printf("%s %.3f s\n", english ? "report_64_areas_s" : "report_64_areas_chinese_s", s);
        std::printf("%s %d pages\n", english ? "report_64_areas_pages" : "report_64_areas_chinese_pages",
                    reportPageCount(p));
    }
    return 0;
}
