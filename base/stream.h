/* Files read and written in pieces, for what the C library's streams
 * did: binary, or text where a line feed is CR LF in the file, and
 * reading ends at the first Ctrl-Z. */
#ifndef SETUP_STREAM_H
#define SETUP_STREAM_H

#include <windows.h>

#define STREAM_BUFFER 512

struct Stream {
    HANDLE file;
    int writing;
    int text;
    int error;       /* a read or write failed */
    int ended;       /* the input is used up (or met its Ctrl-Z) */
    DWORD used;      /* bytes of the buffer taken (reading) or filled (writing) */
    DWORD filled;    /* bytes read into the buffer */
    BYTE buffer[STREAM_BUFFER];
};

/* mode: "rb", "rt", "wb" or "wt"; writing makes the file anew. 1 when
 * the file is open. */
int StreamOpen(Stream *stream, const char *path, const char *mode);
/* 1 when every write reached the file and it closed cleanly. */
int StreamClose(Stream *stream);

/* The next byte, or -1 at the end or on an error. */
int StreamGetChar(Stream *stream);
/* Up to size - 1 bytes, through the first line feed, terminated; 0 when
 * nothing came. */
int StreamGetLine(Stream *stream, char *line, int size);
int StreamWrite(Stream *stream, const void *bytes, DWORD count);
int StreamPut(Stream *stream, const char *text);

#endif
