#include "codec936.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace common {

namespace {

constexpr char kCodecName[] = "windows-936";

} // namespace

struct Decoder936::State
{
    QStringDecoder decoder{kCodecName};
};

Decoder936::Decoder936()
    : m_state(std::make_unique<State>())
{
}

Decoder936::~Decoder936() = default;

QString Decoder936::decode(QByteArrayView piece)
{
    return m_state->decoder.decode(piece);
}

bool Decoder936::hasError() const
{
    return m_state->decoder.hasError();
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
