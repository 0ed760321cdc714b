// Code page 936 decoding and encoding of arbitrary bytes: no crash, no lost byte, and text that
// decoded cleanly survives a trip through the encoder.
#include "codec936.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    bool decodeErrors = false;
    const QString text = common::decode936(bytes, &decodeErrors);
    // Every byte shows as something: a character of its own or part of one.
    if (text.size() > bytes.size() || (bytes.size() > 0 && text.isEmpty()))
        std::abort();
    if (common::endsInLoneLeadByte(bytes) && !decodeErrors)
        std::abort();

    bool encodeErrors = false;
    const QByteArray again = common::encode936(text, &encodeErrors);
    if (!decodeErrors && (encodeErrors || common::decode936(again) != text))
        std::abort();
    return 0;
}
