#include "articlereader.h"

#include "codec936.h"
#include "error.h"
#include "linereader.h"

#include <QFile>
#include <QFileInfo>

namespace tamsel {

QString articleText(QByteArrayView bytes)
{
    // Line ends are ASCII and never the trail byte of a double-byte character (nor swallowed as
    // one by the decoder), so the lines are joined with CR LF first and decoded in one pass.
    QByteArray joined;
    joined.reserve(bytes.size() + bytes.size() / 16 + 2);
    common::LineReader reader(bytes);
    while (!reader.atEnd()) {
        joined.append(reader.readLine());
        joined.append("\r\n", 2);
    }
    return common::decode936(joined);
}

QString readArticle(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw common::Error::fileNotFound(path);
    // Only a regular file is read: a pipe or a device could block the window for ever.
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw common::Error::cannotOpen(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw common::Error::cannotOpen(path);
    return articleText(bytes);
}

} // namespace tamsel
