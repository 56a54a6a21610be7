// Hostile files for the tests of the readers: huge sparse files, FIFOs, links to devices.
#pragma once

#include <QFile>
#include <QString>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace HostileFiles {

//! A file of \a size bytes that takes no disk space (its content reads as zeros).
inline bool sparse(const QString &path, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

inline bool fifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

inline bool link(const QString &path, const QString &target)
{
    return QFile::link(target, path);
}

/*!
 * Makes \a path one of the hostile files a "_data" row names: "fifo", "directory",
 * "-> TARGET" (a link), "sparse N" (N bytes of nothing).
 */
inline bool make(const QString &path, const QString &kind)
{
    if (kind == QLatin1String("fifo"))
        return fifo(path);
    if (kind == QLatin1String("directory"))
        return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0;
    if (kind.startsWith(QLatin1String("-> ")))
        return link(path, kind.mid(3));
    if (kind.startsWith(QLatin1String("sparse ")))
        return sparse(path, kind.mid(7).toLongLong());
    return false;
}

/*!
 * The rows every reader's test shares, in the columns "file" (a make() kind) and "reason"
 * (as FileCheck words it): a FIFO, links to /dev/zero and /dev/urandom, and a sparse file of
 * \a tooLarge bytes, beyond the \a ceiling that reader has ("64 MiB a GPX file").
 */
inline void refusalRows(qint64 tooLarge, const QString &ceiling)
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("FIFO") << "fifo" << "it is a FIFO, not a regular file";
    QTest::newRow("link to /dev/zero") << "-> /dev/zero" << "it is a character device, not a regular file";
    QTest::newRow("link to /dev/urandom") << "-> /dev/urandom" << "it is a character device, not a regular file";
    QTest::newRow(qPrintable(QStringLiteral("%1 bytes").arg(tooLarge)))
        << QStringLiteral("sparse %1").arg(tooLarge)
        << QStringLiteral("it has %1 bytes, more than the %2 may have").arg(tooLarge).arg(ceiling);
}

/*!
 * Keeps a test from hanging forever when the code under test opens the FIFO \a path for
 * reading and waits: after \a seconds a writer opens and closes it, so the reader sees an
 * empty file and the test fails on its result instead of on the test timeout.
 */
class FifoRelease
{
public:
    explicit FifoRelease(const QString &path, int seconds = 10)
        : m_path(QFile::encodeName(path))
    {
        m_thread = std::thread([this, seconds] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; }))
                return;
            // A reader blocked in open() or read(): give it a writer, then the end of file.
            while (!m_done) {
                const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                    m_released = true;
                }
                m_cv.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; });
            }
        });
    }
    ~FifoRelease()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    //! True when the code under test had to be released (it opened the FIFO and waited).
    bool released() const { return m_released; }

private:
    QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::atomic<bool> m_released{false};
    std::thread m_thread;
};

} // namespace HostileFiles
