// The Windows NT performance data block: object types, their counter definitions and their instances,
// each instance followed by its counter block. Lengths in the block come from the registry and are
// checked before every step.
#include "perf_data.h"

#include <windows.h>
#include <winperf.h>

#include <cstring>

namespace {

struct Span {
    const uint8_t *base;
    uint32_t size;
    bool Holds(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
};

template <typename T> bool Read(const Span &s, uint64_t offset, T &out)
{
    if (!s.Holds(offset, sizeof(T)))
        return false;
    std::memcpy(&out, s.base + offset, sizeof(T));
    return true;
}

} // namespace

int WalkPerfInstances(const void *data, uint32_t size, uint32_t objectIndex, uint32_t idCounterIndex,
                      PerfInstanceVisitor visit, void *context)
{
    const Span block{static_cast<const uint8_t *>(data), size};
    PERF_DATA_BLOCK head;
    if (!data || !Read(block, 0, head))
        return 0;
    uint64_t objectAt = head.HeaderLength;
    int visited = 0;
    for (DWORD o = 0; o < head.NumObjectTypes; ++o) {
        PERF_OBJECT_TYPE object;
        if (!Read(block, objectAt, object) || object.TotalByteLength == 0)
            return visited;
        if (object.ObjectNameTitleIndex == objectIndex) {
            // The counter that holds the id.
            uint64_t counterAt = objectAt + object.HeaderLength;
            int64_t idOffset = -1;
            for (DWORD c = 0; c < object.NumCounters; ++c) {
                PERF_COUNTER_DEFINITION counter;
                if (!Read(block, counterAt, counter) || counter.ByteLength == 0)
                    return visited;
                if (counter.CounterNameTitleIndex == idCounterIndex)
                    idOffset = counter.CounterOffset;
                counterAt += counter.ByteLength;
            }
            if (idOffset < 0 || object.NumInstances <= 0)
                return visited;
            uint64_t instanceAt = objectAt + object.DefinitionLength;
            for (LONG i = 0; i < object.NumInstances; ++i) {
                PERF_INSTANCE_DEFINITION instance;
                PERF_COUNTER_BLOCK counters;
                if (!Read(block, instanceAt, instance) || instance.ByteLength == 0)
                    return visited;
                const uint64_t countersAt = instanceAt + instance.ByteLength;
                DWORD id = 0;
                if (!Read(block, countersAt, counters) || counters.ByteLength == 0 ||
                    !block.Holds(countersAt, counters.ByteLength) || uint64_t(idOffset) + 4 > counters.ByteLength ||
                    !Read(block, countersAt + uint64_t(idOffset), id))
                    return visited;
                if (i == object.NumInstances - 1)
                    break;
                char name[256] = {};
                const uint64_t nameAt = instanceAt + instance.NameOffset;
                if (instance.NameLength >= 2 && block.Holds(nameAt, instance.NameLength)) {
                    int chars = int(instance.NameLength / 2);
                    wchar_t wide[256] = {};
                    if (chars > 255)
                        chars = 255;
                    std::memcpy(wide, block.base + nameAt, size_t(chars) * 2);
                    wide[chars] = 0;
                    WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, nullptr, nullptr);
                    name[255] = 0;
                }
                ++visited;
                if (!visit(id, name, context))
                    return visited;
                instanceAt = countersAt + counters.ByteLength;
            }
            return visited;
        }
        objectAt += object.TotalByteLength;
    }
    return visited;
}
