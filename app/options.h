// ostrik-view: command-line options.
#pragma once

#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>

struct Options
{
    QStringList networks;        //!< .ostka files to open; empty: the bundled sample
    bool sampleDefault = false;  //!< networks was filled with the bundled sample
    QStringList gpxFiles;
    QString pluginPath;          //!< empty: search the default locations
    QString screenshot;          //!< map PNG to write (headless)
    QString timelinePng;         //!< diagram PNG to write (headless)
    QString timelineSvg;         //!< diagram SVG to write (headless)
    double progressionKmh = 50.0; //!< speed of the diagram's through-bands, km/h
    bool picturesDefaulted = false; //!< headless without --screenshot/--timeline-png: both defaulted
    QString route;               //!< route of the diagram; empty: the longest route
    QString exportPlans;         //!< write the plans in effect as JSON and go on
    QString outDir;              //!< where default headless outputs go
    int afterMs = 20000;         //!< simulated (or SUMO) time before the pictures are taken
    int zoom = 18;
    bool hasCenter = false;
    QPointF center;              //!< longitude, latitude
    QSize size = QSize(1280, 800);
    int logLevel = -1;           //!< plugin "loggingLevel"; -1: leave the plugin's own
    double speed = 1.0;          //!< simulated seconds per second in the window
    int quitAfterMs = -1;        //!< window mode: close after this many ms (-1: stay open)
    QString windowShot;          //!< window mode: PNG of the whole window taken when closing
    bool plain = false;          //!< map pictures without legend and status box
    bool headless = false;       //!< no window: write the pictures, print the summary, exit
    QString sumoConfig;          //!< --sumo: the configuration SUMO is started with
    QString traciHost;           //!< --traci: where a running SUMO listens
    int traciPort = 0;           //!< 0: not following a running SUMO
    bool sumoVehicles = true;    //!< draw SUMO's vehicles (and keep their tracks)

    //! The signals (and vehicles) come from SUMO rather than the fixed-time simulation.
    bool followsSumo() const { return !sumoConfig.isEmpty() || traciPort > 0; }

    /*!
     * Parses \a args (including the program name). Returns false with \a error for a bad
     * value, or with an empty \a error and \a helpText set when help or the version was
     * asked for. \a hasDisplay decides the headless default.
     */
    static bool parse(const QStringList &args, bool hasDisplay, Options *out, QString *error, QString *helpText);
    //! True when a display server is reachable by its environment (DISPLAY or WAYLAND_DISPLAY).
    static bool displayAvailable();
    //! The bundled sample network: build tree first, then the install prefix.
    static QString sampleNetwork();
};
