// PackBits run-length coding: the byte format of packed pictures, packed PixMaps and the library's own
// compressed tables. A flag byte n >= 0 is followed by n + 1 literal bytes; n < 0 by one byte repeated
// 1 - n times.
#include "core.h"

#include <cstring>

namespace {

constexpr int32_t kMaxGroup = 127;

// Length of the run of equal bytes starting at p (at most `left`, at most 127).
int32_t RunLength(const uint8_t *p, int32_t left)
{
    int32_t n = 1;
    while (n < left && n < kMaxGroup && p[n] == p[0])
        ++n;
    return n;
}

} // namespace

void PackBitsCore(const uint8_t **src, uint8_t **dst, int32_t count)
{
    const uint8_t *s = *src;
    uint8_t *d = *dst;
    const uint8_t *end = s + (count > 0 ? count : 0);
    while (s < end) {
        int32_t run = RunLength(s, static_cast<int32_t>(end - s));
        if (run >= 3) {
            // A stretch of three or more equal bytes: (1 - k, byte) pairs of at most 127 bytes each.
            int32_t stretch = run;
            while (s + stretch < end && s[stretch] == s[0])
                ++stretch;
            while (stretch > 0) {
                int32_t k = stretch < kMaxGroup ? stretch : kMaxGroup;
                *d++ = static_cast<uint8_t>(1 - k);
                *d++ = s[0];
                s += k;
                stretch -= k;
            }
            continue;
        }
        // Literal bytes up to the next stretch of three equal bytes, in groups of at most 127.
        const uint8_t *lit = s;
        while (s < end && s - lit < kMaxGroup) {
            if (end - s >= 3 && s[0] == s[1] && s[1] == s[2])
                break;
            ++s;
        }
        int32_t k = static_cast<int32_t>(s - lit);
        *d++ = static_cast<uint8_t>(k - 1);
        for (int32_t i = 0; i < k; ++i)
            *d++ = lit[i];
    }
    *src = s;
    *dst = d;
}

void UnpackBitsCore(const uint8_t **src, uint8_t **dst, int32_t count)
{
    const uint8_t *s = *src;
    uint8_t *d = *dst;
    int32_t left = count > 0 ? count : 0;
    while (left > 0) {
        int8_t flag = static_cast<int8_t>(*s++);
        if (flag < 0) {
            int32_t n = 1 - flag;
            if (n > left)
                n = left;
            uint8_t b = *s++;
            for (int32_t i = 0; i < n; ++i)
                *d++ = b;
            left -= n;
        } else {
            int32_t n = flag + 1;
            int32_t copy = n > left ? left : n;
            for (int32_t i = 0; i < copy; ++i)
                *d++ = s[i];
            s += n;
            left -= copy;
        }
    }
    *src = s;
    *dst = d;
}

// Short groups are the common case in pictures: they are copied and filled eight bytes at a time here
// rather than through a runtime call per group.
namespace {

inline void CopyGroup(uint8_t *d, const uint8_t *s, int32_t n)
{
    for (; n >= 8; n -= 8, d += 8, s += 8) {
        uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + 4, &b, 4);
    }
    for (; n > 0; --n)
        *d++ = *s++;
}

inline void FillGroup(uint8_t *d, uint8_t b, int32_t n)
{
    uint32_t v = b * 0x01010101u;
    for (; n >= 8; n -= 8, d += 8) {
        std::memcpy(d, &v, 4);
        std::memcpy(d + 4, &v, 4);
    }
    if (n >= 4) {
        std::memcpy(d, &v, 4);
        d += 4;
        n -= 4;
    }
    for (; n > 0; --n)
        *d++ = b;
}

} // namespace

int32_t UnpackBitsBounded(const uint8_t *src, int32_t srcCount, uint8_t *dst, int32_t dstCount)
{
    if (srcCount < 0 || dstCount < 0)
        return -1;
    const uint8_t *s = src;
    const uint8_t *end = src + srcCount;
    int32_t written = 0;
    while (s < end) {
        int8_t flag = static_cast<int8_t>(*s++);
        if (flag == -128)
            continue;
        if (flag < 0) {
            int32_t n = 1 - flag;
            if (s >= end || n > dstCount - written)
                return -1;
            FillGroup(dst + written, *s++, n);
            written += n;
        } else {
            int32_t n = flag + 1;
            if (n > end - s || n > dstCount - written)
                return -1;
            CopyGroup(dst + written, s, n);
            s += n;
            written += n;
        }
    }
    return written;
}

int32_t PackBitsWorstCase(int32_t count) { return count + (count + kMaxGroup - 1) / kMaxGroup; }
