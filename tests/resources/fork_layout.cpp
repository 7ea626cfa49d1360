#include "fork_layout.h"

#include <windows.h>
#include <cstdio>

namespace fork_layout {

uint32_t Get32(const Bytes &b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}
uint16_t Get16(const Bytes &b, size_t at) { return uint16_t((b[at] << 8) | b[at + 1]); }
void Put32(Bytes &b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}
void Put16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}

Bytes BuildFork(const std::vector<Resource> &resources, const BuildOptions &options)
{
    std::vector<uint32_t> types;
    for (const Resource &r : resources) {
        bool seen = false;
        for (uint32_t t : types)
            seen |= t == r.type;
        if (!seen)
            types.push_back(r.type);
    }
    Bytes data;
    std::vector<uint32_t> offsets;
    for (const Resource &r : resources) {
        offsets.push_back(uint32_t(data.size()));
        size_t at = data.size();
        data.resize(at + 4 + r.data.size());
        Put32(data, at, uint32_t(r.data.size()));
        std::copy(r.data.begin(), r.data.end(), data.begin() + at + 4);
    }
    const uint32_t typeListBytes = 2 + 8 * uint32_t(types.size());
    const uint32_t refBytes = 12 * uint32_t(resources.size());
    Bytes names;
    Bytes map(28 + typeListBytes + refBytes);
    Put16(map, 24, 28);
    Put16(map, 26, uint16_t(map.size()));
    Put16(map, 28, uint16_t(types.size() - 1));
    std::copy(options.mapReserved, options.mapReserved + 8, map.begin() + 16);
    uint32_t refAt = 28 + typeListBytes;
    for (size_t t = 0; t < types.size(); ++t) {
        uint16_t count = 0;
        const uint32_t listStart = refAt;
        for (size_t i = 0; i < resources.size(); ++i) {
            const Resource &r = resources[i];
            if (r.type != types[t])
                continue;
            Put16(map, refAt, uint16_t(r.id));
            if (r.named) {
                Put16(map, refAt + 2, uint16_t(names.size()));
                names.push_back(uint8_t(r.name.size()));
                names.insert(names.end(), r.name.begin(), r.name.end());
            } else {
                Put16(map, refAt + 2, 0xFFFF);
            }
            Put32(map, refAt + 4, (uint32_t(r.attrs) << 24) | offsets[i]);
            Put32(map, refAt + 8, options.handleField);
            refAt += 12;
            ++count;
        }
        Put32(map, 30 + 8 * t, types[t]);
        Put16(map, 34 + 8 * t, uint16_t(count - 1));
        Put16(map, 36 + 8 * t, uint16_t(listStart - 28));
    }
    map.insert(map.end(), names.begin(), names.end());
    const uint32_t mapOffset = 256 + uint32_t(data.size());
    Bytes fork(256, options.headerReservedFill);
    for (Bytes *b : {&fork, &map}) {
        Put32(*b, 0, 256);
        Put32(*b, 4, mapOffset);
        Put32(*b, 8, uint32_t(data.size()));
        Put32(*b, 12, uint32_t(map.size()));
    }
    fork.insert(fork.end(), data.begin(), data.end());
    fork.insert(fork.end(), map.begin(), map.end());
    fork.resize(fork.size() + options.trailingBytes, 0xEE);
    return fork;
}

Parsed ParseFork(const Bytes &fork)
{
    Parsed p;
    auto fail = [&p](const char *why) {
        p.ok = false;
        p.error = why;
        return p;
    };
    if (fork.size() < 286)
        return fail("shorter than the empty fork");
    p.dataOffset = Get32(fork, 0);
    p.mapOffset = Get32(fork, 4);
    p.dataLength = Get32(fork, 8);
    p.mapLength = Get32(fork, 12);
    if (p.dataOffset != 256 || uint64_t(p.dataOffset) + p.dataLength > p.mapOffset ||
        uint64_t(p.mapOffset) + p.mapLength > fork.size() || p.mapLength < 30)
        return fail("header out of range");
    p.headerReserved.assign(fork.begin() + 16, fork.begin() + 256);
    Bytes map(fork.begin() + p.mapOffset, fork.begin() + p.mapOffset + p.mapLength);
    p.mapHeaderCopy.assign(map.begin(), map.begin() + 16);
    p.mapReserved.assign(map.begin() + 16, map.begin() + 24);
    p.typeListOffset = Get16(map, 24);
    p.nameListOffset = Get16(map, 26);
    if (p.typeListOffset + 2u > map.size() || p.nameListOffset > map.size())
        return fail("list offsets out of range");
    const int types = int16_t(Get16(map, p.typeListOffset)) + 1;
    if (types < 0 || p.typeListOffset + 2u + 8u * types > map.size())
        return fail("type list out of range");
    for (int t = 0; t < types; ++t) {
        size_t e = p.typeListOffset + 2 + 8 * t;
        uint32_t type = Get32(map, e);
        uint32_t count = Get16(map, e + 4) + 1u;
        size_t list = p.typeListOffset + Get16(map, e + 6);
        if (list + 12 * count > map.size())
            return fail("reference list out of range");
        for (uint32_t i = 0; i < count; ++i) {
            size_t r = list + 12 * i;
            Resource res{type, int16_t(Get16(map, r)), uint8_t(map[r + 4]), false, {}, {}};
            uint16_t nameOffset = Get16(map, r + 2);
            if (nameOffset != 0xFFFF) {
                size_t n = size_t(p.nameListOffset) + nameOffset;
                if (n >= map.size() || n + 1 + map[n] > map.size())
                    return fail("name out of range");
                res.named = true;
                res.name.assign(map.begin() + n + 1, map.begin() + n + 1 + map[n]);
                p.nameListBytes += 1u + map[n];
            }
            uint32_t off = Get32(map, r + 4) & 0xFFFFFF;
            if (uint64_t(off) + 4 > p.dataLength)
                return fail("data offset out of range");
            uint32_t len = Get32(fork, 256 + off);
            if (uint64_t(off) + 4 + len > p.dataLength)
                return fail("data length out of range");
            res.data.assign(fork.begin() + 256 + off + 4, fork.begin() + 256 + off + 4 + len);
            p.resources.push_back(res);
            p.dataOffsets.push_back(off);
            p.handleFields.push_back(Get32(map, r + 8));
        }
    }
    p.ok = true;
    return p;
}

Bytes ReadFileBytes(const std::string &path)
{
    Bytes out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

bool WriteFileBytes(const std::string &path, const Bytes &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace fork_layout
