#include "codec936.h"

namespace common {

bool endsInLoneLeadByte(QByteArrayView bytes)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x81 || b > 0xFE) {
            ++i;
            continue;
        }
        if (i + 1 == n)
            return true;
        i += 2;
    }
    return false;
}

QString decode936(QByteArrayView bytes, bool *hadErrors)
{
    Decoder936 decoder;
    QString text = decoder.decode(bytes);
    bool errors = decoder.hasError();
    // A decoder keeps a lead byte left alone at the end for a next piece; here there is none.
    if (endsInLoneLeadByte(bytes)) {
        text.append(QChar::ReplacementCharacter);
        errors = true;
    }
    if (hadErrors)
        *hadErrors = errors;
    return text;
}

} // namespace common
