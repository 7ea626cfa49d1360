// Helpers of the numerics tests: bits of doubles, the x87 control word, and the C runtime's results at
// IEEE double precision.
#pragma once

#include <bit>
#include <cstdint>
#include <functional>

namespace numerics_test {

inline uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
inline double FromBits(uint64_t b) { return std::bit_cast<double>(b); }

inline uint16_t ControlWord()
{
    uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
inline void SetControlWord(uint16_t cw) { asm volatile("fldcw %0" : : "m"(cw) : "memory"); }

constexpr uint16_t kIeeeDouble = 0x027F;       // 53-bit precision, to nearest, exceptions masked
constexpr uint16_t kStartControlWord = 0x037F; // what a MinGW program starts with: 64-bit precision

// Sets the caller's control word for a scope.
class CallerControlWord {
public:
    explicit CallerControlWord(uint16_t cw) : saved_(ControlWord()) { SetControlWord(cw); }
    ~CallerControlWord() { SetControlWord(saved_); }

private:
    uint16_t saved_;
};

// The C runtime's result at IEEE double precision, stored as its type.
template <typename T> T Reference(const std::function<T()> &f)
{
    CallerControlWord ieee(kIeeeDouble);
    T r = f();
    asm volatile("" : "+m"(r)); // stored while the control word is IEEE
    return r;
}
inline double Reference(const std::function<double()> &f) { return Reference<double>(f); }

} // namespace numerics_test
