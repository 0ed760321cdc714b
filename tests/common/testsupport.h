#pragma once

#include "error.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testsupport {

// The error `f` throws; number 0 when it throws none.
template<typename F>
common::Error failure(F &&f)
{
    try {
        f();
    } catch (const common::Error &e) {
        return e;
    }
    return common::Error(0, QString());
}

// A file's whole content; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testsupport
