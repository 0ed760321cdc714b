#include "platform.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

std::wstring wide(const std::string &utf8)
{
    if (utf8.empty())
        return {};
    std::wstring text(utf8.size(), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), int(text.size()));
    text.resize(size_t(units > 0 ? units : 0));
    return text;
}

std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string bytes(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating zero
    return bytes;
}

} // namespace

void prepareProcess()
{
    for (const char *name : {"MDBPATH", "MDBICONV", "MDB_ICONV", "MDB_JET3_CHARSET", "MDBOPTS"})
        _putenv_s(name, ""); // an empty value removes the variable

    // The stream and the CSV's CR LF go out as they are, never with a CR put before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
}

// The narrow arguments are in the ANSI code page, which cannot hold every name: they are read
// again as the system holds them, in UTF-16.
std::vector<std::string> arguments(int, char *[])
{
    std::vector<std::string> result;
    int count = 0;
    if (wchar_t **list = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            result.push_back(utf8(list[i]));
        LocalFree(list);
    }
    return result;
}

// Others may go on reading and writing the file, as on Linux.
InputFile::InputFile(const std::string &path)
{
    FILE *stream = _wfopen(wide(path).c_str(), L"rb");
    if (!stream)
        return;
    struct _stat64 status;
    if (_fstat64(_fileno(stream), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG && status.st_size > 0)
        m_stream = stream;
    else
        std::fclose(stream);
}

InputFile::~InputFile()
{
    if (m_stream)
        std::fclose(m_stream);
}

bool InputFile::isOpen() const
{
    return m_stream != nullptr;
}

int InputFile::byteAt(size_t offset) const
{
    if (_fseeki64(m_stream, static_cast<long long>(offset), SEEK_SET) != 0)
        return -1;
    const int byte = std::fgetc(m_stream);
    std::rewind(m_stream);
    return byte == EOF ? -1 : byte;
}

// The library owns the stream from here, and closes it itself when it does not take the file.
MdbHandle *InputFile::openInLibrary()
{
    return mdb_open_stream(std::exchange(m_stream, nullptr), MDB_NOFLAGS);
}

long writeOut(const char *data, size_t size)
{
    return _write(_fileno(stdout), data, unsigned(size < INT_MAX ? size : INT_MAX));
}

// The library's own small GLib writes its messages with fprintf already.
void plainLibraryMessages() {}

bool sameNameIgnoringCase(const char *a, const char *b)
{
    const std::wstring wideA = wide(a);
    const std::wstring wideB = wide(b);
    return CompareStringOrdinal(wideA.data(), int(wideA.size()), wideB.data(), int(wideB.size()), TRUE) == CSTR_EQUAL;
}

} // namespace platform
