#include "win32registry.h"

#ifdef _WIN32

namespace tamsel {

std::optional<Win32Registry::Key> Win32Registry::openKey(std::uint32_t root, const std::string &keyName,
                                                         std::uint32_t access)
{
    const HKEY rootKey = predefinedKey(root);
    HKEY key = nullptr;
    if (!rootKey || RegOpenKeyExA(rootKey, keyName.c_str(), 0, REGSAM(access), &key) != ERROR_SUCCESS)
        return std::nullopt;
    return reinterpret_cast<Key>(key);
}

std::optional<Win32Registry::Value> Win32Registry::queryValue(Key key, const std::string &valueName,
                                                              std::uint32_t bufferSize)
{
    std::string buffer(bufferSize, '\0');
    DWORD type = 0;
    DWORD size = bufferSize;
    if (RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE *>(buffer.data()), &size)
        != ERROR_SUCCESS)
        return std::nullopt;
    buffer.resize(size);
    return Value{std::uint32_t(type), buffer};
}

void Win32Registry::closeKey(Key key)
{
    RegCloseKey(reinterpret_cast<HKEY>(key));
}

} // namespace tamsel

#endif
