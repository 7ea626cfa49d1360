// Picture rows: decoding every packed row of a 32-bit DirectBitsRect against a memcpy of the decoded
// bytes, for three kinds of picture, and at two sizes so that the cost can be seen to grow with the
// pixels (the larger has four times as many).
#include "bench.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "picture_format.h"

namespace {

// What the pictures hold: gradients whose red changes every 4 pixels between flat patches (many short
// runs), noise (literals only), or two flat colours (long runs); the same mix at every size.
enum ImageKind { kMixed, kNoise, kFlat };
const char *const kKindNames[] = {"gradients and patches", "noise", "flat"};

// The rows of a width x height picture, packed as a recorder packs them, and the decoded rows they
// give back.
struct PackedImage {
    PictRowFormat format;
    std::vector<uint8_t> stream;
    std::vector<uint8_t> decoded; // format.rowBytes per row
    std::vector<uint8_t> out;
};

std::shared_ptr<PackedImage> MakeImage(int16_t width, int16_t height, ImageKind kind)
{
    auto image = std::make_shared<PackedImage>();
    uint16_t rowBytesWord;
    PictRecordedRowFormat(32, width, height, 3, &image->format, &rowBytesWord);
    std::vector<uint32_t> pixels(width);
    std::vector<uint8_t> planes(image->format.rowBytes);
    std::vector<uint8_t> packed(PictPackedRowBound(image->format));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool flat = (x / 64 + y / 64) % 3 == 0;
            uint32_t gradient = static_cast<uint32_t>((x / 4 & 0xFF) << 16 | (y / 4 & 0xFF) << 8 | ((x ^ y) & 0xFF));
            uint32_t noise = (x * 2654435761u ^ y * 40503u) >> 8 & 0xFFFFFF;
            pixels[x] = kind == kMixed ? (flat ? 0x00336699u : gradient) : kind == kNoise ? noise : (flat ? 0x00336699u : 0x00FFFFFF);
        }
        SplitPictPlanes(pixels.data(), width, 3, planes.data());
        int32_t n = PutPictRow(image->format, planes.data(), packed.data());
        image->stream.insert(image->stream.end(), packed.begin(), packed.begin() + n);
        image->decoded.insert(image->decoded.end(), planes.begin(), planes.end());
    }
    image->out.resize(image->decoded.size());
    return image;
}

bool DecodeAll(PackedImage &image)
{
    const PictRowFormat &f = image.format;
    size_t at = 0;
    for (int y = 0; y < f.rows; ++y) {
        int32_t n = ReadPictRow(f, image.stream.data() + at, image.stream.size() - at, image.out.data() + y * f.rowBytes);
        if (n < 0)
            return false;
        at += n;
    }
    return true;
}

PairCase DecodeCase(int16_t width, int16_t height, ImageKind kind)
{
    auto image = MakeImage(width, height, kind);
    PairCase c;
    c.name = "DirectBitsRect rows " + std::to_string(width) + "x" + std::to_string(height) + ", " +
             kKindNames[kind] + ": decoded / memcpy";
    c.count = 20;
    c.library = [=](int) { DecodeAll(*image); };
    c.raw = [=](int) { std::memcpy(image->out.data(), image->decoded.data(), image->decoded.size()); };
    c.same = [=] {
        std::fill(image->out.begin(), image->out.end(), 0);
        return DecodeAll(*image) && image->out == image->decoded;
    };
    return c;
}

} // namespace

int RunBench()
{
    return RunPairCases({DecodeCase(512, 384, kMixed), DecodeCase(1024, 768, kMixed), DecodeCase(1024, 768, kNoise),
                         DecodeCase(1024, 768, kFlat)});
}
