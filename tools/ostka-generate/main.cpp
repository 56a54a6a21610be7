// ostka-generate: writes the bundled sample town or large grid networks for benchmarks.
#include "layouts.h"

#include <ostrika/network.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostka-generate"));
    QTextStream err(stderr);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a generated road network (.ostka)."));
    parser.addHelpOption();
    const QCommandLineOption town(QStringLiteral("town"),
                                  QStringLiteral("The bundled sample town (default)."));
    const QCommandLineOption grid(QStringLiteral("grid"),
                                  QStringLiteral("A grid of <n> junctions."), QStringLiteral("n"));
    const QCommandLineOption lit(QStringLiteral("signalised"),
                                 QStringLiteral("How many grid junctions get lights."),
                                 QStringLiteral("m"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Grid random seed."),
                                  QStringLiteral("s"), QStringLiteral("1"));
    parser.addOptions({ town, grid, lit, seed });
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Output file."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1 || (parser.isSet(town) && parser.isSet(grid))) {
        err << parser.helpText();
        return 2;
    }
    Ostrika::Network network;
    QString error;
    bool ok = false;
    if (parser.isSet(grid)) {
        bool n1 = false, n2 = false, n3 = false;
        const int junctions = parser.value(grid).toInt(&n1);
        const int signalised = parser.value(lit).toInt(&n2);
        const quint32 s = parser.value(seed).toUInt(&n3);
        if (!n1 || !n2 || !n3) {
            err << "ostka-generate: --grid, --signalised and --seed take whole numbers\n";
            return 2;
        }
        ok = buildGrid(network, junctions, signalised, s, &error);
    } else {
        ok = buildTown(network, &error);
    }
    if (!ok) {
        err << "ostka-generate: " << error << '\n';
        return 1;
    }
    if (!network.save(args.first())) {
        err << "ostka-generate: " << network.errorString() << '\n';
        return 1;
    }
    out << "wrote " << args.first() << ": " << network.objectCount() << " objects\n";
    return 0;
}
