// Turns fuzzer bytes into numbers and arbitrary QVariants (nested lists, maps, odd types).
#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <cstring>
#include <limits>

class VariantDecoder
{
public:
    VariantDecoder(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    template <typename T>
    T raw()
    {
        T v{};
        const size_t n = qMin(sizeof(T), m_size - qMin(m_pos, m_size));
        if (n)
            std::memcpy(&v, m_data + m_pos, n);
        m_pos += n;
        return v;
    }

    // Mostly values that mean something to the controller path, sometimes anything.
    int interestingInt()
    {
        static const int table[] = {0, 1, 2, 3, 4, 5, 6, 16, 17, 20, 32, 33, -1, -2,
                                    std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                                    255, 256, 65535, 1 << 30};
        const uint8_t b = byte();
        if (b < 200)
            return table[b % (sizeof(table) / sizeof(table[0]))];
        return raw<int32_t>();
    }

    QVariant variant(int depth = 0)
    {
        switch (byte() % 16) {
        case 0: return QVariant();
        case 1: return QVariant(raw<int32_t>());
        case 2: return QVariant(raw<uint32_t>());
        case 3: return QVariant(qlonglong(raw<int64_t>()));
        case 4: return QVariant(qulonglong(raw<uint64_t>()));
        case 5: return QVariant(raw<double>());
        case 6: return QVariant(bool(byte() & 1));
        case 7: return QVariant(QString::fromUtf8(bytes(byte() % 24)));
        case 8: return QVariant(bytes(byte() % 24));
        case 9: return QVariant(list(depth));
        case 10: {
            QStringList l;
            for (int n = byte() % 6; n > 0 && !atEnd(); --n)
                l.append(QString::number(interestingInt()));
            return QVariant(l);
        }
        case 11: {
            QVariantMap m;
            for (int n = byte() % 4; n > 0 && !atEnd(); --n)
                m.insert(QString::number(byte()), depth < 4 ? variant(depth + 1) : QVariant());
            return QVariant(m);
        }
        case 12: return QVariant(QPointF(raw<double>(), raw<double>()));
        case 13: return QVariant(interestingInt());
        case 14: return QVariant(QString::number(interestingInt()));
        default: {
            // The well-formed message, with arbitrary extras.
            QVariantList l{interestingInt(), interestingInt()};
            for (int n = byte() % 3; n > 0 && !atEnd(); --n)
                l.append(depth < 4 ? variant(depth + 1) : QVariant());
            return QVariant(l);
        }
        }
    }

private:
    QByteArray bytes(size_t n)
    {
        n = qMin(n, m_size - qMin(m_pos, m_size));
        QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), int(n));
        m_pos += n;
        return out;
    }

    QVariantList list(int depth)
    {
        QVariantList l;
        // Lists of any length, bounded by the input; elements of any type.
        const int n = byte() < 240 ? byte() % 8 : int(raw<uint16_t>() % 4096);
        for (int i = 0; i < n && !atEnd(); ++i)
            l.append(depth < 4 ? variant(depth + 1) : QVariant(interestingInt()));
        return l;
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};
