// Tests of ostka-import: one import's results, and finding the objects it made.
#pragma once

#include "importer.h"

#include <ostrika/network.h>

#include <memory>

struct Imported
{
    std::unique_ptr<Ostrika::Network> net = std::make_unique<Ostrika::Network>();
    QMap<int, ControllerPlanOut> plans;
    ImportSummary summary;
    QString error;
    bool ok = false;
};

inline Imported importWith(const ImportOptions &options)
{
    Imported r;
    r.ok = importSumo(options, r.net.get(), &r.plans, &r.summary, &r.error);
    return r;
}

//! The first object of type T named \a name, or null.
template <typename T>
T *byName(const Ostrika::Network *net, const QString &name)
{
    const QList<T *> all = net->findChildren<T *>();
    for (T *o : all) {
        if (o->objectName() == name)
            return o;
    }
    return nullptr;
}

template <typename T>
int countOf(const Ostrika::Network *net)
{
    return net->findChildren<T *>().size();
}
