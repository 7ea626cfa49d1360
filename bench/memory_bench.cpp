// The Memory Manager against the process heap its blocks come from: handle and pointer pairs with and
// without sub-allocation, resizing, and churn among many live handles.
#include "bench.h"

#include "MacMemory.h"
#include "Zel.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void SubAllocation(bool on) { ZEL_SetFlags(zelFlagSubAllocate, on ? zelFlagSubAllocate : 0, 0, 0); }

HANDLE Heap() { return GetProcessHeap(); }

// A handle and a heap block made, sized and freed the same way give the same size.
bool SameSizes(Size size)
{
    Handle h = NewHandle(size);
    void *p = HeapAlloc(Heap(), 0, size);
    bool same = h && p && GetHandleSize(h) == static_cast<Size>(HeapSize(Heap(), 0, p));
    DisposeHandle(h);
    HeapFree(Heap(), 0, p);
    return same;
}

// Churn: `live` blocks stay allocated; each run frees one of them and allocates its replacement.
PairCase Churn(int live, bool subAllocated)
{
    auto handles = std::make_shared<std::vector<Handle>>();
    auto blocks = std::make_shared<std::vector<void *>>();
    PairCase c;
    c.name = "handle churn among " + std::to_string(live) + " live handles" +
             (subAllocated ? ", sub-allocated" : "");
    c.count = 20000;
    c.setUp = [=] {
        SubAllocation(subAllocated);
        for (int i = 0; i < live; ++i) {
            handles->push_back(NewHandle(32));
            blocks->push_back(HeapAlloc(Heap(), 0, 32));
        }
    };
    c.library = [=](int i) {
        Handle &h = (*handles)[(i * 7919) % live];
        DisposeHandle(h);
        h = NewHandle(32);
    };
    c.raw = [=](int i) {
        void *&p = (*blocks)[(i * 7919) % live];
        HeapFree(Heap(), 0, p);
        p = HeapAlloc(Heap(), 0, 32);
    };
    c.same = [] { return SameSizes(32); };
    c.tearDown = [=] {
        for (Handle h : *handles)
            DisposeHandle(h);
        for (void *p : *blocks)
            HeapFree(Heap(), 0, p);
        handles->clear();
        blocks->clear();
        SubAllocation(false);
    };
    return c;
}

PairCase HandlePair(bool subAllocated)
{
    PairCase c;
    c.name = std::string("NewHandle(32)+DisposeHandle") + (subAllocated ? ", sub-allocated" : "");
    c.count = 50000;
    c.setUp = [=] { SubAllocation(subAllocated); };
    c.library = [](int) { DisposeHandle(NewHandle(32)); };
    c.raw = [](int) { HeapFree(Heap(), 0, HeapAlloc(Heap(), 0, 32)); };
    c.same = [] { return SameSizes(32); };
    c.tearDown = [] { SubAllocation(false); };
    return c;
}

PairCase PointerPair(bool subAllocated)
{
    PairCase c;
    c.name = std::string("NewPtr(32)+DisposePtr") + (subAllocated ? ", sub-allocated" : "");
    c.count = 50000;
    c.setUp = [=] { SubAllocation(subAllocated); };
    c.library = [](int) { DisposePtr(NewPtr(32)); };
    c.raw = [](int) { HeapFree(Heap(), 0, HeapAlloc(Heap(), 0, 32)); };
    c.same = [] {
        Ptr p = NewPtr(32);
        bool same = p && GetPtrSize(p) == 32;
        DisposePtr(p);
        return same;
    };
    c.tearDown = [] { SubAllocation(false); };
    return c;
}

// RecoverHandle of a handle's data among `live` handles, against HeapSize of a heap block among as many.
PairCase Recover(int live)
{
    auto handles = std::make_shared<std::vector<Handle>>();
    auto blocks = std::make_shared<std::vector<void *>>();
    PairCase c;
    c.name = "RecoverHandle among " + std::to_string(live) + " live handles";
    c.count = 20000;
    c.setUp = [=] {
        for (int i = 0; i < live; ++i) {
            handles->push_back(NewHandle(64));
            blocks->push_back(HeapAlloc(Heap(), 0, 64));
        }
    };
    c.library = [=](int i) {
        Handle h = (*handles)[(i * 7919) % live];
        if (RecoverHandle(*h) != h)
            std::abort();
    };
    c.raw = [=](int i) {
        if (HeapSize(Heap(), 0, (*blocks)[(i * 7919) % live]) != 64)
            std::abort();
    };
    c.same = [=] {
        for (Handle h : *handles)
            if (RecoverHandle(*h) != h)
                return false;
        return true;
    };
    c.tearDown = [=] {
        for (Handle h : *handles)
            DisposeHandle(h);
        for (void *p : *blocks)
            HeapFree(Heap(), 0, p);
        handles->clear();
        blocks->clear();
    };
    return c;
}

} // namespace

int RunBench()
{
    // Resizing keeps the data: both sides carry the same bytes through 100 -> 3000 -> 100.
    static Handle resized;
    static void *block;
    PairCase resize;
    resize.name = "SetHandleSize 100 -> 3000 -> 100";
    resize.count = 20000;
    resize.setUp = [] {
        resized = NewHandle(100);
        block = HeapAlloc(Heap(), 0, 100);
        std::memset(*resized, 0x5A, 100);
        std::memset(block, 0x5A, 100);
    };
    resize.library = [](int) {
        SetHandleSize(resized, 3000);
        SetHandleSize(resized, 100);
    };
    resize.raw = [](int) {
        block = HeapReAlloc(Heap(), 0, block, 3000);
        block = HeapReAlloc(Heap(), 0, block, 100);
    };
    resize.same = [] {
        return GetHandleSize(resized) == 100 && HeapSize(Heap(), 0, block) == 100 &&
               std::memcmp(*resized, block, 100) == 0;
    };
    resize.tearDown = [] {
        DisposeHandle(resized);
        HeapFree(Heap(), 0, block);
    };

    const std::vector<PairCase> cases = {
        HandlePair(false), HandlePair(true), PointerPair(false), PointerPair(true), resize,
        Churn(50, false), Churn(500, false), Churn(5000, false), Churn(50, true), Churn(5000, true),
        Recover(50), Recover(5000),
    };
    return RunPairCases(cases);
}
