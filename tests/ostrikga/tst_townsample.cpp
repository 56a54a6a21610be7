// The bundled sample town: loads, is drawn and has the content it promises.
#include <ostrika/ostrika.h>
#include <ostrikga/items.h>
#include <ostrikga/networkg.h>

#include <QFileInfo>
#include <QGraphicsScene>
#include <QtTest>

class TestTownSample : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void isSmallAndGeoReferenced();
    void hasSignalisedJunctionsWithTwoOrThreeLanes();
    void turnsHaveTheirOwnGroups();
    void stoplinesFollowTheLaneConvention();
    void crosswalksHaveTheirOwnGroups();
    void hasAnOutAndBackRoute();
    void everythingIsDrawn();

private:
    QList<Ostrika::Granule *> signalisedGranules() const;
    QString m_file;
    QGraphicsScene *m_scene = nullptr;
    Ostrikga::Networkg *m_net = nullptr;
};

void TestTownSample::initTestCase()
{
    const QString root = qEnvironmentVariable("OSTRIK_SOURCE_DIR");
    m_file = root.isEmpty() ? QFINDTESTDATA("../../samples/town.ostka")
                            : root + QStringLiteral("/samples/town.ostka");
    QVERIFY2(QFileInfo::exists(m_file), qPrintable(m_file));
    m_scene = new QGraphicsScene;
    m_net = new Ostrikga::Networkg(m_scene);
    QVERIFY2(m_net->load(m_file), qPrintable(m_net->errorString()));
}

void TestTownSample::cleanupTestCase()
{
    delete m_net;
    delete m_scene;
}

QList<Ostrika::Granule *> TestTownSample::signalisedGranules() const
{
    QList<Ostrika::Granule *> lit;
    for (Ostrika::Granule *g : m_net->findChildren<Ostrika::Granule *>()) {
        if (g->tlId() > 0)
            lit << g;
    }
    return lit;
}

void TestTownSample::isSmallAndGeoReferenced()
{
    QVERIFY(QFileInfo(m_file).size() < 1024 * 1024);
    const QRectF brno(QPointF(16.5, 49.1), QPointF(16.7, 49.3));
    for (Ostrika::Node *node : m_net->findChildren<Ostrika::Node *>()) {
        const QPointF geo = m_net->geoUtil()->xyToGeo(node->position());
        QVERIFY2(brno.contains(geo), qPrintable(node->objectName()));
    }
}

void TestTownSample::hasSignalisedJunctionsWithTwoOrThreeLanes()
{
    const QList<Ostrika::Granule *> lit = signalisedGranules();
    QVERIFY2(lit.size() >= 12, qPrintable(QString::number(lit.size())));
    QSet<int> controllers;
    for (Ostrika::Granule *g : lit) {
        controllers.insert(g->tlId());
        QVERIFY(!g->nodes().isEmpty());
        int approaches = 0;
        for (Ostrika::Edge *edge : m_net->findChildren<Ostrika::Edge *>()) {
            if (!g->nodes().contains(edge->end()))
                continue;
            ++approaches;
            QVERIFY2(edge->lanes().size() >= 2 && edge->lanes().size() <= 3,
                     qPrintable(edge->objectName()));
        }
        QVERIFY2(approaches >= 3, qPrintable(g->objectName()));
    }
    QCOMPARE(controllers.size(), lit.size());
}

void TestTownSample::turnsHaveTheirOwnGroups()
{
    int lefts = 0, rights = 0;
    for (Ostrika::Granule *g : signalisedGranules()) {
        for (Ostrika::Connection *c : g->connections()) {
            QVERIFY2(!c->signalGroups().isEmpty(), qPrintable(c->objectName()));
            const double a = c->lanesAngle();
            const bool left = a > 225 && a < 315;
            const bool right = a > 45 && a < 135;
            lefts += left;
            rights += right;
            if (!left)
                continue;
            // A left turn's group governs left turns only.
            for (Ostrika::SignalGroup *sg : c->signalGroups()) {
                for (Ostrika::Connection *other : sg->connections()) {
                    const double b = other->lanesAngle();
                    QVERIFY2(b > 225 && b < 315, qPrintable(sg->objectName()));
                }
            }
        }
    }
    QVERIFY(lefts >= 12);
    QVERIFY(rights >= 12);
}

void TestTownSample::stoplinesFollowTheLaneConvention()
{
    const auto stoplines = m_net->findChildren<Ostrika::Stopline *>();
    QVERIFY(!stoplines.isEmpty());
    for (Ostrika::Stopline *s : stoplines) {
        QVERIFY(s->lane());
        const Ostrika::GeoPolyline &lane = s->lane()->polyline();
        const QPointF travel = lane.constLast() - lane.at(lane.count() - 2);
        const QPointF across = s->line().p2() - s->line().p1();
        // Travel is the stop line's direction turned 90 degrees counter-clockwise (y north).
        const QPointF turned(-across.y(), across.x());
        const double cosine = QPointF::dotProduct(turned, travel)
            / (std::hypot(turned.x(), turned.y()) * std::hypot(travel.x(), travel.y()));
        QVERIFY2(cosine > 0.9998, qPrintable(QString("%1: %2").arg(s->objectName()).arg(cosine)));
        QVERIFY2(std::abs(s->line().length() - s->lane()->width()) < 0.01,
                 qPrintable(s->objectName()));
    }
    for (Ostrika::Connection *c : m_net->findChildren<Ostrika::Connection *>()) {
        if (c->granule() && c->granule()->tlId() > 0)
            QVERIFY2(c->from() && c->from()->lane() == c->startLane(), qPrintable(c->objectName()));
    }
}

void TestTownSample::crosswalksHaveTheirOwnGroups()
{
    for (Ostrika::Granule *g : signalisedGranules()) {
        QVERIFY2(g->crosswalks().size() >= 3, qPrintable(g->objectName()));
        QSet<int> vehicleGroups;
        for (Ostrika::SignalGroup *sg : g->signalGroups()) {
            if (!sg->connections().isEmpty())
                vehicleGroups.insert(sg->tlId());
        }
        for (Ostrika::CrossWalk *w : g->crosswalks()) {
            QVERIFY(w->signalGroupTlId() > 0);
            QVERIFY2(!vehicleGroups.contains(w->signalGroupTlId()), qPrintable(w->objectName()));
            const auto groups = g->signalGroups();
            QVERIFY2(std::any_of(groups.begin(), groups.end(),
                                 [&](Ostrika::SignalGroup *sg) {
                                     return sg->tlId() == w->signalGroupTlId();
                                 }),
                     qPrintable(w->objectName()));
        }
    }
}

void TestTownSample::hasAnOutAndBackRoute()
{
    const auto routes = m_net->findChildren<Ostrika::Route *>();
    QVERIFY(routes.size() >= 3);
    int outAndBack = 0;
    for (Ostrika::Route *route : routes) {
        const QList<Ostrika::Edge *> &e = route->routeEdges();
        QCOMPARE(route->routeEdgeCount(), e.size());
        QVERIFY(route->allowedVehicles() != 0);
        for (int i = 1; i < e.size(); ++i)
            QCOMPARE(e[i]->start(), e[i - 1]->end());
        const int n = e.size();
        bool mirrored = n >= 4 && n % 2 == 0;
        for (int i = 0; mirrored && i < n / 2; ++i) {
            const Ostrika::Edge *there = e[i], *back = e[n - 1 - i];
            mirrored = there != back && back->start() == there->end() && back->end() == there->start();
        }
        outAndBack += mirrored;
    }
    QCOMPARE(outAndBack, 1);
}

void TestTownSample::everythingIsDrawn()
{
    for (Ostrika::Connection *c : m_net->findChildren<Ostrika::Connection *>()) {
        const QGraphicsItem *item = m_net->object2item(c);
        QVERIFY(item);
        QCOMPARE(item->type(), int(Ostrikga::Connectiong::Type));
    }
    for (Ostrika::Node *n : m_net->findChildren<Ostrika::Node *>()) {
        const QGraphicsItem *item = m_net->object2item(n);
        QVERIFY(item);
        QVERIFY(!item->sceneBoundingRect().isNull());
    }
}

QTEST_MAIN(TestTownSample)
#include "tst_townsample.moc"
