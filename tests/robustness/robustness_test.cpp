// Readers of untrusted bytes fed mutated input. Each reader starts from sound resources written here in
// the fork's big-endian form; every case changes one of them (cuts at many lengths, then seeded random
// changes, mutation.h), converts it to native order through the byte-swap templates as a fork's load
// does, installs the set in a scratch resource file and runs the calls that read it. Handle data end
// against a no-access page meanwhile, so a read or write past any handle faults at once. A fault, a case
// that makes no progress for a minute, or a case that raises the process's peak memory by 256 MB names
// the reader, the case and its changes (with the library's code addresses on the stack) and leaves the
// case's bytes in robustness_fault.bin. Pictures are also made up opcode by opcode (picture_generator.h).
// The process's heaps are validated after every case, and a played picture must keep its bytes.
// Seeds are fixed: every run sees the same cases. ROBUSTNESS_SCALE (a percentage) changes the number of
// random cases and ROBUSTNESS_SEED (a number) adds to every reader's seed, for longer runs of other
// cases; ROBUSTNESS_READER runs only the reader of that name and ROBUSTNESS_FROM skips the cases before
// that number, to repeat a fault.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "AppleEvents.h"
#include "ByteOrder.h"
#include "Controls.h"
#include "Dialogs.h"
#include "Icons.h"
#include "MacMemory.h"
#include "MacWindows.h"
#include "Menus.h"
#include "Palettes.h"
#include "QDOffscreen.h"
#include "Quickdraw.h"
#include "Resources.h"
#include "TextEdit.h"
#include "TextUtils.h"
#include "ToolUtils.h"
#include "Files.h"
#include "fork_layout.h"
#include "mutation.h"
#include "picture_generator.h"
#include "qd_fixture.h"
#include "test_seams.h"
#include "test_support.h"

#include "../imaging/picture_samples.inc"

using namespace robustness;
using testing_support::P;

namespace {

constexpr ResType FourCC(const char (&s)[5])
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

// ---- The case running, for reports ----

const char *sReader = "";
std::atomic<int> sCase{-1};
std::atomic<unsigned> sProgress{0};
std::string sWhat;
ResType sTargetType;
int16_t sTargetId;
Bytes sTargetBytes;

// The unchanged input runs first: every object it makes must be made.
bool sSound;
void Made(const void *object, const char *call)
{
    if (sSound && !object)
        ADD_FAILURE() << call << " made nothing of the unchanged input of " << sReader;
}

std::string TypeText(ResType t)
{
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(t >> (24 - 8 * i));
    return s;
}

void WriteFaultCase()
{
    if (FILE *f = std::fopen("robustness_fault.bin", "wb")) {
        std::fwrite(sTargetBytes.data(), 1, sTargetBytes.size(), f);
        std::fclose(f);
    }
}

void ReportCase(const char *what)
{
    std::fprintf(stderr, "%s in reader %s, case %d, '%s' %d (%u bytes): %s\n", what, sReader, sCase.load(),
                 TypeText(sTargetType).c_str(), sTargetId, unsigned(sTargetBytes.size()), sWhat.c_str());
    std::fflush(stderr);
    WriteFaultCase();
}

LONG CALLBACK ReportFault(EXCEPTION_POINTERS *info)
{
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    if (sCase >= 0 && (code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_INT_DIVIDE_BY_ZERO ||
                       code == EXCEPTION_STACK_OVERFLOW || code == EXCEPTION_ILLEGAL_INSTRUCTION ||
                       code == EXCEPTION_ARRAY_BOUNDS_EXCEEDED)) {
        char what[64];
        std::snprintf(what, sizeof what, "exception %08lX at %p", code, info->ExceptionRecord->ExceptionAddress);
        ReportCase(what);
        // The library's code addresses on the stack, nearest first: where the fault was reached from.
        HMODULE library = GetModuleHandleA("TOLVADEX.dll");
        MODULEINFO module{};
        if (library && GetModuleInformation(GetCurrentProcess(), library, &module, sizeof module)) {
            const uintptr_t base = reinterpret_cast<uintptr_t>(module.lpBaseOfDll), end = base + module.SizeOfImage;
            const uintptr_t *sp = reinterpret_cast<const uintptr_t *>(info->ContextRecord->Esp);
            std::fprintf(stderr, "library addresses on the stack:");
            for (int i = 0, shown = 0; i < 4096 && shown < 24; ++i) {
                MEMORY_BASIC_INFORMATION m;
                if (!VirtualQuery(sp + i, &m, sizeof m) || m.State != MEM_COMMIT)
                    break;
                if (sp[i] >= base && sp[i] < end) {
                    std::fprintf(stderr, " %08X", unsigned(sp[i]));
                    ++shown;
                }
            }
            std::fprintf(stderr, "\n");
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// Ends the program when a case makes no progress for a minute (a reader caught in a loop).
DWORD WINAPI Watchdog(void *)
{
    unsigned seen = sProgress;
    int still = 0;
    for (;;) {
        Sleep(1000);
        if (sProgress != seen || sCase < 0) {
            seen = sProgress;
            still = 0;
        } else if (++still >= 60) {
            ReportCase("no progress for 60 s");
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

int Scaled(int cases)
{
    static const int scale = [] {
        const char *s = std::getenv("ROBUSTNESS_SCALE");
        return s ? std::max(1, std::atoi(s)) : 100;
    }();
    return std::max(1, cases * scale / 100);
}

uint32_t SeedOffset()
{
    static const uint32_t offset = [] {
        const char *s = std::getenv("ROBUSTNESS_SEED");
        return s ? static_cast<uint32_t>(std::strtoul(s, nullptr, 0)) : 0u;
    }();
    return offset;
}

// Every heap of the process (the program's and the library's) is sound.
bool HeapsSound()
{
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    for (DWORD i = 0; i < count; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            return false;
    return true;
}

// After a case: heap damage is named with the case that left it.
void CheckHeaps(const char *reader)
{
    if (!HeapsSound()) {
        ReportCase("heap damaged");
        ADD_FAILURE() << "case " << sCase << " of " << reader << " damaged a heap";
    }
}

// The most memory the process has held at once so far (its peak commit).
SIZE_T PeakBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

// ---- The harness ----

struct Seed {
    ResType type;
    int16_t id;
    Bytes bytes; // the fork's big-endian form
};

struct Reader {
    const char *name;
    std::vector<Seed> seeds;     // installed in every case
    std::vector<size_t> targets; // the seeds that are changed, one a case (all when empty)
    int randomCases;             // random cases per target
    size_t cuts;                 // cut lengths per target, at most
    std::function<void()> use;   // the calls that read the installed resources
    uint32_t seed;
    // When set, the target's bytes are made up by this instead: `randomCases` cases, a third of them
    // mutated after.
    std::function<Bytes(std::mt19937 &)> make = nullptr;
};

void Install(const std::vector<Seed> &seeds)
{
    for (const Seed &s : seeds) {
        Handle h = NewHandle(static_cast<Size>(s.bytes.size()));
        ASSERT_NE(h, nullptr);
        if (!s.bytes.empty())
            std::memcpy(*h, s.bytes.data(), s.bytes.size());
        ZEL_ByteSwap_Code(zelSwapToNative, s.type, s.id, static_cast<int32_t>(s.bytes.size()), *h, nullptr);
        AddResource(h, s.type, s.id, P("").c_str());
        ASSERT_EQ(ResError(), 0) << TypeText(s.type) << " " << s.id;
    }
}

void Uninstall(const std::vector<Seed> &seeds)
{
    SetResLoad(false);
    for (const Seed &s : seeds) {
        if (Handle h = Get1Resource(s.type, s.id)) {
            RemoveResource(h);
            DisposeHandle(h);
        }
    }
    SetResLoad(true);
}

// Runs one case: the seeds with `target` replaced by `bytes`.
void RunCase(const Reader &reader, size_t target, const Bytes &bytes)
{
    std::vector<Seed> seeds = reader.seeds;
    seeds[target].bytes = bytes;
    sTargetType = seeds[target].type;
    sTargetId = seeds[target].id;
    sTargetBytes = bytes;
    const SIZE_T before = PeakBytes();
    GuardHandleData(true);
    Install(seeds);
    reader.use();
    Uninstall(seeds);
    GuardHandleData(false);
    CheckHeaps(reader.name);
    ++sProgress;
    // A case that took a quarter of a gigabyte more than any before it, even for a moment.
    const SIZE_T after = PeakBytes();
    if (after > before + (256u << 20)) {
        ReportCase("memory peak rose by 256 MB");
        ADD_FAILURE() << "case " << sCase << " of " << reader.name << " took " << (after - before) << " more bytes";
    }
}

void RunReader(const Reader &reader)
{
    if (const char *only = std::getenv("ROBUSTNESS_READER"); only && std::strcmp(only, reader.name) != 0)
        return;
    sReader = reader.name;
    std::mt19937 random(reader.seed + SeedOffset());
    std::vector<size_t> targets = reader.targets;
    if (targets.empty())
        for (size_t i = 0; i < reader.seeds.size(); ++i)
            targets.push_back(i);
    const int from = std::getenv("ROBUSTNESS_FROM") ? std::atoi(std::getenv("ROBUSTNESS_FROM")) : 0;
    int n = 0;
    // The sound set first: it must go through without a fault too.
    sCase = n++;
    sWhat = "unchanged";
    sSound = true;
    RunCase(reader, targets[0], reader.seeds[targets[0]].bytes);
    sSound = false;
    for (size_t target : targets) {
        if (reader.make) {
            for (int i = 0; i < Scaled(reader.randomCases); ++i) {
                std::string what = "made " + std::to_string(i) + ": ";
                Bytes made = reader.make(random);
                if (random() % 3 == 0)
                    made = Mutate(made, random, &what);
                sCase = n++;
                if (sCase < from)
                    continue;
                sWhat = what;
                RunCase(reader, target, made);
            }
            continue;
        }
        const Bytes &sound = reader.seeds[target].bytes;
        for (size_t cut : CutLengths(sound.size(), reader.cuts)) {
            sCase = n++;
            if (sCase < from)
                continue;
            sWhat = "cut=" + std::to_string(cut);
            RunCase(reader, target, Bytes(sound.begin(), sound.begin() + cut));
        }
        for (int i = 0; i < Scaled(reader.randomCases); ++i) {
            std::string what;
            const Bytes changed = Mutate(sound, random, &what);
            sCase = n++;
            if (sCase < from)
                continue;
            sWhat = what;
            RunCase(reader, target, changed);
        }
    }
    std::printf("%s: %d cases\n", reader.name, n);
    sCase = -1;
}

// ---- Sound resources, big-endian ----

// A picture recorded by the library: lines, shapes, a polygon, a region, text, a comment, pixel and
// colour state, a clip and an 8-bit pixel map copied in, packed, with a mask region.
Bytes RecordedPicture()
{
    const Rect frame{0, 0, 48, 64};
    GWorldPtr world = nullptr;
    CGrafPtr savedPort;
    GDHandle savedDevice;
    GetGWorld(&savedPort, &savedDevice);
    const Rect worldBounds{0, 0, 16, 20};
    EXPECT_EQ(NewGWorld(&world, 8, &worldBounds, nullptr, nullptr, 0), 0);
    SetGWorld(world, nullptr);
    for (int i = 0; i < 4; ++i) {
        RGBColor c{uint16_t(0x4000 * i), uint16_t(0xFFFF - 0x3000 * i), 0x8000};
        RGBForeColor(&c);
        Rect band{int16_t(4 * i), 0, int16_t(4 * i + 4), 20};
        PaintRect(&band);
    }
    SetGWorld(savedPort, savedDevice);

    PicHandle pic = OpenPicture(&frame);
    ClipRect(&frame);
    PenSize(2, 1);
    MoveTo(2, 2);
    LineTo(40, 30);
    Line(-5, 3);
    Rect r{4, 4, 20, 30};
    FrameRect(&r);
    PaintOval(&r);
    FrameRoundRect(&r, 6, 6);
    PaintArc(&r, 30, 120);
    PolyHandle poly = OpenPoly();
    MoveTo(10, 10);
    LineTo(30, 12);
    LineTo(20, 40);
    LineTo(10, 10);
    ClosePoly();
    FramePoly(poly);
    KillPoly(poly);
    RgnHandle rgn = NewRgn();
    OpenRgn();
    Rect a{2, 2, 12, 12}, b{8, 8, 30, 40};
    FrameRect(&a);
    FrameOval(&b);
    CloseRgn(rgn);
    PaintRgn(rgn);
    RGBColor blue{0, 0, 0xFFFF};
    RGBForeColor(&blue);
    TextFont(0);
    TextSize(12);
    TextFace(bold);
    MoveTo(4, 40);
    DrawString(P("Robust").c_str());
    Handle comment = NewHandle(6);
    std::memcpy(*comment, "abcdef", 6);
    PicComment(100, 6, comment);
    DisposeHandle(comment);
    PicComment(101, 0, nullptr);
    GrafPtr port;
    GetPort(&port);
    Rect dst{20, 30, 36, 50};
    CopyBits(reinterpret_cast<BitMap *>(*GetGWorldPixMap(world)), &port->portBits, &worldBounds, &dst, srcCopy, rgn);
    Rect dst2{30, 10, 46, 30};
    CopyBits(reinterpret_cast<BitMap *>(*GetGWorldPixMap(world)), &port->portBits, &worldBounds, &dst2, srcCopy,
             nullptr);
    ForeColor(blackColor);
    ClosePicture();
    DisposeRgn(rgn);
    DisposeGWorld(world);

    Bytes bytes(reinterpret_cast<uint8_t *>(*pic), reinterpret_cast<uint8_t *>(*pic) + GetHandleSize(Handle(pic)));
    KillPicture(pic);
    ZEL_ByteSwap_Code(zelSwapToBigEndian, FourCC("PICT"), 128, static_cast<int32_t>(bytes.size()), bytes.data(),
                      nullptr);
    return bytes;
}

// A version 1 picture written byte by byte: clip, pen and fill patterns, lines, a rectangle, an oval,
// a polygon, a region, text, a comment and a BitMap copied in, packed.
Bytes VersionOnePicture()
{
    BigEndian p;
    p.Word(0).Rect(0, 0, 40, 40).Byte(0x11).Byte(0x01);
    p.Byte(0x01).Word(10).Rect(0, 0, 40, 40);                        // clip
    p.Byte(0x09).Fill(8, 0xAA);                                      // pen pattern
    p.Byte(0x0A).Fill(8, 0x55);                                      // fill pattern
    p.Byte(0x07).Word(2).Word(2);                                    // pen size
    p.Byte(0x20).Word(1).Word(1).Word(30).Word(35);                  // line
    p.Byte(0x22).Word(5).Word(5).Byte(10).Byte(0xF6);                // short line
    p.Byte(0x30).Rect(4, 4, 20, 20);                                 // frame rect
    p.Byte(0x51).Rect(10, 10, 30, 36);                               // paint oval
    p.Byte(0x70).Word(22).Rect(2, 2, 30, 30).Word(2).Word(2).Word(30).Word(2).Word(16).Word(30); // polygon
    p.Byte(0x81).Word(28).Rect(0, 0, 10, 10).Word(0).Word(0).Word(10).Word(0x7FFF).Word(10).Word(0).Word(10)
        .Word(0x7FFF);                                               // paint region
    p.Byte(0x03).Word(0).Byte(0x0D).Word(9);                         // font, size
    p.Byte(0x28).Word(30).Word(4).Str("Hi");                         // long text
    p.Byte(0x29).Byte(12).Str("x");                                  // DH text
    p.Byte(0xA1).Word(100).Word(3).Byte('a').Byte('b').Byte('c');    // long comment
    p.Byte(0xA0).Word(101);                                          // short comment
    // PackBitsRect of an 8 x 4 BitMap, 1 byte a row (rows under 8 bytes are stored unpacked)
    p.Byte(0x90).Word(2).Rect(0, 0, 4, 16).Rect(0, 0, 4, 16).Rect(20, 20, 24, 36).Word(0);
    for (int y = 0; y < 4; ++y)
        p.Byte(0xF0 >> y).Byte(0x0F << y);
    p.Byte(0xFF);
    const size_t size = p.b.size();
    p.b[0] = static_cast<uint8_t>(size >> 8);
    p.b[1] = static_cast<uint8_t>(size);
    return p.b;
}

Bytes Sample(const PictureSample &s) { return Bytes(s.file + 512, s.file + s.fileSize); }

void ColorTable(BigEndian &b, uint32_t seed, int entries)
{
    b.Long(seed).Word(0).Word(entries - 1);
    for (int i = 0; i < entries; ++i)
        b.Word(i).Word(0x5555 * (i % 4)).Word(0xFFFF - 0x3333 * (i % 6)).Word(0x1111 * i);
}

// The 50 published bytes of a PixMap of w x h pixels of `depth` bits with a table at `tableAt`.
void PixMapFields(BigEndian &b, int rowBytes, int w, int h, int depth, uint32_t tableAt)
{
    b.Long(0).Word(0x8000 | rowBytes).Rect(0, 0, h, w).Word(0).Word(0).Long(0).Long(72 << 16).Long(72 << 16);
    b.Word(0).Word(depth).Word(1).Word(depth).Long(0).Long(tableAt).Long(0);
}

Bytes PixPatResource()
{
    BigEndian b;
    b.Word(1).Long(28).Long(78).Long(0).Word(-1).Long(0).Fill(8, 0xAA);
    PixMapFields(b, 8, 8, 8, 8, 142);
    for (int i = 0; i < 64; ++i)
        b.Byte((i + i / 8) % 4);
    ColorTable(b, 1234, 4);
    return b.b;
}

Bytes ColorIconResource()
{
    BigEndian b;
    PixMapFields(b, 2, 8, 8, 2, 0);
    for (int m = 0; m < 2; ++m)
        b.Long(0).Word(1).Rect(0, 0, 8, 8);
    b.Long(0).Fill(8, 0xF0).Fill(8, 0x0F);
    ColorTable(b, 99, 4);
    for (int i = 0; i < 16; ++i)
        b.Byte(0x1B ^ i);
    return b.b;
}

Bytes ColorCursorResource()
{
    BigEndian b;
    b.Word(0x8001).Long(96).Long(146).Long(0).Word(0).Long(0);
    for (int i = 0; i < 16; ++i)
        b.Word(0x0FF0 >> (i % 4));
    b.Fill(32, 0xFF).Word(4).Word(6).Long(0).Long(0);
    PixMapFields(b, 4, 16, 16, 2, 146 + 64);
    for (int i = 0; i < 64; ++i)
        b.Byte(0x1B ^ i);
    ColorTable(b, 7, 4);
    return b.b;
}

Bytes Palette()
{
    BigEndian b;
    b.Word(4).Fill(14, 0);
    for (int i = 0; i < 4; ++i)
        b.Word(0x4000 * i).Word(0xFFFF - 0x4000 * i).Word(0x1234).Word(2).Word(0).Fill(6, 0);
    return b.b;
}

Bytes IconFamily(int w, int h, int depth)
{
    BigEndian b;
    const int bytes = w * h * depth / 8;
    for (int i = 0; i < bytes; ++i)
        b.Byte(depth == 1 ? (i % 8 < 4 ? 0xF0 : 0x3C) : (i * 7) & 0xFF);
    if (depth == 1)
        for (int i = 0; i < bytes; ++i)
            b.Byte(0xFF);
    return b.b;
}

void Item(BigEndian &b, int type, const Rect &r, const Bytes &data)
{
    b.Long(0).Rect(r.top, r.left, r.bottom, r.right).Byte(type).Byte(static_cast<int>(data.size()));
    b.Append(data);
    if (data.size() % 2)
        b.Byte(0);
}
Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }
Bytes Id(int id) { return Bytes{uint8_t(id >> 8), uint8_t(id)}; }

// Nine items of every kind: buttons, a check box, a radio button, a resource control, static and edit
// text, an icon, a picture and a user item.
Bytes DialogItems()
{
    BigEndian b;
    b.Word(8);
    Item(b, 4, {10, 10, 30, 70}, Text("OK"));
    Item(b, 5, {40, 10, 56, 120}, Text("Check"));
    Item(b, 6, {60, 10, 76, 120}, Text("Radio"));
    Item(b, 7, {80, 10, 96, 120}, Id(128));
    Item(b, 8, {100, 10, 116, 200}, Text("Static ^0 and ^1"));
    Item(b, 16, {120, 10, 136, 200}, Text("Edit"));
    Item(b, 32 | 128, {10, 200, 42, 232}, Id(128));
    Item(b, 64, {50, 200, 90, 260}, Id(128));
    Item(b, 0, {140, 10, 150, 60}, {});
    return b.b;
}

// An item list of up to a dozen items of any type (known or not), with rectangles, data lengths and the
// stored count drawn from the values that break them.
Bytes MadeUpItems(std::mt19937 &random)
{
    static const int kTypes[] = {0, 4, 5, 6, 7, 8, 16, 32, 64, 1, 2, 3, 9, 127, 0x84, 0x88, 0x90, 0xA0, 0xC0, 0xFF};
    static const int kCoords[] = {0, -1, 0x7FFF, -0x8000, 10, 300, -300};
    auto coord = [&] { return random() % 4 ? int(random() % 300) : kCoords[random() % 7]; };
    const int items = static_cast<int>(random() % 13);
    BigEndian b;
    b.Word(random() % 6 ? items - 1 : int(random() % 0x10000));
    for (int i = 0; i < items; ++i) {
        const int type = kTypes[random() % (sizeof kTypes / sizeof kTypes[0])];
        const int top = coord(), left = coord();
        Bytes data;
        if ((type & 0x7F) == 7 || (type & 0x7F) == 32 || (type & 0x7F) == 64)
            data = Id(random() % 3 ? 128 : int(random() % 0x10000));
        else
            data = Bytes(random() % 4 ? random() % 24 : random() % 256, uint8_t('a' + random() % 26));
        b.Long(random() % 8 ? 0 : random()).Rect(top, left, random() % 4 ? top + 20 : coord(), random() % 4 ? left + 60 : coord());
        b.Byte(type).Byte(random() % 10 ? static_cast<int>(data.size()) : int(random() % 256));
        b.Append(data);
        if (data.size() % 2)
            b.Byte(0);
    }
    if (random() % 5 == 0)
        b.b.resize(random() % (b.b.size() + 1));
    return b.b;
}

Bytes AlertItems()
{
    BigEndian b;
    b.Word(2);
    Item(b, 4, {80, 200, 100, 260}, Text("OK"));
    Item(b, 8 | 128, {10, 60, 60, 260}, Text("A message ^0"));
    Item(b, 32 | 128, {10, 10, 42, 42}, Id(128));
    return b.b;
}

Bytes DialogTemplate()
{
    BigEndian b;
    b.Rect(40, 40, 200, 320).Word(1).Byte(1).Byte(0).Byte(0).Byte(0).Long(0).Word(128).Str("Dialog", true);
    return b.b;
}

Bytes AlertTemplate()
{
    BigEndian b;
    b.Rect(40, 40, 150, 320).Word(129).Word(0x7777);
    return b.b;
}

Bytes ControlTemplate(int procID, const std::string &title)
{
    BigEndian b;
    b.Rect(10, 10, 30, 120).Word(0).Byte(1).Byte(0).Word(10).Word(0).Word(procID).Long(0).Str(title);
    return b.b;
}

Bytes WindowTemplate()
{
    BigEndian b;
    b.Rect(60, 60, 160, 260).Word(0).Byte(0).Byte(0).Byte(1).Byte(0).Long(0).Str("Window", true);
    return b.b;
}

Bytes Menu(int id)
{
    BigEndian b;
    b.Word(id).Word(0).Word(0).Word(0).Word(0).Long(0xFFFFFFFB).Str("File");
    b.Str("New").Byte(0).Byte('N').Byte(0).Byte(0);
    b.Str("-").Byte(0).Byte(0).Byte(0).Byte(0);
    b.Str("Open\xC9").Byte(0).Byte('O').Byte(0x12).Byte(1);
    b.Str("More").Byte(0).Byte(0x1B).Byte(129).Byte(0);
    b.Str("Icon").Byte(1).Byte(0x1E).Byte(0).Byte(2);
    b.Byte(0);
    return b.b;
}

Bytes StringList()
{
    BigEndian b;
    b.Word(4).Str("One").Str("").Str("Three strings").Str(std::string(255, 'x'));
    return b.b;
}

Bytes PatternList()
{
    BigEndian b;
    b.Word(3).Fill(8, 0xAA).Fill(8, 0x0F).Fill(8, 0xFF);
    return b.b;
}

Bytes StyleScrap()
{
    BigEndian b;
    b.Word(3);
    for (int i = 0; i < 3; ++i)
        b.Long(4 * i).Word(12 + i).Word(10).Word(i ? 4 : 0).Byte(i).Byte(0).Word(9 + 3 * i).Word(0x8000 * i).Word(0)
            .Word(0xFFFF * (i == 2));
    return b.b;
}

// ---- The fixture ----

class MutatedInput : public testing_support::QuickDrawTest {
protected:
    static void SetUpTestSuite()
    {
        QuickDrawTest::SetUpTestSuite();
        sHandler = AddVectoredExceptionHandler(1, ReportFault);
        static HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
        (void)watchdog;
        static bool resources = InitResources() == 0;
        (void)resources;
        SetResLoad(true);
        DeleteFileA("robustness.rsr");
        CreateResFile(P("robustness.rsr").c_str());
        sFile = OpenResFile(P("robustness.rsr").c_str());
        ASSERT_GT(sFile, 0);
        UseResFile(sFile);
        sPort = new testing_support::DibPort(96, 96);
        ZEL_AllowPictStatePush(1);
        const Rect bounds{60, 60, 260, 400};
        sWindow = NewCWindow(nullptr, &bounds, P("Host").c_str(), false, documentProc, WindowPtr(-1), false, 0);
        // Offscreen worlds of every depth, kept for the whole run: what one case leaves in a port's
        // state the next case meets.
        const Rect worldBounds{0, 0, 64, 64};
        for (int16_t depth : {1, 8, 16, 32}) {
            GWorldPtr world = nullptr;
            if (NewGWorld(&world, depth, &worldBounds, nullptr, nullptr, 0) == 0 && world)
                sWorlds.push_back(world);
        }
    }
    static void TearDownTestSuite()
    {
        if (sWindow)
            DisposeWindow(sWindow);
        for (GWorldPtr world : sWorlds)
            DisposeGWorld(world);
        sWorlds.clear();
        delete sPort;
        sPort = nullptr;
        // The scratch file's map changed only by resources added and removed: nothing worth writing.
        CloseResFile(sFile);
        DeleteFileA("robustness.rsr");
        RemoveVectoredExceptionHandler(sHandler);
    }
    void SetUp() override
    {
        QuickDrawTest::SetUp();
        UseResFile(sFile);
        SetPort(sPort->port());
    }
    static GrafPtr Port() { return sPort->port(); }

    static int16_t sFile;
    static PVOID sHandler;
    static testing_support::DibPort *sPort;
    static WindowPtr sWindow;

public:
    static std::vector<GWorldPtr> sWorlds;
    // Runs `draw` in every kept port: the scratch DIB port, the window, each offscreen world.
    static void InEveryPort(const std::function<void(const char *)> &draw)
    {
        CGrafPtr savedPort;
        GDHandle savedDevice;
        GetGWorld(&savedPort, &savedDevice);
        SetPort(Port());
        draw("DIB port");
        if (sWindow) {
            SetPort(reinterpret_cast<GrafPtr>(sWindow));
            draw("window");
        }
        for (GWorldPtr world : sWorlds) {
            SetGWorld(world, nullptr);
            draw("offscreen world");
        }
        SetGWorld(savedPort, savedDevice);
        SetPort(Port());
    }
};
std::vector<GWorldPtr> MutatedInput::sWorlds;
int16_t MutatedInput::sFile;
PVOID MutatedInput::sHandler;
testing_support::DibPort *MutatedInput::sPort;
WindowPtr MutatedInput::sWindow;

Boolean ZEL_CALL AnswerAtOnce(DialogPtr, EventRecord *, int16_t *itemHit)
{
    *itemHit = 1;
    return true;
}

// ---- Pictures ----

void PlayPicture()
{
    PicHandle pic = GetPicture(128);
    Made(pic, "GetPicture");
    if (!pic)
        return;
    const Bytes before(reinterpret_cast<uint8_t *>(*pic),
                       reinterpret_cast<uint8_t *>(*pic) + GetHandleSize(reinterpret_cast<Handle>(pic)));
    const Rect same{0, 0, 64, 64}, squeezed{5, 7, 90, 40};
    // Every port, the drawing state kept in one case and pushed in the next.
    MutatedInput::InEveryPort([&](const char *) {
        ZEL_AllowPictStatePush(sCase % 2);
        DrawPicture(pic, &same);
    });
    ZEL_AllowPictStatePush(1);
    DrawPicture(pic, &same);
    DrawPicture(pic, &squeezed);
    // Played into a picture being recorded, then that one played.
    PicHandle again = OpenPicture(&same);
    DrawPicture(pic, &squeezed);
    ClosePicture();
    if (again) {
        DrawPicture(again, &same);
        KillPicture(again);
    }
    // Playback only reads the picture.
    if (GetHandleSize(reinterpret_cast<Handle>(pic)) != Size(before.size()) ||
        std::memcmp(*pic, before.data(), before.size()) != 0) {
        ReportCase("picture changed by its playback");
        ADD_FAILURE() << "case " << sCase << " of " << sReader << ": DrawPicture changed the picture";
    }
}

TEST_F(MutatedInput, Pictures)
{
    Reader r{"PICT", {}, {}, 500, 400, PlayPicture, 20261211};
    r.seeds.push_back({FourCC("PICT"), 128, RecordedPicture()});
    for (const Seed &s : r.seeds)
        ASSERT_GT(s.bytes.size(), 200u);
    RunReader(r);
    r.seeds[0].bytes = VersionOnePicture();
    r.name = "PICT v1";
    RunReader(r);
    r.name = "made-up PICT";
    r.randomCases = 3000;
    r.make = [](std::mt19937 &random) { return PictureGenerator(random).Make(); };
    RunReader(r);
    r.make = nullptr;
    for (const PictureSample &s : kPictureSamples) {
        r.seeds[0].bytes = Sample(s);
        r.name = s.name;
        r.randomCases = 250;
        r.cuts = 150;
        RunReader(r);
    }
}

// ---- Resource maps ----

// A fork of three types and eight resources, some named (one name of 255 letters).
Bytes SoundFork()
{
    using fork_layout::Resource;
    std::vector<Resource> all;
    for (int i = 0; i < 4; ++i)
        all.push_back({FourCC("TEXT"), int16_t(128 + i), 0, i % 2 == 0, i == 2 ? std::string(255, 'n') : "T" + std::to_string(i),
                       Bytes(size_t(10 + 7 * i), uint8_t('a' + i))});
    for (int i = 0; i < 3; ++i)
        all.push_back({FourCC("STR#"), int16_t(200 + i), uint8_t(i == 1 ? 0x20 : 0), i == 0, "List",
                       StringList()});
    all.push_back({FourCC("DATA"), -5, 0, true, "Empty", {}});
    return fork_layout::BuildFork(all);
}

// The offsets of the map's fields (header, map header, type list, reference lists), for changes aimed
// at them.
std::vector<std::pair<size_t, int>> MapFields(const Bytes &fork)
{
    std::vector<std::pair<size_t, int>> fields{{0, 4}, {4, 4}, {8, 4}, {12, 4}};
    const fork_layout::Parsed layout = fork_layout::ParseFork(fork);
    const size_t map = layout.mapOffset, types = map + layout.typeListOffset;
    fields.push_back({map + 24, 2});
    fields.push_back({map + 26, 2});
    fields.push_back({types, 2});
    const int typeCount = fork_layout::Get16(fork, types) + 1;
    for (int t = 0; t < typeCount; ++t) {
        const size_t entry = types + 2 + 8 * t;
        fields.push_back({entry + 4, 2});
        fields.push_back({entry + 6, 2});
        const size_t refs = types + fork_layout::Get16(fork, entry + 6);
        for (int r = 0; r <= fork_layout::Get16(fork, entry + 4); ++r) {
            fields.push_back({refs + 12 * r, 2});
            fields.push_back({refs + 12 * r + 2, 2});
            fields.push_back({refs + 12 * r + 4, 4});
            fields.push_back({refs + 12 * r + 5, 2});
        }
    }
    return fields;
}

Bytes MutateMap(const Bytes &fork, const std::vector<std::pair<size_t, int>> &fields, std::mt19937 &random,
                std::string *what)
{
    static const uint32_t kValues[] = {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF, 0xFFFE, 0x7FFFFFFF, 0xFFFFFFFF, 0x100, 12, 8};
    if (random() % 3 == 0)
        return Mutate(fork, random, what);
    Bytes b = fork;
    const int changes = 1 + static_cast<int>(random() % 2);
    for (int i = 0; i < changes; ++i) {
        const auto field = fields[random() % fields.size()];
        uint32_t v = kValues[random() % (sizeof kValues / sizeof kValues[0])];
        if (random() % 4 == 0)
            v = random();
        if (field.second == 4)
            fork_layout::Put32(b, field.first, v);
        else
            fork_layout::Put16(b, field.first, static_cast<uint16_t>(v));
        char step[48];
        std::snprintf(step, sizeof step, "field@%u=%X ", unsigned(field.first), unsigned(v));
        *what += step;
    }
    return b;
}

// Everything a program reads of an open file: types, resources by index, id and name, their
// information and data, a changed name written back.
void UseFork(int16_t ref)
{
    UseResFile(ref);
    const int16_t types = Count1Types();
    for (int16_t t = 0; t <= types + 1 && t < 64; ++t) {
        ResType type = 0;
        Get1IndType(&type, t);
        const int16_t count = Count1Resources(type);
        for (int16_t i = 0; i <= count + 1 && i < 64; ++i) {
            Handle h = Get1IndResource(type, i);
            if (!h)
                continue;
            int16_t id;
            ResType got;
            Str255 name;
            GetResInfo(h, &id, &got, name);
            (void)GetResAttrs(h);
            (void)GetResourceSizeOnDisk(h);
            (void)GetMaxResourceSize(h);
            char part[8];
            ReadPartialResource(h, 2, part, sizeof part);
            if (name[0])
                (void)Get1NamedResource(type, name);
            (void)Get1Resource(type, id);
            ReleaseResource(h);
        }
    }
    if (Handle h = Get1IndResource(FourCC("TEXT"), 1)) {
        SetResInfo(h, 140, P("Renamed").c_str());
        ChangedResource(h);
        UpdateResFile(ref);
    }
    (void)Unique1ID(FourCC("TEXT"));
}

TEST_F(MutatedInput, ResourceMaps)
{
    const Bytes sound = SoundFork();
    ASSERT_TRUE(fork_layout::ParseFork(sound).ok);
    const auto fields = MapFields(sound);
    sReader = "resource map";
    std::mt19937 random(20261219);
    const auto name = P("robustness_fork.rsr");
    FSSpec file{};
    const int cases = Scaled(1500);
    for (int n = 0; n < cases; ++n) {
        std::string what;
        Bytes fork = n == 0 ? sound : MutateMap(sound, fields, random, &what);
        sCase = n;
        sWhat = what;
        sTargetType = 0;
        sTargetId = 0;
        sTargetBytes = fork;
        ASSERT_TRUE(fork_layout::WriteFileBytes("robustness_fork.rsr", fork));
        GuardHandleData(true);
        int16_t ref;
        if (n % 2) {
            FSMakeFSSpec(0, 0, name.c_str(), &file);
            ref = FSpOpenResFile(&file, 0);
        } else {
            ref = OpenResFile(name.c_str());
        }
        if (n == 0) {
            EXPECT_GT(ref, 0);
        }
        if (ref > 0) {
            UseFork(ref);
            CloseResFile(ref);
        }
        UseResFile(sFile);
        GuardHandleData(false);
        ++sProgress;
    }
    sCase = -1;
    DeleteFileA("robustness_fork.rsr");
}

// ---- Clipboard pictures ----

// A picture whose body is a device-independent bitmap (the handle's C bit set), as the clipboard gives
// it: the header in native order, the bitmap header, 256 colours for 8 bits, the rows bottom-up.
Bytes ClipboardPicture(int width, int height, int bitCount)
{
    const int stride = ((width * bitCount + 31) / 32) * 4;
    const int colours = bitCount == 8 ? 256 : 0;
    Bytes b(10 + 40 + 4 * colours + stride * height, 0);
    const int16_t header[5] = {int16_t(b.size()), 0, 0, int16_t(height), int16_t(width)};
    std::memcpy(b.data(), header, 10);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(bitCount);
    info.biSizeImage = static_cast<DWORD>(stride * height);
    info.biClrUsed = static_cast<DWORD>(colours);
    std::memcpy(b.data() + 10, &info, sizeof info);
    for (size_t i = 50; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(i * 37);
    return b;
}

void PlayClipboardPicture()
{
    SetResLoad(false);
    Handle h = Get1Resource(FourCC("CPIC"), 128);
    SetResLoad(true);
    Made(h, "the clipboard picture");
    if (!h)
        return;
    HSetCBit(h);
    PicHandle pic = reinterpret_cast<PicHandle>(h);
    const Rect same{0, 0, 3, 7}, enlarged{5, 5, 60, 90};
    DrawPicture(pic, &same);
    DrawPicture(pic, &enlarged);
    PicHandle again = OpenPicture(&same);
    DrawPicture(pic, &enlarged);
    ClosePicture();
    if (again)
        KillPicture(again);
}

TEST_F(MutatedInput, ClipboardPictures)
{
    Reader r{"clipboard PICT", {}, {}, 1000, 200, PlayClipboardPicture, 20261220};
    for (int bits : {24, 8}) {
        r.seeds = {{FourCC("CPIC"), 128, ClipboardPicture(7, 3, bits)}};
        RunReader(r);
    }
}

// ---- Dialogs, alerts, controls, windows ----

void UseDialog()
{
    DialogPtr d = GetNewDialog(128, nullptr, WindowPtr(-1));
    Made(d, "GetNewDialog");
    if (d) {
        DrawDialog(d);
        const int16_t items = CountDITL(d);
        for (int16_t i = 0; i <= items + 1; ++i) {
            int16_t type = 0;
            Handle h = nullptr;
            Rect box;
            GetDialogItem(d, i, &type, &h, &box);
            if (h && (type & 0x7F) >= statText && (type & 0x7F) <= editText) {
                Str255 text;
                GetDialogItemText(h, text);
            }
        }
        DisposeDialog(d);
    }
}

void UseAlert()
{
    const int16_t item = Alert(130, AnswerAtOnce);
    Made(item == 1 ? &item : nullptr, "Alert");
}

TEST_F(MutatedInput, DialogsAndAlerts)
{
    Reader r{"DLOG/DITL", {}, {0, 1}, 100, 40, UseDialog, 20261212};
    r.seeds = {{FourCC("DLOG"), 128, DialogTemplate()},
               {FourCC("DITL"), 128, DialogItems()},
               {FourCC("ALRT"), 130, AlertTemplate()},
               {FourCC("DITL"), 129, AlertItems()},
               {FourCC("CNTL"), 128, ControlTemplate(1, "Control")},
               {FourCC("ICON"), 128, IconFamily(32, 32, 1)},
               {FourCC("PICT"), 128, VersionOnePicture()}};
    r.seeds[5].bytes.resize(128);
    BigEndian colours;
    ColorTable(colours, 0, 5);
    r.seeds.push_back({FourCC("dctb"), 128, colours.b});
    r.seeds.push_back({FourCC("ZELD"), 128, {0, 0x40, 0, 200, 1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0}});
    r.targets = {0, 1, 7, 8};
    RunReader(r);
    r.name = "made-up DITL";
    r.targets = {1};
    r.randomCases = 300;
    r.make = MadeUpItems;
    RunReader(r);
    r.make = nullptr;
    r.name = "ALRT/DITL";
    r.targets = {2, 3};
    r.randomCases = 100;
    r.use = UseAlert;
    RunReader(r);
}

void UseControlsAndWindows(WindowPtr host)
{
    for (int16_t id : {128, 129}) {
        ControlHandle c = GetNewControl(id, host);
        Made(c, "GetNewControl");
        if (c) {
            Draw1Control(c);
            SetControlValue(c, 5);
            DisposeControl(c);
        }
    }
    WindowPtr w = GetNewCWindow(128, nullptr, WindowPtr(-1));
    Made(w, "GetNewCWindow");
    if (w)
        DisposeWindow(w);
}

TEST_F(MutatedInput, ControlsAndWindows)
{
    WindowPtr host = sWindow;
    ASSERT_NE(host, nullptr);
    Reader r{"CNTL/WIND", {}, {}, 250, 80, [host] { UseControlsAndWindows(host); }, 20261213};
    r.seeds = {{FourCC("CNTL"), 128, ControlTemplate(1, "Check")},
               {FourCC("CNTL"), 129, ControlTemplate(16, "Scroll")},
               {FourCC("WIND"), 128, WindowTemplate()}};
    RunReader(r);
}

// ---- Menus ----

void UseMenus()
{
    MenuHandle m = GetMen(128);
    Made(m, "GetMen");
    if (m) {
        const int16_t items = CountMItems(m);
        for (int16_t i = 0; i <= items + 1 && i < 40; ++i) {
            Str255 text;
            GetMenuItemText(m, i, text);
        }
        const int16_t id = (*m)->menuID;
        InsertMen(m, 0);
        DrawMenuBa();
        DeleteMen(id);
    }
    Handle bar = GetNewMBar(128);
    Made(bar, "GetNewMBar");
    if (bar)
        DisposeHandle(bar);
}

TEST_F(MutatedInput, Menus)
{
    BigEndian bar;
    bar.Word(2).Word(128).Word(129);
    Reader r{"MENU/MBAR", {}, {0, 2}, 800, 120, UseMenus, 20261214};
    // Item icons: the fourth item's small icon ('SICN' 257) and colour icon ('cicn' 257).
    Bytes smallIcon = IconFamily(16, 16, 1);
    smallIcon.resize(32);
    r.seeds = {{FourCC("MENU"), 128, Menu(128)},
               {FourCC("MENU"), 129, Menu(129)},
               {FourCC("MBAR"), 128, bar.b},
               {FourCC("SICN"), 257, smallIcon},
               {FourCC("cicn"), 257, ColorIconResource()},
               {FourCC("ICON"), 257, IconFamily(32, 32, 1)}};
    r.seeds[5].bytes.resize(128);
    r.targets = {0, 2, 3, 4, 5};
    RunReader(r);
}

// ---- Lists of strings and patterns ----

void UseLists()
{
    for (int16_t i : {-1, 0, 1, 2, 3, 4, 5, 0x7FFF}) {
        Str255 s;
        s[0] = 0;
        GetIndString(s, 128, i);
        Pattern p{};
        GetIndPattern(&p, 128, i);
        if (i == 3)
            Made(s[0] == 13 && p.pat[0] == 0xFF ? s : nullptr, "GetIndString and GetIndPattern");
    }
}

TEST_F(MutatedInput, StringAndPatternLists)
{
    Reader r{"STR#/PAT#", {}, {}, 1000, 400, UseLists, 20261215};
    r.seeds = {{FourCC("STR#"), 128, StringList()}, {FourCC("PAT#"), 128, PatternList()}};
    RunReader(r);
}

// ---- Colour objects and icons ----

void UseColourObjects()
{
    CTabHandle t = GetCTable(300);
    Made(t, "GetCTable");
    if (t)
        DisposeCTable(t);
    PaletteHandle p = GetNewPalette(128);
    Made(p, "GetNewPalette");
    if (p)
        DisposePalette(p);
    PixPatHandle pp = GetPixPat(128);
    Made(pp, "GetPixPat");
    CIconHandle icon = GetCIcon(128);
    Made(icon, "GetCIcon");
    MutatedInput::InEveryPort([&](const char *) {
        const Rect r{0, 0, 20, 30}, box{10, 10, 42, 42};
        if (pp) {
            FillCRect(&r, pp);
            PenPixPat(pp);
            PaintRect(&box);
            PenNormal();
        }
        if (icon)
            PlotCIcon(&box, icon);
    });
    if (pp)
        DisposePixPat(pp);
    if (icon)
        DisposeCIcon(icon);
    CCrsrHandle c = GetCCursor(128);
    Made(c, "GetCCursor");
    if (c) {
        SetCCursor(c);
        InitCursor();
        DisposeCCursor(c);
    }
    const Rect r{40, 40, 72, 72};
    const OSErr plotted = PlotIconID(&r, 0, 0, 128);
    Made(plotted == 0 ? &r : nullptr, "PlotIconID");
}

TEST_F(MutatedInput, ColourObjectsAndIcons)
{
    BigEndian clut;
    ColorTable(clut, 300, 6);
    Reader r{"clut/pltt/ppat/cicn/crsr/icl8", {}, {}, 400, 150, UseColourObjects, 20261216};
    r.seeds = {{FourCC("clut"), 300, clut.b},
               {FourCC("pltt"), 128, Palette()},
               {FourCC("ppat"), 128, PixPatResource()},
               {FourCC("cicn"), 128, ColorIconResource()},
               {FourCC("crsr"), 128, ColorCursorResource()},
               {FourCC("icl8"), 128, IconFamily(32, 32, 8)},
               {FourCC("ICN#"), 128, IconFamily(32, 32, 1)}};
    RunReader(r);
}

// ---- Conversions alone ----

// Types whose only reader is their byte-order conversion as the fork loads (animated cursors, version
// records, character maps, menu colour tables, international records) and the plain cursor's, which
// also makes its Windows cursor.
TEST_F(MutatedInput, ByteOrderConversions)
{
    BigEndian acur, vers, cmap, mctb, intl0, curs;
    acur.Word(3).Word(0).Word(128).Word(0).Word(129).Word(0).Word(130).Word(0);
    vers.Byte(1).Byte(0x10).Byte(0x80).Byte(0).Word(0).Str("1.1").Str("1.1, a test");
    for (int i = 0; i < 256; ++i)
        cmap.Long(uint32_t(i) * 0x01010101u);
    mctb.Word(2);
    for (int i = 0; i < 2 * 15; ++i)
        mctb.Word(0x1111 * i);
    intl0.Fill(30, '.').Word(0x0100);
    curs.Fill(32, 0x3C).Fill(32, 0xFF).Word(4).Word(4);
    Reader r{"acur/vers/CMAP/mctb/INTL/CURS", {}, {}, 300, 100, [] { if (CursHandle c = GetCurso(128)) SetCurso(*c); InitCursor(); }, 20261221};
    r.seeds = {{FourCC("acur"), 128, acur.b}, {FourCC("vers"), 1, vers.b},    {FourCC("CMAP"), 128, cmap.b},
               {FourCC("mctb"), 128, mctb.b}, {FourCC("INTL"), 0, intl0.b},   {FourCC("CURS"), 128, curs.b}};
    RunReader(r);
}

// ---- Styled text ----

void UseStyles()
{
    SetResLoad(false);
    Handle styles = Get1Resource(FourCC("styl"), 128);
    SetResLoad(true);
    const Rect dest{0, 0, 90, 90};
    Made(styles, "the style scrap");
    TEHandle te = TEStyleNew(&dest, &dest);
    if (!te)
        return;
    TESetText("Hello, strange world", 20, te);
    TESetSelect(3, 3, te);
    TEStyleInsert("abcdefgh", 8, reinterpret_cast<StScrpHandle>(styles), te);
    TEUseStyleScrap(0, 12, reinterpret_cast<StScrpHandle>(styles), true, te);
    TEUseStyleScrap(5, 400, reinterpret_cast<StScrpHandle>(styles), false, te);
    TEUpdate(&dest, te);
    TESetSelect(0, 32767, te);
    if (StScrpHandle copy = TEGetStyleScrapHandle(te))
        DisposeHandle(reinterpret_cast<Handle>(copy));
    TEDispose(te);
}

TEST_F(MutatedInput, StyledText)
{
    Reader r{"styl", {}, {}, 500, 200, UseStyles, 20261217};
    r.seeds = {{FourCC("styl"), 128, StyleScrap()}};
    RunReader(r);
}

// ---- AppleEvent descriptors from bytes ----

// The data of a list, a record and an event as the manager keeps them, taken as bytes.
Bytes DescriptorBytes(DescType type)
{
    AEDesc d{};
    if (type == typeAppleEvent) {
        AEAddressDesc target{};
        AECreateDesc(FourCC("sign"), "ZELT", 4, &target);
        AECreateAppleEvent(FourCC("core"), FourCC("getd"), &target, -1, 0, &d);
        AEDisposeDesc(&target);
        int32_t v = 42;
        AEPutParamPtr(&d, keyDirectObject, typeLongInteger, &v, 4);
        AEPutParamPtr(&d, FourCC("name"), typeChar, "text", 4);
    } else {
        AECreateList(nullptr, 0, type == typeAERecord, &d);
        int16_t s = 7;
        if (type == typeAERecord) {
            AEPutParamPtr(&d, FourCC("shor"), FourCC("shor"), &s, 2);
            AEPutParamPtr(&d, keyDirectObject, typeChar, "abc", 3);
        } else {
            AEPutPtr(&d, 0, FourCC("shor"), &s, 2);
            AEPutPtr(&d, 0, typeChar, "abc", 3);
            AEDesc inner{};
            AECreateList(nullptr, 0, false, &inner);
            AEPutPtr(&inner, 0, typeLongInteger, &s, 2);
            AEPutDesc(&d, 0, &inner);
            AEDisposeDesc(&inner);
        }
    }
    Bytes b(reinterpret_cast<uint8_t *>(*d.dataHandle),
            reinterpret_cast<uint8_t *>(*d.dataHandle) + GetHandleSize(d.dataHandle));
    // Kept alive: the bytes name its handles, which stay the manager's.
    return b;
}

void UseDescriptor(DescType type)
{
    SetResLoad(false);
    Handle h = Get1Resource(FourCC("AEdt"), 128);
    SetResLoad(true);
    if (!h)
        return;
    AEDesc d{};
    if (AECreateDesc(type, *h, GetHandleSize(h), &d) != 0)
        return;
    ZEL_Long count = 0;
    AECountItems(&d, &count);
    Made(count > 1 ? &count : nullptr, "AECountItems");
    for (int32_t i = -1; i <= std::min<int32_t>(count, 6) + 1; ++i) {
        AEKeyword key;
        DescType got;
        Size actual;
        char buffer[16];
        AEGetNthPtr(&d, i, typeWildCard, &key, &got, buffer, sizeof buffer, &actual);
        AEGetNthPtr(&d, i, typeLongInteger, &key, &got, buffer, sizeof buffer, &actual);
        AEDesc item{};
        if (AEGetNthDesc(&d, i, typeWildCard, &key, &item) == 0)
            AEDisposeDesc(&item);
        AESizeOfNthItem(&d, i, &got, &actual);
    }
    for (AEKeyword key : {AEKeyword(keyDirectObject), AEKeyword(FourCC("name")), AEKeyword(FourCC("shor"))}) {
        DescType got;
        Size actual;
        char buffer[16];
        AEGetParamPtr(&d, key, typeWildCard, &got, buffer, sizeof buffer, &actual);
        AEGetParamPtr(&d, key, typeShortInteger, &got, buffer, sizeof buffer, &actual);
        AEGetAttributePtr(&d, key, typeWildCard, &got, buffer, sizeof buffer, &actual);
        AESizeOfParam(&d, key, &got, &actual);
        AEDesc param{};
        if (AEGetParamDesc(&d, key, typeWildCard, &param) == 0)
            AEDisposeDesc(&param);
    }
    AEDesc copy{}, coerced{};
    if (AEDuplicateDesc(&d, &copy) == 0)
        AEDisposeDesc(&copy);
    if (AECoerceDesc(&d, typeAEList, &coerced) == 0)
        AEDisposeDesc(&coerced);
    AEDeleteItem(&d, 1);
    AEDisposeDesc(&d);
}

TEST_F(MutatedInput, AppleEventDescriptors)
{
    for (DescType type : {DescType(typeAEList), DescType(typeAERecord), DescType(typeAppleEvent)}) {
        Reader r{"AE descriptor", {}, {}, 400, 100, [type] { UseDescriptor(type); }, 20261218 + type % 7};
        r.seeds = {{FourCC("AEdt"), 128, DescriptorBytes(type)}};
        RunReader(r);
    }
}

// ---- AppleEvent structures changed in memory ----

// The data handles of a descriptor and of everything inside it that the manager follows.
void CollectHandles(DescType type, Handle h, std::vector<Handle> &out, int depth = 0)
{
    if (!h || depth > 8 || std::find(out.begin(), out.end(), h) != out.end())
        return;
    out.push_back(h);
    const bool list = type == typeAEList;
    if (!list && type != typeAERecord && type != typeAppleEvent)
        return;
    const Size stride = list ? 8 : 12;
    for (Size at = 0; at + stride <= GetHandleSize(h); at += stride) {
        DescType t;
        Handle child;
        std::memcpy(&t, *h + at + stride - 8, 4);
        std::memcpy(&child, *h + at + stride - 4, 4);
        CollectHandles(t, child, out, depth + 1);
    }
}

// A list holding a text, a nested list and a record; a record holding a list; an event with
// parameters: the manager's own structures, whose bytes the case then changes where they lie, writing
// in handles of their own containers, of their children and of each other, type codes and extremes.
void UseStructuresChangedInMemory(std::mt19937 &random, std::string *what)
{
    AEDescList list{}, inner{}, record{};
    AppleEvent event{};
    AECreateList(nullptr, 0, false, &list);
    AECreateList(nullptr, 0, false, &inner);
    AECreateList(nullptr, 0, true, &record);
    int32_t v = 7;
    AEPutPtr(&inner, 0, typeLongInteger, &v, 4);
    AEPutPtr(&inner, 0, typeChar, "in", 2);
    AEPutParamPtr(&record, FourCC("shor"), typeLongInteger, &v, 4);
    AEPutParamDesc(&record, FourCC("list"), &inner);
    AEPutPtr(&list, 0, typeChar, "text", 4);
    AEPutDesc(&list, 0, &inner);
    AEPutDesc(&list, 0, &record);
    AEAddressDesc target{};
    AECreateDesc(FourCC("sign"), "ZELT", 4, &target);
    AECreateAppleEvent(FourCC("core"), FourCC("getd"), &target, -1, 0, &event);
    AEPutParamPtr(&event, keyDirectObject, typeLongInteger, &v, 4);
    AEPutParamDesc(&event, FourCC("recd"), &record);
    // Nested descriptors handed out: edits of them must never dispose what holds them.
    AEDesc nested{}, nestedRecord{};
    AEGetNthDesc(&list, 2, typeWildCard, nullptr, &nested);
    AEGetParamDesc(&event, FourCC("recd"), typeWildCard, &nestedRecord);

    std::vector<Handle> handles;
    for (const AEDesc *d : {&list, &record, &event, &nested, &nestedRecord})
        CollectHandles(d->descriptorType, d->dataHandle, handles);
    static const uint32_t kValues[] = {0, 1, 0xFFFFFFFF, 0x80000000, FourCC("list"), FourCC("reco"), FourCC("aevt"),
                                       FourCC("long"), FourCC("TEXT"), FourCC("****"), FourCC("null")};
    const int changes = 1 + static_cast<int>(random() % 3);
    char step[80];
    for (int i = 0; i < changes; ++i) {
        Handle h = handles[random() % handles.size()];
        const Size size = GetHandleSize(h);
        const unsigned kind = random() % 8;
        if (kind == 7) { // the handle cut or lengthened
            const Size to = random() % 2 ? size / 2 + static_cast<Size>(random() % 5) : size + 1 + static_cast<Size>(random() % 12);
            SetHandleSize(h, to);
            std::snprintf(step, sizeof step, "size %u->%u ", unsigned(size), unsigned(to));
        } else if (size >= 4) {
            const Size at = static_cast<Size>(random() % (size - 3)) & ~Size(random() % 2 ? 3 : 0);
            uint32_t value = kind < 4 ? reinterpret_cast<uint32_t>(handles[random() % handles.size()])
                                      : kind < 6 ? kValues[random() % (sizeof kValues / sizeof kValues[0])] : uint32_t(random());
            std::memcpy(*h + at, &value, 4);
            std::snprintf(step, sizeof step, "handle %u long@%u=%08X ", unsigned(std::find(handles.begin(), handles.end(), h) - handles.begin()),
                          unsigned(at), unsigned(value));
        } else {
            continue;
        }
        *what += step;
    }
    sWhat = *what;

    AEDesc *all[] = {&list, &record, &event, &nested, &nestedRecord};
    for (AEDesc *d : all) {
        ZEL_Long count = 0;
        AECountItems(d, &count);
        for (int32_t i = 0; i <= std::min<int32_t>(count, 5) + 1; ++i) {
            char buffer[16];
            Size actual;
            DescType got;
            AEKeyword key;
            AEGetNthPtr(d, i, typeWildCard, &key, &got, buffer, sizeof buffer, &actual);
            AEDesc item{};
            if (AEGetNthDesc(d, i, typeWildCard, &key, &item) == 0)
                AEDisposeDesc(&item);
        }
        AEDesc copy{};
        if (AEDuplicateDesc(d, &copy) == 0)
            AEDisposeDesc(&copy);
    }
    for (AEDesc *d : {&nested, &list, &inner}) {
        AEPutPtr(d, 1, typeChar, "x", 1);
        AEPutDesc(d, 2, &record);
        AEDeleteItem(d, 1 + static_cast<int32_t>(random() % 3));
    }
    for (AEDesc *d : {&nestedRecord, &record, &event}) {
        AEPutParamPtr(d, FourCC("shor"), typeChar, "y", 1);
        AEPutParamDesc(d, FourCC("list"), &inner);
        AEPutParamPtr(d, keyDirectObject, typeChar, "z", 1);
        AEDesc param{};
        if (AEGetParamDesc(d, FourCC("list"), typeWildCard, &param) == 0)
            AEDisposeDesc(&param);
    }
    for (AEDesc *d : {&nested, &nestedRecord, &list, &inner, &record, &event, &target})
        AEDisposeDesc(d);
}

TEST_F(MutatedInput, AppleEventStructuresInMemory)
{
    sReader = "AE structures in memory";
    if (const char *only = std::getenv("ROBUSTNESS_READER"); only && std::strcmp(only, sReader) != 0)
        return;
    std::mt19937 random(20261222 + SeedOffset());
    sTargetType = FourCC("AEdt");
    sTargetId = 0;
    sTargetBytes.clear();
    const int cases = Scaled(3000);
    for (int i = 0; i < cases; ++i) {
        sCase = i;
        std::string what;
        GuardHandleData(true);
        UseStructuresChangedInMemory(random, &what);
        GuardHandleData(false);
        CheckHeaps(sReader);
        ++sProgress;
    }
    std::printf("%s: %d cases\n", sReader, cases);
    sCase = -1;
}

} // namespace
