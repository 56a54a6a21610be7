// ostka-renumber: a small JSON scanner that reports byte positions instead of building values.
#include "jsonspans.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>

namespace JsonSpans {

namespace {

// Walks a text that is meant to be JSON. Nesting is counted, not recursed into, so no
// document is too deep for it; what it does not understand makes it stop with an error.
class Scanner
{
public:
    explicit Scanner(const QByteArray &json) : m_json(json) {}

    bool fail(const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1 at byte offset %2").arg(what).arg(m_pos);
        return false;
    }
    QString error() const { return m_error; }
    int pos() const { return m_pos; }

    char peek()
    {
        skipSpace();
        return m_pos < m_json.size() ? m_json.at(m_pos) : '\0';
    }
    bool expect(char c)
    {
        if (peek() != c)
            return fail(QStringLiteral("'%1' expected").arg(QLatin1Char(c)));
        ++m_pos;
        return true;
    }
    //! A string at the current position; \a span gets its bytes, quotes included.
    bool string(Span *span)
    {
        if (peek() != '"')
            return fail(QStringLiteral("a string expected"));
        span->begin = m_pos++;
        while (m_pos < m_json.size() && m_json.at(m_pos) != '"')
            m_pos += m_json.at(m_pos) == '\\' ? 2 : 1;
        if (m_pos >= m_json.size())
            return fail(QStringLiteral("unterminated string"));
        span->end = ++m_pos;
        return true;
    }
    //! Any value; \a span gets its bytes.
    bool value(Span *span)
    {
        const char c = peek();
        span->begin = m_pos;
        if (c == '"')
            return string(span);
        if (c != '{' && c != '[') {
            while (m_pos < m_json.size() && !strchr(",}] \t\r\n", m_json.at(m_pos)))
                ++m_pos;
            span->end = m_pos;
            return m_pos > span->begin || fail(QStringLiteral("a value expected"));
        }
        int depth = 0;
        while (m_pos < m_json.size()) {
            const char ch = m_json.at(m_pos);
            if (ch == '"') {
                Span ignored;
                if (!string(&ignored))
                    return false;
                continue;
            }
            ++m_pos;
            if (ch == '{' || ch == '[')
                ++depth;
            else if ((ch == '}' || ch == ']') && --depth == 0) {
                span->end = m_pos;
                return true;
            }
        }
        return fail(QStringLiteral("the text ends inside a value"));
    }
    //! Calls \a member(key span) for each member of the object at the current position;
    //! \a member reads the value (or returns false).
    template <typename F>
    bool members(F member)
    {
        if (!expect('{'))
            return false;
        if (peek() == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            Span key;
            if (!string(&key) || !expect(':') || !member(key))
                return false;
            if (peek() == '}') {
                ++m_pos;
                return true;
            }
            if (!expect(','))
                return false;
        }
    }
    //! Calls \a element() for each element of the array at the current position.
    template <typename F>
    bool elements(F element)
    {
        if (!expect('['))
            return false;
        if (peek() == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            if (!element())
                return false;
            if (peek() == ']') {
                ++m_pos;
                return true;
            }
            if (!expect(','))
                return false;
        }
    }

private:
    void skipSpace()
    {
        while (m_pos < m_json.size() && strchr(" \t\r\n", m_json.at(m_pos)) && m_json.at(m_pos) != '\0')
            ++m_pos;
    }

    const QByteArray &m_json;
    int m_pos = 0;
    QString m_error;
};

//! Runs \a inner on the value of the first top-level member \a name; skips every other value.
template <typename F>
bool topLevelMember(Scanner &s, const QByteArray &json, const QString &name, F inner, QString *error)
{
    bool seen = false;
    const bool ok = s.members([&](const Span &key) {
        Span skipped;
        if (seen || stringAt(json, key) != name)
            return s.value(&skipped);
        seen = true;
        return inner();
    });
    if (!ok)
        *error = s.error();
    return ok;
}

} // namespace

QString stringAt(const QByteArray &json, const Span &span)
{
    const QByteArray text = json.mid(span.begin, span.end - span.begin);
    if (!text.contains('\\'))
        return QString::fromUtf8(text.mid(1, text.size() - 2));
    // Escapes are rare in keys; the JSON parser decodes them.
    return QJsonDocument::fromJson("[" + text + "]").array().at(0).toString();
}

bool memberValues(const QByteArray &json, const QString &array, const QString &key, QVector<Span> *spans,
                  QString *error)
{
    spans->clear();
    Scanner s(json);
    return topLevelMember(s, json, array, [&] {
        return s.elements([&] {
            bool found = false;
            return s.members([&](const Span &k) {
                Span v;
                if (!s.value(&v))
                    return false;
                if (!found && stringAt(json, k) == key) {
                    found = true;
                    spans->append(v);
                }
                return true;
            });
        });
    }, error);
}

bool objectKeys(const QByteArray &json, const QString &object, QVector<Span> *spans, QString *error)
{
    spans->clear();
    Scanner s(json);
    return topLevelMember(s, json, object, [&] {
        return s.members([&](const Span &k) {
            Span v;
            spans->append(k);
            return s.value(&v);
        });
    }, error);
}

} // namespace JsonSpans
