#include "recordfile.h"

#include "codec936.h"

#include <QFile>
#include <QStringDecoder>

namespace datac {

namespace {

QByteArray readBytes(const QString &path, Problems &problems, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problems.add(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
        *ok = false;
        return {};
    }
    *ok = true;
    return file.readAll();
}

QString unescaped(const QString &line)
{
    return line.startsWith(u'\\') ? line.mid(1) : line;
}

} // namespace

QStringList readSourceLines(const QString &path, const QByteArray &bytes, Problems &problems)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringList lines;
    int number = 0;
    qsizetype start = 0;
    while (start <= view.size()) {
        qsizetype end = view.indexOf('\n', start);
        if (end < 0)
            end = view.size();
        QByteArrayView raw = view.sliced(start, end - start);
        start = end + 1;
        ++number;
        if (raw.endsWith('\r'))
            raw.chop(1);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        QString line = utf8.decode(raw);
        if (utf8.hasError())
            problems.add(path, number, QStringLiteral("not valid UTF-8"));
        bool unencodable = false;
        common::encode936(line, &unencodable);
        for (qsizetype i = 0; unencodable && i < line.size(); ++i) {
            const qsizetype width = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
            bool bad = false;
            common::encode936(QStringView(line).mid(i, width), &bad);
            if (bad) {
                problems.add(path, number,
                             QStringLiteral("character U+%1 at column %2 cannot be written in code page 936")
                                 .arg(QString::number(QStringView(line).mid(i, width).toUcs4().value(0), 16).toUpper())
                                 .arg(i + 1));
                break;
            }
            i += width - 1;
        }
        lines.append(line);
    }
    // A final line end leaves one empty piece that is no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty() && view.endsWith('\n'))
        lines.removeLast();
    return lines;
}

RecordFile parseRecordFile(const QString &path, const QStringList &lines, Problems &problems)
{
    RecordFile file{path, {}, {}};
    SourceRecord current;
    QString blockField; // the field whose multi-line value is being read
    QStringList block;
    bool started = false;

    auto endBlock = [&] {
        if (blockField.isEmpty())
            return;
        while (!block.isEmpty() && block.last().trimmed().isEmpty())
            block.removeLast();
        current.fields.insert(blockField, block.join(QStringLiteral("\r\n")));
        blockField.clear();
        block.clear();
    };
    auto endRecord = [&](int line) {
        endBlock();
        if (current.fields.isEmpty())
            problems.add(path, line, QStringLiteral("empty record"));
        else
            file.records.append(current);
        current = SourceRecord{};
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int number = i + 1;
        const QString &line = lines[i];
        if (!started) {
            if (line.trimmed().isEmpty())
                continue;
            if (!line.startsWith(QStringLiteral("%table "))) {
                problems.add(path, number, QStringLiteral("expected \"%table NAME\" first"));
                return file;
            }
            file.table = line.mid(7).trimmed();
            if (file.table.isEmpty())
                problems.add(path, number, QStringLiteral("the table has no name"));
            started = true;
            continue;
        }
        if (line == u"%%") {
            endRecord(number);
            continue;
        }
        if (line.startsWith(u'@')) {
            endBlock();
            const qsizetype colon = line.indexOf(u':');
            const QString field = colon > 1 ? line.mid(1, colon - 1).trimmed() : QString();
            if (field.isEmpty()) {
                problems.add(path, number, QStringLiteral("expected \"@field: value\""));
                continue;
            }
            if (current.fields.isEmpty() && current.line == 0)
                current.line = number;
            if (current.fields.contains(field))
                problems.add(path, number, QStringLiteral("field \"%1\" given twice").arg(field));
            const QString rest = line.mid(colon + 1);
            if (rest.trimmed().isEmpty()) {
                blockField = field;
                current.fields.insert(field, QString());
            } else {
                current.fields.insert(field, rest.startsWith(u' ') ? rest.mid(1) : rest);
            }
            continue;
        }
        if (line.startsWith(u'%')) {
            problems.add(path, number, QStringLiteral("unknown directive; write \\%% for a content line"));
            continue;
        }
        if (blockField.isEmpty()) {
            if (!line.trimmed().isEmpty())
                problems.add(path, number, QStringLiteral("text outside a multi-line field"));
            continue;
        }
        block.append(unescaped(line));
    }
    if (!started) {
        problems.add(path, QStringLiteral("expected \"%table NAME\" first"));
        return file;
    }
    endBlock();
    if (!current.fields.isEmpty())
        file.records.append(current);
    return file;
}

RecordFile readRecordFile(const QString &path, Problems &problems)
{
    bool ok = false;
    const QByteArray bytes = readBytes(path, problems, &ok);
    if (!ok)
        return {path, {}, {}};
    return parseRecordFile(path, readSourceLines(path, bytes, problems), problems);
}

QStringList readListFile(const QString &path, Problems &problems)
{
    bool ok = false;
    const QByteArray bytes = readBytes(path, problems, &ok);
    QStringList entries;
    if (!ok)
        return entries;
    for (const QString &line : readSourceLines(path, bytes, problems)) {
        if (!line.trimmed().isEmpty())
            entries.append(line.trimmed());
    }
    return entries;
}

} // namespace datac
