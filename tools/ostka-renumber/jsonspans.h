// ostka-renumber: where values and keys lie in a JSON text, for edits that keep every other byte.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace JsonSpans {

//! Bytes [begin, end) of a JSON text.
struct Span { int begin = 0, end = 0; };

/*!
 * For each object in the array that the top-level member \a array holds, the span of the
 * value of its member \a key (its first one, as the network reader takes the first of a key
 * given twice); objects without it are left out. The first top-level member \a array counts.
 * False with \a error when the text is not a JSON object, the member is not an array of
 * objects, or the text breaks off. An absent member gives no spans.
 */
bool memberValues(const QByteArray &json, const QString &array, const QString &key,
                  QVector<Span> *spans, QString *error);

/*!
 * The spans of the keys, quotes included, of the object that the top-level member
 * \a object holds (every key, also a repeated one). False with \a error as above when it
 * is not an object.
 */
bool objectKeys(const QByteArray &json, const QString &object, QVector<Span> *spans, QString *error);

//! The text of the JSON string at \a span (quotes included), escapes decoded.
QString stringAt(const QByteArray &json, const Span &span);

} // namespace JsonSpans
