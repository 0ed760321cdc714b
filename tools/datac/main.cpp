#include "programbuilder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

QByteArray depfileEscaped(const QString &path)
{
    QByteArray bytes = QFile::encodeName(path);
    bytes.replace(' ', "\\ ");
    return bytes;
}

} // namespace

// datac SOURCE_DIR PROGRAM_DIR [--depfile FILE --stamp FILE] [--fresh-bank FILE]
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        print(stderr, QStringLiteral("usage: datac SOURCE_DIR PROGRAM_DIR [--depfile FILE --stamp FILE] [--fresh-bank FILE]"));
        return 2;
    }
    const QString depfile = args.indexOf(u"--depfile") > 0 ? args.value(args.indexOf(u"--depfile") + 1) : QString();
    const QString stamp = args.indexOf(u"--stamp") > 0 ? args.value(args.indexOf(u"--stamp") + 1) : QString();

    datac::ProgramBuilder builder(args[1], args[2]);
    if (args.indexOf(u"--fresh-bank") > 0)
        builder.setFreshBankPath(args.value(args.indexOf(u"--fresh-bank") + 1));
    const bool ok = builder.build();
    for (const QString &note : builder.notes())
        print(stdout, note);
    if (!depfile.isEmpty() && !stamp.isEmpty()) {
        QSaveFile out(depfile);
        if (out.open(QIODevice::WriteOnly)) {
            QByteArray text = depfileEscaped(stamp) + ':';
            for (const QString &input : builder.inputs())
                text += " \\\n  " + depfileEscaped(input);
            out.write(text + '\n');
            out.commit();
        }
    }
    if (!ok) {
        for (const QString &problem : builder.problems().lines())
            print(stderr, problem);
        print(stderr, QStringLiteral("%1 problem(s) in the sample content").arg(builder.problems().count()));
        return 1;
    }
    if (!stamp.isEmpty()) {
        QFile out(stamp);
        if (out.open(QIODevice::WriteOnly))
            out.write("ok\n");
    }
    return 0;
}
