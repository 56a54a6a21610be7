// ostka-import: a QXmlStreamReader with the attribute checks and "FILE:LINE: <element>: ..." messages.
#pragma once

#include <QBuffer>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QXmlStreamReader>

struct SumoTlLogic;

class XmlParser
{
public:
    //! \a data must outlive the parser: it is read in place.
    XmlParser(const QString &fileName, const QByteArray &data);

    //! Message of the first failure ("FILE:LINE: <element id="x">: what").
    QString error() const { return m_error; }

protected:
    //! Moves to the root element; fails unless it is one of \a names (\a what names the file kind).
    bool readRoot(const QStringList &names, const QString &what);
    //! The next child start element of the current element; false at its end or on an XML error.
    bool nextChild()
    {
        const bool found = m_xml.readNextStartElement();
        m_attrs = found ? m_xml.attributes() : QXmlStreamAttributes();
        return found;
    }
    //! Reports an XML syntax error met on the way, if any.
    bool finish();

    int line() const { return int(m_xml.lineNumber()); }
    qint64 offset() const { return m_xml.characterOffset(); }
    double fraction() const;

    bool hasAttr(const QString &name) const { return m_attrs.hasAttribute(name); }
    QString attr(const QString &name) const { return m_attrs.value(name).toString(); }
    //! The text of attribute \a name without a copy; false when it is absent.
    bool attrRef(const QString &name, QStringRef *value) const;
    bool requireId(QString *id);
    //! Absent: \a value is kept unless \a required. Present: must be a finite number.
    bool doubleAttr(const QString &name, double *value, bool required = false);
    bool intAttr(const QString &name, int *value, int fallback, bool required = false);
    bool pointAttr(const QString &name, QPointF *value);
    bool numberListAttr(const QString &name, int count, QVector<double> *values);
    //! The current <tlLogic> element and its phases, read to its end.
    bool readTlLogic(SumoTlLogic *logic);

    const QString &fileName() const { return m_file; }

    //! "<edge id="x">" for the current element.
    QString describe() const;
    bool fail(const QString &message);
    bool failAt(int line, const QString &element, const QString &message);

    QXmlStreamReader m_xml;

private:
    // Read through a device, the text is decoded block by block: handing the reader the
    // whole array makes it hold a UTF-16 copy of the file, twice its size.
    QBuffer m_device;
    QXmlStreamAttributes m_attrs; // of the current element; attributes() copies on every call
    QString m_file;
    qint64 m_size;
    QString m_error;
};
