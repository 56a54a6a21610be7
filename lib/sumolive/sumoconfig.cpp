// SUMO live source: reading a SUMO configuration's input files.
#include "sumoconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

bool SumoConfig::read(const QString &fileName, SumoConfig *out, QString *error)
{
    QFile f(fileName);
    if (!QFileInfo(fileName).isFile() || !f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the SUMO configuration %1").arg(fileName);
        return false;
    }
    const QDir base = QFileInfo(fileName).absoluteDir();
    SumoConfig config;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString value = xml.attributes().value(QLatin1String("value")).toString().trimmed();
        if (xml.name() == QLatin1String("net-file") && !value.isEmpty())
            config.netFile = QDir::cleanPath(base.absoluteFilePath(value));
        else if (xml.name() == QLatin1String("route-files"))
            for (const QString &r : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                config.routeFiles << QDir::cleanPath(base.absoluteFilePath(r.trimmed()));
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1:%2: %3").arg(fileName).arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    *out = config;
    return true;
}
