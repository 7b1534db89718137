// The receive side: extractors over a byte stream, the buffer bound, "HISN" packets and revolutions.
#include "comm/codec/codec.h"

#include <QRandomGenerator>
#include <QtTest>
#include <memory>
#include <utility>

namespace {

// Writes down every reply the delivery reports, in order.
class Recorder : public ReplySink {
public:
    QStringList events;
    void rebootReply() override { events << "RBoot"; }
    void productReply(const ProductInfo &p) override { events << QString("RPrda %1").arg(p.SerialNumber); }
    void intensityReply() override { events << "RStre"; }
    void areaReply(int index) override { events << QString("RArea %1").arg(index); }
    void writeAreaReply(int status) override { events << QString("WArea %1").arg(status); }
    void parametersReply() override { events << "RPara"; }
    void writeParametersReply(int status) override { events << QString("WPara %1").arg(status); }
    void caseReply() override { events << "RCase"; }
    void writeCaseReply(int status) override { events << QString("WCase %1").arg(status); }
    void selfCheckReply(const SelfCheckReport &r) override
    {
        events << QString("WSimu %1").arg(r.RotationSpeed);
    }
    void scanControlReply() override { events << "SCtrl"; }
    void distanceReply() override { events << "RScan"; }
    void revolutions(int n) override { events << QString("revolutions %1").arg(n); }
};

// A receiving end as the command exchange holds it.
struct Receiver {
    std::unique_ptr<SCAN_DATA> scan{new SCAN_DATA};
    QVector<AREA_DATA> areas{64};
    SENSOR_PARAMETERS parameters;
    HisnAssembly hisn;
    ReplyContext ctx;
    Recorder sink;
    ReplySink *active = &sink; // who hears about the replies
    QByteArray rx;

    explicit Receiver(int connectType)
    {
        scan->ConnectType = connectType;
        ctx.scan = scan.get();
        ctx.areas = &areas;
        ctx.parameters = &parameters;
        ctx.hisn = &hisn;
    }
    bool deliver(const QByteArray &bytes) { return receiveDelivery(rx, bytes, ctx, *active); }
};

QByteArray statusReply(FrameCode code, int status)
{
    TxFrame tx;
    buildStatusReply(tx, code, quint8(status));
    return tx.bytes();
}

// One packet of n points whose distance is base + i and intensity 2 * (base + i).
QByteArray hisnPacket(int start, int end, int countA, int countB, int sequence, int base = 100)
{
    HisnHeader h;
    h.StartAngle = quint16(start);
    h.EndAngle = quint16(end);
    h.CountA = quint16(countA);
    h.CountB = quint16(countB);
    h.Sequence = quint16(sequence);
    QVector<quint16> d(h.pointCount()), in(h.pointCount());
    for (int i = 0; i < h.pointCount(); ++i) {
        d[i] = quint16(base + i);
        in[i] = quint16(2 * (base + i));
    }
    QByteArray out;
    appendHisnPacket(out, h, d.constData(), in.constData());
    return out;
}

// A whole revolution at g points per degree, distances counting up from base.
QByteArray revolution(int g, int degreesPerPacket = 10, int base = 0)
{
    const int n = g * kHisnSweepDegrees;
    QVector<quint16> d(n), in(n);
    for (int i = 0; i < n; ++i) {
        d[i] = quint16(base + i);
        in[i] = quint16(i % 1000);
    }
    QByteArray out;
    appendHisnRevolution(out, g, d.constData(), in.constData(), degreesPerPacket);
    return out;
}

} // namespace

class TestCodecStream : public QObject {
    Q_OBJECT
private slots:
    void replyIsTakenWhereverTheStreamSplitsIt_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("event");
        TxFrame tx;
        QTest::newRow("WArea status") << 0 << statusReply(FrameCode::WArea, 2) << "WArea 2";
        SENSOR_PARAMETERS p;
        buildParametersReply(tx, p);
        QTest::newRow("RPara") << 1 << tx.bytes() << "RPara";
        AREA_DATA a;
        a.Out1Coord = {{10, 20}};
        buildAreaReply(tx, 9, a, false);
        QTest::newRow("RArea") << 1 << tx.bytes() << "RArea 9";
        SelfCheckReport r;
        r.RotationSpeed = 1800;
        buildSelfCheckReply(tx, r);
        QTest::newRow("WSimu") << 0 << tx.bytes() << "WSimu 1800";
        quint16 beams[kSerialBeams] = {};
        buildScanReply(tx, FrameCode::RScan, beams);
        QTest::newRow("RScan") << 0 << tx.bytes() << "RScan";
        QTest::newRow("HISN") << 1 << hisnPacket(20, 30, 5, 5, 0) << "";
    }
    void replyIsTakenWhereverTheStreamSplitsIt()
    {
        QFETCH(int, connectType);
        QFETCH(QByteArray, frame);
        QFETCH(QString, event);
        for (int cut = 0; cut <= frame.size(); ++cut) {
            Receiver r(connectType);
            r.deliver(frame.left(cut));
            if (cut < frame.size()) {
                QVERIFY2(r.sink.events.isEmpty(), qPrintable(QString("cut %1").arg(cut)));
                QCOMPARE(r.rx.size(), cut);
            }
            r.deliver(frame.mid(cut));
            QVERIFY2(r.rx.isEmpty(), qPrintable(QString("cut %1").arg(cut)));
            if (!event.isEmpty())
                QCOMPARE(r.sink.events, QStringList{event});
            else
                QCOMPARE(r.scan->EtherDistance[4], quint16(104));
        }
    }

    // Points that spell other codes inside a reply still arriving in pieces, as a serial line
    // delivers it: the bytes 75 30 57 41 72 65 61 44 of (30000, 22337), (29285, 24900) read "WArea".
    void codesSpelledInsideAnArrivingReplyAreNotTaken_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<QVector<QPoint>>("points");
        QTest::newRow("WArea in the points, serial") << 0 << QVector<QPoint>{{30000, 22337}, {29285, 24900}};
        // "HISN" (0x4849, 0x534E) inside the points, on Ethernet.
        QTest::newRow("HISN in the points, Ethernet") << 1 << QVector<QPoint>{{18505, 21326}, {100, 30000}};
        // "RPrda" (0x5250 0x7264 0x61..): a 509-byte reply that reaches past the area record.
        QTest::newRow("RPrda in the points, serial") << 0 << QVector<QPoint>{{30000, 21072}, {29284, 24832}};
    }
    void codesSpelledInsideAnArrivingReplyAreNotTaken()
    {
        QFETCH(int, connectType);
        QFETCH(QVector<QPoint>, points);
        AREA_DATA a;
        a.Out1Coord = points;
        TxFrame tx;
        buildAreaReply(tx, 7, a, false);
        const QByteArray area = tx.bytes();
        const QByteArray next = statusReply(FrameCode::WArea, 0);
        Receiver r(connectType);
        for (int at = 0; at < area.size(); at += 64)
            r.deliver(area.mid(at, 64));
        QCOMPARE(r.sink.events, QStringList{"RArea 7"});
        QVERIFY(r.rx.isEmpty());
        QCOMPARE(r.areas[7].Out1Coord.size(), 2);
        r.deliver(next);
        QCOMPARE(r.sink.events, (QStringList{"RArea 7", "WArea 0"}));
        QVERIFY(r.rx.isEmpty());
    }

    // A whole reply in the buffer is one frame: a code inside it is not a reply of its own, whatever
    // the order the extractors run in.
    void codesInsideACompleteReplyAreNotTaken()
    {
        QVector<AREA_DATA> areas(64);
        areas[3].VehicleMinSpeed = 0x5741;   // "WA"
        areas[3].VehicleMaxSpeed = 0x7265;   // "re"
        areas[3].VehicleOptionMode = 0x6102; // "a", status 2
        TxFrame tx;
        buildCaseReply(tx, caseChannelsOf(areas));
        Receiver r(0);
        r.deliver(tx.bytes());
        QCOMPARE(r.sink.events, QStringList{"RCase"});
        QCOMPARE(r.areas[3].VehicleMaxSpeed, 0x7265);
        QVERIFY(r.rx.isEmpty());
    }

    // Garbage that spells a code and never completes must not hold back the replies behind it for
    // ever: once the garbage "frame" has all its bytes and fails its checksum, the walk goes on.
    void garbageSpellingACodeStillLetsTheNextReplyThrough()
    {
        Receiver r(0);
        r.deliver(QByteArray("xxRPara") + statusReply(FrameCode::WPara, 0));
        // RPara claims 67 bytes; only 8 follow: still arriving, nothing inside it is taken.
        QVERIFY(r.sink.events.isEmpty());
        r.deliver(QByteArray(60, 'z'));
        // The claimed RPara frame is complete and bad: dropped, bytes in front stay.
        QCOMPARE(r.rx, QByteArray("xx") + QByteArray(6, 'z'));
        r.deliver(statusReply(FrameCode::WCase, 1));
        QCOMPARE(r.sink.events, QStringList{"WCase 1"});
    }

    void eachExtractorTakesOneFramePerDelivery()
    {
        Receiver r(0);
        r.deliver(statusReply(FrameCode::WArea, 0) + statusReply(FrameCode::WArea, 1));
        QCOMPARE(r.sink.events, QStringList{"WArea 0"});
        r.deliver(QByteArray());
        QCOMPARE(r.sink.events, QStringList({"WArea 0", "WArea 1"}));
        QVERIFY(r.rx.isEmpty());
    }

    void differentRepliesInOneDeliveryAreHandledInTheFixedOrder()
    {
        Receiver r(0);
        TxFrame tx;
        buildScanControlReply(tx, SENSOR_CONTROL());
        QByteArray bytes = tx.bytes();
        buildSelfCheckReply(tx, SelfCheckReport());
        bytes += tx.bytes();
        bytes += statusReply(FrameCode::WCase, 0);
        bytes += statusReply(FrameCode::RBoot, 0);
        ProductInfo info;
        info.SerialNumber = 77;
        buildProductReply(tx, info);
        bytes += tx.bytes();
        r.deliver(bytes);
        QCOMPARE(r.sink.events, QStringList({"RBoot", "RPrda 77", "WCase 0", "WSimu 0", "SCtrl"}));
        QVERIFY(r.rx.isEmpty());
    }

    void handlerThatReceivesMoreBytesMeanwhileSeesEveryFrameOnce()
    {
        // A message box opened by a handler runs a nested event loop: more bytes arrive and the whole
        // chain runs again on the same buffer before the outer chain goes on.
        struct Nesting : Recorder {
            Receiver *receiver = nullptr;
            QByteArray arriving;
            void writeAreaReply(int status) override
            {
                Recorder::writeAreaReply(status);
                if (!arriving.isEmpty())
                    receiver->deliver(std::exchange(arriving, QByteArray()));
            }
        };
        Receiver r(0);
        Nesting nesting;
        nesting.receiver = &r;
        TxFrame tx;
        buildParametersReply(tx, SENSOR_PARAMETERS());
        nesting.arriving = statusReply(FrameCode::WArea, 1) + tx.bytes() + statusReply(FrameCode::WCase, 2);
        r.active = &nesting;
        r.deliver(statusReply(FrameCode::WArea, 0) + statusReply(FrameCode::WPara, 0));
        // The nested delivery handles what arrived during the box; the outer chain then goes on with
        // what is left and takes nothing twice.
        QCOMPARE(nesting.events, QStringList({"WArea 0", "WArea 1", "RPara", "WPara 0", "WCase 2"}));
        QVERIFY(r.rx.isEmpty());
    }

    void foreignBytesInFrontStayWhileTheFrameIsTaken()
    {
        Receiver r(0);
        r.deliver(QByteArray("\x01\x02junk WAr", 10) + statusReply(FrameCode::WPara, 0));
        QCOMPARE(r.sink.events, QStringList{"WPara 0"});
        QCOMPARE(r.rx, QByteArray("\x01\x02junk WAr", 10));
    }

    void frameWithBadChecksumIsDroppedSilently_data()
    {
        QTest::addColumn<int>("corruptAt");
        QTest::newRow("payload") << 5;
        QTest::newRow("checksum low") << 6;
        QTest::newRow("checksum high") << 7;
    }
    void frameWithBadChecksumIsDroppedSilently()
    {
        QFETCH(int, corruptAt);
        Receiver r(0);
        QByteArray bad = statusReply(FrameCode::WArea, 0);
        bad[corruptAt] = char(bad[corruptAt] ^ 0x10);
        r.deliver(bad);
        QVERIFY(r.sink.events.isEmpty());
        QVERIFY(r.rx.isEmpty());
        r.deliver(statusReply(FrameCode::WArea, 0));
        QCOMPARE(r.sink.events, QStringList{"WArea 0"});
    }

    void truncatedFrameWaitsForTheRest()
    {
        Receiver r(1);
        TxFrame tx;
        buildAreaReply(tx, 3, AREA_DATA(), false);
        const QByteArray frame = tx.bytes();
        r.deliver(frame.left(1000));
        r.deliver(frame.mid(1000, 263));
        QVERIFY(r.sink.events.isEmpty());
        QCOMPARE(r.rx.size(), 1263);
        r.deliver(frame.right(1));
        QCOMPARE(r.sink.events, QStringList{"RArea 3"});
    }

    void areaReplyAboveSixtyThreeStoresNothingButIsAnswered()
    {
        Receiver r(0);
        AREA_DATA a;
        a.Out1Coord = {{1, 1}};
        TxFrame tx;
        buildAreaReply(tx, 64, a, false);
        r.deliver(tx.bytes());
        QCOMPARE(r.sink.events, QStringList{"RArea 64"});
        for (const AREA_DATA &stored : r.areas)
            QVERIFY(stored.Out1Coord.isEmpty());
    }

    void areaReplyIsReadWithTheInstallDirection()
    {
        Receiver r(1);
        r.scan->InstallDir = true;
        AREA_DATA a;
        a.Out1Coord = {{1000, 10}, {-500, 300}};
        TxFrame tx;
        buildAreaReply(tx, 0, a, true);
        r.deliver(tx.bytes());
        QCOMPARE(r.areas[0].Out1Coord, QVector<QPoint>({{-500, 300}, {1000, 10}}));
    }

    void boundCutsTheBufferInsteadOfExtracting_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<bool>("withHisn");
        QTest::addColumn<bool>("cut");
        QTest::newRow("below the bound") << 49999 << false << false;
        QTest::newRow("at the bound, no HISN") << 50000 << false << true;
        QTest::newRow("at the bound, HISN inside") << 50000 << true << true;
        QTest::newRow("far above, HISN inside") << 120000 << true << true;
    }
    void boundCutsTheBufferInsteadOfExtracting()
    {
        QFETCH(int, fill);
        QFETCH(bool, withHisn);
        QFETCH(bool, cut);
        Receiver r(1);
        const QByteArray status = statusReply(FrameCode::WArea, 0);
        const QByteArray tail = hisnPacket(20, 30, 200, 200, 0).left(300); // incomplete: stays
        QByteArray bytes = status;
        if (withHisn) {
            bytes += QByteArray(fill / 2, 'x') + "HISN"; // an earlier, older occurrence
            bytes += QByteArray(fill - bytes.size() - tail.size(), 'y') + tail;
        } else {
            bytes += QByteArray(fill - bytes.size(), 'z');
        }
        QCOMPARE(bytes.size(), fill);
        QCOMPARE(r.deliver(bytes), !cut);
        // The reply is answered either way; a cut only takes the foreign bytes.
        QCOMPARE(r.sink.events, QStringList{"WArea 0"});
        if (!cut)
            QCOMPARE(r.rx.size(), fill - status.size());
        else
            QCOMPARE(r.rx, withHisn ? tail : QByteArray());
    }

    void repliesAmongPacketsOfALaggingReceiverSurviveTheBound()
    {
        // A receiver behind a fine stream gets several revolutions at once, with the replies it waits
        // for between their packets and one still arriving at the end.
        Receiver r(1);
        AREA_DATA area;
        area.Out1Coord = {QPoint(-500, 800), QPoint(500, 800), QPoint(900, 2000)};
        TxFrame tx;
        buildAreaReply(tx, 7, area, false);
        const QByteArray areaReply = tx.bytes();
        const QByteArray turn = revolution(20); // 32 packets of 816 bytes
        const int packet = 816;
        const QByteArray status = statusReply(FrameCode::WCase, 0);
        const QByteArray arriving = statusReply(FrameCode::WPara, 2);
        const QByteArray bytes = turn.left(11 * packet) + areaReply + turn.mid(11 * packet) +
                                 turn.left(24 * packet) + status + turn.mid(24 * packet) + turn +
                                 arriving.left(5);
        QVERIFY(bytes.size() > kReceiveBound);
        QVERIFY(!r.deliver(bytes));
        QVERIFY2(r.sink.events.contains(QStringLiteral("RArea 7")), qPrintable(r.sink.events.join(',')));
        QVERIFY(r.sink.events.contains(QStringLiteral("WCase 0")));
        QCOMPARE(r.areas[7].Out1Coord.size(), 3); // stored, as the awaited reply is
        QCOMPARE(r.rx, arriving.left(5));
        QVERIFY(r.deliver(arriving.mid(5)));
        QCOMPARE(r.sink.events.last(), QStringLiteral("WPara 2"));
    }

    void packetClaimingMoreThanTheBoundCannotStallTheBuffer()
    {
        // Its header stays in front waiting for bytes the bound never lets in; cutting back to it on
        // every delivery would keep the buffer above the bound, growing, with no reply ever taken.
        Receiver r(1);
        QVERIFY(r.deliver(hisnPacket(20, 30, 20000, 20000, 0).left(1000)));
        for (int i = 0; i < 60; ++i)
            r.deliver(QByteArray(1000, 'q'));
        QVERIFY2(r.rx.size() < kReceiveBound, qPrintable(QString::number(r.rx.size())));
        r.sink.events.clear();
        QVERIFY(r.deliver(statusReply(FrameCode::WArea, 0)));
        QCOMPARE(r.sink.events, QStringList{"WArea 0"});
    }

    void packetCarriesTheSmallerOfItsTwoCounts()
    {
        const QByteArray packet = hisnPacket(20, 30, 10, 8, 0);
        QCOMPARE(packet.size(), 48);
        Receiver r(1);
        r.deliver(packet + hisnPacket(30, 40, 3, 3, 1, 900));
        QVERIFY(r.rx.isEmpty()); // the next packet starts right after the 48 bytes
        // The first packet started a revolution afresh; the second one wrote over its start.
        QCOMPARE(r.scan->EtherDistance[2], quint16(902));
        QCOMPARE(r.scan->EtherDistance[7], quint16(107));
        QCOMPARE(r.scan->EtherIntensity[7], quint16(214));
        QCOMPARE(r.scan->EtherDistance[8], quint16(0));
        QCOMPARE(r.scan->EtherIndex, 3);
    }

    void revolutionIsAnnouncedOnlyWhenComplete_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("completed");
        QTest::addColumn<int>("etherCount");
        const int g = 4;
        const QByteArray rev = revolution(g);
        // The first revolution is only a start: the points per degree were not known before it.
        QTest::newRow("first revolution is discarded") << rev << 0 << 0;
        QTest::newRow("second completes") << rev + rev << 1 << g * 320;
        QTest::newRow("three in one delivery") << rev + rev + rev << 2 << g * 320;
        QByteArray missing = rev + rev;
        missing.remove(rev.size() + 16 + 4 * 40, 16 + 4 * 40); // second packet of the second revolution
        QTest::newRow("missing packet") << missing << 0 << 0;
        QTest::newRow("resolution change") << rev + revolution(2) << 0 << 0;
        QTest::newRow("resolution change then complete") << rev + revolution(2) + revolution(2) << 1 << 640;
        QTest::newRow("one packet per revolution") << revolution(1, 320) + revolution(1, 320) << 1 << 320;
        // 100 points per degree overrun the 30,000-entry ring; the index wraps, nothing completes.
        QTest::newRow("ring overrun") << revolution(100, 20) + revolution(100, 20) << 0 << 0;
    }
    void revolutionIsAnnouncedOnlyWhenComplete()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, completed);
        QFETCH(int, etherCount);
        Receiver r(1);
        int total = 0;
        for (int at = 0; at < stream.size(); at += 1460) { // TCP-sized deliveries
            r.deliver(stream.mid(at, 1460));
            if (!r.sink.events.isEmpty())
                total += r.sink.events.takeFirst().section(' ', 1).toInt();
        }
        QCOMPARE(total, completed);
        QCOMPARE(r.scan->EtherCount, etherCount);
        QVERIFY(r.rx.isEmpty());
        QVERIFY(r.scan->EtherIndex >= 0 && r.scan->EtherIndex < kEtherRing);
    }

    void completedRevolutionHoldsThePointsInOrder()
    {
        Receiver r(1);
        r.deliver(revolution(4) + revolution(4, 10, 5000));
        QCOMPARE(r.scan->EtherCount, 1280);
        QCOMPARE(r.scan->EtherIndex, 0);
        QCOMPARE(r.scan->EtherDistance[0], quint16(5000));
        QCOMPARE(r.scan->EtherDistance[1279], quint16(6279));
        QCOMPARE(r.scan->EtherIntensity[999], quint16(999));
    }

    void streamedValuesAreClampedToTheRangeLimit_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("base");
        QTest::newRow("short packet, 6000") << 2 << 6000 << 5999;
        QTest::newRow("long packet, 6000") << 21 << 6000 << 5990;
        QTest::newRow("long packet, 36000, upper half") << 40 << 36000 << 35980;
        QTest::newRow("long packet, no clamp") << 24 << 65535 << 65512;
    }
    void streamedValuesAreClampedToTheRangeLimit()
    {
        QFETCH(int, points);
        QFETCH(int, limit);
        QFETCH(int, base);
        Receiver r(1);
        r.ctx.rangeLimit = limit;
        r.deliver(hisnPacket(20, 30, points, points, 0, base));
        for (int i = 0; i < points; ++i) {
            QCOMPARE(int(r.scan->EtherDistance[i]), qMin(base + i, limit));
            QCOMPARE(int(r.scan->EtherIntensity[i]), qMin((2 * (base + i)) & 0xFFFF, limit));
        }
        QCOMPARE(int(r.scan->EtherDistance[points]), 0);
    }

    void degenerateAnglesBreakTheRevolutionWithoutTouchingTheRing_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("equal") << 100 << 100;
        QTest::newRow("end below start") << 200 << 110;
        QTest::newRow("equal at 340") << 340 << 340;
        QTest::newRow("wrapped end") << 330 << 0;
    }
    void degenerateAnglesBreakTheRevolutionWithoutTouchingTheRing()
    {
        QFETCH(int, start);
        QFETCH(int, end);
        const QByteArray rev = revolution(4);
        const int firstHalf = 16 * (16 + 4 * 40); // 16 of the 32 packets
        Receiver r(1);
        r.deliver(rev + rev.left(firstHalf));
        QCOMPARE(r.scan->EtherIndex, 640);
        const quint16 before = r.scan->EtherDistance[640];
        r.deliver(hisnPacket(start, end, 40, 40, 40, 60000));
        QVERIFY(r.rx.isEmpty());
        QCOMPARE(r.scan->EtherIndex, 0);
        QCOMPARE(r.scan->EtherDistance[640], before);
        // The rest of the broken revolution does not complete it; the next whole one does.
        r.deliver(rev.mid(firstHalf));
        QCOMPARE(r.scan->EtherCount, 0);
        r.deliver(rev);
        QCOMPARE(r.scan->EtherCount, 1280);
        QCOMPARE(r.sink.events, QStringList{"revolutions 1"});
    }

    void packetsAroundForeignBytesAreAllTaken()
    {
        const QByteArray p1 = hisnPacket(20, 30, 4, 4, 0, 100);
        const QByteArray p2 = hisnPacket(30, 40, 4, 4, 1, 200);
        const QByteArray p3 = hisnPacket(40, 50, 4, 4, 2, 300);
        Receiver r(1);
        r.deliver("ab" + p1 + "cd" + p2 + p3 + "HIS");
        QCOMPARE(r.rx, QByteArray("abcdHIS"));
        QCOMPARE(r.scan->EtherDistance[0], quint16(200));
        QCOMPARE(r.scan->EtherDistance[4], quint16(300));
        QCOMPARE(r.scan->EtherIndex, 8);
    }

    void magicJoinedAcrossARemovedPacketIsFound()
    {
        // "HI" stays in front of the first packet and "SN" follows it: once the first packet is taken
        // the two halves spell the start of the second one.
        const QByteArray p1 = hisnPacket(20, 30, 4, 4, 0, 100);
        const QByteArray p2 = hisnPacket(30, 40, 4, 4, 1, 200);
        Receiver r(1);
        r.deliver("xHI" + p1 + p2.mid(2) + "zz");
        QCOMPARE(r.rx, QByteArray("xzz"));
        QCOMPARE(r.scan->EtherDistance[3], quint16(203));
        QCOMPARE(r.scan->EtherIndex, 4);
    }

    void mixedStreamWithNoiseInRandomChunksLosesNoFrame_data()
    {
        QTest::addColumn<int>("connectType");
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 4; ++seed) {
            QTest::addRow("serial %u", seed) << 0 << seed;
            QTest::addRow("ethernet %u", seed) << 1 << seed;
        }
    }
    void mixedStreamWithNoiseInRandomChunksLosesNoFrame()
    {
        QFETCH(int, connectType);
        QFETCH(quint32, seed);
        QRandomGenerator rnd(seed);
        QByteArray stream;
        QStringList expected;
        static const char kNoise[] = {0x00, 0x01, 0x7F, char(0xFF), 'a', 'b', 'c', 'x', 'y', 'z', '0', '1'};
        for (int i = 0; i < 300; ++i) {
            QByteArray noise(int(rnd.bounded(40)), '\0');
            for (char &c : noise) // bytes that cannot begin a code or a packet
                c = kNoise[rnd.bounded(12)];
            stream += noise;
            switch (rnd.bounded(4)) {
            case 0: {
                const int status = int(rnd.bounded(3));
                stream += statusReply(FrameCode::WArea, status);
                expected << QString("WArea %1").arg(status);
                break;
            }
            case 1: {
                SelfCheckReport r;
                r.RotationSpeed = quint16(i);
                TxFrame tx;
                buildSelfCheckReply(tx, r);
                stream += tx.bytes();
                expected << QString("WSimu %1").arg(i);
                break;
            }
            case 2:
                if (connectType == 1) {
                    stream += hisnPacket(20, 30, 12, 12, 0, i);
                }
                break;
            default: {
                TxFrame tx;
                buildAreaReply(tx, i % 64, AREA_DATA(), false);
                stream += tx.bytes();
                expected << QString("RArea %1").arg(i % 64);
            }
            }
        }
        Receiver r(connectType);
        for (int at = 0; at < stream.size();) {
            const int len = 1 + int(rnd.bounded(3000));
            r.deliver(stream.mid(at, len));
            at += len;
        }
        for (int i = 0; i < 300; ++i) // frames of one code queue up: one per delivery
            r.deliver(QByteArray());
        QStringList got = r.sink.events;
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
        QVERIFY(!r.rx.contains("HISN"));
        QVERIFY(r.rx.size() <= stream.size());
    }

    void serialRepliesAreIgnoredOnEthernetAndHisnOnSerial()
    {
        quint16 beams[kSerialBeams] = {};
        TxFrame tx;
        buildScanReply(tx, FrameCode::RScan, beams);
        Receiver ether(1);
        ether.deliver(tx.bytes());
        QVERIFY(ether.sink.events.isEmpty());
        QCOMPARE(ether.rx.size(), kScanReplyLength);
        Receiver serial(0);
        serial.deliver(hisnPacket(20, 30, 4, 4, 0));
        QCOMPARE(serial.rx.size(), 32);
        QCOMPARE(serial.scan->EtherDistance[0], quint16(0));
    }
};

QTEST_GUILESS_MAIN(TestCodecStream)
#include "tst_codec_stream.moc"
