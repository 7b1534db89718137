// Points on one bearing: the sensor's record keeps one point per bearing, so a polygon with two of
// them would reach the sensor changed. The write refuses it naming area, output and points (nothing
// sent), the coordinate table marks both rows while the user draws, and CSV import refuses the zone.
#include "area/coord_table.h"
#include "area/store/project_data.h"
#include "area/zone_csv.h"
#include "exchange/exchange_engine.h"

#include <QTableWidget>
#include <QtTest>

class OneBearing : public QObject {
    Q_OBJECT

    const QVector<QPoint> zone{{3000, 500}, {1000, 1000}, {2000, 2000}, {-1500, 2500}};

private slots:
    void writeRefusesAZoneWithTwoPointsOnOneBearing()
    {
        ExchangeEngine engine;
        engine.SetLanguage(Language::English);
        engine.projectStore()->Areas[12].Out2Coord = zone;
        int sent = 0;
        connect(&engine, &ExchangeEngine::FrameSent, this, [&sent] { ++sent; });
        QList<ExchangeEngine::Result> results;
        connect(&engine, &ExchangeEngine::SequenceFinished, this,
                [&results](const ExchangeEngine::Result &r) { results << r; });
        engine.WriteSensorAllDataSlots();
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].outcome, ExchangeEngine::Outcome::Refused);
        QVERIFY2(results[0].message.contains(
                     "Area 12 Out2: points (1000, 1000) and (2000, 2000) lie on one bearing"),
                 qPrintable(results[0].message));
        QCOMPARE(sent, 0);
        // Mounted either way the same zone is refused; moved off the bearing it is written.
        engine.projectStore()->Areas[12].Out2Coord[2] = QPoint(2000, 2001);
        QVERIFY(engine.CheckWriteFits().errors.isEmpty());
    }

    void coordinateTableMarksBothPointsWhileTheUserDraws()
    {
        PROJECT_DATA &p = ProjectData();
        p.resetToStartup();
        QTableWidget tables[6];
        COORD_TABLE table(&p, &tables[0], &tables[1], &tables[2], &tables[3], &tables[4], &tables[5]);
        table.setLanguage(Language::English);
        p.currentArea().Out1Coord = zone;
        table.CoordTableWidgeUpdate();
        for (QTableWidget *t : {&tables[0], &tables[3]}) {
            QVERIFY(t->item(1, 0)->toolTip().contains("On one bearing with point 3"));
            QVERIFY(t->item(2, 0)->toolTip().contains("On one bearing with point 2"));
            QVERIFY(t->item(0, 0)->toolTip().isEmpty());
        }
        p.currentArea().Out1Coord[2] = QPoint(2000, 2001);
        table.CoordTableWidgeUpdate();
        QVERIFY(tables[0].item(1, 0)->toolTip().isEmpty());
        QVERIFY(tables[0].item(2, 0)->icon().isNull());
    }

    void csvImportRefusesTheZone()
    {
        QVector<QPoint> points;
        ZoneCsv::Refusal refusal;
        QVERIFY(!ZoneCsv::readZone(ZoneCsv::writeZone(zone), Polygon, 0, &points, &refusal));
        QVERIFY2(refusal.english.contains("Points 2 (1000, 1000) and 3 (2000, 2000) lie on one bearing"),
                 qPrintable(refusal.english));
    }
};

QTEST_MAIN(OneBearing)
#include "tst_one_bearing.moc"
