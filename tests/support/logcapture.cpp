#include "logcapture.h"

namespace {

QList<LogCapture::Message> &collected()
{
    static QList<LogCapture::Message> all;
    return all;
}

void collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    collected().append({type, text, !context.file && context.line == 0 && !context.function});
}

} // namespace

LogCapture::LogCapture()
{
    clear();
    previous = qInstallMessageHandler(&collect);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

const QList<LogCapture::Message> &LogCapture::messages()
{
    return collected();
}

void LogCapture::clear()
{
    collected().clear();
}

QStringList LogCapture::lines()
{
    static const char *const names[] = {"debug", "warning", "critical", "fatal", "info"};
    QStringList out;
    for (const Message &m : collected())
        out.append(QStringLiteral("%1 %2").arg(QLatin1String(names[m.type]), m.text));
    return out;
}

QStringList LogCapture::pluginLines()
{
    return lines().filter(QStringLiteral("OstrikgPlugin: "));
}

QStringList LogCapture::texts()
{
    QStringList out;
    for (const Message &m : collected())
        out.append(m.text);
    return out;
}

QList<int> LogCapture::types()
{
    QList<int> out;
    for (const Message &m : collected())
        out.append(int(m.type));
    return out;
}

int LogCapture::count(const QString &line)
{
    return lines().count(line);
}

int LogCapture::countContaining(const QString &part)
{
    return lines().filter(part).size();
}
