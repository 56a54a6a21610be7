// ostka-import: reading SUMO ".net.xml" files, plain or gzipped.
#include "sumonet.h"
#include "xmlutil.h"

#include <QFile>
#include <QSet>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>

bool readMaybeGzipped(const QString &fileName, QByteArray *data, QString *error)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open \"%1\": %2").arg(fileName, f.errorString());
        return false;
    }
    QByteArray raw = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read \"%1\": %2").arg(fileName, f.errorString());
        return false;
    }
    if (raw.size() < 2 || uchar(raw.at(0)) != 0x1f || uchar(raw.at(1)) != 0x8b) {
        *data = raw;
        return true;
    }
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) {
        *error = QStringLiteral("Cannot decompress \"%1\": zlib failed to start").arg(fileName);
        return false;
    }
    QByteArray out;
    out.reserve(raw.size() * 6);
    zs.next_in = reinterpret_cast<Bytef *>(raw.data());
    zs.avail_in = uInt(raw.size());
    char buf[1 << 16];
    int rc = Z_OK;
    do {
        zs.next_out = reinterpret_cast<Bytef *>(buf);
        zs.avail_out = sizeof buf;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        out.append(buf, int(sizeof buf - zs.avail_out));
        // Concatenated gzip members are one stream to gzip(1); continue with the next one.
        if (rc == Z_STREAM_END && zs.avail_in > 0) {
            inflateReset(&zs);
            rc = Z_OK;
        }
    } while (rc == Z_OK && (zs.avail_in > 0 || zs.avail_out == 0));
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        *error = QStringLiteral("Cannot decompress \"%1\": the gzip data is corrupt or truncated")
                     .arg(fileName);
        return false;
    }
    *data = out;
    return true;
}

bool parseShape(const QStringRef &text, QVector<QPointF> *points)
{
    // One pass over the text: shapes are most of a network file, and splitting them into
    // lists of pieces costs more than reading the numbers.
    points->clear();
    const QChar *p = text.constData();
    const QChar *const end = p + text.size();
    auto number = [&text](const QChar *from, const QChar *to, double *out) {
        bool ok = false;
        *out = text.mid(int(from - text.constData()), int(to - from)).toDouble(&ok);
        return ok && std::isfinite(*out);
    };
    while (p < end) {
        if (*p == QLatin1Char(' ')) {
            ++p;
            continue;
        }
        const QChar *tupleEnd = p;
        while (tupleEnd < end && *tupleEnd != QLatin1Char(' '))
            ++tupleEnd;
        const QChar *comma1 = std::find(p, tupleEnd, QLatin1Char(','));
        if (comma1 == tupleEnd)
            return false;
        const QChar *comma2 = std::find(comma1 + 1, tupleEnd, QLatin1Char(','));
        // A third coordinate is allowed and ignored; a fourth is not.
        if (comma2 != tupleEnd && std::find(comma2 + 1, tupleEnd, QLatin1Char(',')) != tupleEnd)
            return false;
        double x = 0, y = 0;
        if (!number(p, comma1, &x) || !number(comma1 + 1, comma2, &y))
            return false;
        points->append(QPointF(x, y));
        p = tupleEnd;
    }
    return true;
}

namespace {

class NetParser : public XmlParser
{
public:
    NetParser(const QString &fileName, const QByteArray &data, SumoNet *net)
        : XmlParser(fileName, data), m_net(net) {}

    bool run(const ProgressFn &progress);

private:
    bool readLocation();
    bool readEdge();
    bool readLane(SumoEdge *edge);
    bool readJunction();
    bool readConnection();
    bool readTlLogic();
    // Shares the text of a value that repeats (edge functions, junction types, light ids).
    QString word(const QString &text);
    // Shares the id of an edge read before; other text stays as it is.
    QString edgeId(const QString &text) const;

    SumoNet *m_net;
    QSet<QString> m_words;
};

// A connection names edges read before it; a large network has hundreds of thousands of
// connections, and a private copy of each name would cost more than the edges themselves.
QString NetParser::word(const QString &text)
{
    if (text.isEmpty())
        return text;
    const auto it = m_words.constFind(text);
    return it != m_words.constEnd() ? *it : *m_words.insert(text);
}

QString NetParser::edgeId(const QString &text) const
{
    const auto it = m_net->edgeIndex.constFind(text);
    return it != m_net->edgeIndex.constEnd() ? it.key() : text;
}

bool NetParser::run(const ProgressFn &progress)
{
    if (!readRoot({QStringLiteral("net")}, QStringLiteral("a SUMO network")))
        return false;
    m_net->version = attr(QStringLiteral("version"));
    m_net->leftHand = attr(QStringLiteral("lefthand")) == QLatin1String("true");
    qint64 lastReport = 0;
    while (nextChild()) {
        if (progress && offset() - lastReport > (1 << 20)) {
            lastReport = offset();
            progress(QStringLiteral("reading"), fraction());
        }
        const QStringRef n = m_xml.name();
        bool ok = true;
        if (n == QLatin1String("location"))
            ok = readLocation();
        else if (n == QLatin1String("edge"))
            ok = readEdge();
        else if (n == QLatin1String("junction"))
            ok = readJunction();
        else if (n == QLatin1String("connection"))
            ok = readConnection();
        else if (n == QLatin1String("tlLogic"))
            ok = readTlLogic();
        else
            m_xml.skipCurrentElement();
        if (!ok)
            return false;
    }
    return finish();
}

bool NetParser::readLocation()
{
    SumoLocation &loc = m_net->location;
    loc.present = true;
    loc.line = line();
    if (hasAttr(QStringLiteral("netOffset")) && !pointAttr(QStringLiteral("netOffset"), &loc.netOffset))
        return false;
    if (hasAttr(QStringLiteral("convBoundary"))) {
        QVector<double> b;
        if (!numberListAttr(QStringLiteral("convBoundary"), 4, &b))
            return false;
        loc.convBoundary = QRectF(QPointF(b[0], b[1]), QPointF(b[2], b[3])).normalized();
    }
    loc.projParameter = attr(QStringLiteral("projParameter")).trimmed();
    m_xml.skipCurrentElement();
    return true;
}

bool NetParser::readEdge()
{
    SumoEdge e;
    e.line = line();
    if (!requireId(&e.id))
        return false;
    e.function = word(attr(QStringLiteral("function")));
    e.from = attr(QStringLiteral("from"));
    e.to = attr(QStringLiteral("to"));
    if (e.isNormal() && (e.from.isEmpty() || e.to.isEmpty()))
        return fail(QStringLiteral("the road has no \"from\" or \"to\" junction"));
    if (m_net->edgeIndex.contains(e.id))
        return fail(QStringLiteral("duplicate edge id (first at line %1)")
                        .arg(m_net->edges.at(m_net->edgeIndex.value(e.id)).line));
    const QString elementName = describe();
    while (nextChild()) {
        if (m_xml.name() == QLatin1String("lane")) {
            if (!readLane(&e))
                return false;
        } else if (m_xml.name() == QLatin1String("lanes")) {
            // Pre-1.0 writers sometimes wrapped the lanes; read through the wrapper.
            while (nextChild()) {
                if (m_xml.name() == QLatin1String("lane")) {
                    if (!readLane(&e))
                        return false;
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    std::sort(e.lanes.begin(), e.lanes.end(),
              [](const SumoLane &a, const SumoLane &b) { return a.index < b.index; });
    for (int i = 0; i < e.lanes.size(); ++i) {
        if (e.lanes.at(i).index != i)
            return failAt(e.line, elementName,
                          QStringLiteral("the lanes are not numbered 0 to %1").arg(e.lanes.size() - 1));
    }
    if (e.lanes.isEmpty() && e.isNormal())
        return failAt(e.line, elementName, QStringLiteral("the edge has no lanes"));
    m_net->edgeIndex.insert(e.id, m_net->edges.size());
    m_net->edges.append(e);
    return true;
}

bool NetParser::readLane(SumoEdge *edge)
{
    SumoLane l;
    l.line = line();
    if (!requireId(&l.id))
        return false;
    if (!intAttr(QStringLiteral("index"), &l.index, edge->lanes.size()))
        return false;
    if (hasAttr(QStringLiteral("width"))) {
        if (!doubleAttr(QStringLiteral("width"), &l.width))
            return false;
        // SUMO writes -1 for "default width".
        if (l.width < 0)
            l.width = 3.2;
        if (l.width == 0)
            return fail(QStringLiteral("the width is 0"));
    }
    if (!doubleAttr(QStringLiteral("speed"), &l.speed) || !doubleAttr(QStringLiteral("length"), &l.length))
        return false;
    l.hasAllow = hasAttr(QStringLiteral("allow"));
    l.allow = attr(QStringLiteral("allow"));
    l.hasDisallow = hasAttr(QStringLiteral("disallow"));
    l.disallow = attr(QStringLiteral("disallow"));
    QStringRef shape;
    attrRef(QStringLiteral("shape"), &shape);
    if (!parseShape(shape, &l.shape))
        return fail(QStringLiteral("the attribute \"shape\" is not a list of x,y points"));
    if (l.shape.size() < 2)
        return fail(QStringLiteral("the lane shape has fewer than 2 points"));
    edge->lanes.append(l);
    m_xml.skipCurrentElement();
    return true;
}

bool NetParser::readJunction()
{
    SumoJunction j;
    j.line = line();
    if (!requireId(&j.id))
        return false;
    j.type = word(attr(QStringLiteral("type")));
    double x = 0, y = 0;
    if (!doubleAttr(QStringLiteral("x"), &x, true) || !doubleAttr(QStringLiteral("y"), &y, true))
        return false;
    j.position = QPointF(x, y);
    j.intLanes = attr(QStringLiteral("intLanes"));
    if (m_net->junctionIndex.contains(j.id))
        return fail(QStringLiteral("duplicate junction id (first at line %1)")
                        .arg(m_net->junctions.at(m_net->junctionIndex.value(j.id)).line));
    m_net->junctionIndex.insert(j.id, m_net->junctions.size());
    m_net->junctions.append(j);
    m_xml.skipCurrentElement();
    return true;
}

bool NetParser::readConnection()
{
    SumoConnection c;
    c.line = line();
    c.from = edgeId(attr(QStringLiteral("from")));
    c.to = edgeId(attr(QStringLiteral("to")));
    if (c.from.isEmpty() || c.to.isEmpty())
        return fail(QStringLiteral("the attribute \"from\" or \"to\" is missing"));
    if (!intAttr(QStringLiteral("fromLane"), &c.fromLane, -1, true)
        || !intAttr(QStringLiteral("toLane"), &c.toLane, -1, true))
        return false;
    c.via = attr(QStringLiteral("via"));
    c.tl = word(attr(QStringLiteral("tl")));
    if (!c.tl.isEmpty() && !intAttr(QStringLiteral("linkIndex"), &c.linkIndex, -1, true))
        return false;
    m_net->connections.append(c);
    m_xml.skipCurrentElement();
    return true;
}

bool NetParser::readTlLogic()
{
    SumoTlLogic t;
    if (!XmlParser::readTlLogic(&t))
        return false;
    m_net->tlLogics.append(t);
    return true;
}

} // namespace

bool readSumoNet(const QString &fileName, SumoNet *net, QString *error, const ProgressFn &progress)
{
    QByteArray data;
    if (!readMaybeGzipped(fileName, &data, error))
        return false;
    *net = SumoNet();
    net->fileName = fileName;
    NetParser parser(fileName, data, net);
    if (!parser.run(progress)) {
        *error = parser.error();
        return false;
    }
    return true;
}
