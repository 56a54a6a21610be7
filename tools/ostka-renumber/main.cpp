// ostka-renumber: gives a network's controllers new ids, in the network and its plan file alike.
#include "renumber.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <limits>

namespace {

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostka-renumber"));
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Moves the controller ids of a network (.ostka) and of its plan file (.plans.json) together, so "
        "that the lowest becomes N: networks opened together then do not share controller ids. Both "
        "files are rewritten, or neither; only the ids change."));
    const QCommandLineOption help = cli.addHelpOption();
    cli.addPositionalArgument(QStringLiteral("network"), QStringLiteral("the .ostka network"));
    cli.addPositionalArgument(QStringLiteral("plans"),
                              QStringLiteral("its plan file (default: NAME.plans.json beside it, when there is one)"),
                              QStringLiteral("[plans]"));
    const QCommandLineOption first(QStringLiteral("first-controller"),
        QStringLiteral("The lowest controller id becomes N (1 to 2147483647); the others keep their distance to it."),
        QStringLiteral("N"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write NAME.ostka and NAME.plans.json instead of rewriting the files."), QStringLiteral("NAME"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("No summary."));
    cli.addOptions({first, output, quiet});
    if (!cli.parse(QCoreApplication::arguments())) {
        printErr(QStringLiteral("ostka-renumber: %1 (see --help)").arg(cli.errorText()));
        return 2;
    }
    if (cli.isSet(help))
        cli.showHelp(0);
    const QStringList args = cli.positionalArguments();
    if (args.isEmpty() || args.size() > 2 || !cli.isSet(first)) {
        printErr(QStringLiteral("ostka-renumber: give --first-controller N and a network file (see --help)"));
        return 2;
    }
    RenumberRequest request;
    bool ok = false;
    request.first = cli.value(first).toInt(&ok);
    if (!ok || request.first < 1) {
        printErr(QStringLiteral("ostka-renumber: --first-controller must be a whole number from 1 to %1, not \"%2\"")
                     .arg(std::numeric_limits<int>::max()).arg(cli.value(first)));
        return 2;
    }
    request.network = args.at(0);
    // Where the demo host looks for it, named as the network was.
    const QFileInfo net(request.network);
    const QString besideIt = QStringLiteral("%1/%2.plans.json").arg(net.path(), net.completeBaseName());
    if (args.size() == 2)
        request.plans = args.at(1);
    else if (QFileInfo::exists(besideIt))
        request.plans = besideIt;
    request.outputBase = cli.value(output);

    ControllerRenumbering renumbering(request.first);
    QStringList written;
    QString error;
    if (!renumberFiles(request, &renumbering, &written, &error)) {
        printErr(QStringLiteral("ostka-renumber: %1 (no file changed)").arg(error));
        return 1;
    }
    if (!cli.isSet(quiet)) {
        printErr(QStringLiteral("controller ids %1 to %2 are now %3 to %4 in %5")
                     .arg(renumbering.lowest()).arg(renumbering.highest())
                     .arg(renumbering.lowest() + renumbering.shift()).arg(renumbering.highest() + renumbering.shift())
                     .arg(written.join(QStringLiteral(" and "))));
        if (request.plans.isEmpty())
            printErr(QStringLiteral("no plan file beside the network: only the network was renumbered"));
    }
    return 0;
}
