// FileCheck: the one gate every file the project reads passes before it is opened.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QFile;

/*!
 * Reading a file the user named must never block, exhaust memory or mislead: a FIFO,
 * a device (a link to /dev/zero or /dev/urandom) or a directory is refused before it is
 * opened, a regular file larger than the ceiling of its kind is refused by its size, and
 * reading stops at the ceiling even when the file grows meanwhile.
 *
 * Ceilings (bytes; 1 MiB = 1,048,576):
 *   Network      ".ostka" road network            256 MiB  (loading takes about 8 times that)
 *   GpxTrack     GPX track                          64 MiB  (read as a stream)
 *   SignalPlans  demo host's ".plans.json"          32 MiB
 *   Sumo         SUMO network or route file        512 MiB  (plain, and after decompression)
 *   Settings     settings (INI) file                 1 MiB
 *
 * Messages (FILE is the name as given) start with "Cannot open \"FILE\": " when the file
 * is refused before or while opening, and "Cannot read \"FILE\": " when reading fails:
 *   "... no such file"
 *   "... it is a FIFO, not a regular file" (also: a directory, a character device, a block
 *       device, a socket)
 *   "... it has N bytes, more than the 256 MiB a road network file may have"
 *   "... <system error>"  (permission denied and the like)
 *   "... it grew past the 256 MiB a road network file may have while being read"
 *   "... not enough memory for its N bytes"
 * Links are followed: what counts is the file a link points to.
 */
namespace FileCheck {

enum class Kind { Network, GpxTrack, SignalPlans, Sumo, Settings };

constexpr qint64 MiB = 1024 * 1024;

//! The largest file of \a kind that is read, in bytes.
qint64 ceiling(Kind kind);
//! "a road network file", "a GPX file", ...: the kind as the messages name it.
QString describe(Kind kind);

/*!
 * Why \a fileName may not be read as \a kind; empty when it may. Looks at the file's
 * type and size only, never opens it.
 */
QString check(const QString &fileName, Kind kind);

/*!
 * A file read in pieces, never beyond the ceiling of its kind.
 *
 * open() runs check(), then opens the file without waiting and looks at it again once
 * open, so a name swapped for a FIFO or a file grown past the ceiling after the check is
 * still refused. read() then hands out the content piece by piece and fails, with the
 * "grew past" message, as soon as more than the ceiling has come in.
 */
class Reader
{
public:
    Reader();
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    //! False with errorString() set on refusal.
    bool open(const QString &fileName, Kind kind);
    //! The size the file had when it was opened.
    qint64 size() const { return m_size; }
    /*!
     * The next piece of at most \a maxBytes bytes into \a piece; an empty piece at the end
     * of the file. False with errorString() set on a read error or past the ceiling.
     */
    bool read(QByteArray *piece, qint64 maxBytes = 1 << 16);
    /*!
     * Like read(), into \a buffer (room for \a maxBytes): the number of bytes read, 0 at the
     * end of the file, -1 with errorString() set on a read error or past the ceiling.
     */
    qint64 readInto(char *buffer, qint64 maxBytes);
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &message);

    std::unique_ptr<QFile> m_file;
    QString m_name;
    Kind m_kind = Kind::Network;
    qint64 m_size = 0;
    qint64 m_total = 0;
    QString m_error;
};

/*!
 * The whole content of \a fileName into \a data, read through a Reader: at most
 * ceiling(kind) bytes, in memory bounded by that. False with \a error set (and \a data
 * empty) on refusal, on a read error and when memory runs out; no exception leaves it.
 */
bool readAll(const QString &fileName, Kind kind, QByteArray *data, QString *error);

/*!
 * The files a default-constructed QSettings reads for this application on this platform
 * (user, then system locations), whether they exist or not. Only those that exist are read.
 */
QStringList settingsFiles();
//! check() for each of settingsFiles() that exists: the first refusal, or empty.
QString checkSettings();

} // namespace FileCheck
