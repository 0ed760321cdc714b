#include "registry.h"

#include "codec936.h"

#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "win32registry.h"
#endif

namespace tamsel {

QByteArray MemoryRegistry::path(quint32 root, const QByteArray &keyName)
{
    return QByteArray::number(root) + '\\' + keyName.toUpper();
}

void MemoryRegistry::addKey(quint32 root, const QByteArray &keyName)
{
    m_keys[path(root, keyName)];
}

void MemoryRegistry::setValue(quint32 root, const QByteArray &keyName, const QByteArray &valueName,
                              Value value)
{
    m_keys[path(root, keyName)][valueName.toUpper()] = std::move(value);
}

std::optional<Registry::Key> MemoryRegistry::openKey(quint32 root, const QByteArray &keyName, quint32)
{
    const QByteArray p = path(root, keyName);
    if (!m_keys.contains(p))
        return std::nullopt;
    const Key key = m_next++;
    m_open.insert(key, p);
    return key;
}

std::optional<Registry::Value> MemoryRegistry::queryValue(Key key, const QByteArray &valueName,
                                                          quint32 bufferSize)
{
    m_queried.append(valueName);
    const auto open = m_open.constFind(key);
    if (open == m_open.constEnd())
        return std::nullopt;
    const auto &values = m_keys[*open];
    const auto value = values.constFind(valueName.toUpper());
    if (value == values.constEnd() || quint32(value->data.size()) > bufferSize)
        return std::nullopt;
    return *value;
}

void MemoryRegistry::closeKey(Key key)
{
    m_open.remove(key);
}

QStringList LinuxRegistry::candidatePrograms()
{
    return {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

LinuxRegistry::LinuxRegistry()
{
    const QByteArray key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    for (const QString &program : candidatePrograms()) {
        const QString found = QStandardPaths::findExecutable(program);
        if (!found.isEmpty()) {
            setValue(kLocalMachine, key, "PATH", {kTypeText, common::encode936(found) + '\0'});
            break;
        }
    }
}

#ifdef Q_OS_WIN
std::optional<Registry::Key> WindowsRegistry::openKey(quint32 root, const QByteArray &keyName,
                                                      quint32 access)
{
    return Win32Registry::openKey(root, keyName.toStdString(), access);
}

std::optional<Registry::Value> WindowsRegistry::queryValue(Key key, const QByteArray &valueName,
                                                           quint32 bufferSize)
{
    const auto value = Win32Registry::queryValue(key, valueName.toStdString(), bufferSize);
    if (!value)
        return std::nullopt;
    return Value{value->type, QByteArray::fromStdString(value->data)};
}

void WindowsRegistry::closeKey(Key key)
{
    Win32Registry::closeKey(key);
}
#endif

} // namespace tamsel
