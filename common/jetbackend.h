#pragma once

#include "backend.h"
#include "jetstream.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

namespace common {

// Microsoft Jet (Access 97 and 2000-2003) database files. The file is read once, whole, by the
// separate reader program jetread (the library it uses is not safe against damaged files), and its
// rows are served from memory. A Jet file is never written.
class JetBackend : public Backend
{
public:
    // Runs the reader on the file. Throws Error 3343 naming the file when the reader is missing,
    // crashes, runs out of time or memory, fails, or writes anything malformed.
    explicit JetBackend(const QString &path);
    ~JetBackend() override;

    QStringList tableNames() override;
    std::unique_ptr<TableSource> openTable(const QString &name) override;

    // Starts the reader on a Jet file in the background, so that the open that follows finds the
    // tables read already; does nothing for any other file, or for a file already being read
    // ahead. Meant to be called once at start-up for each file that is opened soon after: a run
    // nobody opens is collected only when the program quits.
    static void prefetch(const QString &path);

    // Whether the first bytes of a file are those of a Jet database of a known version.
    static bool hasJetHeader(QByteArrayView header);
    static bool isJetFile(const QString &path);

    // The reader program: by default jetread beside the running executable.
    static QString readerPath();
    // Points at another reader (tests); an empty path restores the default.
    static void setReaderPath(const QString &path);

private:
    QString m_path;
    std::shared_ptr<const QList<JetTableData>> m_tables;
};

} // namespace common
