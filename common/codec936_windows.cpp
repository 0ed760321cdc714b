#include "codec936.h"

#include <windows.h>

namespace common {

namespace {

constexpr UINT kCodePage = 936;
// Microsoft's table maps the byte 0xFF to this private-use character; not every system's copy of
// the table has it (Wine's does not), so it is mapped here, both ways.
constexpr char16_t kByteFF = 0xF8F5;

bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// One run of well-formed characters through the system's table; false when it holds a pair the
// table does not know.
bool convertRun(QByteArrayView run, QString &out)
{
    if (run.isEmpty())
        return true;
    const int size = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), int(run.size()), nullptr, 0);
    if (size <= 0)
        return false;
    const qsizetype at = out.size();
    out.resize(at + size);
    MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), int(run.size()),
                        reinterpret_cast<wchar_t *>(out.data() + at), size);
    return true;
}

} // namespace

struct Decoder936::State
{
    QByteArray pending; // a lead byte whose trail byte is still to come
    bool error = false;
};

Decoder936::Decoder936()
    : m_state(std::make_unique<State>())
{
}

Decoder936::~Decoder936() = default;

// The system's call takes a lead byte with a byte that cannot follow it as one unknown character
// and loses the second byte. The input is therefore cut here into runs of well-formed characters,
// which the system converts, and ill-formed bytes, each of which becomes U+FFFD on its own.
QString Decoder936::decode(QByteArrayView piece)
{
    QByteArray joined;
    if (!m_state->pending.isEmpty()) {
        joined = m_state->pending + piece.toByteArray();
        piece = joined;
        m_state->pending.clear();
    }
    QString out;
    out.reserve(piece.size());
    const auto flush = [&](qsizetype from, qsizetype to) {
        const QByteArrayView run = piece.sliced(from, to - from);
        if (convertRun(run, out))
            return;
        // A pair the table lacks: one character at a time, each unknown one a replacement.
        for (qsizetype i = 0; i < run.size();) {
            const qsizetype length = isLeadByte(uchar(run[i])) ? 2 : 1;
            if (!convertRun(run.sliced(i, length), out)) {
                out.append(QChar::ReplacementCharacter);
                m_state->error = true;
            }
            i += length;
        }
    };
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = piece.size();
    while (i < n) {
        const auto b = uchar(piece[i]);
        if (b == 0xFF) {
            flush(start, i);
            out.append(QChar(kByteFF));
            start = ++i;
            continue;
        }
        if (!isLeadByte(b)) {
            ++i;
            continue;
        }
        if (i + 1 == n) {
            m_state->pending = piece.sliced(i).toByteArray();
            break;
        }
        if (isTrailByte(uchar(piece[i + 1]))) {
            i += 2;
            continue;
        }
        flush(start, i);
        out.append(QChar::ReplacementCharacter);
        m_state->error = true;
        start = ++i;
    }
    flush(start, m_state->pending.isEmpty() ? n : n - 1);
    return out;
}

bool Decoder936::hasError() const
{
    return m_state->error;
}

QByteArray encode936(QStringView text, bool *hadErrors)
{
    QByteArray bytes;
    bool errors = false;
    const auto convert = [&](QStringView run) {
        if (run.isEmpty())
            return;
        BOOL usedDefault = FALSE;
        const auto *wide = reinterpret_cast<const wchar_t *>(run.utf16());
        const int size = WideCharToMultiByte(kCodePage, 0, wide, int(run.size()), nullptr, 0, "?", &usedDefault);
        const qsizetype at = bytes.size();
        bytes.resize(at + size);
        WideCharToMultiByte(kCodePage, 0, wide, int(run.size()), bytes.data() + at, size, "?", &usedDefault);
        errors = errors || usedDefault;
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QChar(kByteFF)) {
            convert(text.sliced(start, i - start));
            bytes.append('\xFF');
            start = i + 1;
        }
    }
    convert(text.sliced(start));
    if (hadErrors)
        *hadErrors = errors;
    return bytes;
}

} // namespace common
