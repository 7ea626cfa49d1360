// Pictures made up opcode by opcode from a seeded generator: version 1 or 2 streams of every kind of
// opcode the format has (state, lines, shapes, text, regions, polygons, pixel patterns, bits records
// with their colour tables, masks and rows, comments, reserved and QuickTime opcodes), each with an
// operand of the right form or a wrong one, its numbers drawn from the values that break counts, sizes
// and rectangles. Random bytes rarely get past a picture's first opcodes; these reach every reader of
// the player.
#pragma once

#include <algorithm>
#include <random>

#include "mutation.h"

namespace robustness {

class PictureGenerator {
public:
    explicit PictureGenerator(std::mt19937 &random) : random_(random) {}

    Bytes Make()
    {
        BigEndian p;
        v2_ = Chance(3, 4);
        p.Word(0);
        Frame(p);
        if (v2_) {
            p.Word(0x0011).Word(0x02FF);
            if (Chance(9, 10)) {
                const bool extended = Chance(1, 2);
                p.Word(0x0C00).Word(extended ? -2 : -1).Word(0);
                if (extended)
                    p.Long(Chance(3, 4) ? 0x00480000 : Pick32()).Long(Chance(3, 4) ? 0x00480000 : Pick32());
                else
                    p.Long(Pick32()).Long(Pick32());
                Frame(p);
                p.Long(0);
            }
        } else {
            p.Byte(0x11).Byte(0x01);
        }
        const int ops = 1 + static_cast<int>(random_() % 24);
        for (int i = 0; i < ops; ++i)
            Opcode(p);
        if (Chance(4, 5))
            Op(p, 0x00FF);
        const size_t size = p.b.size();
        p.b[0] = static_cast<uint8_t>(size >> 8);
        p.b[1] = static_cast<uint8_t>(size);
        return p.b;
    }

private:
    std::mt19937 &random_;
    bool v2_ = true;

    bool Chance(unsigned n, unsigned d) { return random_() % d < n; }
    int Word()
    {
        static const int kWords[] = {0, 1, 2, -1, 0x7FFF, -0x8000, 0x4000, 255, 256, 10, 12, 14, 0x3FFF};
        return Chance(1, 3) ? kWords[random_() % (sizeof kWords / sizeof kWords[0])] : int(random_() % 64);
    }
    uint32_t Pick32()
    {
        static const uint32_t kLongs[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x00480000, 0x00010000};
        return Chance(1, 2) ? kLongs[random_() % (sizeof kLongs / sizeof kLongs[0])] : random_();
    }
    int Coord() { return Chance(1, 6) ? Word() : int(random_() % 80) - 8; }
    // A frame of some size most of the time, any four numbers else.
    void Frame(BigEndian &p)
    {
        if (Chance(1, 5))
            p.Rect(Coord(), Coord(), Coord(), Coord());
        else
            p.Rect(0, 0, 20 + static_cast<int>(random_() % 60), 20 + static_cast<int>(random_() % 60));
    }
    void Op(BigEndian &p, int op)
    {
        if (v2_) {
            if (p.b.size() % 2)
                p.Byte(0);
            p.Word(op);
        } else {
            p.Byte(op);
        }
    }
    void Pad(BigEndian &p)
    {
        if (v2_ && p.b.size() % 2)
            p.Byte(0);
    }
    void Rect(BigEndian &p) { p.Rect(Coord(), Coord(), Coord(), Coord()); }
    void Junk(BigEndian &p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            p.Byte(static_cast<int>(random_()));
    }
    // A region: a size word (true or not), a bounding box and scan lines; now and then one of hundreds
    // of edges held over thousands of rows.
    void Region(BigEndian &p)
    {
        if (Chance(1, 30)) {
            BigEndian body;
            body.Word(0);
            const int edges = 2 * static_cast<int>(random_() % 300);
            for (int x = 0; x < edges; ++x)
                body.Word(x * 3);
            body.Word(0x7FFF);
            for (int v = 1; v < 3000 && body.b.size() < 24000; ++v) {
                body.Word(v);
                if (Chance(1, 3))
                    body.Word(int(random_() % 900)).Word(900 + int(random_() % 100));
                body.Word(0x7FFF);
            }
            body.Word(0x7FFF);
            p.Word(10 + static_cast<int>(body.b.size()));
            Rect(p);
            p.Append(body.b);
            return;
        }
        const int lines = Chance(1, 3) ? 0 : static_cast<int>(random_() % 6);
        BigEndian body;
        for (int y = 0; y < lines; ++y) {
            body.Word(Coord());
            const int xs = static_cast<int>(random_() % 5);
            for (int x = 0; x < xs; ++x)
                body.Word(Coord());
            body.Word(Chance(7, 8) ? 0x7FFF : Word());
        }
        if (lines)
            body.Word(0x7FFF);
        const int size = 10 + static_cast<int>(body.b.size());
        p.Word(Chance(5, 6) ? size : Word());
        Rect(p);
        p.Append(body.b);
    }
    void Polygon(BigEndian &p)
    {
        const int points = static_cast<int>(random_() % 8);
        p.Word(Chance(5, 6) ? 10 + 4 * points : Word());
        Rect(p);
        for (int i = 0; i < points; ++i)
            p.Word(Coord()).Word(Coord());
    }
    void Text(BigEndian &p)
    {
        const int n = Chance(1, 8) ? 255 : static_cast<int>(random_() % 12);
        p.Byte(n);
        for (int i = 0; i < n; ++i)
            p.Byte(32 + static_cast<int>(random_() % 200));
    }
    void ColorTable(BigEndian &p)
    {
        const int size = Chance(1, 6) ? Word() : static_cast<int>(random_() % 16);
        p.Long(Pick32()).Word(Chance(1, 4) ? 0x8000 : 0).Word(size);
        const int stored = std::min(std::max(size + 1, 0), 40);
        for (int i = 0; i < stored; ++i)
            p.Word(Chance(1, 8) ? Word() : i).Word(Word()).Word(Word()).Word(Word());
    }
    // The PixMap fields after baseAddr of a bits or pattern record; answers the row format chosen.
    void PixMapFields(BigEndian &p, bool pixMap, int *rowBytes, int *height, int *pixelSize)
    {
        static const int kSizes[] = {1, 2, 4, 8, 16, 32};
        *pixelSize = Chance(1, 8) ? Word() : kSizes[random_() % 6];
        const int width = Chance(1, 8) ? Word() : 1 + static_cast<int>(random_() % 40);
        *height = Chance(1, 8) ? Word() : 1 + static_cast<int>(random_() % 12);
        *rowBytes = Chance(1, 6) ? Word() & 0x3FFF : (width * std::max(*pixelSize, 1) + 7) / 8;
        p.Word((pixMap ? 0x8000 : 0) | *rowBytes);
        const int top = Chance(1, 6) ? Word() : 0, left = Chance(1, 6) ? Word() : 0;
        p.Rect(top, left, top + *height, left + width);
        if (!pixMap)
            return;
        static const int kPack[] = {0, 1, 2, 3, 4};
        const int components = *pixelSize == 32 ? (Chance(1, 2) ? 3 : 4) : 1;
        p.Word(0).Word(Chance(1, 6) ? Word() : kPack[random_() % 5]).Long(Chance(1, 6) ? Pick32() : 0);
        p.Long(0x00480000).Long(0x00480000).Word(*pixelSize >= 16 ? 16 : 0).Word(*pixelSize);
        p.Word(Chance(1, 8) ? Word() : components).Word(Chance(1, 8) ? Word() : (*pixelSize >= 16 ? 8 : *pixelSize));
        p.Long(Chance(1, 6) ? Pick32() : 0).Long(0).Long(0);
    }
    // Rows: counted PackBits runs, valid or not, or raw bytes.
    void Rows(BigEndian &p, int rowBytes, int height)
    {
        const int rows = std::min(std::max(height, 0), 16) + (Chance(1, 4) ? 2 : 0);
        const bool packed = rowBytes >= 8;
        for (int y = 0; y < rows; ++y) {
            if (!packed || Chance(1, 10)) {
                Junk(p, static_cast<size_t>(std::min(std::max(rowBytes, 0), 200)));
                continue;
            }
            BigEndian run;
            int left = std::min(rowBytes, 400);
            while (left > 0 && run.b.size() < 600) {
                if (Chance(1, 2)) {
                    const int n = 1 + static_cast<int>(random_() % std::min(left, 128));
                    run.Byte(n - 1);
                    Junk(run, static_cast<size_t>(n));
                    left -= n;
                } else {
                    const int n = 2 + static_cast<int>(random_() % 127);
                    run.Byte(257 - n).Byte(static_cast<int>(random_()));
                    left -= n;
                }
            }
            const int count = Chance(1, 10) ? Word() : static_cast<int>(run.b.size());
            if (rowBytes > 250)
                p.Word(count);
            else
                p.Byte(count);
            p.Append(run.b);
        }
    }
    void BitsRecord(BigEndian &p, int op)
    {
        const bool direct = op == 0x009A || op == 0x009B;
        const bool pixMap = direct || Chance(3, 4);
        if (direct)
            p.Long(0xFF);
        int rowBytes, height, pixelSize;
        PixMapFields(p, pixMap, &rowBytes, &height, &pixelSize);
        if (pixMap && !direct)
            ColorTable(p);
        Rect(p);
        Rect(p);
        p.Word(Chance(1, 4) ? Word() : 0);
        if (op & 1)
            Region(p);
        Rows(p, rowBytes, height);
    }
    void PixPat(BigEndian &p)
    {
        const int type = Chance(3, 4) ? 1 : Word();
        p.Word(type).Fill(8, 0xA5);
        if (type != 1) {
            p.Word(Word()).Word(Word()).Word(Word());
            return;
        }
        p.Long(0);
        int rowBytes, height, pixelSize;
        PixMapFields(p, true, &rowBytes, &height, &pixelSize);
        ColorTable(p);
        Rows(p, rowBytes, height);
    }

    void Opcode(BigEndian &p)
    {
        static const int kOps[] = {
            0x0000, 0x0001, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000A, 0x000B, 0x000C,
            0x000D, 0x000E, 0x000F, 0x0010, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x001A, 0x001B, 0x001C,
            0x001D, 0x001E, 0x001F, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0028, 0x0029, 0x002A, 0x002B,
            0x002C, 0x002D, 0x002E, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0038, 0x003A, 0x003C, 0x0040,
            0x0041, 0x0044, 0x0048, 0x0050, 0x0051, 0x0053, 0x0058, 0x0060, 0x0061, 0x0063, 0x0068, 0x0070,
            0x0071, 0x0072, 0x0074, 0x0078, 0x0080, 0x0081, 0x0083, 0x0084, 0x0088, 0x0090, 0x0091, 0x0098,
            0x0099, 0x009A, 0x009B, 0x00A0, 0x00A1, 0x00A5, 0x00B3, 0x00D7, 0x0C00, 0x0011, 0x00FF, 0x0100,
            0x0200, 0x7F00, 0x8000, 0x8100, 0x8200, 0x8201, 0xFFFF};
        int op = Chance(1, 20) ? static_cast<int>(random_() & 0xFFFF)
                               : kOps[random_() % (sizeof kOps / sizeof kOps[0])];
        if (!v2_ && op > 0xFF)
            op &= 0xFF;
        Op(p, op);
        switch (op) {
        case 0x0001: Region(p); break;
        case 0x0003: case 0x0005: case 0x0008: case 0x000D: case 0x0015: case 0x0016: case 0x001C:
            p.Word(Word());
            break;
        case 0x0004: p.Byte(static_cast<int>(random_())); break;
        case 0x0006: case 0x000E: case 0x000F: p.Long(Pick32()); break;
        case 0x0007: case 0x000B: case 0x000C: p.Word(Word()).Word(Word()); break;
        case 0x0009: case 0x000A: Junk(p, 8); break;
        case 0x0010: p.Word(Word()).Word(Word()).Word(Word()).Word(Word()); break;
        case 0x0012: case 0x0013: case 0x0014: PixPat(p); break;
        case 0x001A: case 0x001B: case 0x001D: case 0x001F: p.Word(Word()).Word(Word()).Word(Word()); break;
        case 0x0020: p.Word(Coord()).Word(Coord()).Word(Coord()).Word(Coord()); break;
        case 0x0021: p.Word(Coord()).Word(Coord()); break;
        case 0x0022: p.Word(Coord()).Word(Coord()).Byte(static_cast<int>(random_())).Byte(static_cast<int>(random_())); break;
        case 0x0023: p.Byte(static_cast<int>(random_())).Byte(static_cast<int>(random_())); break;
        case 0x0024: { const int n = Word() & 0xFF; p.Word(n); Junk(p, size_t(n)); break; }
        case 0x0028: p.Word(Coord()).Word(Coord()); Text(p); break;
        case 0x0029: case 0x002A: p.Byte(static_cast<int>(random_())); Text(p); break;
        case 0x002B: p.Byte(static_cast<int>(random_())).Byte(static_cast<int>(random_())); Text(p); break;
        case 0x002C: {
            const int n = static_cast<int>(random_() % 12);
            p.Word(Chance(5, 6) ? n + 3 : Word()).Word(Word()).Byte(n);
            Junk(p, size_t(n));
            break;
        }
        case 0x002D: p.Word(Chance(5, 6) ? 8 : Word()).Long(Pick32()).Long(Pick32()); break;
        case 0x002E: p.Word(Chance(5, 6) ? 8 : Word()).Word(Word()).Word(Word()).Word(Word()).Word(Word()); break;
        case 0x0030: case 0x0031: case 0x0032: case 0x0033: case 0x0034: case 0x0050: case 0x0051:
        case 0x0053: Rect(p); break;
        case 0x0040: case 0x0041: case 0x0044: Rect(p); break;
        case 0x0060: case 0x0061: case 0x0063: Rect(p); p.Word(Word()).Word(Word()); break;
        case 0x0068: p.Word(Word()).Word(Word()); break;
        case 0x0070: case 0x0071: case 0x0072: case 0x0074: Polygon(p); break;
        case 0x0080: case 0x0081: case 0x0083: case 0x0084: Region(p); break;
        case 0x0090: case 0x0091: case 0x0098: case 0x0099: case 0x009A: case 0x009B: BitsRecord(p, op); break;
        case 0x00A0: p.Word(Word()); break;
        case 0x00A1: {
            static const int kKinds[] = {100, 150, 154, 182, 200, 202, 501, 502, 31062, 190, 191, 192, 194};
            const int n = Chance(1, 2) ? static_cast<int>(random_() % 16) : Word() & 0x1FF;
            p.Word(kKinds[random_() % (sizeof kKinds / sizeof kKinds[0])]).Word(Chance(5, 6) ? n : Word());
            Junk(p, size_t(n));
            break;
        }
        case 0x00A5: case 0x0092: { const int n = Word() & 0xFF; p.Word(n); Junk(p, size_t(n)); break; }
        case 0x00D7: case 0x8100: case 0x8200: case 0x8201: {
            const uint32_t n = Chance(3, 4) ? random_() % 64 : Pick32();
            p.Long(n);
            Junk(p, std::min<size_t>(n, 64));
            break;
        }
        case 0x0C00: p.Word(-1).Word(0); Junk(p, 20); break;
        case 0x0011: p.Word(Chance(1, 2) ? 0x02FF : Word()); break;
        case 0x0100: case 0x0200: case 0x7F00: Junk(p, size_t(2 * (op >> 8) % 300)); break;
        default: if (Chance(1, 2)) Junk(p, random_() % 24); break;
        }
        Pad(p);
    }
};

} // namespace robustness
