// libFuzzer target: any configuration space, conventional or extended, walks
// and decodes its capabilities without reading outside it or looping, and
// every row it reports lies inside it.
#include "decode/CapabilityDecoder.h"
#include "decode/CapabilityListing.h"

#include <stdint.h>
#include <string.h>

#include <memory>

namespace {

constexpr size_t kConventional = 256;
constexpr size_t kExtended = 4096;
constexpr uint32_t kMaxEntries = 64 + 960;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Inputs longer than the conventional space describe an extended one.
    const size_t spaceSize = size > kConventional ? kExtended : kConventional;
    std::unique_ptr<uint8_t[]> space(new uint8_t[spaceSize]);
    memset(space.get(), 0, spaceSize);
    memcpy(space.get(), data, size < spaceSize ? size : spaceSize);
    const CapabilityList list = CCapabilityDecoder(space.get(), uint32_t(spaceSize)).Decode();
    if (list.capabilities.size() > kMaxEntries)
        __builtin_trap();
    for (const Capability& capability : list.capabilities) {
        for (const CapabilityRow& row : capability.rows) {
            if (row.offset + row.size > spaceSize || (row.size != 1 && row.size != 2 && row.size != 4))
                __builtin_trap();
        }
    }
    CCapabilityListing::Lines(0, 0, 0, list);
    return 0;
}
