// Tests of the ".ostka" reader and writer: contents, round trip and every class of bad input.
#include "hostilefiles.h"
#include "networkdump.h"
#include "smallnetwork.h"

#include <ostrika/ostrika.h>

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <csignal>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Ostrika;

namespace {

// Records the order of the hooks a graphics network relies on.
class HookedNetwork : public Network
{
public:
    QStringList calls;

protected:
    void loaded() override { calls << QStringLiteral("loaded %1").arg(objectCount()); }
    void aboutToClear() override { calls << QStringLiteral("aboutToClear %1").arg(objectCount()); }
};

QByteArray replaced(const QByteArray &doc, const char *from, const char *to)
{
    QByteArray out = doc;
    const int at = out.indexOf(from);
    if (at < 0)
        qFatal("test data: \"%s\" not in the document", from);
    return out.replace(at, int(qstrlen(from)), to);
}


} // namespace

class TestNetworkFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEveryObjectWithItsLinks();
    void derivesMissingGeometry();
    void roundTripIsExact();
    void saveAndLoadThroughAFile();
    void whateverTheBuilderAcceptsLoadsBack();
    void unwritableNetworks();
    void formatDocumentExampleLoads();
    void readsJsonEscapesAndNumberForms();
    void hooksAndSignal();
    void clearKeepsForeignChildren();
    void appendMovesCoordinatesOntoTheNetworkOrigin();
    void badInput_data();
    void badInput();
    void badInputOnAppendChangesNothing_data();
    void badInputOnAppendChangesNothing();
    void everyTruncationIsReported();
    void missingFile();
    void hostileFiles_data();
    void hostileFiles();
    void outOfMemoryIsAFailure();
};

void TestNetworkFormat::readsEveryObjectWithItsLinks()
{
    Network net;
    QVERIFY2(net.loadFromData(smallNetwork()), qPrintable(net.errorString()));
    QCOMPARE(net.errorString(), QString());
    QCOMPARE(net.findChildren<Node *>().size(), 4);
    QCOMPARE(net.findChildren<Edge *>().size(), 5);
    QCOMPARE(net.findChildren<Lane *>().size(), 6);
    QCOMPARE(net.findChildren<Stopline *>().size(), 3);
    QCOMPARE(net.findChildren<Granule *>().size(), 1);
    QCOMPARE(net.findChildren<SignalGroup *>().size(), 3);
    QCOMPARE(net.findChildren<Connection *>().size(), 5);
    QCOMPARE(net.findChildren<CrossWalk *>().size(), 1);
    QCOMPARE(net.findChildren<Route *>().size(), 2);
    QCOMPARE(net.objectCount(), 30);
    QCOMPARE(net.geoUtil()->origin(), QPointF(13.40495, 52.52008));

    auto *edge = qobject_cast<Edge *>(net.findObject(10));
    QVERIFY(edge);
    QCOMPARE(edge->objectName(), QStringLiteral("Main Street eastbound"));
    QCOMPARE(edge->parent(), &net);
    QCOMPARE(edge->start()->id(), 1);
    QCOMPARE(edge->end()->id(), 2);
    QCOMPARE(edge->lanes().size(), 2);

    auto *lane = qobject_cast<Lane *>(net.findObject(12));
    QVERIFY(lane);
    QCOMPARE(lane->parent(), edge);
    QCOMPARE(lane->edge(), edge);
    QCOMPARE(lane->index(), 1);
    QCOMPARE(lane->endNode()->id(), 2);
    QCOMPARE(lane->width(), 3.0);
    QCOMPARE(lane->allowed(), Lane::VehicleClasses(Lane::Passenger | Lane::Motorcycle));
    QCOMPARE(lane->stopline()->id(), 22);
    QCOMPARE(qobject_cast<Lane *>(net.findObject(11))->allowed(), Lane::VehicleClasses(Lane::AllClasses));
    QCOMPARE(qobject_cast<Lane *>(net.findObject(16))->allowed(), Lane::VehicleClasses(Lane::AllClasses));

    auto *node = qobject_cast<Node *>(net.findObject(2));
    QCOMPARE(node->type(), int(Node::Junction));
    QCOMPARE(node->granule()->id(), 30);
    QCOMPARE(node->edges().size(), 5);
    QCOMPARE(qobject_cast<Node *>(net.findObject(1))->granule(), nullptr);
    QCOMPARE(qobject_cast<Node *>(net.findObject(1))->type(), int(Node::DeadEnd));

    auto *granule = qobject_cast<Granule *>(net.findObject(30));
    QCOMPARE(granule->tlId(), 7);
    QCOMPARE(granule->nodes().size(), 1);
    QCOMPARE(granule->connections().size(), 5);
    QCOMPARE(granule->crosswalks().size(), 1);
    QCOMPARE(granule->signalGroups().size(), 3);
    const auto groups = granule->findChildren<SignalGroup *>();
    QCOMPARE(groups.size(), 3);
    for (SignalGroup *sg : groups) {
        QCOMPARE(sg->parent(), granule);
        QCOMPARE(sg->granule(), granule);
    }

    auto *k2 = qobject_cast<SignalGroup *>(net.findObject(32));
    QCOMPARE(k2->tlId(), 2);
    QCOMPARE(k2->objectName(), QStringLiteral("K2"));
    QCOMPARE(NetworkDump::refs(k2->connections()), QStringLiteral("41,43,44"));

    auto *c42 = qobject_cast<Connection *>(net.findObject(42));
    QCOMPARE(c42->startLane()->id(), 18);
    QCOMPARE(c42->endLane()->id(), 20);
    QCOMPARE(c42->from()->id(), 23);
    QCOMPARE(c42->granule(), granule);
    QCOMPARE(NetworkDump::refs(c42->signalGroups()), QStringLiteral("31"));
    QVERIFY(!c42->property("exclude_from_route").isValid());
    QCOMPARE(net.findObject(44)->property("exclude_from_route").toInt(), 51);
    QCOMPARE(c42->from()->line(), QLineF(8, 0, 8, 3.5));

    auto *walk = qobject_cast<CrossWalk *>(net.findObject(45));
    QCOMPARE(walk->signalGroupTlId(), 3);
    QCOMPARE(walk->width(), 4.0);
    QCOMPARE(walk->granule(), granule);

    auto *route = qobject_cast<Route *>(net.findObject(50));
    QCOMPARE(route->routeEdgeCount(), 2);
    QCOMPARE(NetworkDump::refs(route->routeEdges()), QStringLiteral("10,13"));
    QCOMPARE(route->allowedVehicles(), Lane::VehicleClasses(Lane::Passenger | Lane::Bus));
    QCOMPARE(net.findObject(99), nullptr);
}

void TestNetworkFormat::derivesMissingGeometry()
{
    Network net;
    QVERIFY2(net.loadFromData(smallNetwork()), qPrintable(net.errorString()));

    // Lanes without a shape share their edge's centre line: 6.5 wide, lane 0 on the right.
    QCOMPARE(NetworkDump::pts(net.findObject(11)->polyline()), QStringLiteral("[-100 -4.75, -8 -4.75]"));
    QCOMPARE(NetworkDump::pts(net.findObject(12)->polyline()), QStringLiteral("[-100 -1.5, -8 -1.5]"));
    // Stop line across the lane end, left edge first (travel east: left is north).
    QCOMPARE(qobject_cast<Stopline *>(net.findObject(21))->line(), QLineF(-8, -3, -8, -6.5));
    QCOMPARE(net.findObject(21)->position(), QPointF(-8, -4.75));
    // Connection shape from the start lane's end to the end lane's start.
    QCOMPARE(NetworkDump::pts(net.findObject(41)->polyline()), QStringLiteral("[-8 -1.5, 1.75 8]"));
    // Turning angles: straight, left, given, right, U-turn.
    QCOMPARE(qobject_cast<Connection *>(net.findObject(40))->lanesAngle(), 0.0);
    QCOMPARE(qobject_cast<Connection *>(net.findObject(41))->lanesAngle(), 270.0);
    QCOMPARE(qobject_cast<Connection *>(net.findObject(42))->lanesAngle(), 0.0);
    QCOMPARE(qobject_cast<Connection *>(net.findObject(43))->lanesAngle(), 90.0);
    QCOMPARE(qobject_cast<Connection *>(net.findObject(44))->lanesAngle(), 180.0);
    // Granule at the centre of its nodes; route joined from its edges (no shared joint here).
    QCOMPARE(net.findObject(30)->position(), QPointF(0, 0));
    QCOMPARE(NetworkDump::pts(net.findObject(50)->polyline()),
             QStringLiteral("[-100 -3.25, -8 -3.25, 8 -1.75, 100 -1.75]"));
    QCOMPARE(NetworkDump::pts(net.findObject(51)->polyline()),
             QStringLiteral("[-100 -3.25, -8 -3.25, -8 1.75, -100 1.75]"));
}

void TestNetworkFormat::roundTripIsExact()
{
    Network first;
    QVERIFY2(first.loadFromData(smallNetwork()), qPrintable(first.errorString()));
    const QByteArray data = first.toData();
    QVERIFY(!data.isEmpty());

    Network second;
    QVERIFY2(second.loadFromData(data), qPrintable(second.errorString()));
    QCOMPARE(NetworkDump::dump(second), NetworkDump::dump(first));
    QCOMPARE(second.toData(), data);
}

void TestNetworkFormat::saveAndLoadThroughAFile()
{
    // Awkward numbers and names survive the text form unchanged.
    Network net;
    net.geoUtil()->setOrigin(QPointF(-73.985428, 40.748817));
    Node *a = net.addNode(1, QStringLiteral("quote \" back\\slash \n tab\t ünï"), QPointF(0.1, 1.0 / 3.0));
    Node *b = net.addNode(2, QString(), QPointF(-1e7 + 0.123456789, 2e-9), Node::Hidden);
    Edge *e = net.addEdge(3, QStringLiteral("e"), a, b, {});
    QVERIFY(e);
    QVERIFY(net.addLane(4, QString(), e, 2.75, Lane::Bus | Lane::Tram | Lane::EVehicle,
                        {QPointF(0.1, 0.3), QPointF(5, 5), QPointF(7, 8.000000000000002)}));
    Granule *g = net.addGranule(5, QStringLiteral("g"), 0, QPointF(12.5, -3.75));
    QVERIFY(g);
    QVERIFY(net.addSignalGroup(6, QString(), g, -1));
    QVERIFY(net.addRoute(7, QStringLiteral("r"), {e}, Lane::GeneralTraffic));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("net.ostka"));
    QVERIFY2(net.save(path), qPrintable(net.errorString()));

    Network back;
    QVERIFY2(back.load(path), qPrintable(back.errorString()));
    QCOMPARE(NetworkDump::dump(back), NetworkDump::dump(net));
    QCOMPARE(back.findObject(1)->objectName(), net.findObject(1)->objectName());

    QVERIFY(!net.save(dir.filePath(QStringLiteral("missing/dir/net.ostka"))));
    QVERIFY2(net.errorString().contains(QLatin1String("missing/dir/net.ostka")), qPrintable(net.errorString()));
}

void TestNetworkFormat::whateverTheBuilderAcceptsLoadsBack()
{
    // Edge values of every kind the builder takes must survive a save and a load.
    Network net;
    net.geoUtil()->setOrigin(QPointF(-180, GeoUtil::MaxLatitude));
    Node *a = net.addNode(0, QString(), QPointF(-1e8, 1e8), Node::Split);
    Node *b = net.addNode(-5, QStringLiteral("\x01\x1f/\u00e9\u20ac\U0001F600"), QPointF(5e-324, -0.0));
    Edge *e = net.addEdge(INT_MAX, QString(), a, b, {});
    Edge *back = net.addEdge(INT_MIN, QString(), b, a, {QPointF(1, 1), QPointF(1, 1)});
    QVERIFY(a && b && e && back);
    Lane *noShape = net.addLane(7, QString(), e, 1e-3, Lane::VehicleClasses(), {});
    Lane *onePoint = net.addLane(8, QString(), back, 1e8, Lane::Pedestrian, {QPointF(2, 2)});
    QVERIFY(noShape && onePoint);
    QVERIFY(net.addStopline(9, QString(), noShape, QLineF()));
    Granule *empty = net.addGranule(10, QString(), INT_MIN, QPointF(qQNaN(), qQNaN()));
    QVERIFY(empty);
    QVERIFY(net.addSignalGroup(11, QString(), empty, 0));
    Connection *c = net.addConnection(12, QString(), noShape, onePoint, nullptr, {}, nullptr, 359.99999999999994);
    QVERIFY(c);
    c->setProperty("exclude_from_route", 13);
    QVERIFY(net.addRoute(13, QString(), {e, back}, Lane::VehicleClasses(), {QPointF(3, 3)}));
    QVERIFY(net.addCrossWalk(14, QString(), nullptr, -2, {QPointF(0, 0), QPointF(0, 0)}, 1e8));

    Network loaded;
    QVERIFY2(loaded.loadFromData(net.toData()), qPrintable(loaded.errorString()));
    QCOMPARE(NetworkDump::dump(loaded), NetworkDump::dump(net));

    // An exclusion that names no route is dropped rather than written unloadable.
    c->setProperty("exclude_from_route", 999);
    QVERIFY2(loaded.loadFromData(net.toData()), qPrintable(loaded.errorString()));
    QVERIFY(!loaded.findObject(12)->property("exclude_from_route").isValid());
}

void TestNetworkFormat::unwritableNetworks()
{
    Network net;
    net.geoUtil()->setOrigin(QPointF(0, 89));
    QCOMPARE(net.toData(), QByteArray());
    QVERIFY2(net.errorString().startsWith(QLatin1String("The origin (0, 89) is outside")), qPrintable(net.errorString()));

    net.geoUtil()->setOrigin(QPointF(0, 0));
    QVERIFY(net.addConnection(1, QString(), nullptr, nullptr, nullptr, {}, nullptr, 0));
    QCOMPARE(net.toData(), QByteArray());
    QCOMPARE(net.errorString(), QStringLiteral("Connection 1 has no start or end lane; the format needs both"));
    QTemporaryDir dir;
    QVERIFY(!net.save(dir.filePath(QStringLiteral("x.ostka"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.ostka"))));
}

void TestNetworkFormat::formatDocumentExampleLoads()
{
    const QString path = QFINDTESTDATA("../../docs/ostka-format.md");
    QVERIFY2(!path.isEmpty(), "docs/ostka-format.md not found");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QRegularExpression block(QStringLiteral("```json\\n(.*?)```"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = block.match(text);
    QVERIFY2(m.hasMatch(), "no json example in the format document");
    Network fromDoc, fromTest;
    QVERIFY2(fromDoc.loadFromData(m.captured(1).toUtf8()), qPrintable(fromDoc.errorString()));
    QVERIFY(fromTest.loadFromData(smallNetwork()));
    QCOMPARE(NetworkDump::dump(fromDoc), NetworkDump::dump(fromTest));
}

void TestNetworkFormat::readsJsonEscapesAndNumberForms()
{
    const QByteArray doc = R"({"format":"ost\u006ba","version":1.0,"origin":[1E1,-0.5e1],
        "nodes":[{"\u0069d":7,"name":"\"q\" \\ \/ \u00e9 \ud83d\ude00 \t\n","position":[-0,25e-1],"type":3},
                 {"id":8,"id":9,"name":"café \ud800","position":[1e-400,0.125]}],
        "unknownSection":{"ignored":[true,false,null,{"deep":[[[]]]}]}})";
    Network net;
    QVERIFY2(net.loadFromData(doc), qPrintable(net.errorString()));
    QCOMPARE(net.geoUtil()->origin(), QPointF(10, -5));
    NetObject *n = net.findObject(7);
    QVERIFY(n);
    QCOMPARE(n->objectName(), QString::fromUtf8("\"q\" \\ / \u00e9 \U0001F600 \t\n"));
    QCOMPARE(n->position(), QPointF(0, 2.5));
    QCOMPARE(qobject_cast<Node *>(n)->type(), int(Node::Split));
    // A lone surrogate becomes the replacement character; a tiny number underflows to 0.
    QCOMPARE(net.findObject(8)->objectName(), QString::fromUtf8("caf\u00e9 \uFFFD"));
    QCOMPARE(net.findObject(8)->position(), QPointF(0, 0.125));
    QCOMPARE(net.findObject(9), nullptr);   // a repeated key counts with its first value
}

void TestNetworkFormat::hooksAndSignal()
{
    HookedNetwork net;
    QSignalSpy spy(&net, &Network::networkLoaded);
    QVERIFY(net.loadFromData(smallNetwork()));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(net.calls, (QStringList{QStringLiteral("aboutToClear 0"), QStringLiteral("loaded 30")}));

    net.calls.clear();
    QVERIFY(!net.loadFromData(QByteArrayLiteral("{")));
    QCOMPARE(spy.count(), 1);
    // The old objects were still there when the hook ran; nothing was loaded.
    QCOMPARE(net.calls, QStringList{QStringLiteral("aboutToClear 30")});
    QCOMPARE(net.objectCount(), 0);
}

void TestNetworkFormat::clearKeepsForeignChildren()
{
    Network net;
    QVERIFY(net.loadFromData(smallNetwork()));
    auto *foreign = new QObject(&net);
    QPointer<QObject> lane = net.findObject(11);
    net.clear();
    QCOMPARE(net.objectCount(), 0);
    QVERIFY(net.findChildren<NetObject *>().isEmpty());
    QVERIFY(lane.isNull());
    QCOMPARE(net.children(), QObjectList{foreign});
    QCOMPARE(net.findObject(11), nullptr);
    QCOMPARE(net.geoUtil()->origin(), QPointF(13.40495, 52.52008));
}

void TestNetworkFormat::appendMovesCoordinatesOntoTheNetworkOrigin()
{
    Network net;
    QVERIFY(net.loadFromData(smallNetwork()));
    const QPointF westGeo = net.geoUtil()->xyToGeo(net.findObject(1)->position());

    // The same place described from another origin, with new ids.
    QByteArray other = R"({"format":"ostka","version":1,"origin":[13.41,52.53],"nodes":[{"id":101,"position":[%1,%2]}]})";
    Network helper;
    helper.geoUtil()->setOrigin(QPointF(13.41, 52.53));
    const QPointF xy = helper.geoUtil()->geoToXY(westGeo);
    other = QString::fromLatin1(other).arg(xy.x(), 0, 'g', 17).arg(xy.y(), 0, 'g', 17).toLatin1();

    QVERIFY2(net.loadFromData(other, true), qPrintable(net.errorString()));
    QCOMPARE(net.objectCount(), 31);
    QCOMPARE(net.geoUtil()->origin(), QPointF(13.40495, 52.52008));
    const QPointF moved = net.findObject(101)->position();
    QVERIFY2(std::abs(moved.x() + 100) < 1e-6 && std::abs(moved.y()) < 1e-6,
             qPrintable(QStringLiteral("%1 %2").arg(moved.x()).arg(moved.y())));
    QCOMPARE(net.findObject(101)->parent(), &net);
}

namespace {

// Helpers of the bad-input table: one row, the small network with one text replaced, and
// the parser's message for an error at the byte where \a marker begins (plus \a delta).
void row(const char *name, const QByteArray &doc, const QByteArray &message)
{
    QTest::newRow(name) << doc << QString::fromUtf8(message);
}

QByteArray edit(const char *from, const char *to)
{
    return replaced(smallNetwork(), from, to);
}

QByteArray at(const char *message, const QByteArray &doc, const char *marker, int delta)
{
    return QStringLiteral("Not a valid JSON document: %1 at byte offset %2")
        .arg(QLatin1String(message)).arg(doc.indexOf(marker) + delta).toUtf8();
}

// Not a document at all.
void addSyntaxRows()
{
    const QByteArray ok = smallNetwork();
    row("empty file", QByteArray(), "The file is empty");
    row("only white space", "  \n\t ", "The file is empty");
    row("not JSON", "hello", "Not a valid JSON document: illegal value at byte offset 0");
    row("binary", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), "Not a valid JSON document: illegal value at byte offset 0");
    const QByteArray doubleComma = edit("\"id\": 13,", "\"id\": 13,,");
    row("syntax error inside", doubleComma, at("expected a string key", doubleComma, ",,", 1));
    const QByteArray noColon = edit("\"id\": 13,", "\"id\" 13,");
    row("missing colon", noColon, at("expected ':' after a key", noColon, "\"id\" 13", 5));
    const QByteArray badEscape = edit("\"west\"", "\"we\\st\"");
    row("bad escape", badEscape, at("invalid escape sequence", badEscape, "\\st", 1));
    const QByteArray control = edit("\"west\"", "\"we\tst\"");
    row("control character in a string", control, at("control character in a string", control, "\tst", 0));
    const QByteArray leadingZero = edit("[0, 100]", "[0, 0100]");
    row("number with a leading zero", leadingZero, at("expected ',' or ']'", leadingZero, "0100", 1));
    row("garbage after the document", ok + "}", at("garbage at the end of the document", ok + "}", "}\n}", 2));
    row("truncated", ok.left(ok.size() / 2), "The file is truncated");
    row("truncated in a literal", "{\"format\":\"ostka\",\"x\":tru", "The file is truncated");
    row("not an object", "[1, 2]", "The document is not a JSON object");
    const QByteArray huge = edit("[0, 100]", "[0, 1e999]");
    row("huge number", huge, at("number out of range", huge, "1e999", 0));
}

// Header.
void addHeaderRows()
{
    row("format missing", edit("\"format\": \"ostka\",", ""), "the field \"format\" is missing");
    row("other format", edit("\"format\": \"ostka\"", "\"format\": \"geojson\""),
        "Not an ostka document: \"format\" is \"geojson\", not \"ostka\"");
    row("format not a string", edit("\"format\": \"ostka\"", "\"format\": 5"), "\"format\" is 5");
    row("version missing", edit("\"version\": 1,", ""), "The field \"version\" is missing");
    row("unknown version", edit("\"version\": 1", "\"version\": 2"),
        "Unsupported format version 2; this library reads version 1");
    row("version as text", edit("\"version\": 1", "\"version\": \"1\""), "\"version\" must be an integer");
    row("origin missing", edit("\"origin\": [13.40495, 52.52008],", ""), "The field \"origin\" is missing");
    row("origin malformed", edit("[13.40495, 52.52008]", "[13.40495]"), "\"origin\" must be [longitude, latitude]");
    row("origin out of range", edit("[13.40495, 52.52008]", "[13.40495, 89]"), "The origin [13.40495, 89] is outside");
    row("section not an array", edit("\"nodes\": [", "\"nodes\": 3, \"x\": ["), "The field \"nodes\" must be an array");
}

// Ids.
void addIdRows()
{
    row("object not an object", edit("{\"id\": 4, \"name\": \"north\", \"position\": [0, 100], \"type\": 2}", "7"),
        "nodes[3]: not a JSON object");
    row("id missing", edit("\"id\": 4, ", ""), "nodes[3]: the field \"id\" is missing");
    row("id fractional", edit("\"id\": 4,", "\"id\": 4.5,"), "nodes[3]: \"id\" must be an integer id");
    row("id as text", edit("\"id\": 4,", "\"id\": \"4\","), "nodes[3]: \"id\" must be an integer id");
    row("id too large", edit("\"id\": 4,", "\"id\": 12345678901234567890,"), "nodes[3]: \"id\" must be an integer id");
    row("duplicate id, same kind", edit("\"id\": 4,", "\"id\": 3,"), "node 3: duplicate id 3 (also used by a node)");
    row("duplicate id, other kind", edit("\"id\": 30,", "\"id\": 10,"), "granule 10: duplicate id 10 (also used by an edge)");
    row("duplicate lane id in one edge", edit("{\"id\": 12, \"width\": 3,", "{\"id\": 11, \"width\": 3,"),
        "lane 11: duplicate id 11 (also used by a lane)");
    row("lane id equal to its edge", edit("[{\"id\": 16,", "[{\"id\": 15,"), "lane 15: duplicate id 15 (also used by an edge)");
    row("lane id missing", edit("[{\"id\": 16, ", "[{"), "edge 15, lanes[0]: the field \"id\" is missing");
}

// Fields and numbers.
void addFieldRows()
{
    row("position missing", edit(", \"position\": [0, 100]", ""), "node 4: the field \"position\" is missing");
    row("position not an array", edit("[0, 100]", "\"0,100\""), "node 4: the field \"position\" must be an array of numbers");
    row("position odd count", edit("[0, 100]", "[0, 100, 5]"), "node 4: the field \"position\" must hold x, y pairs, but has 3 numbers");
    row("position two points", edit("[0, 100]", "[0, 100, 5, 5]"), "node 4: the field \"position\" must hold exactly 1 point(s), found 2");
    row("coordinate null", edit("[0, 100]", "[0, null]"), "node 4: the field \"position\" holds a non-number at index 1");
    row("coordinate as text", edit("[0, 100]", "[\"0\", 100]"), "node 4: the field \"position\" holds a non-number at index 0");
    row("coordinate out of range", edit("[0, 100]", "[0, 1e300]"),
        "node 4: the field \"position\" holds the out-of-range coordinate 1e+300 at index 1");
    row("shape out of range", edit("[1.75, 8, 1.75, 100]", "[1.75, 8, 1.75, -2e8]"),
        "edge 15: the field \"shape\" holds the out-of-range coordinate -2e+08 at index 3");
    row("shape of one point", edit("[1.75, 8, 1.75, 100]", "[1.75, 8]"),
        "edge 15: the field \"shape\" must hold at least 2 point(s), found 1");
    row("unknown node type", edit("\"type\": 1", "\"type\": 9"), "node 2: unknown node type 9");
    row("name not a string", edit("\"name\": \"west\"", "\"name\": 5"), "node 1: the field \"name\" must be a string");
}

// Edges and lanes.
void addEdgeRows()
{
    row("edge end missing", edit("\"from\": 3, ", ""), "edge 17: the field \"from\" is missing");
    row("dangling node", edit("\"to\": 4,", "\"to\": 99,"), "edge 15: \"to\" refers to the unknown node 99");
    row("reference of the wrong kind", edit("\"to\": 4,", "\"to\": 11,"), "edge 15: \"to\" refers to 11, which is a lane, not a node");
    row("reference not an id", edit("\"to\": 4,", "\"to\": [4],"), "edge 15: \"to\" must be an integer id");
    row("lanes missing", edit(", \"lanes\": [{\"id\": 16, \"width\": 3.5}]", ""), "edge 15: the field \"lanes\" is missing");
    row("no lanes", edit("[{\"id\": 16, \"width\": 3.5}]", "[]"), "edge 15: the edge has no lanes");
    row("width zero", edit("\"id\": 16, \"width\": 3.5", "\"id\": 16, \"width\": 0"), "lane 16: the width 0 is not greater than 0");
    row("width negative", edit("\"id\": 16, \"width\": 3.5", "\"id\": 16, \"width\": -3.5"), "lane 16: the width -3.5 is not greater than 0");
    row("width missing", edit("\"id\": 16, \"width\": 3.5", "\"id\": 16"), "lane 16: the field \"width\" is missing");
    row("width as text", edit("\"id\": 16, \"width\": 3.5", "\"id\": 16, \"width\": \"3.5\""), "lane 16: the field \"width\" must be a number");
    row("unknown vehicle class", edit("\"bus\"]", "\"hovercraft\"]"), "lane 14: unknown vehicle class \"hovercraft\" in \"allow\"");
    row("vehicle classes malformed", edit("\"allow\": \"all\"", "\"allow\": \"some\""),
        "lane 11: the field \"allow\" must be \"all\" or a list of vehicle class names");
}

// Stop lines and granules.
void addStoplineAndGranuleRows()
{
    row("stop line on unknown lane", edit("\"lane\": 11}", "\"lane\": 77}"), "stop line 21: \"lane\" refers to the unknown lane 77");
    row("two stop lines on one lane", edit("\"lane\": 12,", "\"lane\": 11,"), "stop line 22: lane 11 already has stop line 21");
    row("stop line of three points", edit("[-8, 0, -8, -3]", "[-8, 0, -8, -3, 0, 0]"),
        "stop line 22: the field \"line\" must hold exactly 2 point(s), found 3");
    row("node in two granules", edit("\"nodes\": [2]}", "\"nodes\": [2]}, {\"id\": 35, \"tl\": 8, \"nodes\": [3, 2]}"),
        "granule 35: node 2 is already in granule 30");
    row("node listed twice", edit("\"nodes\": [2]}", "\"nodes\": [2, 2]}"), "granule 30: node 2 is listed twice");
    row("granule member not a node", edit("\"nodes\": [2]}", "\"nodes\": [10]}"),
        "granule 30: an entry of \"nodes\" refers to 10, which is an edge, not a node");
    row("controller id not an integer", edit("\"tl\": 7", "\"tl\": \"seven\""), "granule 30: the field \"tl\" must be an integer");
    row("signal group without granule", edit("\"granule\": 30, \"tl\": 3", "\"tl\": 3"),
        "signal group 33: the field \"granule\" is missing");
    row("signal group without number", edit("\"granule\": 30, \"tl\": 3", "\"granule\": 30"),
        "signal group 33: the field \"tl\" is missing");
}

// Connections.
void addConnectionRows()
{
    row("connection to unknown lane", edit("\"to\": 14,", "\"to\": 140,"), "connection 40: \"to\" refers to the unknown lane 140");
    row("connection lanes do not meet", edit("\"to\": 14,", "\"to\": 18,"),
        "connection 40: lane 11 ends at node 2, but lane 18 starts at node 3");
    row("stop line of another lane", edit("\"stopline\": 21,", "\"stopline\": 23,"),
        "connection 40: stop line 23 is on lane 18, not on the start lane 11");
    row("unknown signal group", edit("\"groups\": [31],", "\"groups\": [39],"),
        "connection 40: an entry of \"groups\" refers to the unknown signal group 39");
    row("signal group of another granule",
        replaced(replaced(edit("\"nodes\": [2]}", "\"nodes\": [2]}, {\"id\": 35, \"tl\": 8}"),
                          "{\"id\": 33,", "{\"id\": 36, \"granule\": 35, \"tl\": 1}, {\"id\": 33,"),
                 "\"groups\": [31],", "\"groups\": [36],"),
        "connection 40: signal group 36 belongs to granule 35, not to granule 30");
    row("angle not a number", edit("\"lanesAngle\": 0", "\"lanesAngle\": null"), "connection 42: the field \"lanesAngle\" must be a number");
    row("exclusion of an unknown route", edit("\"exclude_from_route\": 51", "\"exclude_from_route\": 52"),
        "connection 44: \"exclude_from_route\" refers to the unknown route 52");
    row("exclusion not an integer", edit("\"exclude_from_route\": 51", "\"exclude_from_route\": \"51\""),
        "connection 44: the field \"exclude_from_route\" must be an integer");
}

// Crosswalks and routes.
void addCrosswalkAndRouteRows()
{
    row("crosswalk width zero", edit("\"width\": 4,", "\"width\": 0,"), "crosswalk 45: the width 0 is not greater than 0");
    row("crosswalk without shape", edit(", \"shape\": [-12, -7, -12, 7]", ""), "crosswalk 45: the field \"shape\" is missing");
    row("route edges not consecutive", edit("\"edges\": [10, 13]", "\"edges\": [10, 17]"),
        "route 50: edge 17 does not start where edge 10 ends (node 2)");
    row("route without edges", edit("\"edges\": [10, 13]", "\"edges\": []"), "route 50: the route has no edges");
    row("route edges missing", edit("\"edges\": [10, 13], ", ""), "route 50: the field \"edges\" is missing");
    row("route through unknown edge", edit("\"edges\": [10, 13]", "\"edges\": [10, 99]"),
        "route 50: an entry of \"edges\" refers to the unknown edge 99");
    row("route through a lane", edit("\"edges\": [10, 13]", "\"edges\": [10, 14]"),
        "route 50: an entry of \"edges\" refers to 14, which is a lane, not an edge");
    row("route entry not an object", edit("\"routes\": [", "\"routes\": [5, "), "routes[0]: not a JSON object");
}

// Every class of bad input, each with the message that must name what and where.
void addBadRows()
{
    QTest::addColumn<QByteArray>("doc");
    QTest::addColumn<QString>("message");
    addSyntaxRows();
    addHeaderRows();
    addIdRows();
    addFieldRows();
    addEdgeRows();
    addStoplineAndGranuleRows();
    addConnectionRows();
    addCrosswalkAndRouteRows();
}

} // namespace

void TestNetworkFormat::badInput_data()
{
    addBadRows();
}

void TestNetworkFormat::badInput()
{
    QFETCH(QByteArray, doc);
    QFETCH(QString, message);
    Network net;
    QVERIFY(net.loadFromData(smallNetwork()));
    QSignalSpy spy(&net, &Network::networkLoaded);
    QVERIFY(!net.loadFromData(doc));
    QVERIFY2(net.errorString().contains(message),
             qPrintable(QStringLiteral("got: %1\nexpected: %2").arg(net.errorString(), message)));
    QCOMPARE(net.objectCount(), 0);
    QVERIFY(net.findChildren<QObject *>().isEmpty());
    QCOMPARE(spy.count(), 0);

    // The same through a file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.ostka"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(doc);
    file.close();
    QVERIFY(net.loadFromData(smallNetwork()));
    QVERIFY(!net.load(path));
    QVERIFY2(net.errorString().contains(message), qPrintable(net.errorString()));
    QCOMPARE(net.objectCount(), 0);
    QVERIFY(net.findChildren<QObject *>().isEmpty());
}

void TestNetworkFormat::badInputOnAppendChangesNothing_data()
{
    addBadRows();
    QTest::newRow("id already in the network") << replaced(smallNetwork(), "\"id\": 3,", "\"id\": 1001,")
        << QStringLiteral("node 1001: the id 1001 is already used in the network (by a node)");
}

void TestNetworkFormat::badInputOnAppendChangesNothing()
{
    QFETCH(QByteArray, doc);
    QFETCH(QString, message);
    // A network of its own ids, another origin, and a foreign child that must stay.
    Network net;
    net.geoUtil()->setOrigin(QPointF(2.35, 48.85));
    Node *a = net.addNode(1000, QStringLiteral("a"), QPointF(0, 0));
    Node *b = net.addNode(1001, QStringLiteral("b"), QPointF(50, 0));
    Edge *e = net.addEdge(1002, QString(), a, b, {});
    net.addLane(1003, QString(), e, 3, Lane::AllClasses, {});
    Granule *g = net.addGranule(1004, QString(), 4, QPointF(qQNaN(), qQNaN()));
    g->addNode(b);
    net.addSignalGroup(1005, QString(), g, 1);
    new QObject(&net);
    const QStringList before = NetworkDump::dump(net);
    const int children = net.children().size();

    QVERIFY(!net.loadFromData(doc, true));
    QVERIFY2(net.errorString().contains(message),
             qPrintable(QStringLiteral("got: %1\nexpected: %2").arg(net.errorString(), message)));
    QCOMPARE(NetworkDump::dump(net), before);
    QCOMPARE(net.children().size(), children);
    QCOMPARE(net.objectCount(), 6);
}

void TestNetworkFormat::everyTruncationIsReported()
{
    const QByteArray doc = smallNetwork();
    Network net;
    for (int n = 0; n < doc.size() - 2; ++n) {   // the last two bytes are "}\n"
        const QByteArray part = doc.left(n);
        QVERIFY(!net.loadFromData(part));
        const bool blank = part.trimmed().isEmpty();
        const QString expected = blank ? QStringLiteral("The file is empty") : QStringLiteral("The file is truncated");
        QVERIFY2(net.errorString().startsWith(expected),
                 qPrintable(QStringLiteral("%1 bytes: %2").arg(n).arg(net.errorString())));
        QCOMPARE(net.objectCount(), 0);
    }
}

void TestNetworkFormat::missingFile()
{
    Network net;
    QVERIFY(net.loadFromData(smallNetwork()));
    QVERIFY(!net.load(QStringLiteral("/nonexistent/town.ostka")));
    QVERIFY2(net.errorString().startsWith(QLatin1String("Cannot open \"/nonexistent/town.ostka\"")),
             qPrintable(net.errorString()));
    QCOMPARE(net.objectCount(), 0);

    QVERIFY(net.loadFromData(smallNetwork()));
    QVERIFY(!net.load(QStringLiteral("/nonexistent/town.ostka"), true));
    QCOMPARE(net.objectCount(), 30);
}

void TestNetworkFormat::hostileFiles_data()
{
    HostileFiles::refusalRows(2147483648, QStringLiteral("256 MiB a road network file"));
    QTest::newRow("directory") << "directory" << "it is a directory, not a regular file";
    QTest::newRow("a byte over 256 MiB") << "sparse 268435457"
                                         << "it has 268435457 bytes, more than the 256 MiB a road network file may have";
}

// Refused by what the file is, before a byte is read: nothing waits, nothing fills memory.
void TestNetworkFormat::hostileFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.ostka"));
    QVERIFY(HostileFiles::make(path, file));
    HostileFiles::FifoRelease release(path);

    Network net;
    QVERIFY(net.loadFromData(smallNetwork()));
    QVERIFY(!net.load(path, true));
    QCOMPARE(net.errorString(), QStringLiteral("Cannot open \"%1\": %2").arg(path, reason));
    QCOMPARE(net.objectCount(), 30);
    QVERIFY(!release.released());
}

// A document within the file ceiling may still not fit the memory left: the load fails like
// any other, with nothing half-read. Run in a child whose address space is capped.
void TestNetworkFormat::outOfMemoryIsAFailure()
{
#ifdef OSTRIK_SANITIZED
    QSKIP("AddressSanitizer reserves more address space than any cap leaves");
#else
    QByteArray doc = "{\"format\":\"ostka\",\"version\":1,\"origin\":[13.4,52.5],\"nodes\":[";
    for (int i = 1; i <= 400000; ++i)
        doc += "{\"id\":" + QByteArray::number(i) + ",\"position\":[" + QByteArray::number(i % 1000)
            + "," + QByteArray::number(i / 1000) + "],\"type\":1},";
    doc.chop(1);
    doc += "]}";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ostka"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(doc) == doc.size());
    f.close();
    doc.clear();
    doc.squeeze();

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // A failure must end the child at once, not in the test framework's handlers.
        for (int sig : {SIGABRT, SIGSEGV, SIGBUS})
            std::signal(sig, SIG_DFL);
        alarm(30);
        long pages = 0;
        if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        const rlim_t cap = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (96u << 20);
        const rlimit limit{cap, cap};
        if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(3);
        Network net;
        const bool loaded = net.load(path);
        const bool said = net.errorString().startsWith(QLatin1String("Not enough memory"));
        _exit(loaded ? 1 : (said && net.objectCount() == 0 ? 0 : 2));
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status), "the child died of a signal: the allocation failure escaped");
    QCOMPARE(WEXITSTATUS(status), 0);
#endif
}

QTEST_GUILESS_MAIN(TestNetworkFormat)
#include "tst_networkformat.moc"
