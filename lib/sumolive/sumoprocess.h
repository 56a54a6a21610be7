// SUMO live source: a SUMO the host starts and follows.
#pragma once

#include <QObject>
#include <QProcess>
#include <QStringList>

/*!
 * SUMO's command-line simulator as a child process: `PROGRAM -c CONFIG --remote-port PORT
 * --no-step-log EXTRA…`, run in the configuration's folder, with SUMO_HOME set when the
 * environment lacks it (SUMO validates its XML against the schemas there; without them it
 * tries the web). Its output (standard output and errors together) is reported line by line
 * and its last lines are kept, so that a refusal can be told in SUMO's own words.
 */
class SumoProcess : public QObject
{
    Q_OBJECT
public:
    SumoProcess(const QString &program, const QString &config, int port, const QStringList &extraArgs,
                QObject *parent = nullptr);
    //! Kills a SUMO still running.
    ~SumoProcess() override;

    void start();
    //! 0 when it does not run.
    qint64 processId() const;
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    //! SUMO's error lines, else its last lines ("it wrote nothing" when there were none).
    QString problem() const;
    //! Kills SUMO after \a ms unless it ended by then (asked to close, it should have).
    void killAfter(int ms);
    //! Blocking, for shutting down: waits up to \a ms for SUMO to end, then kills it.
    void finish(int ms);

Q_SIGNALS:
    void output(const QString &line);
    void failedToStart(const QString &why);
    //! SUMO ended: \a normal for an exit (with \a code), false when it crashed or was killed.
    void ended(bool normal, int code);

private:
    void readOutput();

    QProcess m_process;
    QString m_program;
    QStringList m_args;
    QStringList m_tail;
};
