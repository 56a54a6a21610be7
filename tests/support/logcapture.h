// Every message through Qt's handler while a LogCapture lives, as the host's handler sees it.
#pragma once

#include <QList>
#include <QStringList>
#include <QtGlobal>

/*!
 * Installs a message handler for its lifetime and collects what arrives; the previous
 * handler is restored on destruction. The collected messages are process-wide and stay
 * readable after the capture ends; constructing a capture starts a new collection.
 */
class LogCapture
{
public:
    struct Message
    {
        QtMsgType type;
        QString text;
        bool withoutContext; //!< no file, line or function came with it
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    static const QList<Message> &messages();
    static void clear();
    //! Each message as "<type> <text>", type one of debug, warning, critical, fatal, info.
    static QStringList lines();
    //! The lines of the plugin's messages (those with "OstrikgPlugin: " in them).
    static QStringList pluginLines();
    static QStringList texts();
    static QList<int> types();
    //! How many lines equal \a line, or contain \a part.
    static int count(const QString &line);
    static int countContaining(const QString &part);

private:
    QtMessageHandler previous = nullptr;
};
