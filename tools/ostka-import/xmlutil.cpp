// ostka-import: attribute checks and error messages for the SUMO readers.
#include "xmlutil.h"
#include "sumonet.h"

#include <algorithm>
#include <cmath>

XmlParser::XmlParser(const QString &fileName, const QByteArray &data)
    : m_file(fileName), m_size(data.size())
{
    m_device.setData(data);
    m_device.open(QIODevice::ReadOnly);
    m_xml.setDevice(&m_device);
}

bool XmlParser::readRoot(const QStringList &names, const QString &what)
{
    if (!nextChild()) {
        if (m_xml.hasError())
            return finish();
        m_error = QStringLiteral("%1: not %2: the file has no XML element").arg(m_file, what);
        return false;
    }
    if (!names.contains(m_xml.name().toString())) {
        QStringList expected;
        for (const QString &n : names)
            expected << QStringLiteral("<%1>").arg(n);
        const QString last = expected.takeLast();
        const QString list = expected.isEmpty() ? last : expected.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
        m_error = QStringLiteral("%1:%2: not %3: the root element is <%4>, not %5")
                      .arg(m_file).arg(line()).arg(what, m_xml.name().toString(), list);
        return false;
    }
    return true;
}

bool XmlParser::finish()
{
    if (!m_xml.hasError())
        return true;
    m_error = QStringLiteral("%1:%2: not well-formed XML: %3")
                  .arg(m_file).arg(line()).arg(m_xml.errorString());
    return false;
}

double XmlParser::fraction() const
{
    // characterOffset counts characters, the size bytes; close enough for a progress display.
    return m_size > 0 ? std::min(1.0, double(offset()) / double(m_size)) : 1.0;
}

bool XmlParser::requireId(QString *id)
{
    *id = attr(QStringLiteral("id"));
    if (id->isEmpty())
        return fail(QStringLiteral("the attribute \"id\" is missing"));
    return true;
}

bool XmlParser::attrRef(const QString &name, QStringRef *value) const
{
    // Numbers are most of a network's attributes: read them in place, without a string each.
    for (const QXmlStreamAttribute &a : m_attrs) {
        if (a.qualifiedName() == name) {
            *value = a.value();
            return true;
        }
    }
    return false;
}

bool XmlParser::doubleAttr(const QString &name, double *value, bool required)
{
    QStringRef text;
    if (!attrRef(name, &text))
        return required ? fail(QStringLiteral("the attribute \"%1\" is missing").arg(name)) : true;
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return fail(QStringLiteral("the attribute \"%1\" is not a number: \"%2\"").arg(name, text.toString()));
    *value = v;
    return true;
}

bool XmlParser::intAttr(const QString &name, int *value, int fallback, bool required)
{
    QStringRef text;
    if (!attrRef(name, &text)) {
        if (required)
            return fail(QStringLiteral("the attribute \"%1\" is missing").arg(name));
        *value = fallback;
        return true;
    }
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("the attribute \"%1\" is not an integer: \"%2\"").arg(name, text.toString()));
    *value = v;
    return true;
}

bool XmlParser::pointAttr(const QString &name, QPointF *value)
{
    QVector<double> v;
    if (!numberListAttr(name, 2, &v))
        return false;
    *value = QPointF(v[0], v[1]);
    return true;
}

bool XmlParser::numberListAttr(const QString &name, int count, QVector<double> *values)
{
    const QString text = attr(name);
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(','));
    values->clear();
    for (const QStringRef &p : parts) {
        bool ok = false;
        const double v = p.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v))
            break;
        values->append(v);
    }
    if (values->size() != count || parts.size() != count)
        return fail(QStringLiteral("the attribute \"%1\" must hold %2 comma-separated numbers, not \"%3\"")
                        .arg(name).arg(count).arg(text));
    return true;
}

QString XmlParser::describe() const
{
    const QString id = attr(QStringLiteral("id"));
    const QString name = m_xml.name().toString();
    return id.isEmpty() ? QStringLiteral("<%1>").arg(name)
                        : QStringLiteral("<%1 id=\"%2\">").arg(name, id);
}

bool XmlParser::fail(const QString &message)
{
    return failAt(line(), describe(), message);
}

bool XmlParser::failAt(int line, const QString &element, const QString &message)
{
    if (m_xml.hasError())
        return finish();
    m_error = QStringLiteral("%1:%2: %3: %4").arg(m_file).arg(line).arg(element, message);
    return false;
}

bool XmlParser::readTlLogic(SumoTlLogic *t)
{
    *t = SumoTlLogic();
    t->file = m_file;
    t->line = line();
    if (!requireId(&t->id))
        return false;
    t->programId = attr(QStringLiteral("programID"));
    t->type = attr(QStringLiteral("type"));
    if (!doubleAttr(QStringLiteral("offset"), &t->offset))
        return false;
    while (nextChild()) {
        if (m_xml.name() != QLatin1String("phase")) {
            m_xml.skipCurrentElement();
            continue;
        }
        SumoPhase p;
        p.line = line();
        if (!doubleAttr(QStringLiteral("duration"), &p.duration, true))
            return false;
        if (p.duration < 0)
            return fail(QStringLiteral("the duration is negative"));
        p.state = attr(QStringLiteral("state"));
        if (p.state.isEmpty())
            return fail(QStringLiteral("the attribute \"state\" is missing"));
        t->phases.append(p);
        m_xml.skipCurrentElement();
    }
    return !m_xml.hasError() || finish();
}
