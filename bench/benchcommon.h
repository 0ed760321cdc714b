#pragma once

// Shared by the benchmarks: realistic data, a copy of the sample program folder, clocks, memory
// and the report. Every figure is printed as "name: value (target) ratio"; a missed target makes
// the benchmark exit with status 1.

#include "codec936.h"
#include "sqlitewriter.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>


namespace bench {

inline int &missedTargets()
{
    static int missed = 0;
    return missed;
}

// One measured figure against its target.
inline void report(const char *name, const QString &value, const QString &target, const QString &ratio, bool met)
{
    std::printf("%s: %s (%s) %s%s\n", name, qPrintable(value), qPrintable(target), qPrintable(ratio),
                met ? "" : "  <-- target missed");
    std::fflush(stdout);
    if (!met)
        ++missedTargets();
}

// A figure given for context only.
inline void note(const char *name, const QString &value)
{
    std::printf("%s: %s (no target)\n", name, qPrintable(value));
    std::fflush(stdout);
}

inline void skip(const char *name, const char *why)
{
    std::printf("%s: skipped, %s\n", name, why);
    std::fflush(stdout);
}

inline int exitStatus()
{
    return missedTargets() ? 1 : 0;
}

inline QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 0) + QStringLiteral(" ms");
}

inline QString times(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral("x");
}

inline double seconds(const timespec &t)
{
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CPU time of the whole process and of the calling thread, in milliseconds. The machine is shared,
// so targets are judged on CPU time, which other programs running at the same time do not inflate;
// wall-clock times are printed beside them.
inline double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return seconds(t) * 1e3;
}

inline double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return seconds(t) * 1e3;
}

inline double wallMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return seconds(t) * 1e3;
}

// Both clocks from one point on.
struct Stopwatch
{
    double cpu0 = processCpuMs();
    double wall0 = wallMs();
    double cpu() const { return processCpuMs() - cpu0; }
    double wall() const { return wallMs() - wall0; }
};

inline qint64 statusField(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

inline qint64 residentBytes()
{
    return statusField("VmRSS");
}

inline qint64 peakResidentBytes()
{
    return statusField("VmHWM");
}

// Starts a new peak from the current resident size.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A copy of the sample program folder that a benchmark may change.
class ProgramCopy
{
public:
    ProgramCopy()
    {
        const QString source = QStringLiteral(TAMSEL_PROGRAM_DIR);
        QDirIterator it(source, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString relative = QDir(source).relativeFilePath(from);
            QDir().mkpath(QFileInfo(path(relative)).path());
            QFile::copy(from, path(relative));
        }
    }
    QString path() const { return m_dir.path(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    void write(const QString &relative, const QByteArray &bytes) const
    {
        QFile file(path(relative));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

private:
    QTemporaryDir m_dir;
};

// Common characters of technical Chinese prose, and lines of Visual Basic code.
inline const QString &chineseCharacters()
{
    static const QString text = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说"
        "产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使"
        "点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明"
        "看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料"
        "象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指"
        "窗体控件属性方法事件过程函数变量常量数组字符串整数循环判断调用返回参数按钮文本框列表菜单对话框");
    return text;
}

inline const QStringList &codeLines()
{
    static const QStringList lines{
        QStringLiteral("Private Sub Command1_Click()"),
        QStringLiteral("    Dim i As Integer, s As String"),
        QStringLiteral("    For i = 1 To List1.ListCount - 1"),
        QStringLiteral("        s = s & List1.List(i) & vbCrLf"),
        QStringLiteral("    Next i"),
        QStringLiteral("    If Len(s) > 0 Then Text1.Text = s ' 显示结果"),
        QStringLiteral("End Sub"),
        QStringLiteral("Private Declare Function GetTickCount Lib \"kernel32\" () As Long"),
    };
    return lines;
}

// An article of about `bytes` bytes in code page 936 with CR LF line ends: paragraphs of Chinese
// prose of very different lengths, empty lines, and blocks of code.
inline QByteArray chineseArticle(qint64 bytes, unsigned seed = 7)
{
    std::mt19937 random(seed);
    const QString &characters = chineseCharacters();
    const QString punctuation = QStringLiteral("，。、；：？！");
    QByteArray result;
    result.reserve(bytes + 4096);
    QString chunk;
    while (result.size() < bytes) {
        chunk.clear();
        while (chunk.size() < 64 * 1024) {
            const unsigned kind = random() % 10;
            if (kind == 0) {
                chunk += u"\r\n"; // empty line between paragraphs
            } else if (kind <= 2) {
                for (int i = 0, n = int(random() % 6) + 1; i < n; ++i) {
                    chunk += codeLines()[qsizetype(random() % codeLines().size())];
                    chunk += u"\r\n";
                }
            } else {
                // Lengths from a few characters to several hundred, most of them short.
                const int length = int(std::min<unsigned>(600, 4 + (random() % 60) * (random() % 8 + 1)));
                for (int i = 0; i < length; ++i) {
                    if (i % 17 == 16)
                        chunk += punctuation[qsizetype(random() % punctuation.size())];
                    else if (random() % 23 == 0)
                        chunk += QStringLiteral("VB");
                    else
                        chunk += characters[qsizetype(random() % characters.size())];
                }
                chunk += u"\r\n";
            }
        }
        result += common::encode936(chunk);
    }
    result.truncate(bytes);
    // End on a whole line: cut back to the last line end.
    const qsizetype end = result.lastIndexOf("\r\n");
    if (end > 0)
        result.truncate(end + 2);
    return result;
}

// One line of Chinese prose without any line break, about `bytes` bytes.
inline QByteArray chineseLine(qint64 bytes, unsigned seed = 11)
{
    std::mt19937 random(seed);
    const QString &characters = chineseCharacters();
    QString text;
    text.reserve(bytes / 2 + 1);
    while (text.size() < bytes / 2)
        text += characters[qsizetype(random() % characters.size())];
    return common::encode936(text);
}

// Names that look like the Windows API: verb, object, optional qualifier, A/W/Ex suffix; unique.
inline QStringList apiNames(int count)
{
    static const char *const verbs[] = {"Get", "Set", "Create", "Delete", "Open", "Close", "Find", "Enum",
                                        "Query", "Register", "Load", "Free", "Show", "Move", "Send", "Post",
                                        "Read", "Write", "Copy", "Lock", "Unlock", "Draw", "Map", "Is"};
    static const char *const objects[] = {"Window", "Text", "File", "Key", "Value", "Menu", "Dialog", "Process",
                                          "Thread", "Module", "Printer", "Font", "Bitmap", "Cursor", "Icon",
                                          "Clipboard", "Message", "Service", "Event", "Mutex", "Pipe", "Port",
                                          "Volume", "Directory", "Profile", "Brush", "Pen", "Region", "Palette"};
    static const char *const qualifiers[] = {"", "Info", "Long", "Data", "Handle", "Name", "Pos", "Rect",
                                             "State", "Attributes", "Size", "Count", "Path", "Time"};
    static const char *const suffixes[] = {"", "A", "W", "Ex", "ExA", "ExW"};
    QStringList names;
    names.reserve(count);
    int serial = 0;
    while (names.size() < count) {
        for (const char *verb : verbs)
            for (const char *object : objects)
                for (const char *qualifier : qualifiers)
                    for (const char *suffix : suffixes) {
                        if (names.size() == count)
                            return names;
                        QString name = QString::fromLatin1(verb) + QString::fromLatin1(object)
                            + QString::fromLatin1(qualifier) + QString::fromLatin1(suffix);
                        if (serial > 0)
                            name += QString::number(serial);
                        names.append(name);
                    }
        ++serial;
    }
    return names;
}

// A knowledge database of `tables` tables of `entries` entries each: Chinese titles, and
// descriptions of varied length.
inline void writeKnowledgeBase(const QString &path, int tables, int entries)
{
    QList<common::TableData> data;
    for (int t = 0; t < tables; ++t) {
        common::TableData &table = data.emplaceBack(common::TableData{
            QStringLiteral("第%1章基础知识").arg(t), {QStringLiteral("目录"), QStringLiteral("内容")}, {}});
        for (int e = 0; e < entries; ++e) {
            table.rows.append({QStringLiteral("条目%1：变量与常量").arg(e),
                               QStringLiteral("说明文字，介绍这一条目的用法。").repeated(1 + e % 7)});
        }
    }
    QFile::remove(path);
    common::createSqliteFile(path, data);
}

} // namespace bench
