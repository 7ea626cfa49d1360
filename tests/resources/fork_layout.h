// The tests' own writer and reader of the published resource-fork layout, written from the layout
// alone: big-endian integers, a 256-byte header, the data area of length-prefixed records, and the map
// with its type list, reference lists and name list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fork_layout {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t FourCC(const char (&s)[5])
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

struct Resource {
    uint32_t type;
    int16_t id;
    uint8_t attrs;
    bool named;
    std::string name;
    Bytes data;
};

struct BuildOptions {
    uint8_t headerReservedFill = 0; // the 240 reserved bytes of the header
    uint8_t mapReserved[8] = {};    // next-map handle, file reference and map attributes
    uint32_t trailingBytes = 0;     // junk after the map
    uint32_t handleField = 0;       // stored in every reference's handle field
};

// Types appear in order of their first resource; references in the order given.
Bytes BuildFork(const std::vector<Resource> &resources, const BuildOptions &options = BuildOptions());

struct Parsed {
    bool ok = false;
    std::string error;
    uint32_t dataOffset = 0, mapOffset = 0, dataLength = 0, mapLength = 0;
    Bytes headerReserved;   // bytes 16..255
    Bytes mapHeaderCopy;    // map bytes 0..15
    Bytes mapReserved;      // map bytes 16..23
    uint16_t typeListOffset = 0, nameListOffset = 0;
    std::vector<Resource> resources; // in map order
    std::vector<uint32_t> dataOffsets;
    std::vector<uint32_t> handleFields;
    uint32_t nameListBytes = 0;
};

// Reads a fork and checks it is well formed; `ok` false with a reason otherwise.
Parsed ParseFork(const Bytes &fork);

// Big-endian helpers for tests that edit forks.
uint32_t Get32(const Bytes &b, size_t at);
uint16_t Get16(const Bytes &b, size_t at);
void Put32(Bytes &b, size_t at, uint32_t v);
void Put16(Bytes &b, size_t at, uint16_t v);

Bytes ReadFileBytes(const std::string &path);
bool WriteFileBytes(const std::string &path, const Bytes &bytes);
bool FileExists(const std::string &path);

} // namespace fork_layout
