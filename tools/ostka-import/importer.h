// ostka-import: SUMO network (and route files) to an Ostrika network and controller plans.
#pragma once

#include "sumonet.h"
#include "sumoroutes.h"

#include <QMap>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Ostrika { class Network; }

//! The fixed-time plan of one controller, as the demo host's plan file holds it.
struct ControllerPlanOut
{
    int controllerId = 0;
    QString sumoId, programId;
    qint64 cycleMs = 0;
    qint64 offsetMs = 0;
    QMap<int, QVector<QPair<int, qint64>>> groups; // group number -> (state code, ms)
};

struct ImportOptions
{
    QString netFile;
    QStringList routeFiles;    // SUMO route and additional files, read in this order
    int firstController = 1;   // the controller ids are firstController, firstController + 1, ...
    bool hasOrigin = false;
    QPointF origin;            // lon, lat for nets without geo-reference
    ProgressFn progress;
};

struct ImportSummary
{
    int nodes = 0, edges = 0, lanes = 0, connections = 0, stoplines = 0, granules = 0,
        signalGroups = 0, crosswalks = 0, routes = 0;
    int programsRead = 0;      // programs from route and additional files
    int tripsRouted = 0, tripsSkipped = 0;
    QStringList warnings;
};

namespace SignalCode {
//! The plan state code of one SUMO signal letter (G g s: 1, y: 16, r: 4, u: 20, o: 32, O: 0);
//! -1 for a letter SUMO does not define.
int fromSumo(QChar letter);
}

/*!
 * Builds \a network (which must be empty) and \a plans from the SUMO files of \a options.
 * All or nothing: false with an \a error naming the file, line and element on bad input.
 */
bool importSumo(const ImportOptions &options, Ostrika::Network *network,
                QMap<int, ControllerPlanOut> *plans, ImportSummary *summary, QString *error);

//! The plan file in the demo host's format.
QByteArray plansToJson(const QMap<int, ControllerPlanOut> &plans);

/*!
 * Imports and writes BASE.ostka and BASE.plans.json, each through a temporary file renamed
 * into place only after both were written: on any error neither file is created or changed.
 */
bool importToFiles(const ImportOptions &options, const QString &outputBase,
                   ImportSummary *summary, QString *error);
