// Ostrika network model: the ".ostka" reader (private to the library).
#pragma once

#include "network.h"

#include "jsonreader.h"

#include <QCoreApplication>
#include <QVector>

namespace Ostrika {

namespace ReaderText {
inline QString quoted(const char *k) { return QLatin1Char('"') + QLatin1String(k) + QLatin1Char('"'); }
//! "an edge", "a node".
inline QString withArticle(const QString &kind)
{
    const bool vowel = !kind.isEmpty() && QStringLiteral("aeiou").contains(kind.at(0));
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + kind;
}
} // namespace ReaderText

/*!
 * Reads one document into a network, all or nothing. Objects are created straight into the
 * network when it has none, otherwise under a staging object that is moved over only when
 * the whole document has been read; on failure everything created is deleted again.
 */
class NetworkReader
{
    Q_DECLARE_TR_FUNCTIONS(Ostrika::Network)
public:
    explicit NetworkReader(Network *net);
    ~NetworkReader();
    NetworkReader(const NetworkReader &) = delete;
    NetworkReader &operator=(const NetworkReader &) = delete;

    bool read(const QByteArray &data);
    QString errorString() const { return m_error; }

private:
    // Where an object is, for messages: "edge 12" once the id is known, else "edges[3]".
    struct Ctx {
        const char *kind;
        const char *section;
        int index;
        int id = 0;
        bool hasId = false;
    };

    bool readDocument(const QByteArray &data);
    bool fail(const QString &message);
    bool fail(const Ctx &c, const QString &message);
    static QString where(const Ctx &c);
    static QString kindOf(const QObject *obj);

    bool readHeader(const Json::Object &root);
    bool section(const Json::Object &root, const char *key, Json::Array *out);
    bool object(const Json::Value &v, const Ctx &c, Json::Object *out);

    bool readId(const Json::Object &o, Ctx &c);
    bool readName(const Json::Object &o, const Ctx &c, QString *out);
    // The field \a key of \a o into \a v (Undefined when absent); false only when a required
    // field is missing, after reporting it.
    bool lookUp(const Json::Object &o, const char *key, const Ctx &c, bool required,
                Json::Value *v);
    bool readInt(const Json::Object &o, const char *key, const Ctx &c, int *out, bool required);
    bool readNumber(const Json::Object &o, const char *key, const Ctx &c, double *out,
                    bool required);
    bool readPoints(const Json::Object &o, const char *key, const Ctx &c, QVector<QPointF> *out,
                    int minPoints, int maxPoints, bool required);
    bool readClasses(const Json::Object &o, const Ctx &c, Lane::VehicleClasses *out);
    bool readIdValue(const Json::Value &v, const Ctx &c, const QString &what, int *out);
    // Looks up a referenced id of this file and checks its class against \a type.
    // \a field is the key, or "[" + key for an entry of a list.
    NetObject *resolveAs(const Json::Value &v, const Ctx &c, const char *field,
                         const char *kind, const QMetaObject &type);
    bool readRefAs(const Json::Object &o, const char *key, const Ctx &c, const char *kind,
                   const QMetaObject &type, NetObject **out, bool required);
    template<typename T>
    bool resolve(const Json::Value &v, const Ctx &c, const char *field, const char *kind,
                 T **out)
    {
        *out = static_cast<T *>(resolveAs(v, c, field, kind, T::staticMetaObject));
        return *out != nullptr;
    }
    template<typename T>
    bool readRef(const Json::Object &o, const char *key, const Ctx &c, const char *kind, T **out,
                 bool required)
    {
        NetObject *obj = nullptr;
        if (!readRefAs(o, key, c, kind, T::staticMetaObject, &obj, required))
            return false;
        *out = static_cast<T *>(obj);
        return true;
    }
    bool claimId(const Ctx &c);
    bool inFile(const NetObject *obj) const;
    void created(NetObject *obj, bool topLevel);

    bool readNodes(const Json::Object &root);
    bool readEdges(const Json::Object &root);
    bool readStoplines(const Json::Object &root);
    bool readGranules(const Json::Object &root);
    bool readSignalGroups(const Json::Object &root);
    bool readConnections(const Json::Object &root);
    bool readCrossWalks(const Json::Object &root);
    bool readRoutes(const Json::Object &root);
    bool checkExclusions();

    void commit();
    void rollback();

    Json::Document m_doc;
    Network *m_net;
    QObject *m_owner = nullptr;
    QObject *m_staging = nullptr;
    bool m_adoptOrigin = false;
    QPointF m_origin;
    QPointF m_shift;   // file planar coordinates to network planar coordinates
    QVector<int> m_createdIds;
    QVector<QObject *> m_topLevel;
    struct Exclusion {
        int connection;
        int route;
    };
    QVector<Exclusion> m_exclusions;
    QString m_error;
};

} // namespace Ostrika
