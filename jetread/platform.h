// What the reader does differently on Linux and on Windows: how it gets its arguments, opens its
// file and hands it to the library, writes its output, hears from the library and compares table
// names (platformposix.cpp, platformwindows.cpp). The reading itself is the same everywhere.
#pragma once

// Debian's libmdb header includes GLib inside its extern "C", where GLib's C++ templates cannot
// be: GLib comes first. The Windows build's libmdb brings its own small GLib.
#ifndef _WIN32
#include <glib.h>
#endif
#include <mdbtools.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Made ready before anything else: the library's environment variables cleared (they change what
// it reads and how; an empty path component with a missing file even makes it search forever),
// standard output fit for binary output, and a reader that goes away a failure to report.
void prepareProcess();

// The command line's arguments, the program's name first, in UTF-8.
std::vector<std::string> arguments(int argc, char *argv[]);

// The input file, opened while the reader may still open files. On Linux it is mapped into memory
// whole, so that the confined reader reads it without a system call; Windows has no way to hand
// the library a file in memory, and the library reads the open file.
class InputFile
{
public:
    // Not open when the file cannot be opened, is not a regular file or has no bytes.
    explicit InputFile(const std::string &path);
    ~InputFile();
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    bool isOpen() const;
    // The byte at `offset`; -1 past the end.
    int byteAt(size_t offset) const;
    // The library's handle on the file, once; nullptr when it does not take it for a Jet file.
    MdbHandle *openInLibrary();

private:
#ifdef _WIN32
    FILE *m_stream = nullptr;
#else
    void *m_data = nullptr;
    size_t m_size = 0;
#endif
};

// Writes to standard output without the C library's stream: the bytes written, or -1 with errno.
long writeOut(const char *data, size_t size);

// Has the library's messages written plainly on standard error.
void plainLibraryMessages();

// Whether two table names (UTF-8) are the same but for case.
bool sameNameIgnoringCase(const char *a, const char *b);

} // namespace platform
