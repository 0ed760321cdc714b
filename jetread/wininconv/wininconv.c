/* iconv over the system's converters, MultiByteToWideChar and WideCharToMultiByte: every text
 * goes through UTF-16. The system converts a text whole or fails it whole, where iconv has to stop
 * at the first character it cannot convert and say which: texts go in runs of whole characters,
 * and a run that fails is gone through again a character at a time. */

#include "iconv.h"

#include <windows.h>

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

enum Form { FormCodePage, FormUcs2, FormUtf16 };

typedef struct
{
    enum Form form;
    UINT codePage;           /* FormCodePage only */
    unsigned char lead[256]; /* the bytes that begin a two-byte character of the code page */
} Encoding;

typedef struct
{
    Encoding from;
    Encoding to;
} Converter;

/* Input bytes converted in one go: one UTF-16 unit or more per character, never more units than
 * bytes. */
enum { kRun = 2048 };

static UINT codePageNumber(const char *digits)
{
    UINT number = 0;
    if (!*digits)
        return 0;
    for (; *digits; ++digits) {
        if (*digits < '0' || *digits > '9' || number > 99999)
            return 0;
        number = number * 10 + (UINT)(*digits - '0');
    }
    return number;
}

static UINT codePageNamed(const char *name)
{
    static const struct
    {
        const char *name;
        UINT codePage;
    } named[] = {{"UTF-8", CP_UTF8}, {"UTF8", CP_UTF8}, {"SHIFT-JIS", 932}, {"SHIFT_JIS", 932},
                 {"SJIS", 932},      {"GBK", 936},      {"BIG-5", 950},     {"BIG5", 950}};
    static const char *const prefixes[] = {"CP", "WINDOWS-", "IBM"};
    for (size_t i = 0; i < sizeof named / sizeof *named; ++i) {
        if (_stricmp(name, named[i].name) == 0)
            return named[i].codePage;
    }
    for (size_t i = 0; i < sizeof prefixes / sizeof *prefixes; ++i) {
        const size_t length = strlen(prefixes[i]);
        if (_strnicmp(name, prefixes[i], length) == 0)
            return codePageNumber(name + length);
    }
    return 0;
}

/* Code pages of more than two bytes a character other than UTF-8 (UTF-7, GB 18030, the ISO 2022
 * ones) take other flags and are not needed here. */
static int parseEncoding(const char *name, Encoding *encoding)
{
    memset(encoding, 0, sizeof *encoding);
    if (_stricmp(name, "UCS-2LE") == 0) {
        encoding->form = FormUcs2;
        return 1;
    }
    if (_stricmp(name, "UTF-16LE") == 0) {
        encoding->form = FormUtf16;
        return 1;
    }
    encoding->form = FormCodePage;
    encoding->codePage = codePageNamed(name);
    if (encoding->codePage == CP_UTF8)
        return 1;
    CPINFO info;
    if (encoding->codePage == 0 || !GetCPInfo(encoding->codePage, &info) || info.MaxCharSize > 2)
        return 0;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
        for (unsigned byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte)
            encoding->lead[byte] = 1;
    }
    return 1;
}

static int isSurrogate(unsigned unit)
{
    return unit >= 0xD800 && unit < 0xE000;
}

static int isHighSurrogate(unsigned unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}

static unsigned unitAt(const unsigned char *in)
{
    return in[0] | (unsigned)in[1] << 8;
}

/* The length in bytes of the character that begins at `in` (of `left` bytes, at least one): 0 when
 * no character begins so, more than `left` when it is cut off. */
static size_t characterLength(const Encoding *encoding, const unsigned char *in, size_t left)
{
    if (encoding->form != FormCodePage)
        return encoding->form == FormUtf16 && left >= 2 && isHighSurrogate(unitAt(in)) ? 4 : 2;
    if (encoding->codePage != CP_UTF8)
        return encoding->lead[in[0]] ? 2 : 1;
    if (in[0] < 0x80)
        return 1;
    if (in[0] < 0xC2)
        return 0;
    return in[0] < 0xE0 ? 2 : in[0] < 0xF0 ? 3 : in[0] < 0xF5 ? 4 : 0;
}

/* Whether a character that runs past the end is only cut off (EINVAL), not already invalid. */
static int cutOff(const Encoding *encoding, const unsigned char *in, size_t left)
{
    if (encoding->form != FormCodePage || encoding->codePage != CP_UTF8)
        return 1;
    for (size_t i = 1; i < left; ++i) {
        if ((in[i] & 0xC0) != 0x80)
            return 0;
    }
    return 1;
}

/* Whole characters into UTF-16: the number of units, 0 when any is invalid or `room` too small. */
static int decode(const Encoding *encoding, const unsigned char *in, size_t size, WCHAR *wide, int room)
{
    if (encoding->form == FormCodePage)
        return MultiByteToWideChar(encoding->codePage, MB_ERR_INVALID_CHARS, (LPCCH)in, (int)size, wide, room);
    const int units = (int)(size / 2);
    if (units > room)
        return 0;
    for (int i = 0; i < units; ++i) {
        const unsigned unit = unitAt(in + 2 * i);
        if (isSurrogate(unit)) {
            /* UCS-2 has none; UTF-16 has them only as a high one followed by a low one. */
            if (encoding->form == FormUcs2 || !isHighSurrogate(unit) || i + 1 == units
                || !isSurrogate(unitAt(in + 2 * i + 2)) || isHighSurrogate(unitAt(in + 2 * i + 2)))
                return 0;
            wide[i] = (WCHAR)unit;
            ++i;
            wide[i] = (WCHAR)unitAt(in + 2 * i);
            continue;
        }
        wide[i] = (WCHAR)unit;
    }
    return units;
}

/* UTF-16 into the encoding: the number of bytes written, -1 when a character has no counterpart or
 * does not fit into `room`. */
static int encode(const Encoding *encoding, const WCHAR *wide, int units, char *out, size_t room)
{
    const int space = room > INT_MAX ? INT_MAX : (int)room;
    if (encoding->form != FormCodePage) {
        if (units > space / 2)
            return -1;
        for (int i = 0; i < units; ++i) {
            if (encoding->form == FormUcs2 && isSurrogate(wide[i]))
                return -1;
            out[2 * i] = (char)(wide[i] & 0xFF);
            out[2 * i + 1] = (char)(wide[i] >> 8);
        }
        return 2 * units;
    }
    if (space == 0)
        return -1;
    int written;
    if (encoding->codePage == CP_UTF8) {
        written = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, units, out, space, NULL, NULL);
    } else {
        /* A character without a counterpart would come out as the code page's default one. */
        BOOL substituted = FALSE;
        written = WideCharToMultiByte(encoding->codePage, WC_NO_BEST_FIT_CHARS, wide, units, out, space, NULL,
                                      &substituted);
        if (substituted)
            return -1;
    }
    return written > 0 ? written : -1;
}

/* One character, or the error number that stops at it. */
static int convertOne(const Converter *converter, const unsigned char **in, size_t *inLeft, char **out,
                      size_t *outLeft)
{
    const size_t length = characterLength(&converter->from, *in, *inLeft);
    if (length == 0)
        return EILSEQ;
    if (length > *inLeft)
        return cutOff(&converter->from, *in, *inLeft) ? EINVAL : EILSEQ;
    WCHAR wide[2];
    const int units = decode(&converter->from, *in, length, wide, 2);
    char bytes[8];
    const int size = units > 0 ? encode(&converter->to, wide, units, bytes, sizeof bytes) : -1;
    if (size < 0)
        return EILSEQ;
    if ((size_t)size > *outLeft)
        return E2BIG;
    memcpy(*out, bytes, (size_t)size);
    *in += length;
    *inLeft -= length;
    *out += size;
    *outLeft -= (size_t)size;
    return 0;
}

iconv_t iconv_open(const char *tocode, const char *fromcode)
{
    Converter *converter = malloc(sizeof *converter);
    if (!converter) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    if (!tocode || !fromcode || !parseEncoding(tocode, &converter->to) || !parseEncoding(fromcode, &converter->from)) {
        free(converter);
        errno = EINVAL;
        return (iconv_t)-1;
    }
    return converter;
}

size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft)
{
    const Converter *converter = cd;
    if (cd == (iconv_t)-1 || !converter) {
        errno = EBADF;
        return (size_t)-1;
    }
    if (!inbuf || !*inbuf)
        return 0; /* no encoding here has a shift state to reset */
    const unsigned char *in = (const unsigned char *)*inbuf;
    int error = 0;
    while (*inbytesleft > 0 && !error) {
        size_t run = 0;
        for (;;) {
            const size_t left = *inbytesleft - run;
            const size_t length = left ? characterLength(&converter->from, in + run, left) : 0;
            if (length == 0 || length > left || run + length > kRun)
                break;
            run += length;
        }
        WCHAR wide[kRun];
        const int units = run ? decode(&converter->from, in, run, wide, kRun) : 0;
        const int size = units > 0 ? encode(&converter->to, wide, units, *outbuf, *outbytesleft) : -1;
        if (size >= 0) {
            in += run;
            *inbytesleft -= run;
            *outbuf += size;
            *outbytesleft -= (size_t)size;
            continue;
        }
        /* The run up to the character that stops it, or the character that cannot begin one. */
        const unsigned char *const end = in + (run ? run : 1);
        while (in < end && !error)
            error = convertOne(converter, &in, inbytesleft, outbuf, outbytesleft);
    }
    *inbuf = (char *)in;
    if (error) {
        errno = error;
        return (size_t)-1;
    }
    return 0;
}

int iconv_close(iconv_t cd)
{
    if (cd == (iconv_t)-1 || !cd) {
        errno = EBADF;
        return -1;
    }
    free(cd);
    return 0;
}
