// ostka-info: loads a network file into a graphics network and prints what it holds.
#include <ostrika/ostrika.h>
#include <ostrikga/networkg.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a runtime directory Qt warns on every run; a private one keeps the output clean.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        err << "usage: ostka-info FILE.ostka\n";
        return 2;
    }
    const QString file = args.first();

    QGraphicsScene scene;
    QElapsedTimer clock;
    clock.start();
    Ostrikga::Networkg network(&scene);
    if (!network.load(file)) {
        err << "ostka-info: cannot load " << file << ": " << network.errorString() << '\n';
        return 1;
    }
    const qint64 ms = clock.elapsed();

    const auto granules = network.findChildren<Ostrika::Granule *>();
    const int signalised = int(std::count_if(granules.begin(), granules.end(),
                                             [](const Ostrika::Granule *g) { return g->tlId() > 0; }));
    const auto routes = network.findChildren<Ostrika::Route *>();
    out << "Network:       " << file << '\n'
        << "Nodes:         " << network.findChildren<Ostrika::Node *>().size() << '\n'
        << "Granules:      " << granules.size() << " (" << signalised << " signalised)\n"
        << "Signal groups: " << network.findChildren<Ostrika::SignalGroup *>().size() << '\n'
        << "Connections:   " << network.findChildren<Ostrika::Connection *>().size() << '\n'
        << "Crosswalks:    " << network.findChildren<Ostrika::CrossWalk *>().size() << '\n'
        << "Routes:        " << routes.size() << '\n';
    for (const Ostrika::Route *route : routes)
        out << "  " << route->objectName() << " (" << route->routeEdgeCount() << " edges)\n";
    out << "Scene items:   " << scene.items().size() << " (" << network.layers().size()
        << " layers)\n"
        << "Load time:     " << ms << " ms\n";
    return 0;
}
