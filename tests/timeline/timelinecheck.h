// Readers and comparisons for route timeline results, shared by the timeline tests.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QVariantMap>
#include <QtTest>

#include <cmath>

namespace TimelineCheck {

constexpr double Tolerance = 1e-6;

inline QString num(double v) { return QString::number(v, 'g', 12); }

inline bool near(double a, double b, double tol = Tolerance)
{
    return std::abs(a - b) <= tol;
}

inline QList<QPointF> skeleton(const QVariantMap &result)
{
    QList<QPointF> points;
    for (const QVariant &v : result.value(QStringLiteral("route_skel")).toList())
        points.append(v.toPointF());
    return points;
}

// Empty when the skeleton matches \a expected point by point, otherwise what differs.
inline QString skeletonDiff(const QVariantMap &result, const QList<QPointF> &expected,
                            double tol = Tolerance)
{
    const QVariantList raw = result.value(QStringLiteral("route_skel")).toList();
    for (const QVariant &v : raw) {
        if (v.userType() != QMetaType::QPointF)
            return QStringLiteral("skeleton holds a %1, not a QPointF").arg(v.typeName());
    }
    const QList<QPointF> got = skeleton(result);
    auto text = [](const QList<QPointF> &pts) {
        QStringList parts;
        for (const QPointF &p : pts)
            parts << QStringLiteral("(%1, %2)").arg(num(p.x()), num(p.y()));
        return parts.join(QStringLiteral(" "));
    };
    bool same = got.size() == expected.size();
    for (int i = 0; same && i < got.size(); ++i)
        same = near(got.at(i).x(), expected.at(i).x(), tol) && near(got.at(i).y(), expected.at(i).y(), tol);
    if (same)
        return {};
    return QStringLiteral("skeleton is %1, expected %2").arg(text(got), text(expected));
}

// Empty when the group entry exists with these values, otherwise what differs.
inline QString entryDiff(const QVariantMap &result, const QString &controller,
                         const QString &group, double dist, double rdist, bool fwd,
                         double tol = Tolerance)
{
    const QVariantMap groups = result.value(QStringLiteral("sg_data")).toMap().value(controller).toMap();
    if (!groups.contains(group))
        return QStringLiteral("no entry for group %1 of controller %2").arg(group, controller);
    const QVariantMap e = groups.value(group).toMap();
    const double d = e.value(QStringLiteral("dist")).toDouble();
    const double rd = e.value(QStringLiteral("rdist")).toDouble();
    const bool f = e.value(QStringLiteral("fwd")).toBool();
    if (e.size() == 3 && near(d, dist, tol) && near(rd, rdist, tol) && f == fwd)
        return {};
    return QStringLiteral("%1/%2 is dist %3 rdist %4 fwd %5 (%6 keys), expected dist %7 rdist %8 fwd %9")
        .arg(controller, group, num(d), num(rd), f ? "true" : "false").arg(e.size())
        .arg(num(dist), num(rdist), fwd ? "true" : "false");
}

} // namespace TimelineCheck

#define TIMELINE_COMPARE_NEAR(actual, expected)                                                \
    do {                                                                                       \
        const double a_ = (actual), e_ = (expected);                                           \
        QVERIFY2(TimelineCheck::near(a_, e_),                                                  \
                 qPrintable(QStringLiteral("%1 is %2, expected %3")                            \
                                .arg(QStringLiteral(#actual), TimelineCheck::num(a_),          \
                                     TimelineCheck::num(e_))));                                \
    } while (false)

#define TIMELINE_COMPARE_NEAR_TOL(actual, expected, tol)                                       \
    do {                                                                                       \
        const double a_ = (actual), e_ = (expected);                                           \
        QVERIFY2(TimelineCheck::near(a_, e_, tol),                                             \
                 qPrintable(QStringLiteral("%1 is %2, expected %3 +- %4")                      \
                                .arg(QStringLiteral(#actual), TimelineCheck::num(a_),          \
                                     TimelineCheck::num(e_), TimelineCheck::num(tol))));       \
    } while (false)

#define TIMELINE_VERIFY_SKELETON(result, ...)                                                  \
    do {                                                                                       \
        const QString d_ = TimelineCheck::skeletonDiff(result, __VA_ARGS__);                   \
        QVERIFY2(d_.isEmpty(), qPrintable(d_));                                                \
    } while (false)

#define TIMELINE_VERIFY_ENTRY(result, ...)                                                     \
    do {                                                                                       \
        const QString d_ = TimelineCheck::entryDiff(result, __VA_ARGS__);                      \
        QVERIFY2(d_.isEmpty(), qPrintable(d_));                                                \
    } while (false)
