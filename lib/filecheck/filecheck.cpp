// FileCheck: type and size checks before a file is opened, and bounded reading.
#include "filecheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileCheck {

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QString typeName(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISDIR(mode))
        return QStringLiteral("a directory");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("something else");
}

QString ceilingText(Kind kind)
{
    return QStringLiteral("%1 MiB %2 may have").arg(ceiling(kind) / MiB).arg(describe(kind));
}

// The reason a file of this status may not be read, without the "Cannot open" prefix.
QString refusal(const struct stat &st, Kind kind)
{
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is %1, not a regular file").arg(typeName(st.st_mode));
    if (st.st_size > ceiling(kind))
        return QStringLiteral("it has %1 bytes, more than the %2")
            .arg(qint64(st.st_size)).arg(ceilingText(kind));
    return QString();
}

QString cannotOpen(const QString &fileName, const QString &why)
{
    return QStringLiteral("Cannot open \"%1\": %2").arg(fileName, why);
}

QString cannotRead(const QString &fileName, const QString &why)
{
    return QStringLiteral("Cannot read \"%1\": %2").arg(fileName, why);
}

} // namespace

qint64 ceiling(Kind kind)
{
    switch (kind) {
    case Kind::Network: return 256 * MiB;
    case Kind::GpxTrack: return 64 * MiB;
    case Kind::SignalPlans: return 32 * MiB;
    case Kind::Sumo: return 512 * MiB;
    case Kind::Settings: return 1 * MiB;
    }
    return 0;
}

QString describe(Kind kind)
{
    switch (kind) {
    case Kind::Network: return QStringLiteral("a road network file");
    case Kind::GpxTrack: return QStringLiteral("a GPX file");
    case Kind::SignalPlans: return QStringLiteral("a signal-plan file");
    case Kind::Sumo: return QStringLiteral("a SUMO file");
    case Kind::Settings: return QStringLiteral("a settings file");
    }
    return QString();
}

QString check(const QString &fileName, Kind kind)
{
    if (fileName.isEmpty())
        return cannotOpen(fileName, QStringLiteral("no file name"));
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0) {
        const int code = errno;
        return cannotOpen(fileName, code == ENOENT ? QStringLiteral("no such file") : systemError(code));
    }
    const QString why = refusal(st, kind);
    return why.isEmpty() ? QString() : cannotOpen(fileName, why);
}

Reader::Reader()
    : m_file(std::make_unique<QFile>())
{
}

Reader::~Reader() = default;

bool Reader::fail(const QString &message)
{
    m_error = message;
    m_file->close();
    return false;
}

bool Reader::open(const QString &fileName, Kind kind)
{
    m_file->close();
    m_name = fileName;
    m_kind = kind;
    m_size = 0;
    m_total = 0;
    m_error = check(fileName, kind);
    if (!m_error.isEmpty())
        return false;
    // Not waiting for a writer: the name may have become a FIFO since the check.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(cannotOpen(fileName, systemError(errno)));
    struct stat st;
    QString why = ::fstat(fd, &st) == 0 ? refusal(st, kind) : systemError(errno);
    if (why.isEmpty() && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        why = systemError(errno);
    if (why.isEmpty() && !m_file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        why = m_file->errorString();
    if (!why.isEmpty()) {
        if (!m_file->isOpen())
            ::close(fd);
        return fail(cannotOpen(fileName, why));
    }
    m_size = st.st_size;
    return true;
}

bool Reader::read(QByteArray *piece, qint64 maxBytes)
{
    // One byte beyond the ceiling is enough to tell a file that grew past it.
    piece->resize(int(qMax<qint64>(0, qMin(maxBytes, ceiling(m_kind) + 1 - m_total))));
    const qint64 got = readInto(piece->data(), piece->size());
    piece->resize(int(qMax<qint64>(0, got)));
    return got >= 0;
}

qint64 Reader::readInto(char *buffer, qint64 maxBytes)
{
    if (!m_file->isOpen()) {
        if (m_error.isEmpty())
            m_error = cannotRead(m_name, QStringLiteral("it is not open"));
        return -1;
    }
    const qint64 want = qMin(maxBytes, ceiling(m_kind) + 1 - m_total);
    const qint64 got = want > 0 ? m_file->read(buffer, want) : 0;
    if (got < 0) {
        fail(cannotRead(m_name, m_file->errorString()));
        return -1;
    }
    m_total += got;
    if (m_total > ceiling(m_kind)) {
        fail(cannotRead(m_name, QStringLiteral("it grew past the %1 while being read").arg(ceilingText(m_kind))));
        return -1;
    }
    return got;
}

bool readAll(const QString &fileName, Kind kind, QByteArray *data, QString *error)
{
    data->clear();
    Reader reader;
    if (!reader.open(fileName, kind)) {
        *error = reader.errorString();
        return false;
    }
    try {
        // Read in place, into one buffer of the size the file had (plus one byte to see it
        // grow); a file that grows anyway gets more room, up to the ceiling.
        QByteArray content(int(qMin(reader.size() + 1, ceiling(kind) + 1)), Qt::Uninitialized);
        qint64 total = 0;
        for (;;) {
            if (total == content.size())
                content.resize(int(qMin<qint64>(qint64(content.size()) * 2, ceiling(kind) + 1)));
            const qint64 got = reader.readInto(content.data() + total, content.size() - total);
            if (got < 0) {
                *error = reader.errorString();
                return false;
            }
            if (got == 0)
                break;
            total += got;
        }
        content.resize(int(total));
        *data = content;
    } catch (const std::bad_alloc &) {
        *error = cannotRead(fileName, QStringLiteral("not enough memory for its %1 bytes").arg(reader.size()));
        return false;
    }
    error->clear();
    return true;
}

QStringList settingsFiles()
{
    // The locations and their order are those of QSettings' native format on Unix.
    QString org = QCoreApplication::organizationName();
    if (org.isEmpty())
        org = QStringLiteral("Unknown Organization");
    const QString app = QCoreApplication::applicationName();
    const QString appFile = org + QLatin1Char('/') + app + QStringLiteral(".conf");
    const QString orgFile = org + QStringLiteral(".conf");

    QStringList files;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/');
    if (!app.isEmpty())
        files << user + appFile;
    files << user + orgFile;
    QStringList system = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (!system.isEmpty())
        system.removeFirst();
    if (!app.isEmpty()) {
        for (const QString &dir : qAsConst(system))
            files << dir + QLatin1Char('/') + appFile;
    }
    for (const QString &dir : qAsConst(system))
        files << dir + QLatin1Char('/') + orgFile;
    return files;
}

QString checkSettings()
{
    const QStringList files = settingsFiles();
    for (const QString &file : files) {
        // QSettings reads only what exists; a dangling link is nothing to refuse.
        struct stat st;
        if (::stat(QFile::encodeName(file).constData(), &st) != 0)
            continue;
        const QString why = check(file, Kind::Settings);
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

} // namespace FileCheck
