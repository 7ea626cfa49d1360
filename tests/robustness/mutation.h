// The deterministic mutation engine of the robustness tests: from a sound input, the cases a stranger's
// bytes could bring. Every input is first cut at many lengths (every length for small inputs), then
// changed by a seeded generator: bytes flipped, words and longs set to the values that break counts,
// sizes and offsets (0, 1, -1, the largest and smallest signed values), cut short or lengthened, and
// parts copied over or into other parts so that nested structures repeat or point into themselves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace robustness {

using Bytes = std::vector<uint8_t>;

// Big-endian writers for building sound inputs.
struct BigEndian {
    Bytes b;
    BigEndian &Byte(int v)
    {
        b.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    BigEndian &Word(int v) { return Byte(v >> 8).Byte(v); }
    BigEndian &Long(uint32_t v) { return Word(static_cast<int>(v >> 16)).Word(static_cast<int>(v & 0xFFFF)); }
    BigEndian &Rect(int top, int left, int bottom, int right) { return Word(top).Word(left).Word(bottom).Word(right); }
    BigEndian &Fill(size_t n, int v)
    {
        b.insert(b.end(), n, static_cast<uint8_t>(v));
        return *this;
    }
    // A Pascal string, padded to an even length with the count byte when `even`.
    BigEndian &Str(const std::string &s, bool even = false)
    {
        Byte(static_cast<int>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        if (even && (s.size() + 1) % 2)
            Byte(0);
        return *this;
    }
    BigEndian &Append(const Bytes &more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

// The cuts of an input: every length below it when it is small, else about `most` lengths spread over
// it, the first and last 32 always among them.
inline std::vector<size_t> CutLengths(size_t size, size_t most)
{
    std::vector<size_t> cuts;
    const size_t step = size <= most ? 1 : (size - 64) / (most - 64) + 1;
    for (size_t n = 0; n < size; ++n)
        if (size <= most || n < 32 || n + 32 >= size || n % step == 0)
            cuts.push_back(n);
    return cuts;
}

// One to four random changes to a copy of `input`, described in `what`.
inline Bytes Mutate(const Bytes &input, std::mt19937 &random, std::string *what)
{
    static const uint16_t kWords[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0xFFFE, 0x00FF, 0x0100, 0x4000};
    static const uint32_t kLongs[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x0000FFFF, 0x00010000, 0x40000000};
    Bytes b = input;
    const int changes = 1 + static_cast<int>(random() % 4);
    char step[96];
    for (int i = 0; i < changes; ++i) {
        const size_t n = b.size();
        const size_t at = n ? random() % n : 0;
        switch (random() % 10) {
        case 0:
        case 1: // a byte changed
            if (!n)
                continue;
            b[at] ^= static_cast<uint8_t>(1 + random() % 255);
            std::snprintf(step, sizeof step, "flip@%u ", unsigned(at));
            break;
        case 2: { // a byte set to an extreme
            if (!n)
                continue;
            static const uint8_t kBytes[] = {0, 1, 0x7F, 0x80, 0xFF};
            b[at] = kBytes[random() % 5];
            std::snprintf(step, sizeof step, "byte@%u=%02X ", unsigned(at), b[at]);
            break;
        }
        case 3:
        case 4: { // a word (at an even or any offset) set to an extreme
            if (n < 2)
                continue;
            const size_t w = (random() % 2 ? at & ~size_t(1) : at) % (n - 1);
            const uint16_t v = kWords[random() % (sizeof kWords / sizeof kWords[0])];
            b[w] = static_cast<uint8_t>(v >> 8);
            b[w + 1] = static_cast<uint8_t>(v);
            std::snprintf(step, sizeof step, "word@%u=%04X ", unsigned(w), v);
            break;
        }
        case 5: { // a long set to an extreme
            if (n < 4)
                continue;
            const size_t w = (at & ~size_t(1)) % (n - 3);
            const uint32_t v = kLongs[random() % (sizeof kLongs / sizeof kLongs[0])];
            for (int k = 0; k < 4; ++k)
                b[w + k] = static_cast<uint8_t>(v >> (24 - 8 * k));
            std::snprintf(step, sizeof step, "long@%u=%08X ", unsigned(w), unsigned(v));
            break;
        }
        case 6: // cut short
            b.resize(at);
            std::snprintf(step, sizeof step, "cut=%u ", unsigned(at));
            break;
        case 7: { // lengthened by random bytes or zeros
            const size_t more = 1 + random() % 64;
            const bool zero = random() % 2;
            for (size_t k = 0; k < more; ++k)
                b.push_back(zero ? 0 : static_cast<uint8_t>(random()));
            std::snprintf(step, sizeof step, "grow+%u ", unsigned(more));
            break;
        }
        case 8: { // a part copied into another place (inserted): repeated nesting
            if (!n)
                continue;
            const size_t len = 1 + random() % std::min<size_t>(n - at, 48);
            const size_t to = random() % (n + 1);
            Bytes part(b.begin() + at, b.begin() + at + len);
            b.insert(b.begin() + to, part.begin(), part.end());
            std::snprintf(step, sizeof step, "dup@%u+%u->%u ", unsigned(at), unsigned(len), unsigned(to));
            break;
        }
        default: { // a part removed
            if (!n)
                continue;
            const size_t len = 1 + random() % std::min<size_t>(n - at, 32);
            b.erase(b.begin() + at, b.begin() + at + len);
            std::snprintf(step, sizeof step, "del@%u+%u ", unsigned(at), unsigned(len));
            break;
        }
        }
        *what += step;
    }
    return b;
}

} // namespace robustness
