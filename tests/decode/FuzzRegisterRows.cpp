// libFuzzer target: any 256-byte configuration image lists and decodes its
// rows in both modes without reading outside the image.
#include "decode/ConfigSpaceModel.h"
#include "device/PciFunction.h"

#include <stdint.h>
#include <string.h>

#include <memory>
#include <vector>

namespace {

constexpr size_t kImageSize = 256;

CPciFunction& Function()
{
    static std::unique_ptr<CPciFunction> function = std::make_unique<CPciFunction>(INVALID_HANDLE_VALUE, 0, 0, 0);
    return *function;
}

// The decoders on a heap copy of exactly the image's size, so that the
// sanitizer sees any read past its end.
void DecodeExactImage(const CPciFunction& function, bool hexMode)
{
    std::unique_ptr<uint8_t[]> image(new uint8_t[kImageSize]);
    memcpy(image.get(), function.m_image, kImageSize);
    std::vector<CapabilityRecord> records;
    for (uint32_t index : function.GetCapabilityIndices())
        records.push_back({index, image.get() + index * 4});
    CConfigDecoder decoder(hexMode);
    for (uint32_t index = 0; index < kImageSize / 4; ++index)
        decoder.DecodeCapability(index, records);
    CConfigDecoder::DecodeStatus(image.get());
    CConfigDecoder::DecodeSubclass(image.get());
    CConfigDecoder::DecodePrefetchableLimit(image.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPciFunction& function = Function();
    memset(function.m_image, 0, kImageSize);
    memcpy(function.m_image, data, size < kImageSize ? size : kImageSize);
    for (bool hexMode : {true, false}) {
        CConfigSpaceModel model;
        model.SetHexMode(hexMode);
        model.SetFunction(&function);
        DecodeExactImage(function, hexMode);
    }
    return 0;
}
