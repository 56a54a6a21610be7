// The city-sized network of the benchmarks.
#include "citygrid.h"

#include <QFileInfo>
#include <QProcess>

QString cityGridNetwork(int side, QString *error)
{
    const QString dir = QStringLiteral(CITY_GRID_DIR "/grid%1").arg(side);
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("bash"), {QStringLiteral(CITY_GRID_SCRIPT), dir, QString::number(side),
                                           QStringLiteral(OSTKA_IMPORT)});
    // The import of the largest grids takes minutes on a busy machine.
    if (!script.waitForFinished(30 * 60 * 1000) || script.exitStatus() != QProcess::NormalExit
        || script.exitCode() != 0) {
        *error = QStringLiteral("scripts/city-grid.sh failed (%1)").arg(script.exitCode());
        return QString();
    }
    const QString file = dir + QStringLiteral("/city-grid.ostka");
    if (!QFileInfo(file).isFile()) {
        *error = QStringLiteral("scripts/city-grid.sh made no %1").arg(file);
        return QString();
    }
    return file;
}
