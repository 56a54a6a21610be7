// ostka-import: reading SUMO ".net.xml" files, plain or gzipped.
#include "sumonet.h"
#include "xmlutil.h"

#include <filecheck.h>

#include <QSet>
#include <QXmlStreamReader>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

namespace {

bool isGzip(const QByteArray &head)
{
    return head.size() >= 2 && uchar(head.at(0)) == 0x1f && uchar(head.at(1)) == 0x8b;
}

bool readPlain(FileCheck::Reader &file, QByteArray piece, QByteArray *data, QString *error)
{
    QByteArray content;
    content.reserve(int(file.size()));
    while (!piece.isEmpty()) {
        content += piece;
        if (!file.read(&piece, 1 << 20)) {
            *error = file.errorString();
            return false;
        }
    }
    *data = content;
    return true;
}

// Inflates piece by piece and gives up as soon as the output outgrows the input.
bool inflateAll(FileCheck::Reader &file, const QString &fileName, QByteArray piece, qint64 limit,
                QByteArray *data, QString *error)
{
    auto refuse = [&](const QString &why) {
        *error = QStringLiteral("Cannot decompress \"%1\": %2").arg(fileName, why);
        return false;
    };
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK)
        return refuse(QStringLiteral("zlib failed to start"));
    const std::unique_ptr<z_stream, int (*)(z_stream *)> end(&zs, inflateEnd);
    QByteArray out;
    out.reserve(int(qMin<qint64>(limit, file.size() * 8)));
    qint64 consumed = 0;
    int rc = Z_OK;
    char buf[1 << 16];
    // One inflate step; false when the output is refused or the data is corrupt.
    auto step = [&](bool *progress) {
        const uInt in = zs.avail_in;
        zs.next_out = reinterpret_cast<Bytef *>(buf);
        zs.avail_out = sizeof buf;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            return refuse(QStringLiteral("the gzip data is corrupt or truncated"));
        const int produced = int(sizeof buf - zs.avail_out);
        *progress = produced > 0 || zs.avail_in != in;
        consumed += in - zs.avail_in;
        out.append(buf, produced);
        if (out.size() > limit)
            return refuse(QStringLiteral("it expands to more than the %1 MiB %2 may have")
                              .arg(limit / FileCheck::MiB).arg(FileCheck::describe(FileCheck::Kind::Sumo)));
        if (out.size() > GzipSlack + GzipRatio * consumed)
            return refuse(QStringLiteral("it expands to more than %1 MiB plus %2 times the compressed bytes read")
                              .arg(GzipSlack / FileCheck::MiB).arg(GzipRatio));
        return true;
    };
    bool progress = true;
    while (!piece.isEmpty()) {
        zs.next_in = reinterpret_cast<Bytef *>(piece.data());
        zs.avail_in = uInt(piece.size());
        while (zs.avail_in > 0) {
            // Concatenated gzip members are one stream to gzip(1): go on with the next one.
            if (rc == Z_STREAM_END)
                inflateReset(&zs);
            if (!step(&progress))
                return false;
            if (!progress)
                return refuse(QStringLiteral("the gzip data is corrupt or truncated"));
        }
        if (!file.read(&piece, 1 << 20)) {
            *error = file.errorString();
            return false;
        }
    }
    // What zlib still holds once the input is all in.
    while (rc == Z_OK && progress) {
        if (!step(&progress))
            return false;
    }
    if (rc != Z_STREAM_END)
        return refuse(QStringLiteral("the gzip data is corrupt or truncated"));
    *data = out;
    return true;
}

} // namespace

bool readMaybeGzipped(const QString &fileName, QByteArray *data, QString *error, qint64 limit)
{
    data->clear();
    FileCheck::Reader file;
    if (!file.open(fileName, FileCheck::Kind::Sumo)) {
        *error = file.errorString();
        return false;
    }
    try {
        QByteArray piece;
        if (!file.read(&piece, 1 << 20)) {
            *error = file.errorString();
            return false;
        }
        return isGzip(piece) ? inflateAll(file, fileName, piece, limit, data, error)
                             : readPlain(file, piece, data, error);
    } catch (const std::bad_alloc &) {
        data->clear();
        *error = QStringLiteral("Cannot read \"%1\": not enough memory").arg(fileName);
        return false;
    }
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
