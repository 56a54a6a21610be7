// Tests of GeoUtil: Web Mercator conversion, origin shift and round trips.
#include <ostrika/geoutil.h>

#include <QtTest>

#include <cmath>

using Ostrika::GeoUtil;

class TestGeoUtil : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void knownValues();
    void originShiftKeepsScale();
    void unitsPerMetre();
    void rectangles();
    void clampsAndNonFinite();
};

void TestGeoUtil::roundTrip_data()
{
    QTest::addColumn<QPointF>("origin");
    QTest::addColumn<QPointF>("geo");
    const QPointF origins[] = {QPointF(0, 0), QPointF(13.4, 52.5), QPointF(151.2, -33.9)};
    const double lats[] = {0, 45, 60, -33.9, 85, -85};
    const double lons[] = {0, 18.068581, -179.999, 179.999};
    for (const QPointF &o : origins) {
        for (double lat : lats) {
            for (double lon : lons)
                QTest::addRow("origin %g,%g at %g,%g", o.x(), o.y(), lon, lat) << o << QPointF(lon, lat);
        }
    }
}

void TestGeoUtil::roundTrip()
{
    QFETCH(QPointF, origin);
    QFETCH(QPointF, geo);
    const GeoUtil g(origin);
    const QPointF back = g.xyToGeo(g.geoToXY(geo));
    QVERIFY2(std::abs(back.x() - geo.x()) < 1e-9 && std::abs(back.y() - geo.y()) < 1e-9,
             qPrintable(QStringLiteral("%1 %2 came back as %3 %4").arg(geo.x(), 0, 'g', 17)
                            .arg(geo.y(), 0, 'g', 17).arg(back.x(), 0, 'g', 17).arg(back.y(), 0, 'g', 17)));
    // The origin itself is the planar zero.
    QCOMPARE(g.geoToXY(origin), QPointF(0, 0));
}

void TestGeoUtil::knownValues()
{
    const GeoUtil g;
    QCOMPARE(g.origin(), QPointF(0, 0));
    // Web Mercator: 180 degrees of longitude is half the equator.
    QCOMPARE(g.geoToXY(QPointF(180, 0)).x(), M_PI * GeoUtil::EarthRadius);
    const QPointF p = g.geoToXY(QPointF(0, 45));
    const double expected = GeoUtil::EarthRadius * std::log(std::tan(M_PI / 4 + M_PI / 8));
    QVERIFY2(std::abs(p.y() - expected) < 1e-6, qPrintable(QString::number(p.y(), 'g', 17)));
    QCOMPARE(g.geoToXY(QPointF(10, -20)).y(), -g.geoToXY(QPointF(10, 20)).y());
}

void TestGeoUtil::originShiftKeepsScale()
{
    // A network's conversion and a default one measure the same lengths at the same place.
    const GeoUtil net(QPointF(13.4, 52.5));
    const GeoUtil plain;
    const QPointF a(13.41, 52.51), b(13.4102, 52.5101);
    const QLineF inNet(net.geoToXY(a), net.geoToXY(b));
    const QLineF inPlain(plain.geoToXY(a), plain.geoToXY(b));
    QVERIFY2(std::abs(inNet.length() - inPlain.length()) < 1e-6,
             qPrintable(QStringLiteral("%1 vs %2").arg(inNet.length()).arg(inPlain.length())));
    QVERIFY(inNet.length() > 10);
    // A point moves by the origin offset only.
    QCOMPARE(net.geoToXY(a) + plain.geoToXY(net.origin()), plain.geoToXY(a));
}

void TestGeoUtil::unitsPerMetre()
{
    QCOMPARE(GeoUtil::unitsPerMetre(0), 1.0);
    QVERIFY(std::abs(GeoUtil::unitsPerMetre(60) - 2.0) < 1e-12);
    // 1 m of true distance north near 60 degrees is 2 planar units.
    const GeoUtil g;
    const double metreInDegrees = 180.0 / (M_PI * 6371008.8);
    const double dy = g.geoToXY(QPointF(0, 60 + metreInDegrees)).y() - g.geoToXY(QPointF(0, 60)).y();
    QVERIFY2(std::abs(dy - 2.0) < 0.01, qPrintable(QString::number(dy)));
    QVERIFY(std::isnan(GeoUtil::unitsPerMetre(qQNaN())));
}

void TestGeoUtil::rectangles()
{
    const GeoUtil g(QPointF(10, 50));
    const QRectF geo(QPointF(10, 50), QPointF(10.01, 50.01));
    const QRectF xy = g.geoToXY(geo);
    QVERIFY(xy.width() > 0 && xy.height() > 0);
    QCOMPARE(xy.topLeft(), QPointF(0, 0));
    const QRectF back = g.xyToGeo(xy);
    QVERIFY(std::abs(back.left() - 10) < 1e-9 && std::abs(back.top() - 50) < 1e-9);
    QVERIFY(std::abs(back.right() - 10.01) < 1e-9 && std::abs(back.bottom() - 50.01) < 1e-9);
}

void TestGeoUtil::clampsAndNonFinite()
{
    const GeoUtil g;
    QCOMPARE(g.geoToXY(QPointF(0, 89)), g.geoToXY(QPointF(0, GeoUtil::MaxLatitude)));
    QCOMPARE(g.xyToGeo(g.geoToXY(QPointF(0, 89))).y(), GeoUtil::MaxLatitude);
    const QPointF nan = g.geoToXY(QPointF(qQNaN(), 10));
    QVERIFY(std::isnan(nan.x()) && std::isnan(nan.y()));
    const QPointF inf = g.xyToGeo(QPointF(0, qInf()));
    QVERIFY(!std::isfinite(inf.y()));
    QVERIFY(!std::isfinite(g.geoToXY(QPointF(0, -qInf())).y()));
}

QTEST_GUILESS_MAIN(TestGeoUtil)
#include "tst_geoutil.moc"
