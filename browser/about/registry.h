#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace tamsel {

// The three registry calls the About box makes, behind an interface: the Windows registry on
// Windows, an answer from the installed programs on Linux, a table in tests.
class Registry
{
public:
    using Key = quintptr;

    static constexpr quint32 kLocalMachine = 0x80000002;
    static constexpr quint32 kTypeText = 1;  // REG_SZ
    static constexpr quint32 kTypeDword = 4; // REG_DWORD
    static constexpr quint32 kAllAccess = 0x2003F;

    struct Value
    {
        quint32 type = 0;
        QByteArray data;
    };

    virtual ~Registry() = default;
    // Key and value names travel in the ANSI code page, as the ANSI registry calls take them.
    virtual std::optional<Key> openKey(quint32 root, const QByteArray &keyName, quint32 access) = 0;
    // Fails when the value is missing or its data does not fit in `bufferSize` bytes.
    virtual std::optional<Value> queryValue(Key key, const QByteArray &valueName, quint32 bufferSize) = 0;
    virtual void closeKey(Key key) = 0;
};

// Values held in memory, keyed by root, key name and value name.
class MemoryRegistry : public Registry
{
public:
    void setValue(quint32 root, const QByteArray &keyName, const QByteArray &valueName, Value value);
    void addKey(quint32 root, const QByteArray &keyName);

    std::optional<Key> openKey(quint32 root, const QByteArray &keyName, quint32 access) override;
    std::optional<Value> queryValue(Key key, const QByteArray &valueName, quint32 bufferSize) override;
    void closeKey(Key key) override;

    int openKeys() const { return int(m_open.size()); }
    QList<QByteArray> queriedValues() const { return m_queried; }

private:
    static QByteArray path(quint32 root, const QByteArray &keyName);

    QHash<QByteArray, QHash<QByteArray, Value>> m_keys;
    QHash<Key, QByteArray> m_open;
    QList<QByteArray> m_queried;
    Key m_next = 1;
};

// On Linux the system-information program is whichever graphical one is installed: the first
// location's "PATH" names the first of a short list found on PATH; the second location is absent.
class LinuxRegistry : public MemoryRegistry
{
public:
    LinuxRegistry();
    static QStringList candidatePrograms();
};

#ifdef Q_OS_WIN
class WindowsRegistry : public Registry
{
public:
    std::optional<Key> openKey(quint32 root, const QByteArray &keyName, quint32 access) override;
    std::optional<Value> queryValue(Key key, const QByteArray &valueName, quint32 bufferSize) override;
    void closeKey(Key key) override;
};
#endif

} // namespace tamsel
