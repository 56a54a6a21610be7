// A SUMO started by a test, the way a user starts one to follow it with --traci.
#pragma once

#include <socketfinder.h>

#include <QProcess>
#include <QStringList>

/*!
 * Runs `sumo -c config --remote-port PORT` on a free local port (SUMO_HOME set when the
 * environment lacks it); SUMO then waits for its client. Header only: for the tests that
 * link the live source (sumolive). The process ends with the object (killed if still running).
 */
class RunningSumo
{
public:
    explicit RunningSumo(const QString &config) : m_port(SocketFinder::freeLocalPort())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (env.value(QStringLiteral("SUMO_HOME")).isEmpty())
            env.insert(QStringLiteral("SUMO_HOME"), QStringLiteral("/usr/share/sumo"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("sumo"),
                        {QStringLiteral("-c"), config, QStringLiteral("--remote-port"), QString::number(m_port)});
    }
    ~RunningSumo()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    bool started() { return m_port > 0 && m_process.waitForStarted(); }
    int port() const { return m_port; }
    //! True when SUMO ended within \a ms (as it does when its client closes the connection).
    bool ended(int ms) { return m_process.waitForFinished(ms); }

private:
    int m_port;
    QProcess m_process;
};
