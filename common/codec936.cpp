#include "codec936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace common {

namespace {

constexpr char kCodecName[] = "windows-936";

bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

} // namespace

bool endsInLoneLeadByte(QByteArrayView bytes)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (!isLeadByte(b)) {
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
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    bool errors = decoder.hasError();
    // The decoder drops a lead byte left alone at the end; it must show as a replacement.
    if (endsInLoneLeadByte(bytes) && !text.endsWith(QChar::ReplacementCharacter)) {
        text.append(QChar::ReplacementCharacter);
        errors = true;
    }
    if (hadErrors)
        *hadErrors = errors;
    return text;
}

QByteArray encode936(QStringView text, bool *hadErrors)
{
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (hadErrors)
        *hadErrors = encoder.hasError();
    return bytes;
}

} // namespace common
