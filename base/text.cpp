/* Bounded text helpers and the program's own formatter. */
#include "text.h"

#include <limits.h>

int TextCopy(char *buffer, int size, const char *text)
{
    int i;

    if (size <= 0)
        return 0;
    if (text == 0)
        text = "";
    for (i = 0; i < size - 1 && text[i] != '\0'; i++)
        buffer[i] = text[i];
    buffer[i] = '\0';
    return text[i] == '\0';
}

int TextAppend(char *buffer, int size, const char *text)
{
    int length;

    if (size <= 0)
        return 0;
    length = TextLengthWithin(buffer, size);
    if (length >= size) {
        /* not terminated within its size: terminate it, report the cut */
        buffer[size - 1] = '\0';
        return 0;
    }
    return TextCopy(buffer + length, size - length, text);
}

/* Where the formatter writes: the buffer, its size, the characters
 * written so far and whether one had to be left out. */
struct FormatOutput {
    char *buffer;
    int size;
    int length;
    int cut;
};

static void PutChar(FormatOutput *out, char c)
{
    if (out->length < out->size - 1)
        out->buffer[out->length++] = c;
    else
        out->cut = 1;
}

static void PutPadding(FormatOutput *out, char c, int count)
{
    for (; count > 0; count--)
        PutChar(out, c);
}

/* A field: its text of length characters, padded to width on the left
 * (or right with leftAlign) with blanks. */
static void PutField(FormatOutput *out, const char *text, int length, int width, int leftAlign)
{
    int i;

    if (!leftAlign)
        PutPadding(out, ' ', width - length);
    for (i = 0; i < length; i++)
        PutChar(out, text[i]);
    if (leftAlign)
        PutPadding(out, ' ', width - length);
}

/* A number: sign, at least precision digits (zeros in front), padded to
 * width with blanks, or with zeros after the sign when zeroPad. */
static void PutNumber(FormatOutput *out, unsigned long value, int negative, unsigned base,
                      int upper, int width, int precision, int leftAlign, int zeroPad)
{
    const char *digitChars = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24];
    int count = 0;
    int zeros, length;

    do {
        digits[count++] = digitChars[value % base];
        value /= base;
    } while (value != 0);
    if (precision == 0 && count == 1 && digits[0] == '0')
        count = 0;
    zeros = precision > count ? precision - count : 0;
    length = count + zeros + (negative ? 1 : 0);
    if (zeroPad && !leftAlign && precision < 0 && width > length) {
        zeros += width - length;
        length = width;
    }
    if (!leftAlign)
        PutPadding(out, ' ', width - length);
    if (negative)
        PutChar(out, '-');
    PutPadding(out, '0', zeros);
    while (count > 0)
        PutChar(out, digits[--count]);
    if (leftAlign)
        PutPadding(out, ' ', width - length);
}

/* A width or a precision: digits, or '*' for the next argument. */
static int ReadCount(const char **format, va_list *args)
{
    int count = 0;

    if (**format == '*') {
        (*format)++;
        return va_arg(*args, int);
    }
    while (**format >= '0' && **format <= '9') {
        if (count < 100000)
            count = count * 10 + (**format - '0');
        (*format)++;
    }
    return count;
}

/* One conversion, format pointing after its '%'. */
static void PutConversion(FormatOutput *out, const char **format, va_list *args)
{
    int leftAlign = 0, zeroPad = 0, width = 0, precision = -1, size = 0;
    const char *text;
    long number;
    unsigned long value;
    char c;

    for (;; (*format)++) {
        if (**format == '-')
            leftAlign = 1;
        else if (**format == '0')
            zeroPad = 1;
        else
            break;
    }
    width = ReadCount(format, args);
    if (width < 0) {
        leftAlign = 1;
        width = -width;
    }
    if (**format == '.') {
        (*format)++;
        precision = ReadCount(format, args);
    }
    if (**format == 'l' || **format == 'h')
        size = *(*format)++;
    c = **format;
    if (c == '\0')
        return;
    (*format)++;
    switch (c) {
    case 'd':
    case 'i':
        number = size == 'l' ? va_arg(*args, long) : (long)va_arg(*args, int);
        if (size == 'h')
            number = (short)number;
        value = number < 0 ? 0ul - (unsigned long)number : (unsigned long)number;
        PutNumber(out, value, number < 0, 10, 0, width, precision, leftAlign, zeroPad);
        break;
    case 'u':
    case 'x':
    case 'X':
        value = size == 'l' ? va_arg(*args, unsigned long) : (unsigned long)va_arg(*args, unsigned);
        if (size == 'h')
            value = (unsigned short)value;
        PutNumber(out, value, 0, c == 'u' ? 10 : 16, c == 'X', width, precision, leftAlign, zeroPad);
        break;
    case 'c':
        c = (char)va_arg(*args, int);
        PutField(out, &c, 1, width, leftAlign);
        break;
    case 's':
        text = va_arg(*args, const char *);
        if (text == 0)
            text = "(null)";
        PutField(out, text, precision >= 0 ? TextLengthWithin(text, precision) : TextLengthWithin(text, INT_MAX),
                 width, leftAlign);
        break;
    default:
        /* "%%", and anything it does not know, stands for itself */
        PutChar(out, c);
        break;
    }
}

int TextFormatList(char *buffer, int size, const char *format, va_list args)
{
    FormatOutput out;
    va_list list;

    if (size <= 0)
        return 0;
    out.buffer = buffer;
    out.size = size;
    out.length = 0;
    out.cut = 0;
    va_copy(list, args);
    while (*format != '\0') {
        if (*format == '%') {
            format++;
            PutConversion(&out, &format, &list);
        } else {
            PutChar(&out, *format++);
        }
    }
    va_end(list);
    buffer[out.length] = '\0';
    return !out.cut;
}

int TextFormat(char *buffer, int size, const char *format, ...)
{
    va_list args;
    int fits;

    va_start(args, format);
    fits = TextFormatList(buffer, size, format, args);
    va_end(args);
    return fits;
}

int PathJoin(char *buffer, int size, const char *first, const char *second)
{
    char path[1024];

    if (!TEXT_COPY(path, first) || !TEXT_APPEND(path, "\\") ||
        !TEXT_APPEND(path, second) || !TextCopy(buffer, size, path)) {
        if (size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return 1;
}

int TextLengthWithin(const char *text, int size)
{
    int length = 0;

    while (length < size && text[length] != '\0')
        length++;
    return length;
}

int TextSame(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

int TextSameStart(const char *a, const char *b, int count)
{
    int i;

    for (i = 0; i < count; i++) {
        if (a[i] != b[i])
            return 0;
        if (a[i] == '\0')
            return 1;
    }
    return 1;
}

static char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

int TextSameStartNoCase(const char *a, const char *b, int count)
{
    int i;

    for (i = 0; i < count; i++) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return 0;
        if (a[i] == '\0')
            return 1;
    }
    return 1;
}

char *TextFindChar(const char *text, char c)
{
    for (;; text++) {
        if (*text == c)
            return (char *)text;
        if (*text == '\0')
            return 0;
    }
}

char *TextFindLastChar(const char *text, char c)
{
    const char *found = 0;

    for (;; text++) {
        if (*text == c)
            found = text;
        if (*text == '\0')
            return (char *)found;
    }
}

char *TextFind(const char *text, const char *part)
{
    int i;

    for (;; text++) {
        for (i = 0; part[i] != '\0' && text[i] == part[i]; i++)
            ;
        if (part[i] == '\0')
            return (char *)text;
        if (*text == '\0')
            return 0;
    }
}

int TextSpanTo(const char *text, const char *stops)
{
    int length = 0;

    while (text[length] != '\0' && TextFindChar(stops, text[length]) == 0)
        length++;
    return length;
}

/* The digits' value, saturated at limit; *negative tells the sign. */
static unsigned long ReadDecimal(const char *text, unsigned long limit, int *negative)
{
    unsigned long value = 0;

    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        text++;
    *negative = *text == '-';
    if (*text == '-' || *text == '+')
        text++;
    for (; *text >= '0' && *text <= '9'; text++) {
        unsigned digit = (unsigned)(*text - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return value;
}

long TextToLong(const char *text)
{
    int negative;
    unsigned long value = ReadDecimal(text, (unsigned long)LONG_MAX + 1, &negative);

    if (negative)
        return value > (unsigned long)LONG_MAX ? LONG_MIN : -(long)value;
    return value > (unsigned long)LONG_MAX ? LONG_MAX : (long)value;
}

unsigned long TextToUnsignedLong(const char *text)
{
    int negative;
    unsigned long value = ReadDecimal(text, ULONG_MAX, &negative);

    /* a minus counts the C library's way: the value's negation */
    return negative && value != ULONG_MAX ? 0ul - value : value;
}
