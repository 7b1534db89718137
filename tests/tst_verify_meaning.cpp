// Verify compares what a design means: a sensor's record with other values in the slots its shapes do
// not use, or a polygon kept in another slot order, matches the design read from it; a changed point,
// derived value or arc radius does not.
#include "comm/codec/codec.h"

#include <QtTest>
#include <cstring>

namespace {

void put16(uchar *p, int v)
{
    p[0] = uchar((v >> 8) & 0xFF);
    p[1] = uchar(v & 0xFF);
}

// A "RArea" record written from the frame table: Out1 a polygon of three points in the order given with
// junk in the slots past them, Out2 a straight zone at 1500 with junk in the fan and ratio slots, Out3
// an arc 10°..80° at 2500 with junk in its count and point block.
void sensorRecord(uchar *f, const QVector<QPoint> &polygon)
{
    std::memset(f, 0, kAreaRecordLength);
    std::memcpy(f, "RArea", 5);
    f[5] = 7;
    put16(f + 6, 3);
    put16(f + 12, 2);
    uchar *out1 = f + 14, *out2 = f + 30, *out3 = f + 46;
    put16(out1 + 2, polygon.size());
    put16(out1 + 4, 1234); // arc slots of a polygon
    for (int k = 0; k < polygon.size(); ++k) {
        put16(f + 62 + 4 * k, polygon[k].x());
        put16(f + 62 + 4 * k + 2, polygon[k].y());
    }
    put16(f + 62 + 4 * polygon.size(), 999);
    put16(out2, 3);
    put16(out2 + 2, 7);
    put16(out2 + 10, 1500);
    put16(out2 + 12, 4321);
    put16(out2 + 14, 77);
    put16(out3, 1);
    put16(out3 + 2, 5);
    put16(out3 + 4, 10);
    put16(out3 + 6, 80);
    put16(out3 + 8, 2500);
    put16(f + 862 + 40, 31);
}

} // namespace

class VerifyMeaning : public QObject {
    Q_OBJECT
private slots:
    void designReadFromASensorMatchesItsRecord()
    {
        for (bool installDir : {false, true}) {
            uchar sensor[kAreaRecordLength];
            // Not in bearing order: the sensor sweeps them by bearing all the same.
            sensorRecord(sensor, {{-1000, 1000}, {3000, 500}, {0, 2000}});
            AREA_DATA design;
            decodeAreaRecord(sensor, design, installDir);
            uchar expected[kAreaRecordLength];
            encodeAreaRecord(expected, "WArea", 7, design, installDir);
            QVERIFY(std::memcmp(expected + 6, sensor + 6, kAreaRecordLength - 8) != 0); // bytes differ
            const AreaRecordComparison same = compareAreaRecords(expected, sensor);
            QVERIFY(same.same());
            QCOMPARE(same.notes, QVector<int>({0, 1, 2}));

            // What the design says, changed on the sensor's side: each is a difference of its output.
            uchar changed[kAreaRecordLength];
            std::memcpy(changed, sensor, kAreaRecordLength);
            put16(changed + 62 + 4 + 2, 501); // a polygon point
            put16(changed + 30 + 10, 1501);   // the straight zone's value
            put16(changed + 46 + 8, 2499);    // the arc's radius
            put16(changed + 12, 3);           // detection size
            const AreaRecordComparison c = compareAreaRecords(expected, changed);
            QCOMPARE(c.points, QVector<int>({0}));
            QCOMPARE(c.shapes, QVector<int>({1, 2}));
            QCOMPARE(c.zoneParameters, QVector<int>({3}));
        }
    }
};

QTEST_GUILESS_MAIN(VerifyMeaning)
#include "tst_verify_meaning.moc"
