// Writing files that belong together: all of them or none.
#include "filepair.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace FilePair {

namespace {

QByteArray encoded(const QString &file)
{
    return QFile::encodeName(file);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// An output keeps the mode of the file it replaces; a new one gets what the umask leaves of 0666.
mode_t outputMode(const QString &target)
{
    struct stat st;
    if (::stat(encoded(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside the target, so that the rename stays on one file system.
bool writeTemp(const QString &target, const QByteArray &data, QString *tempName, QString *error)
{
    QTemporaryFile f(target + QStringLiteral(".XXXXXX"));
    f.setAutoRemove(false);
    if (!f.open()) {
        *error = QStringLiteral("Cannot write beside \"%1\": %2").arg(target, f.errorString());
        return false;
    }
    *tempName = f.fileName();
    if (f.write(data) != data.size() || !f.flush()) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(target, f.errorString());
        f.remove();
        return false;
    }
    if (::fchmod(f.handle(), outputMode(target)) != 0) {
        *error = QStringLiteral("Cannot set the mode of \"%1\": %2").arg(target, systemError());
        f.remove();
        return false;
    }
    return true;
}

// A second name for an existing target, so that it can be put back; empty when there is none.
bool keepEarlier(const QString &target, QString *backup, QString *error)
{
    backup->clear();
    // A folder in the way is no earlier output; the rename onto it fails and says so.
    const QFileInfo info(target);
    if (!info.exists() || info.isDir())
        return true;
    QTemporaryFile reserve(target + QStringLiteral(".XXXXXX"));
    if (!reserve.open()) {
        *error = QStringLiteral("Cannot write beside \"%1\": %2").arg(target, reserve.errorString());
        return false;
    }
    const QString name = reserve.fileName();
    reserve.remove();
    // A hard link keeps the target in place until the new one replaces it; moving it aside
    // is the fallback where links are not possible.
    if (::link(encoded(target).constData(), encoded(name).constData()) != 0
        && std::rename(encoded(target).constData(), encoded(name).constData()) != 0) {
        *error = QStringLiteral("Cannot keep the earlier \"%1\": %2").arg(target, systemError());
        return false;
    }
    *backup = name;
    return true;
}

} // namespace

bool write(const QVector<Output> &outputs, QString *error)
{
    QVector<QString> temps, backups;
    // Undoes what was done: the first \a replaced targets get their earlier files back (or
    // go, when there was none); a target moved aside but not yet replaced returns too.
    auto cleanUp = [&](int replaced) {
        for (const QString &t : qAsConst(temps)) {
            if (!t.isEmpty())
                QFile::remove(t);
        }
        for (int i = 0; i < backups.size(); ++i) {
            const QByteArray target = encoded(outputs.at(i).first);
            const QByteArray backup = encoded(backups.at(i));
            if (backups.at(i).isEmpty()) {
                if (i < replaced)
                    QFile::remove(outputs.at(i).first);
            } else if (i < replaced || !QFileInfo::exists(outputs.at(i).first)) {
                std::rename(backup.constData(), target.constData());
            } else {
                QFile::remove(backups.at(i));
            }
        }
        return false;
    };
    for (const Output &o : outputs) {
        QString temp;
        if (!writeTemp(o.first, o.second, &temp, error))
            return cleanUp(0);
        temps.append(temp);
    }
    for (const Output &o : outputs) {
        QString backup;
        if (!keepEarlier(o.first, &backup, error))
            return cleanUp(0);
        backups.append(backup);
    }
    // rename(2) replaces an existing file atomically, which QFile::rename does not.
    for (int i = 0; i < outputs.size(); ++i) {
        if (std::rename(encoded(temps.at(i)).constData(), encoded(outputs.at(i).first).constData()) != 0) {
            *error = QStringLiteral("Cannot create \"%1\": %2").arg(outputs.at(i).first, systemError());
            return cleanUp(i);
        }
        temps[i].clear();
    }
    for (const QString &b : qAsConst(backups)) {
        if (!b.isEmpty())
            QFile::remove(b);
    }
    return true;
}

} // namespace FilePair
