// ostrik-view: the demo host application for the Ostrik plugin.
#include "headless.h"
#include "mainwindow.h"
#include "options.h"
#include "session.h"

#include <QApplication>
#include <QTextStream>
#include <QVector>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Decided before QApplication exists, since the platform plugin is chosen at its construction.
bool wantsHeadless(int argc, char **argv)
{
    if (!Options::displayAvailable())
        return true;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        for (const char *opt : {"--screenshot", "--timeline-png", "--headless"})
            if (a == QLatin1String(opt) || a.startsWith(QLatin1String(opt) + QLatin1Char('=')))
                return true;
    }
    return false;
}

// QGuiApplication takes "-plugin"/"--plugin" for itself; the demo's own option must not
// reach it, so the arguments are kept here and Qt gets the rest.
QVector<char *> argumentsForQt(int argc, char **argv)
{
    QVector<char *> kept;
    for (int i = 0; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (i > 0 && (a == "--plugin" || a == "-plugin")) {
            ++i;
            continue;
        }
        if (i > 0 && (a.startsWith("--plugin=") || a.startsWith("-plugin=")))
            continue;
        kept << argv[i];
    }
    kept << nullptr;
    return kept;
}

// A network's load frees many mid-sized blocks just before the graphics need as much again.
// Kept in the heap they are reused; handed back to the system they are faulted in afresh,
// page by page: about 15 % more page faults and several per cent of a headless run.
void keepFreedMemory()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
}

} // namespace

int main(int argc, char **argv)
{
    keepFreedMemory();
    if (wantsHeadless(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QVector<char *> qtArgv = argumentsForQt(argc, argv);
    int qtArgc = qtArgv.size() - 1;
    QApplication::setOrganizationName(QStringLiteral("Ostrik"));
    QApplication::setApplicationName(QStringLiteral("ostrik-view"));
    QApplication app(qtArgc, qtArgv.data());

    QTextStream out(stdout);
    QTextStream err(stderr);
    Options options;
    QString error, help;
    if (!Options::parse(arguments, Options::displayAvailable(), &options, &error, &help)) {
        if (!help.isEmpty()) {
            out << help;
            return 0;
        }
        err << "ostrik-view: error: " << error << "\n";
        return 1;
    }

    DemoSession session;
    if (!session.init(options.pluginPath, &error)) {
        err << "ostrik-view: error: " << error << "\n";
        return 4;
    }
    if (options.logLevel >= 0)
        session.plugin().setLoggingLevel(options.logLevel);
    if (options.followsSumo())
        session.followSumo();
    session.source().setSpeed(options.speed);

    if (options.headless) {
        const int rc = runHeadless(session, options, out, err);
#ifndef OSTRIK_SANITIZED
        // Everything is written and nothing is saved on the way out, while taking a large
        // network apart costs a third of the run: the process ends here. A SUMO started
        // for the run is ended properly by the session first; sanitized builds check the
        // tear-down.
        if (!options.followsSumo()) {
            out.flush();
            err.flush();
            std::fflush(nullptr);
            std::_Exit(rc);
        }
#endif
        return rc;
    }

    session.source().setRunning(true);
    MainWindow window(&session);
    session.view()->setZoom(options.zoom);
    window.show();
    if (const int rc = openInputs(session, options, out, err))
        return rc;
    // Centred once the window has its final layout (the dock takes its share first), and
    // once more when SUMO's network arrives.
    auto centre = [&] {
        if (options.hasCenter)
            session.view()->centerOnGeo(options.center);
        else
            window.centreOnBusiestJunction(options.zoom);
    };
    QTimer::singleShot(50, &window, centre);
    if (options.followsSumo()) {
        auto *once = new QObject(&window);
        QObject::connect(&session, &DemoSession::networksChanged, once, [&session, centre, once] {
            if (session.networkFiles().isEmpty())
                return;
            centre();
            once->deleteLater();
        });
    }
    if (options.quitAfterMs >= 0) {
        QTimer::singleShot(options.quitAfterMs, &window, [&] {
            if (!options.windowShot.isEmpty() && !window.grab().save(options.windowShot, "PNG"))
                err << "ostrik-view: error: cannot write " << options.windowShot << "\n";
            app.quit();
        });
    }
    const int rc = app.exec();
    // The window owns the view; the session must unload the plugin before either goes.
    session.plugin().release();
    return rc;
}
