// Test fixtures: reading and writing whole files, header only for tests that link nothing else.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

//! The content of \a file; empty when it cannot be read.
inline QByteArray readAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

//! Writes \a data to \a file, replacing it; false when that fails.
inline bool writeFile(const QString &file, const QByteArray &data)
{
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}
