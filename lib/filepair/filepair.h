// Writing files that belong together (a network and its plan file): all of them or none.
#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

namespace FilePair {

//! A target file name and the bytes it is to hold.
using Output = QPair<QString, QByteArray>;

/*!
 * Writes every output to a temporary file beside its target and renames them into place
 * only when all were written. On any failure it returns false with \a error naming the file
 * and the reason, removes its temporary files and puts back the earlier targets it had
 * already replaced: the targets are then as before, each one either its earlier content or
 * absent. A file written keeps the mode of the file it replaces; a new one gets what the
 * umask leaves of 0666.
 */
bool write(const QVector<Output> &outputs, QString *error);

} // namespace FilePair
