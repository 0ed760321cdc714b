// An article file of arbitrary bytes: split into lines and decoded as the reading window does.
#include "articlereader.h"
#include "linereader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // The lines and their terminators cover the input exactly once, in order.
    common::LineReader reader(bytes);
    qsizetype covered = 0;
    qsizetype lines = 0;
    while (!reader.atEnd()) {
        const QByteArrayView line = reader.readLine();
        if (line.data() != bytes.data() + covered || line.contains('\r'))
            std::abort();
        covered += line.size();
        if (covered < bytes.size() && bytes[covered] == '\r')
            ++covered;
        if (covered < bytes.size() && bytes[covered] == '\n' && bytes[covered - 1] == '\r')
            ++covered;
        ++lines;
    }
    if (covered != bytes.size())
        std::abort();

    // Every line ends in CR LF, and no other CR is left.
    const QString text = tamsel::articleText(bytes);
    if (text.count(u"\r\n") != lines || text.count(u'\r') != lines)
        std::abort();
    return 0;
}
