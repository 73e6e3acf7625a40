#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>

// Resident memory of this process in bytes, where the system tells it (/proc); 0 elsewhere.
inline qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4096 : 0;
}
