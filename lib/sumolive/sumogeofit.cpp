// SUMO live source: SUMO's planar coordinates to longitude/latitude by a fitted polynomial.
#include "sumotypes.h"

#include <QLineF>
#include <QtMath>

#include <array>
#include <cmath>

namespace {

constexpr double MetresPerDegree = 111319.49;

using Terms = std::array<double, 6>;

Terms terms(double u, double v)
{
    return {1.0, u, v, u * u, u * v, v * v};
}

// Least squares by the normal equations with partial pivoting; the inputs are centred and
// scaled to about 1, so a tiny pivot means the points do not determine the terms.
bool solve(const QVector<Terms> &rows, const QVector<double> &rhs, int n, double *x)
{
    double a[6][7] = {};
    for (int k = 0; k < rows.size(); ++k) {
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j)
                a[i][j] += rows[k][i] * rows[k][j];
            a[i][n] += rows[k][i] * rhs[k];
        }
    }
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(a[r][c]) > std::abs(a[pivot][c]))
                pivot = r;
        if (std::abs(a[pivot][c]) < 1e-9 * rows.size())
            return false;
        for (int j = 0; j <= n; ++j)
            std::swap(a[c][j], a[pivot][j]);
        for (int r = 0; r < n; ++r) {
            if (r == c)
                continue;
            const double f = a[r][c] / a[c][c];
            for (int j = c; j <= n; ++j)
                a[r][j] -= f * a[c][j];
        }
    }
    for (int i = 0; i < n; ++i)
        x[i] = a[i][n] / a[i][i];
    return true;
}

double apply(const double *c, const Terms &t)
{
    double s = 0.0;
    for (int i = 0; i < 6; ++i)
        s += c[i] * t[i];
    return s;
}

} // namespace

QPointF SumoGeoFit::toGeo(double x, double y) const
{
    const Terms t = terms((x - centre.x()) / scale, (y - centre.y()) / scale);
    return QPointF(apply(lon, t), apply(lat, t));
}

QPointF SumoGeoFit::direction(double x, double y, double angle) const
{
    const double u = (x - centre.x()) / scale, v = (y - centre.y()) / scale;
    const double a = qDegreesToRadians(angle);
    const double east = std::sin(a) / scale, north = std::cos(a) / scale;
    auto along = [&](const double *c) {
        return (c[1] + 2 * c[3] * u + c[4] * v) * east + (c[2] + c[4] * u + 2 * c[5] * v) * north;
    };
    return QPointF(along(lon), along(lat));
}

bool SumoGeoFit::fit(const QVector<QPointF> &sumo, const QVector<QPointF> &geo, SumoGeoFit *out)
{
    const int n = std::min(sumo.size(), geo.size());
    if (n < 3)
        return false;
    SumoGeoFit f;
    for (int i = 0; i < n; ++i)
        f.centre += sumo[i];
    f.centre /= n;
    double spread = 0.0;
    for (int i = 0; i < n; ++i)
        spread = std::max(spread, QLineF(f.centre, sumo[i]).length());
    if (!(spread > 0.0))
        return false;
    f.scale = spread;
    QVector<Terms> rows;
    QVector<double> lons, lats;
    for (int i = 0; i < n; ++i) {
        rows << terms((sumo[i].x() - f.centre.x()) / f.scale, (sumo[i].y() - f.centre.y()) / f.scale);
        lons << geo[i].x();
        lats << geo[i].y();
    }
    // Quadratic where the points allow it (curvature of the projection over a city), else affine.
    bool ok = false;
    for (int used : {6, 3}) {
        if (n < used)
            continue;
        std::fill(std::begin(f.lon), std::end(f.lon), 0.0);
        std::fill(std::begin(f.lat), std::end(f.lat), 0.0);
        if (solve(rows, lons, used, f.lon) && solve(rows, lats, used, f.lat)) {
            ok = true;
            break;
        }
    }
    if (!ok)
        return false;
    double worst = 0.0;
    for (int i = 0; i < n; ++i) {
        const QPointF g = f.toGeo(sumo[i].x(), sumo[i].y());
        const double dx = (g.x() - geo[i].x()) * MetresPerDegree * std::cos(qDegreesToRadians(geo[i].y()));
        const double dy = (g.y() - geo[i].y()) * MetresPerDegree;
        worst = std::max(worst, std::hypot(dx, dy));
    }
    f.residual = worst;
    *out = f;
    return true;
}
