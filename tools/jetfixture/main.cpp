#include "jetwriter.h"

#include "database.h"
#include "sqlitewriter.h"
#include "error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}


bool writeJetCopy(const QString &from, const QString &to, const jetfixture::JetOptions &options)
{
    QList<jetfixture::JetTable> tables;
    const auto source = common::Database::open(from, common::Database::Access::ReadOnly);
    for (const common::TableData &t : common::readTables(*source))
        tables.append({t, {}, {}, {}});
    if (jetfixture::writeJetFile(to, tables, options))
        return true;
    print(stderr, u"cannot write %1"_s.arg(to));
    return false;
}

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir source(from);
    for (const QFileInfo &entry : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir()) {
            if (!copyFolder(entry.filePath(), target))
                return false;
        } else {
            QFile::remove(target);
            if (!QFile::copy(entry.filePath(), target)) {
                print(stderr, u"cannot write %1"_s.arg(target));
                return false;
            }
        }
    }
    return true;
}

// A program folder whose four databases are Jet copies of another's. An existing question bank
// is kept: it holds the user's answers.
bool writeJetFolder(const QString &from, const QString &to, const jetfixture::JetOptions &options)
{
    QDir().mkpath(to);
    for (const QString &name : {u"vb.MDB"_s, u"api.mdb"_s, u"shili.mdb"_s, u"shiti.mdb"_s}) {
        const QString target = to + u'/' + name;
        if (name == u"shiti.mdb"_s && QFile::exists(target))
            continue;
        if (!writeJetCopy(from + u'/' + name, target, options))
            return false;
    }
    return copyFolder(from + u"/article"_s, to + u"/article"_s)
           && copyFolder(from + u"/technique"_s, to + u"/technique"_s);
}

} // namespace

// jetfixture [--jet3 [--code-page N]] SOURCE_DATABASE JET_FILE
// jetfixture [--jet3 [--code-page N]] --folder SOURCE_PROGRAM_FOLDER JET_PROGRAM_FOLDER
// Writes a Jet copy of a SQLite database file (every table, every row, NULLs as they are), or of
// the databases and article folders of a program folder.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    jetfixture::JetOptions options;
    if (args.value(0) == u"--jet3"_s) {
        options.version = jetfixture::JetVersion::Jet3;
        args.removeFirst();
        if (args.value(0) == u"--code-page"_s) {
            options.codePage = args.value(1).toInt();
            args = args.mid(2);
        }
    }
    const bool folder = args.value(0) == u"--folder"_s;
    if (folder)
        args.removeFirst();
    if (args.size() != 2) {
        print(stderr, u"usage: jetfixture [--jet3 [--code-page N]] [--folder] SOURCE TARGET"_s);
        return 2;
    }
    try {
        if (!(folder ? writeJetFolder(args[0], args[1], options) : writeJetCopy(args[0], args[1], options)))
            return 1;
    } catch (const common::Error &e) {
        print(stderr, e.text());
        return 1;
    }
    return 0;
}
