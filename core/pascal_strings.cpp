// Pascal strings: conversions to and from NUL-terminated strings and the PLstr routines. A Pascal
// string is a length byte followed by that many characters, at most 255, in a buffer of 256 bytes.
#include "core.h"
#include "PLStringFuncs.h"

#include <cstring>

namespace {

const unsigned char kEmpty[1] = {0};

// A NULL string reads as the empty string.
const unsigned char *OrEmpty(const unsigned char *s) { return s ? s : kEmpty; }

int Clamp(int16_t count) { return count < 0 ? 0 : count; }

// Copies a Pascal string's characters into a NUL-terminated scratch string. The search routines work on
// such copies: the byte after a caller's string belongs to the caller.
void ToSearchString(const unsigned char *p, char (&out)[256])
{
    std::memcpy(out, p + 1, p[0]);
    out[p[0]] = 0;
}

// Index (0-based) of str2 inside str1 as NUL-terminated strings, or -1.
int SearchIndex(const unsigned char *str1, const unsigned char *str2)
{
    char hay[256], needle[256];
    ToSearchString(str1, hay);
    ToSearchString(str2, needle);
    const char *found = std::strstr(hay, needle);
    return found ? static_cast<int>(found - hay) : -1;
}

// Appends up to `count` characters of `source`; the result keeps at most 255 characters.
StringPtr Append(StringPtr dst, const unsigned char *source, int count)
{
    if (!dst)
        return dst;
    source = OrEmpty(source);
    int n = count < source[0] ? count : source[0];
    if (n > 255 - dst[0])
        n = 255 - dst[0];
    std::memmove(dst + 1 + dst[0], source + 1, n);
    dst[0] = static_cast<unsigned char>(dst[0] + n);
    return dst;
}

} // namespace

ZEL_EXTERN_C void ZEL_CALL ZEL_CopyPtoP(ConstStr255Param source, StringPtr destination)
{
    if (!destination)
        return;
    source = OrEmpty(source);
    std::memmove(destination, source, source[0] + 1u);
}

ZEL_EXTERN_C char *ZEL_CALL ZEL_CopyPtoC(ConstStr255Param source, char *destination)
{
    if (!destination)
        return destination;
    source = OrEmpty(source);
    const unsigned n = source[0];
    std::memmove(destination, source + 1, n);
    destination[n] = 0;
    return destination;
}

ZEL_EXTERN_C StringPtr ZEL_CALL ZEL_CopyCtoP(const char *source, StringPtr destination)
{
    if (!destination)
        return destination;
    // At most 255 characters are read: a longer string is cut, never read to its end.
    unsigned n = 0;
    if (source)
        while (n < 255 && source[n])
            ++n;
    if (n)
        std::memmove(destination + 1, source, n);
    destination[0] = static_cast<unsigned char>(n);
    return destination;
}

ZEL_EXTERN_C int16_t ZEL_CALL PLstrcmp(ConstStr255Param str1, ConstStr255Param str2)
{
    str1 = OrEmpty(str1);
    str2 = OrEmpty(str2);
    const int n1 = str1[0], n2 = str2[0];
    const int common = n1 < n2 ? n1 : n2;
    for (int i = 1; i <= common; ++i)
        if (str1[i] != str2[i])
            return static_cast<int16_t>(str1[i] - str2[i]);
    return static_cast<int16_t>(n1 > n2 ? 1 : n1 < n2 ? -1 : 0);
}

ZEL_EXTERN_C int16_t ZEL_CALL PLstrncmp(ConstStr255Param str1, ConstStr255Param str2, int16_t num)
{
    str1 = OrEmpty(str1);
    str2 = OrEmpty(str2);
    const int count = Clamp(num);
    const int n1 = str1[0] < count ? str1[0] : count;
    const int n2 = str2[0] < count ? str2[0] : count;
    const int common = n1 < n2 ? n1 : n2;
    for (int i = 1; i <= common; ++i)
        if (str1[i] != str2[i])
            return static_cast<int16_t>(str1[i] - str2[i]);
    return static_cast<int16_t>(n1 > n2 ? 1 : n1 < n2 ? -1 : 0);
}

ZEL_EXTERN_C StringPtr ZEL_CALL PLstrcpy(StringPtr str1, ConstStr255Param str2)
{
    ZEL_CopyPtoP(str2, str1);
    return str1;
}

ZEL_EXTERN_C StringPtr ZEL_CALL PLstrncpy(StringPtr str1, ConstStr255Param str2, int16_t num)
{
    if (!str1)
        return str1;
    str2 = OrEmpty(str2);
    const int count = Clamp(num);
    const int n = str2[0] < count ? str2[0] : count;
    std::memmove(str1 + 1, str2 + 1, n);
    str1[0] = static_cast<unsigned char>(n);
    return str1;
}

ZEL_EXTERN_C StringPtr ZEL_CALL PLstrcat(StringPtr str1, ConstStr255Param str2)
{
    return Append(str1, str2, 255);
}

ZEL_EXTERN_C StringPtr ZEL_CALL PLstrncat(StringPtr str1, ConstStr255Param str2, int16_t num)
{
    return Append(str1, str2, Clamp(num));
}

ZEL_EXTERN_C Ptr ZEL_CALL PLstrchr(ConstStr255Param str1, int16_t ch)
{
    if (!str1)
        return nullptr;
    const unsigned char c = static_cast<unsigned char>(ch);
    for (int i = 1; i <= str1[0]; ++i)
        if (str1[i] == c)
            return reinterpret_cast<Ptr>(const_cast<unsigned char *>(str1 + i));
    return nullptr;
}

ZEL_EXTERN_C Ptr ZEL_CALL PLstrrchr(ConstStr255Param str1, int16_t ch)
{
    if (!str1)
        return nullptr;
    const unsigned char c = static_cast<unsigned char>(ch);
    for (int i = str1[0]; i >= 1; --i)
        if (str1[i] == c)
            return reinterpret_cast<Ptr>(const_cast<unsigned char *>(str1 + i));
    return nullptr;
}

ZEL_EXTERN_C Ptr ZEL_CALL PLstrpbrk(ConstStr255Param str1, ConstStr255Param str2)
{
    if (!str1)
        return nullptr;
    str2 = OrEmpty(str2);
    for (int i = 1; i <= str1[0]; ++i)
        if (std::memchr(str2 + 1, str1[i], str2[0]))
            return reinterpret_cast<Ptr>(const_cast<unsigned char *>(str1 + i));
    return nullptr;
}

ZEL_EXTERN_C int16_t ZEL_CALL PLstrspn(ConstStr255Param str1, ConstStr255Param str2)
{
    str1 = OrEmpty(str1);
    str2 = OrEmpty(str2);
    int n = 0;
    while (n < str1[0] && std::memchr(str2 + 1, str1[n + 1], str2[0]))
        ++n;
    return static_cast<int16_t>(n);
}

ZEL_EXTERN_C Ptr ZEL_CALL PLstrstr(ConstStr255Param str1, ConstStr255Param str2)
{
    if (!str1)
        return nullptr;
    const int at = SearchIndex(str1, OrEmpty(str2));
    return at < 0 ? nullptr : reinterpret_cast<Ptr>(const_cast<unsigned char *>(str1 + 1 + at));
}

ZEL_EXTERN_C int16_t ZEL_CALL PLstrlen(ConstStr255Param str) { return static_cast<int16_t>(OrEmpty(str)[0]); }

ZEL_EXTERN_C int16_t ZEL_CALL PLpos(ConstStr255Param str1, ConstStr255Param str2)
{
    // The position of str2 inside str1, in the published argument order.
    const int at = SearchIndex(OrEmpty(str1), OrEmpty(str2));
    return static_cast<int16_t>(at + 1);
}
