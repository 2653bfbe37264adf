/* Files read and written through a buffer of their own. */
#include "stream.h"
#include "text.h"

int StreamOpen(Stream *stream, const char *path, const char *mode)
{
    FillBytes(stream, 0, sizeof(*stream));
    stream->writing = mode[0] == 'w';
    stream->text = mode[1] == 't';
    stream->file = CreateFileA(path, stream->writing ? GENERIC_WRITE : GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               stream->writing ? CREATE_ALWAYS : OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    return stream->file != INVALID_HANDLE_VALUE;
}

static int Flush(Stream *stream)
{
    DWORD written = 0;

    if (stream->used > 0 && (!WriteFile(stream->file, stream->buffer, stream->used, &written, NULL) ||
                             written != stream->used))
        stream->error = 1;
    stream->used = 0;
    return !stream->error;
}

int StreamClose(Stream *stream)
{
    int ok = 1;

    if (stream->writing)
        ok = Flush(stream);
    if (stream->file != INVALID_HANDLE_VALUE && stream->file != NULL &&
        stream->file != GetStdHandle(STD_OUTPUT_HANDLE) && !CloseHandle(stream->file))
        ok = 0;
    stream->file = INVALID_HANDLE_VALUE;
    return ok && !stream->error;
}

/* The next byte of the file, or -1. */
static int ReadByte(Stream *stream)
{
    if (stream->used == stream->filled) {
        if (stream->ended || stream->error)
            return -1;
        stream->used = 0;
        stream->filled = 0;
        if (!ReadFile(stream->file, stream->buffer, STREAM_BUFFER, &stream->filled, NULL))
            stream->error = 1;
        if (stream->filled == 0) {
            stream->ended = 1;
            return -1;
        }
    }
    return stream->buffer[stream->used++];
}

int StreamGetChar(Stream *stream)
{
    int c = ReadByte(stream);

    if (!stream->text)
        return c;
    if (c == 0x1A) {
        stream->ended = 1;
        stream->used = stream->filled;
        return -1;
    }
    if (c == '\r') {
        /* CR LF is one line feed; a CR on its own stays */
        int next = ReadByte(stream);
        if (next == '\n')
            return '\n';
        if (next != -1)
            stream->used--;
    }
    return c;
}

int StreamGetLine(Stream *stream, char *line, int size)
{
    int length = 0;
    int c;

    if (size <= 0)
        return 0;
    while (length < size - 1 && (c = StreamGetChar(stream)) != -1) {
        line[length++] = (char)c;
        if (c == '\n')
            break;
    }
    line[length] = '\0';
    return length > 0;
}

static int WriteByte(Stream *stream, BYTE c)
{
    if (stream->used == STREAM_BUFFER && !Flush(stream))
        return 0;
    stream->buffer[stream->used++] = c;
    return 1;
}

int StreamWrite(Stream *stream, const void *bytes, DWORD count)
{
    const BYTE *from = (const BYTE *)bytes;
    DWORD i;

    for (i = 0; i < count; i++) {
        if (stream->text && from[i] == '\n' && !WriteByte(stream, '\r'))
            return 0;
        if (!WriteByte(stream, from[i]))
            return 0;
    }
    return !stream->error;
}

int StreamPut(Stream *stream, const char *text)
{
    return StreamWrite(stream, text, (DWORD)lstrlenA(text));
}
