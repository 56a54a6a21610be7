// Tests of GeoPolyline's geometry contracts on hand-computed cases.
#include <ostrika/geopolyline.h>

#include <QtTest>

#include <cmath>

using Ostrika::GeoPolyline;

Q_DECLARE_METATYPE(GeoPolyline)

namespace {

QString text(const QPointF &p) { return QStringLiteral("(%1, %2)").arg(p.x(), 0, 'g', 17).arg(p.y(), 0, 'g', 17); }

QString text(const QVector<QPointF> &pts)
{
    QStringList s;
    for (const QPointF &p : pts)
        s << text(p);
    return s.join(QLatin1Char(' '));
}

bool near(const QPointF &a, const QPointF &b) { return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-9; }
bool isNanPoint(const QPointF &p) { return std::isnan(p.x()) && std::isnan(p.y()); }

// An out-and-back route: east along y = 0, a short link north, back west along y = 10.
const GeoPolyline outAndBack{{0, 0}, {50, 0}, {100, 0}, {100, 10}, {50, 10}, {0, 10}};
// A closed square loop, counter-clockwise.
const GeoPolyline loop{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};

} // namespace

#define COMPARE_POINT(actual, expected) \
    QVERIFY2(near(actual, expected), qPrintable(text(actual) + QLatin1String(" != ") + text(expected)))

class TestGeoPolyline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void length();
    void bisectAtNode_data();
    void bisectAtNode();
    void bisectorReachesTheReturnLeg();
    void intersection_data();
    void intersection();
    void crossingsAtExactDistances();
    void pointToDistance_data();
    void pointToDistance();
    void pointOn();
    void pointOnWithoutProjection();
    void pointAt();
    void offsetted();
};

void TestGeoPolyline::length()
{
    QCOMPARE(GeoPolyline().length(), 0.0);
    QCOMPARE(GeoPolyline({QPointF(3, 4)}).length(), 0.0);
    QCOMPARE(GeoPolyline({QPointF(0, 0), QPointF(3, 4)}).length(), 5.0);
    QCOMPARE(GeoPolyline({QPointF(0, 0), QPointF(3, 4), QPointF(3, 4), QPointF(3, 10)}).length(), 11.0);
    QCOMPARE(outAndBack.length(), 210.0);
    QCOMPARE(loop.length(), 400.0);
}

void TestGeoPolyline::bisectAtNode_data()
{
    QTest::addColumn<GeoPolyline>("line");
    QTest::addColumn<int>("index");
    QTest::addColumn<QLineF>("expected");
    const double r = std::sqrt(0.5);
    const GeoPolyline straight{{0, 0}, {10, 0}, {20, 0}};
    QTest::newRow("first point, perpendicular to the left") << straight << 0 << QLineF(0, 0, 0, 1);
    QTest::newRow("straight on") << straight << 1 << QLineF(10, 0, 10, 1);
    QTest::newRow("last point") << straight << 2 << QLineF(20, 0, 20, 1);
    QTest::newRow("westwards: left is south") << GeoPolyline{{20, 0}, {10, 0}} << 1 << QLineF(10, 0, 10, -1);
    QTest::newRow("right turn: outside of the bend")
        << GeoPolyline{{0, 0}, {0, 10}, {10, 10}} << 1 << QLineF(0, 10, -r, 10 + r);
    QTest::newRow("left turn: inside of the bend")
        << GeoPolyline{{0, 0}, {10, 0}, {10, 10}} << 1 << QLineF(10, 0, 10 - r, r);
    QTest::newRow("U-turn: perpendicular to the incoming segment")
        << GeoPolyline{{0, 0}, {10, 0}, {0, 0}} << 1 << QLineF(10, 0, 10, 1);
    QTest::newRow("zero-length segment before") << GeoPolyline{{0, 0}, {10, 0}, {10, 0}, {10, 10}} << 2
                                                << QLineF(10, 0, 10 - r, r);
    QTest::newRow("zero-length segment after") << GeoPolyline{{0, 0}, {10, 0}, {10, 0}, {10, 10}} << 1
                                               << QLineF(10, 0, 10 - r, r);
    QTest::newRow("out and back, outward leg") << outAndBack << 1 << QLineF(50, 0, 50, 1);
    QTest::newRow("out and back, return leg") << outAndBack << 4 << QLineF(50, 10, 50, 9);
    QTest::newRow("loop corner") << loop << 2 << QLineF(100, 100, 100 - r, 100 - r);
    QTest::newRow("loop closing point") << loop << 4 << QLineF(0, 0, 1, 0);
    QTest::newRow("index -1") << straight << -1 << QLineF();
    QTest::newRow("index past the end") << straight << 3 << QLineF();
    QTest::newRow("empty") << GeoPolyline() << 0 << QLineF();
    QTest::newRow("one point") << GeoPolyline{{5, 5}} << 0 << QLineF();
    QTest::newRow("all points equal") << GeoPolyline{{5, 5}, {5, 5}} << 1 << QLineF();
}

void TestGeoPolyline::bisectAtNode()
{
    QFETCH(GeoPolyline, line);
    QFETCH(int, index);
    QFETCH(QLineF, expected);
    const QLineF got = line.bisectAtNode(index);
    if (expected.isNull()) {
        QVERIFY2(got.isNull(), qPrintable(text(got.p1()) + text(got.p2())));
        return;
    }
    COMPARE_POINT(got.p1(), expected.p1());
    COMPARE_POINT(got.p2(), expected.p2());
    QVERIFY(std::abs(got.length() - 1.0) < 1e-12);
}

void TestGeoPolyline::bisectorReachesTheReturnLeg()
{
    // The bisector, stretched to 50, meets the node itself once and the return leg.
    QLineF probe = outAndBack.bisectAtNode(1);
    probe.setLength(50.0);
    const QVector<QPointF> hits = outAndBack.intersection(probe);
    QCOMPARE(text(hits), text(QVector<QPointF>{{50, 0}, {50, 10}}));
    QCOMPARE(QLineF(probe.p1(), hits.at(1)).length(), 10.0);
}

void TestGeoPolyline::intersection_data()
{
    QTest::addColumn<GeoPolyline>("line");
    QTest::addColumn<QLineF>("probe");
    QTest::addColumn<QVector<QPointF>>("expected");
    const GeoPolyline east{{0, 0}, {10, 0}};
    QTest::newRow("simple crossing") << east << QLineF(5, -5, 5, 5) << QVector<QPointF>{{5, 0}};
    QTest::newRow("miss") << east << QLineF(5, 1, 5, 5) << QVector<QPointF>{};
    QTest::newRow("probe ends on the line") << east << QLineF(5, 5, 5, 0) << QVector<QPointF>{{5, 0}};
    QTest::newRow("zigzag in polyline order") << GeoPolyline{{0, -1}, {2, 1}, {4, -1}, {6, 1}} << QLineF(6, 0, 0, 0)
                                              << QVector<QPointF>{{1, 0}, {3, 0}, {5, 0}};
    QTest::newRow("shared vertex reported once") << GeoPolyline{{0, 0}, {5, 5}, {10, 0}} << QLineF(5, 0, 5, 10)
                                                 << QVector<QPointF>{{5, 5}};
    QTest::newRow("shared vertex across a zero-length segment")
        << GeoPolyline{{0, 0}, {5, 5}, {5, 5}, {10, 0}} << QLineF(5, 0, 5, 10) << QVector<QPointF>{{5, 5}};
    QTest::newRow("first point") << east << QLineF(0, -1, 0, 1) << QVector<QPointF>{{0, 0}};
    QTest::newRow("collinear overlap") << east << QLineF(2, 0, 5, 0) << QVector<QPointF>{{2, 0}, {5, 0}};
    QTest::newRow("collinear overlap, probe reversed") << east << QLineF(5, 0, 2, 0) << QVector<QPointF>{{2, 0}, {5, 0}};
    QTest::newRow("collinear, probe longer") << east << QLineF(-5, 0, 15, 0) << QVector<QPointF>{{0, 0}, {10, 0}};
    QTest::newRow("parallel apart") << east << QLineF(0, 1, 10, 1) << QVector<QPointF>{};
    QTest::newRow("loop: both sides") << loop << QLineF(50, -10, 50, 110) << QVector<QPointF>{{50, 0}, {50, 100}};
    QTest::newRow("loop: start and end are not consecutive")
        << loop << QLineF(-5, -5, 5, 5) << QVector<QPointF>{{0, 0}, {0, 0}};
    QTest::newRow("empty") << GeoPolyline() << QLineF(0, 0, 1, 1) << QVector<QPointF>{};
    QTest::newRow("one point") << GeoPolyline{{0.5, 0.5}} << QLineF(0, 0, 1, 1) << QVector<QPointF>{};
    QTest::newRow("zero-length probe") << east << QLineF(5, 0, 5, 0) << QVector<QPointF>{};
}

void TestGeoPolyline::intersection()
{
    QFETCH(GeoPolyline, line);
    QFETCH(QLineF, probe);
    QFETCH(QVector<QPointF>, expected);
    const QVector<QPointF> got = line.intersection(probe);
    QCOMPARE(text(got), text(expected));
}

void TestGeoPolyline::crossingsAtExactDistances()
{
    // Return legs exactly 1.0 and 50.0 from the node: the crossings lie at those distances
    // exactly, so a caller's "more than 1.0, less than 50.0" test is decided without rounding.
    for (double gap : {1.0, 50.0, 49.999999, 1.000001}) {
        const GeoPolyline route{{0, 0}, {50, 0}, {100, 0}, {100, gap}, {0, gap}};
        QLineF probe = route.bisectAtNode(1);
        probe.setLength(50.0);
        const QVector<QPointF> hits = route.intersection(probe);
        QCOMPARE(hits.size(), 2);
        QCOMPARE(hits.at(0), QPointF(50, 0));
        QVERIFY2(QLineF(probe.p1(), hits.at(1)).length() == gap, qPrintable(text(hits.at(1))));
    }
    // Just beyond the probe: no crossing.
    const GeoPolyline far{{0, 0}, {50, 0}, {100, 0}, {100, 50.000001}, {0, 50.000001}};
    QLineF probe = far.bisectAtNode(1);
    probe.setLength(50.0);
    QCOMPARE(far.intersection(probe).size(), 1);
}

void TestGeoPolyline::pointToDistance_data()
{
    QTest::addColumn<GeoPolyline>("line");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<QList<double>>("expected");
    const GeoPolyline east{{0, 0}, {100, 0}};
    QTest::newRow("one pass") << east << QPointF(30, 4) << 5.0 << QList<double>{30};
    QTest::newRow("on the tolerance") << east << QPointF(30, 5) << 5.0 << QList<double>{30};
    QTest::newRow("just outside") << east << QPointF(30, 5) << 4.999999 << QList<double>{};
    QTest::newRow("near the end point") << east << QPointF(103, 4) << 5.0 << QList<double>{100};
    QTest::newRow("end point just outside") << east << QPointF(103, 4) << 4.99 << QList<double>{};
    QTest::newRow("out and back: two passes") << outAndBack << QPointF(30, 5) << 5.0 << QList<double>{30, 180};
    QTest::newRow("out and back: one wide pass") << outAndBack << QPointF(98, 5) << 40.0 << QList<double>{105};
    QTest::newRow("pass over a corner: first closest wins") << GeoPolyline{{0, 0}, {10, 0}, {10, 10}} << QPointF(9, 1)
                                                            << 3.0 << QList<double>{9};
    QTest::newRow("loop: start and end are two passes") << loop << QPointF(1, 2) << 3.0 << QList<double>{1, 398};
    QTest::newRow("zero tolerance on the line") << east << QPointF(40, 0) << 0.0 << QList<double>{40};
    QTest::newRow("one point within") << GeoPolyline{{3, 4}} << QPointF(0, 0) << 5.0 << QList<double>{0};
    QTest::newRow("one point outside") << GeoPolyline{{3, 4}} << QPointF(0, 0) << 4.9 << QList<double>{};
    QTest::newRow("empty") << GeoPolyline() << QPointF(0, 0) << 5.0 << QList<double>{};
    QTest::newRow("negative tolerance") << east << QPointF(30, 0) << -1.0 << QList<double>{};
    QTest::newRow("NaN tolerance") << east << QPointF(30, 0) << qQNaN() << QList<double>{};
    QTest::newRow("NaN point") << east << QPointF(qQNaN(), 0) << 5.0 << QList<double>{};
}

void TestGeoPolyline::pointToDistance()
{
    QFETCH(GeoPolyline, line);
    QFETCH(QPointF, point);
    QFETCH(double, tolerance);
    QFETCH(QList<double>, expected);
    QCOMPARE(line.pointToDistance(point, tolerance), expected);
}

void TestGeoPolyline::pointOn()
{
    const GeoPolyline corner{{0, 0}, {10, 0}, {10, 10}};
    double distance = -7, offset = -7;
    int segment = -7;
    COMPARE_POINT(corner.pointOn(QPointF(3, 4), &distance, false, &offset, &segment), QPointF(3, 0));
    QCOMPARE(distance, 3.0);
    QCOMPARE(offset, 4.0);   // left of travel
    QCOMPARE(segment, 0);

    COMPARE_POINT(corner.pointOn(QPointF(12, 5), &distance, false, &offset, &segment), QPointF(10, 5));
    QCOMPARE(distance, 15.0);
    QCOMPARE(offset, -2.0);   // east of a northbound segment: right
    QCOMPARE(segment, 1);

    // Equally close to both legs: the first along the polyline.
    COMPARE_POINT(outAndBack.pointOn(QPointF(30, 5), &distance, true, &offset, &segment), QPointF(30, 0));
    QCOMPARE(distance, 30.0);
    QCOMPARE(segment, 0);
    COMPARE_POINT(outAndBack.pointOn(QPointF(30, 8), &distance, true), QPointF(30, 10));
    QCOMPARE(distance, 180.0);

    // Beyond the end: only the nearest mode clamps.
    COMPARE_POINT(corner.pointOn(QPointF(10, 15), &distance, true, nullptr, &segment), QPointF(10, 10));
    QCOMPARE(distance, 20.0);
    QCOMPARE(segment, 1);
    // Outside corner: no perpendicular foot inside a segment.
    COMPARE_POINT(corner.pointOn(QPointF(12, -2), &distance, true), QPointF(10, 0));
    QCOMPARE(distance, 10.0);

    // Zero-length segments are skipped; the segment index is the polyline's own.
    const GeoPolyline repeated{{0, 0}, {0, 0}, {10, 0}};
    COMPARE_POINT(repeated.pointOn(QPointF(4, -1), &distance, false, &offset, &segment), QPointF(4, 0));
    QCOMPARE(distance, 4.0);
    QCOMPARE(offset, -1.0);
    QCOMPARE(segment, 1);

    // One point: the nearest mode projects onto it.
    COMPARE_POINT(GeoPolyline({QPointF(2, 2)}).pointOn(QPointF(5, 6), &distance, true, &offset, &segment), QPointF(2, 2));
    QCOMPARE(distance, 0.0);
    QCOMPARE(offset, 0.0);
    QCOMPARE(segment, 0);
}

void TestGeoPolyline::pointOnWithoutProjection()
{
    const GeoPolyline corner{{0, 0}, {10, 0}, {10, 10}};
    double distance = -7, offset = -7;
    int segment = -7;
    QVERIFY(isNanPoint(corner.pointOn(QPointF(11, 15), &distance, false, &offset, &segment)));
    // A foot exactly on a segment end counts.
    COMPARE_POINT(corner.pointOn(QPointF(10, 15), nullptr, false), QPointF(10, 0));
    QVERIFY(isNanPoint(corner.pointOn(QPointF(12, -2), &distance, false, &offset, &segment)));
    QVERIFY(isNanPoint(GeoPolyline().pointOn(QPointF(1, 1), &distance, true, &offset, &segment)));
    QVERIFY(isNanPoint(GeoPolyline({QPointF(2, 2)}).pointOn(QPointF(5, 6), &distance, false, &offset, &segment)));
    QVERIFY(isNanPoint(corner.pointOn(QPointF(qQNaN(), 1), &distance, true, &offset, &segment)));
    // Outputs untouched.
    QCOMPARE(distance, -7.0);
    QCOMPARE(offset, -7.0);
    QCOMPARE(segment, -7);
    // Null outputs are fine.
    COMPARE_POINT(corner.pointOn(QPointF(5, 1)), QPointF(5, 0));
}

void TestGeoPolyline::pointAt()
{
    const GeoPolyline corner{{0, 0}, {10, 0}, {10, 0}, {10, 10}};
    COMPARE_POINT(corner.pointAt(0), QPointF(0, 0));
    COMPARE_POINT(corner.pointAt(-5), QPointF(0, 0));
    COMPARE_POINT(corner.pointAt(5), QPointF(5, 0));
    COMPARE_POINT(corner.pointAt(10), QPointF(10, 0));
    COMPARE_POINT(corner.pointAt(15), QPointF(10, 5));
    COMPARE_POINT(corner.pointAt(25), QPointF(10, 10));
    QVERIFY(isNanPoint(corner.pointAt(qQNaN())));
    QVERIFY(isNanPoint(GeoPolyline().pointAt(1)));
    COMPARE_POINT(GeoPolyline({QPointF(3, 3)}).pointAt(4), QPointF(3, 3));
}

void TestGeoPolyline::offsetted()
{
    const GeoPolyline east{{0, 0}, {10, 0}};
    QCOMPARE(text(east.offsetted(2).points()), text(QVector<QPointF>{{0, 2}, {10, 2}}));
    QCOMPARE(text(east.offsetted(-2).points()), text(QVector<QPointF>{{0, -2}, {10, -2}}));
    QCOMPARE(east.offsetted(0), east);
    // Mitre at a left turn: the inside corner.
    const GeoPolyline corner{{0, 0}, {10, 0}, {10, 10}};
    const GeoPolyline inner = corner.offsetted(1);
    QCOMPARE(inner.count(), 3);
    COMPARE_POINT(inner.at(0), QPointF(0, 1));
    COMPARE_POINT(inner.at(1), QPointF(9, 1));
    COMPARE_POINT(inner.at(2), QPointF(9, 10));
    COMPARE_POINT(corner.offsetted(-1).at(1), QPointF(11, -1));
    // A U-turn is bevelled rather than mitred to infinity.
    const GeoPolyline uturn = GeoPolyline{{0, 0}, {10, 0}, {0, 0}}.offsetted(1);
    QCOMPARE(text(uturn.points()), text(QVector<QPointF>{{0, 1}, {10, 1}, {10, -1}, {0, -1}}));
    // Degenerate input comes back unchanged.
    QCOMPARE(GeoPolyline().offsetted(1), GeoPolyline());
    QCOMPARE(GeoPolyline({QPointF(1, 1)}).offsetted(1), GeoPolyline({QPointF(1, 1)}));
    QCOMPARE(GeoPolyline({QPointF(1, 1), QPointF(1, 1)}).offsetted(1), GeoPolyline({QPointF(1, 1), QPointF(1, 1)}));
}

QTEST_GUILESS_MAIN(TestGeoPolyline)
#include "tst_geopolyline.moc"
