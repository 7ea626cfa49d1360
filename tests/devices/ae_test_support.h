// Helpers of the AppleEvent tests.
#pragma once

#include "test_support.h"
#include "MacMemory.h"

#include <string>
#include <vector>

// Library memory, read through FreeMem under a very large limit.
inline uint32_t LibraryBytes()
{
    constexpr uint32_t kBig = 0x40000000;
    ZEL_SetMemoryLimits(1, kBig, 0, 0);
    uint32_t bytes = kBig - static_cast<uint32_t>(FreeMem());
    ZEL_SetMemoryLimits(0, 0, 0, 0);
    return bytes;
}

// DebugStr messages of the library since the last call, without the line ends written after each.
inline std::vector<std::string> Reports()
{
    std::vector<std::string> out;
    for (std::string &m : testing_support::TakeDebugMessages())
        if (m != "\r\n")
            out.push_back(m);
    return out;
}

// The bytes of a handle as a string ("<nil>" for none).
inline std::string Bytes(Handle h)
{
    if (!h)
        return "<nil>";
    return std::string(*h, static_cast<size_t>(GetHandleSize(h)));
}
