// SUMO live source: the files a SUMO configuration names.
#pragma once

#include <QString>
#include <QStringList>

/*!
 * The network and route files of a SUMO configuration (".sumocfg"): the values of its
 * "net-file" and "route-files" options wherever they stand, relative names taken from the
 * configuration's folder as SUMO does. Only what the host needs to find the network; SUMO
 * itself judges the configuration when it starts.
 */
struct SumoConfig
{
    QString netFile;         //!< absolute; empty when the configuration names none
    QStringList routeFiles;  //!< absolute, in the configuration's order

    //! False with \a error when the file cannot be read or is not XML.
    static bool read(const QString &fileName, SumoConfig *out, QString *error);
};
