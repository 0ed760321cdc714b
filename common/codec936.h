#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

namespace common {

// Code page 936 (GBK as Microsoft defines it), the encoding of every text file of the programs.
// Invalid input never throws: it becomes U+FFFD (decoding) or '?' (encoding), and *hadErrors is set.
QString decode936(QByteArrayView bytes, bool *hadErrors = nullptr);
QByteArray encode936(QStringView text, bool *hadErrors = nullptr);

// Decodes text that comes in pieces: a double-byte character split between two pieces is kept
// until its second byte arrives. The conversion is the system's own (ICU on Linux, the Windows
// code page calls on Windows), with invalid input treated alike on both.
class Decoder936
{
public:
    Decoder936();
    ~Decoder936();
    Decoder936(const Decoder936 &) = delete;
    Decoder936 &operator=(const Decoder936 &) = delete;

    QString decode(QByteArrayView piece);
    bool hasError() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// True when the bytes end in a lead byte whose trail byte is missing.
bool endsInLoneLeadByte(QByteArrayView bytes);

} // namespace common
