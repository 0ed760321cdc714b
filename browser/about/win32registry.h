#pragma once

// The ANSI registry calls of the Windows registry layer, on plain C++ types and without Qt, so
// that the build can compile this part with a Windows cross compiler on any machine.

#include <cstdint>
#include <optional>
#include <string>

namespace tamsel {

class Win32Registry
{
public:
    using Key = std::uintptr_t;

    struct Value
    {
        std::uint32_t type = 0;
        std::string data;
    };

    // `root` is one of the predefined keys as its 32-bit number (0x80000002 for
    // HKEY_LOCAL_MACHINE); any other root fails.
    static std::optional<Key> openKey(std::uint32_t root, const std::string &keyName, std::uint32_t access);
    static std::optional<Value> queryValue(Key key, const std::string &valueName, std::uint32_t bufferSize);
    static void closeKey(Key key);
};

} // namespace tamsel

#ifdef _WIN32
#include <windows.h>

namespace tamsel {

// The SDK's own handle for a predefined key: on 64-bit Windows these are sign-extended, so a
// handle built from the 32-bit number by zero extension names no key at all.
inline HKEY predefinedKey(std::uint32_t root)
{
    switch (root) {
    case 0x80000000u: return HKEY_CLASSES_ROOT;
    case 0x80000001u: return HKEY_CURRENT_USER;
    case 0x80000002u: return HKEY_LOCAL_MACHINE;
    case 0x80000003u: return HKEY_USERS;
    case 0x80000005u: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
    }
}

} // namespace tamsel
#endif
