#include "platform.h"

#include <glib.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// GLib's own message writer first looks at what standard error is (a terminal, the journal) and
// reads the time zone, none of which the confined reader may do: its messages go out plainly.
GLogWriterOutput writeLogMessage(GLogLevelFlags, const GLogField *fields, gsize count, gpointer)
{
    for (gsize i = 0; i < count; ++i) {
        if (std::strcmp(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0)
            std::fprintf(stderr, "jetread: %s\n", static_cast<const char *>(fields[i].value));
    }
    return G_LOG_WRITER_HANDLED;
}

} // namespace

void prepareProcess()
{
    for (const char *name : {"MDBPATH", "MDBICONV", "MDB_ICONV", "MDB_JET3_CHARSET", "MDBOPTS"})
        unsetenv(name);

    // A larger pipe lets the whole of a small file go out at once and wakes the caller less often.
    fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);

    // Without this the first write to a closed pipe would end the program silently.
    signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> arguments(int argc, char *argv[])
{
    return {argv, argv + argc};
}

InputFile::InputFile(const std::string &path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        void *data = mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (data != MAP_FAILED) {
            m_data = data;
            m_size = size_t(status.st_size);
        }
    }
    close(fd);
}

InputFile::~InputFile()
{
    if (m_data)
        munmap(m_data, m_size);
}

bool InputFile::isOpen() const
{
    return m_data != nullptr;
}

int InputFile::byteAt(size_t offset) const
{
    return offset < m_size ? static_cast<const unsigned char *>(m_data)[offset] : -1;
}

MdbHandle *InputFile::openInLibrary()
{
    return mdb_open_buffer(m_data, m_size, MDB_NOFLAGS);
}

long writeOut(const char *data, size_t size)
{
    return long(write(STDOUT_FILENO, data, size));
}

void plainLibraryMessages()
{
    g_log_set_writer_func(writeLogMessage, nullptr, nullptr);
}

bool sameNameIgnoringCase(const char *a, const char *b)
{
    gchar *foldedA = g_utf8_casefold(a, -1);
    gchar *foldedB = g_utf8_casefold(b, -1);
    const bool same = std::strcmp(foldedA, foldedB) == 0;
    g_free(foldedA);
    g_free(foldedB);
    return same;
}

} // namespace platform
