// Ostrika network model: a lean read-only JSON document for the ".ostka" reader (private).
#pragma once

#include <QByteArray>
#include <QLatin1String>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace Ostrika::Json {

class Document;
class Array;
class Object;

// Arrays made only of numbers keep them in one flat list: shapes are most of a network file.
struct Node {
    union {
        double number;
        struct {
            uint32_t first;   // string: byte offset; containers: first child or number index
            uint32_t count;   // string: byte length; containers: number of children
        } span;
    };
    uint32_t pos = 0;     // byte offset of the value in the document
    uint32_t keyOff = 0;  // member key of an object member (byte offset and length)
    uint16_t keyLen = 0;
    uint8_t type = 0;
    uint8_t flags = 0;    // bit 0: string escaped (decoded copy), bit 1: key escaped
};

enum Type : uint8_t { Undefined, Null, Bool, Number, String, ArrayType, NumberArray, ObjectType };

class Value
{
public:
    Value() = default;
    bool isUndefined() const { return type() == Undefined; }
    bool isNull() const { return type() == Null; }
    bool isDouble() const { return type() == Number; }
    bool isString() const { return type() == String; }
    bool isArray() const { return type() == ArrayType || type() == NumberArray; }
    bool isObject() const { return type() == ObjectType; }
    //! \a fallback for anything but a number.
    double toDouble(double fallback = 0.0) const;
    //! Empty for anything but a string.
    QString toString() const;
    bool stringEquals(QLatin1String s) const;
    Array toArray() const;
    Object toObject() const;
    int offset() const { return m_inline ? int(m_inlinePos) : (m_node ? int(m_node->pos) : 0); }

private:
    friend class Array;
    friend class Object;
    friend class Document;
    Value(const Document *doc, const Node *node) : m_doc(doc), m_node(node) {}
    Value(const Document *doc, double number, uint32_t pos)
        : m_doc(doc), m_inlineNumber(number), m_inlinePos(pos), m_inline(true) {}
    uint8_t type() const { return m_inline ? uint8_t(Number) : (m_node ? m_node->type : uint8_t(Undefined)); }

    const Document *m_doc = nullptr;
    const Node *m_node = nullptr;
    double m_inlineNumber = 0.0;
    uint32_t m_inlinePos = 0;
    bool m_inline = false;
};

class Array
{
public:
    Array() = default;
    int size() const { return m_node ? int(m_node->span.count) : 0; }
    bool isEmpty() const { return size() == 0; }
    Value at(int i) const;
    //! The numbers when every element is one, else null.
    const double *numbers() const;

    class const_iterator
    {
    public:
        const_iterator(const Array *a, int i) : m_a(a), m_i(i) {}
        Value operator*() const { return m_a->at(m_i); }
        const_iterator &operator++() { ++m_i; return *this; }
        bool operator!=(const const_iterator &o) const { return m_i != o.m_i; }
    private:
        const Array *m_a;
        int m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    friend class Value;
    Array(const Document *doc, const Node *node) : m_doc(doc), m_node(node) {}
    const Document *m_doc = nullptr;
    const Node *m_node = nullptr;
};

class Object
{
public:
    Object() = default;
    //! Undefined when the key is absent (the first match when a key repeats).
    Value value(const char *key) const;

private:
    friend class Value;
    Object(const Document *doc, const Node *node) : m_doc(doc), m_node(node) {}
    const Document *m_doc = nullptr;
    const Node *m_node = nullptr;
};

/*!
 * Parses RFC 8259 JSON. On failure errorString() and errorOffset() say what and where;
 * truncated() tells that the text ended before the document was complete. The parsed
 * data refers to \a data, which must outlive the document.
 */
class Document
{
public:
    bool parse(const QByteArray &data);
    Value root() const;
    QString errorString() const { return m_error; }
    int errorOffset() const { return m_errorOffset; }
    bool truncated() const { return m_truncated; }

private:
    friend class Value;
    friend class Array;
    friend class Object;
    friend class Parser;
    bool fail(const char *p, const char *message);
    bool parseString(const char *&p, uint32_t *off, uint32_t *len, bool *escaped);
    bool parseNumber(const char *&p, double *out);
    const char *text(uint32_t off, bool escaped) const
    {
        return escaped ? m_decoded.data() + off : m_begin + off;
    }

    const char *m_begin = nullptr;
    const char *m_end = nullptr;
    std::vector<Node> m_nodes;
    std::vector<double> m_numbers;
    std::string m_decoded;
    QString m_error;
    int m_errorOffset = 0;
    bool m_truncated = false;
};

} // namespace Ostrika::Json
