#include "articlereader.h"

#include "codec936.h"
#include "error.h"
#include "linereader.h"

#include <QFile>
#include <QFileInfo>

namespace tamsel {

QString articleText(QByteArrayView bytes)
{
    // Line ends are ASCII and never the trail byte of a double-byte character, so the lines are
    // joined with CR LF first and decoded in one pass. A line that ends in a lone lead byte is
    // decoded up to there on its own, so that the lead byte cannot swallow the CR.
    QByteArray joined;
    joined.reserve(bytes.size() + bytes.size() / 16 + 2);
    common::LineReader reader(bytes);
    QString text;
    while (!reader.atEnd()) {
        const QByteArrayView line = reader.readLine();
        joined.append(line);
        if (common::endsInLoneLeadByte(line)) {
            text += common::decode936(joined);
            joined.clear();
        }
        joined.append("\r\n", 2);
    }
    text += common::decode936(joined);
    return text;
}

QString readArticle(const QString &path)
{
    QFile file(path);
    if (!file.exists() || QFileInfo(path).isDir())
        throw common::Error::fileNotFound(path);
    if (!file.open(QIODevice::ReadOnly))
        throw common::Error::cannotOpen(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw common::Error::cannotOpen(path);
    return articleText(bytes);
}

} // namespace tamsel
