/* The part of the iconv interface that libmdb and jetread use, for Windows, whose C runtime has
 * none: conversions between UTF-8, UCS-2LE, UTF-16LE and the system's code pages, done by
 * wininconv.c with the system's own converters. The Windows build puts this folder on the include
 * path of both. */
#ifndef JETREAD_WININCONV_ICONV_H
#define JETREAD_WININCONV_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void *iconv_t;

/* Names: UTF-8, UCS-2LE, UTF-16LE, CPnnn, WINDOWS-nnn, IBMnnn and a few others (any case), for
 * code pages of one or two bytes a character. (iconv_t)-1 with errno EINVAL for any other. */
iconv_t iconv_open(const char *tocode, const char *fromcode);

/* As POSIX has it: converts whole characters while both sides have room; (size_t)-1 with errno
 * EILSEQ at a character that is invalid or has no counterpart, EINVAL at one cut off by the end
 * of the input, E2BIG when the output is full, *inbuf left at that character each time. */
size_t iconv(iconv_t cd, char **inbuf, size_t *inbytesleft, char **outbuf, size_t *outbytesleft);

int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
