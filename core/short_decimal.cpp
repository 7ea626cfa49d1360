// 16-bit decimal integers as text: the Script Manager's date and time fields.
#include "core_services.h"

#include <cstdio>

int16_t ParseShortDecimal(const char *s)
{
    if (!s || !*s)
        return INT16_MIN;
    bool negative = *s == '-';
    if (negative && !*++s)
        return INT16_MIN;
    int32_t value = 0;
    for (; *s && value < 10000; ++s) {
        if (*s < '0' || *s > '9')
            return INT16_MIN;
        value = value * 10 + (*s - '0');
    }
    if (value > 32767)
        value = 32767;
    return static_cast<int16_t>(negative ? -value : value);
}

char *FormatShortDecimal(int16_t n, char *s)
{
    return s + std::sprintf(s, "%d", static_cast<int>(n));
}
