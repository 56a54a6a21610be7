// Ostrika network model: a lean read-only JSON parser (iterative, no recursion).
#include "jsonreader.h"

#include <charconv>
#include <cstring>

namespace Ostrika::Json {

double Value::toDouble(double fallback) const
{
    if (m_inline)
        return m_inlineNumber;
    return m_node && m_node->type == Number ? m_node->number : fallback;
}

QString Value::toString() const
{
    if (!m_node || m_node->type != String)
        return {};
    return QString::fromUtf8(m_doc->text(m_node->span.first, m_node->flags & 1),
                             int(m_node->span.count));
}

bool Value::stringEquals(QLatin1String s) const
{
    return m_node && m_node->type == String && int(m_node->span.count) == s.size()
        && std::memcmp(m_doc->text(m_node->span.first, m_node->flags & 1), s.data(), size_t(s.size())) == 0;
}

Array Value::toArray() const
{
    return isArray() ? Array(m_doc, m_node) : Array();
}

Object Value::toObject() const
{
    return isObject() ? Object(m_doc, m_node) : Object();
}

Value Array::at(int i) const
{
    if (!m_node || i < 0 || i >= size())
        return {};
    if (m_node->type == NumberArray)
        return Value(m_doc, m_doc->m_numbers[m_node->span.first + uint32_t(i)], m_node->pos);
    return Value(m_doc, &m_doc->m_nodes[m_node->span.first + uint32_t(i)]);
}

const double *Array::numbers() const
{
    return m_node && m_node->type == NumberArray ? m_doc->m_numbers.data() + m_node->span.first : nullptr;
}

Value Object::value(const char *key) const
{
    if (!m_node)
        return {};
    const Node *n = m_doc->m_nodes.data() + m_node->span.first;
    for (uint32_t i = 0; i < m_node->span.count; ++i, ++n) {
        // Byte by byte: the key's terminating zero ends a mismatch without a strlen.
        const char *text = m_doc->text(n->keyOff, n->flags & 2);
        uint32_t j = 0;
        while (j < n->keyLen && text[j] == key[j] && key[j])
            ++j;
        if (j == n->keyLen && key[j] == '\0')
            return Value(m_doc, n);
    }
    return {};
}

Value Document::root() const
{
    return m_nodes.empty() ? Value() : Value(this, &m_nodes.back());
}

bool Document::fail(const char *p, const char *message)
{
    m_truncated = p >= m_end;
    m_errorOffset = int(p - m_begin);
    m_error = QString::fromLatin1(m_truncated ? "unexpected end of the document" : message);
    return false;
}

namespace {

inline void skipSpace(const char *&p, const char *end)
{
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
        ++p;
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

void appendUtf8(std::string &out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xc0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += char(0xe0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3f));
        out += char(0x80 | (cp & 0x3f));
    } else {
        out += char(0xf0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3f));
        out += char(0x80 | ((cp >> 6) & 0x3f));
        out += char(0x80 | (cp & 0x3f));
    }
}

bool hex4(const char *p, const char *end, uint32_t *out)
{
    if (end - p < 4)
        return false;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];
        v <<= 4;
        if (isDigit(c))
            v |= uint32_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            v |= uint32_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            v |= uint32_t(c - 'A' + 10);
        else
            return false;
    }
    *out = v;
    return true;
}

// Clinger's fast path: a mantissa of at most 2^53 and a power of ten of at most 10^22 are
// both exact doubles, so one multiplication or division rounds correctly. Covers nearly
// every coordinate; anything else goes to std::from_chars. \a begin..end is valid JSON.
bool fastDecimal(const char *begin, const char *end, double *out)
{
    static constexpr double Pow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *p = begin;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    uint64_t mantissa = 0;
    int digits = 0, exponent = 0;
    for (; p < end && isDigit(*p); ++p) {
        mantissa = mantissa * 10 + uint64_t(*p - '0');
        if (mantissa)
            ++digits;
    }
    if (p < end && *p == '.') {
        for (++p; p < end && isDigit(*p); ++p) {
            mantissa = mantissa * 10 + uint64_t(*p - '0');
            if (mantissa)
                ++digits;
            --exponent;
        }
    }
    if (digits > 15)
        return false;
    if (p < end) {   // exponent part
        ++p;
        bool negExp = false;
        if (*p == '+' || *p == '-')
            negExp = *p++ == '-';
        int e = 0;
        for (; p < end; ++p) {
            if (e > 1000)
                return false;
            e = e * 10 + (*p - '0');
        }
        exponent += negExp ? -e : e;
    }
    if (exponent < -22 || exponent > 22)
        return false;
    double v = double(mantissa);
    v = exponent < 0 ? v / Pow10[-exponent] : v * Pow10[exponent];
    *out = negative ? -v : v;
    return true;
}

} // namespace

bool Document::parseString(const char *&p, uint32_t *off, uint32_t *len, bool *escaped)
{
    const char *start = ++p;   // past the opening quote
    while (p < m_end && *p != '"' && *p != '\\' && uchar(*p) >= 0x20)
        ++p;
    if (p < m_end && *p == '"') {
        *off = uint32_t(start - m_begin);
        *len = uint32_t(p - start);
        *escaped = false;
        ++p;
        return true;
    }
    // Escapes: decode into the side buffer.
    const size_t begin = m_decoded.size();
    m_decoded.append(start, size_t(p - start));
    while (p < m_end) {
        const char c = *p;
        if (c == '"') {
            *off = uint32_t(begin);
            *len = uint32_t(m_decoded.size() - begin);
            *escaped = true;
            ++p;
            return true;
        }
        if (uchar(c) < 0x20)
            return fail(p, "control character in a string");
        if (c != '\\') {
            m_decoded += c;
            ++p;
            continue;
        }
        if (++p >= m_end)
            break;
        switch (*p) {
        case '"': m_decoded += '"'; break;
        case '\\': m_decoded += '\\'; break;
        case '/': m_decoded += '/'; break;
        case 'b': m_decoded += '\b'; break;
        case 'f': m_decoded += '\f'; break;
        case 'n': m_decoded += '\n'; break;
        case 'r': m_decoded += '\r'; break;
        case 't': m_decoded += '\t'; break;
        case 'u': {
            uint32_t cp = 0;
            if (!hex4(p + 1, m_end, &cp))
                return fail(m_end - p - 1 < 4 ? m_end : p, "invalid escape sequence");
            p += 4;
            if (cp >= 0xd800 && cp < 0xdc00 && m_end - p >= 7 && p[1] == '\\' && p[2] == 'u') {
                uint32_t low = 0;
                if (hex4(p + 3, m_end, &low) && low >= 0xdc00 && low < 0xe000) {
                    cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
                    p += 6;
                }
            }
            if (cp >= 0xd800 && cp < 0xe000)
                cp = 0xfffd;   // a lone surrogate
            appendUtf8(m_decoded, cp);
            break;
        }
        default:
            return fail(p, "invalid escape sequence");
        }
        ++p;
    }
    return fail(m_end, "unterminated string");
}

bool Document::parseNumber(const char *&p, double *out)
{
    const char *start = p;
    if (p < m_end && *p == '-')
        ++p;
    if (p >= m_end)
        return fail(p, "");
    if (*p == '0') {
        ++p;
    } else if (isDigit(*p)) {
        while (p < m_end && isDigit(*p))
            ++p;
    } else {
        return fail(start, "illegal value");
    }
    if (p < m_end && *p == '.') {
        ++p;
        if (p >= m_end)
            return fail(p, "");
        if (!isDigit(*p))
            return fail(p, "illegal number");
        while (p < m_end && isDigit(*p))
            ++p;
    }
    if (p < m_end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < m_end && (*p == '+' || *p == '-'))
            ++p;
        if (p >= m_end)
            return fail(p, "");
        if (!isDigit(*p))
            return fail(p, "illegal number");
        while (p < m_end && isDigit(*p))
            ++p;
    }
    if (fastDecimal(start, p, out))
        return true;
    const auto res = std::from_chars(start, p, *out);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow to zero is harmless; overflow would be infinite.
        const char *e = start;
        while (e < p && *e != 'e' && *e != 'E')
            ++e;
        if (e < p && e[1] == '-') {
            *out = 0.0;
            return true;
        }
        return fail(start, "number out of range");
    }
    if (res.ec != std::errc() || res.ptr != p)
        return fail(start, "illegal number");
    return true;
}

/*
 * One pass over the text without recursion. Values are pushed on a stack; closing a container
 * moves its children into the document's node array (or, when all are numbers, into the
 * number array) in one block and pushes the container in their place. The root comes last.
 */
class Parser
{
public:
    explicit Parser(Document &doc) : d(doc), p(doc.m_begin), end(doc.m_end) { stack.reserve(1024); }

    bool run()
    {
        Step step = Step::Value;
        while (step == Step::Value || step == Step::AfterValue)
            step = step == Step::Value ? value() : afterValue();
        return step == Step::Done;
    }

private:
    enum class Step { Value, AfterValue, Done, Failed };

    struct Frame
    {
        uint32_t stackStart;
        uint32_t pos;
        uint32_t keyOff;
        uint16_t keyLen;
        uint8_t keyFlags;
        bool object;
    };

    Step failed(const char *at, const char *message)
    {
        d.fail(at, message);
        return Step::Failed;
    }

    // A node at p carrying the member key read last (none inside arrays).
    Node startNode() const
    {
        Node n;
        n.pos = uint32_t(p - d.m_begin);
        n.keyOff = keyOff;
        n.keyLen = keyLen;
        n.flags = keyFlags;
        return n;
    }

    // A value is expected at p.
    Step value()
    {
        skipSpace(p, end);
        if (p >= end)
            return failed(p, "");
        Node n = startNode();
        const char c = *p;
        if (c == '{' || c == '[')
            return open(n, c == '{');
        if (c == '"') {
            uint32_t off = 0, len = 0;
            bool escaped = false;
            if (!d.parseString(p, &off, &len, &escaped))
                return Step::Failed;
            n.type = String;
            n.span.first = off;
            n.span.count = len;
            n.flags |= escaped ? 1 : 0;
        } else if (c == 't' || c == 'f' || c == 'n') {
            const char *word = c == 't' ? "true" : (c == 'f' ? "false" : "null");
            const size_t len = std::strlen(word);
            const size_t avail = size_t(end - p);
            if (std::memcmp(p, word, std::min(len, avail)) != 0)
                return failed(p, "illegal value");
            if (avail < len)
                return failed(end, "");
            p += len;
            n.type = c == 'n' ? Null : Bool;
            n.number = c == 't' ? 1.0 : 0.0;
        } else {
            if (!d.parseNumber(p, &n.number))
                return Step::Failed;
            n.type = Number;
        }
        stack.push_back(n);
        return Step::AfterValue;
    }

    // At '{' or '[': an empty container is complete at once, otherwise its first member follows.
    Step open(const Node &n, bool object)
    {
        frames.push_back({uint32_t(stack.size()), n.pos, keyOff, keyLen, keyFlags, object});
        ++p;
        skipSpace(p, end);
        if (p < end && *p == (object ? '}' : ']')) {
            ++p;
            close();
            return Step::AfterValue;
        }
        return startMember(object);
    }

    // Separators and closing brackets after a value, up to the next value or the end.
    Step afterValue()
    {
        for (;;) {
            skipSpace(p, end);
            if (frames.empty()) {
                if (p < end)
                    return failed(p, "garbage at the end of the document");
                d.m_nodes.push_back(stack.back());
                return Step::Done;
            }
            if (p >= end)
                return failed(p, "");
            const bool object = frames.back().object;
            if (*p == ',') {
                ++p;
                return startMember(object);
            }
            if (*p != (object ? '}' : ']'))
                return failed(p, object ? "expected ',' or '}'" : "expected ',' or ']'");
            ++p;
            close();
        }
    }

    // An object member begins with its key; an array element has none.
    Step startMember(bool object)
    {
        if (object)
            return readKey() ? Step::Value : Step::Failed;
        keyOff = 0;
        keyLen = 0;
        keyFlags = 0;
        return Step::Value;
    }

    bool readKey()
    {
        skipSpace(p, end);
        if (p >= end)
            return d.fail(p, "");
        if (*p != '"')
            return d.fail(p, "expected a string key");
        uint32_t off = 0, len = 0;
        bool escaped = false;
        if (!d.parseString(p, &off, &len, &escaped))
            return false;
        if (len > 0xffff)
            return d.fail(p, "key too long");
        keyOff = off;
        keyLen = uint16_t(len);
        keyFlags = escaped ? 2 : 0;
        skipSpace(p, end);
        if (p >= end || *p != ':')
            return d.fail(p, "expected ':' after a key");
        ++p;
        return true;
    }

    void close()
    {
        const Frame f = frames.back();
        frames.pop_back();
        Node n;
        n.pos = f.pos;
        n.keyOff = f.keyOff;
        n.keyLen = f.keyLen;
        n.flags = f.keyFlags;
        const size_t count = stack.size() - f.stackStart;
        bool allNumbers = !f.object && count > 0;
        for (size_t i = f.stackStart; allNumbers && i < stack.size(); ++i)
            allNumbers = stack[i].type == Number;
        n.span.count = uint32_t(count);
        if (allNumbers) {
            n.type = NumberArray;
            n.span.first = uint32_t(d.m_numbers.size());
            for (size_t i = f.stackStart; i < stack.size(); ++i)
                d.m_numbers.push_back(stack[i].number);
        } else {
            n.type = f.object ? ObjectType : ArrayType;
            n.span.first = uint32_t(d.m_nodes.size());
            d.m_nodes.insert(d.m_nodes.end(), stack.begin() + f.stackStart, stack.end());
        }
        stack.resize(f.stackStart);
        stack.push_back(n);
    }

    Document &d;
    const char *p;
    const char *end;
    std::vector<Frame> frames;
    std::vector<Node> stack;
    uint32_t keyOff = 0;
    uint16_t keyLen = 0;
    uint8_t keyFlags = 0;
};

bool Document::parse(const QByteArray &data)
{
    m_begin = data.constData();
    m_end = m_begin + data.size();
    m_nodes.clear();
    m_numbers.clear();
    m_decoded.clear();
    m_error.clear();
    m_truncated = false;
    if (data.size() >= 0x7fffffff)
        return fail(m_begin, "document too large");
    m_nodes.reserve(size_t(data.size() / 24));
    m_numbers.reserve(size_t(data.size() / 10));
    return Parser(*this).run();
}

} // namespace Ostrika::Json
