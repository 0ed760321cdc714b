#include "importer.h"
#include "programbuilder.h"

#include <QCommandLineParser>
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

void writeDepfile(const QString &depfile, const QString &stamp, const QStringList &inputs)
{
    QSaveFile out(depfile);
    if (!out.open(QIODevice::WriteOnly))
        return;
    QByteArray text = depfileEscaped(stamp) + ':';
    for (const QString &input : inputs)
        text += " \\\n  " + depfileEscaped(input);
    out.write(text + '\n');
    out.commit();
}

int compile(const QString &source, const QString &program, const QString &depfile, const QString &stamp,
            const QString &freshBank)
{
    datac::ProgramBuilder builder(source, program);
    if (!freshBank.isEmpty())
        builder.setFreshBankPath(freshBank);
    const bool ok = builder.build();
    for (const QString &note : builder.notes())
        print(stdout, note);
    if (!depfile.isEmpty() && !stamp.isEmpty())
        writeDepfile(depfile, stamp, builder.inputs());
    if (!ok) {
        for (const QString &problem : builder.problems().lines())
            print(stderr, problem);
        print(stderr, QStringLiteral("%1 problem(s); nothing was written to %2").arg(builder.problems().count()).arg(program));
        return 1;
    }
    if (!stamp.isEmpty()) {
        QFile out(stamp);
        if (out.open(QIODevice::WriteOnly))
            out.write("ok\n");
    }
    return 0;
}

int import(const QString &program, const QString &source)
{
    datac::Importer importer(program, source);
    const bool ok = importer.import();
    for (const QString &note : importer.notes())
        print(stdout, note);
    for (const QString &warning : importer.warnings())
        print(stderr, QStringLiteral("warning: ") + warning);
    if (!ok) {
        for (const QString &problem : importer.problems().lines())
            print(stderr, problem);
        print(stderr, QStringLiteral("%1 problem(s); nothing was written to %2").arg(importer.problems().count()).arg(source));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Compiles the sample content sources (SOURCE_DIR) into a program folder (PROGRAM_DIR),\n"
        "or with --import takes a program folder's content back to sources."));
    parser.addHelpOption();
    const QCommandLineOption importOption(QStringLiteral("import"),
                                          QStringLiteral("Import: read PROGRAM_DIR, write the sources into SOURCE_DIR "
                                                         "(which must be new or empty)."));
    const QCommandLineOption depfileOption(QStringLiteral("depfile"),
                                           QStringLiteral("Compile: write the inputs read as a make depfile."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption stampOption(QStringLiteral("stamp"),
                                         QStringLiteral("Compile: touch this file when the build succeeded."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption freshBankOption(QStringLiteral("fresh-bank"),
                                             QStringLiteral("Compile: also write the question bank without answers here."),
                                             QStringLiteral("FILE"));
    parser.addOptions({importOption, depfileOption, stampOption, freshBankOption});
    parser.addPositionalArgument(QStringLiteral("SOURCE_DIR|PROGRAM_DIR"),
                                 QStringLiteral("compile: SOURCE_DIR PROGRAM_DIR; --import: PROGRAM_DIR SOURCE_DIR"));
    parser.process(app);

    const QStringList dirs = parser.positionalArguments();
    if (dirs.size() != 2) {
        print(stderr, parser.helpText());
        return 2;
    }
    if (parser.isSet(importOption))
        return import(dirs[0], dirs[1]);
    return compile(dirs[0], dirs[1], parser.value(depfileOption), parser.value(stampOption),
                   parser.value(freshBankOption));
}
