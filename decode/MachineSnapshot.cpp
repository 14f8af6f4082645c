#include "decode/MachineSnapshot.h"

#include "device/PciFunction.h"
#include "sim/ImageWriter.h"

#include <stdio.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr char kHeading[] = "Machine image saved by Brisco: configuration bytes, BAR sizes and plug-and-play records";

// Collects the writer's text in memory.
class CStringSink : public CImageSink {
public:
    bool Write(const char* text, uint32_t length) override
    {
        m_text.append(text, length);
        return true;
    }
    std::string m_text;
};

// A function that could not be read is left out: its all-ones image is not the device's.
void WriteTree(CImageWriter& writer, const CPciFunction& function)
{
    if (!function.IsReadable())
        return;
    CImageFunction image = {};
    image.segment = function.m_segment;
    image.bus = function.m_bus;
    image.device = function.m_device;
    image.function = function.m_function;
    image.config = function.GetSpace();
    image.configLength = function.GetSpaceSize();
    const uint32_t bars = ImageBarCount(function.GetHeaderLayout());
    for (uint32_t slot = 0; slot < bars && slot < pci::kMaxBars; ++slot)
        image.barSize[slot] = function.m_barSizes[slot];
    image.noRecord = !function.HasRegistryRecord();
    image.noControl = function.HasRegistryRecord() && !function.IsRegistryRecordStarted();
    writer.Function(image);
    for (const auto& child : function.m_children)
        WriteTree(writer, *child);
}

} // namespace

std::string CMachineSnapshot::Text(const CPciFunction* root)
{
    CStringSink sink;
    CImageWriter writer(&sink);
    writer.Comment(kHeading);
    if (root) {
        for (const CPciFunction* function : root->GetTopFunctions())
            WriteTree(writer, *function);
    }
    return sink.m_text;
}

bool CMachineSnapshot::Save(const CPciFunction* root, const std::string& path, std::string* error)
{
    const std::string text = Text(root);
    const std::string partial = path + ".partial";
    FILE* file = fopen(partial.c_str(), "wb");
    const bool written = file != nullptr && fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = file != nullptr && fclose(file) == 0;
    if (!written || !closed) {
        remove(partial.c_str());
        *error = path + ": cannot be written";
        return false;
    }
    // Replacing the old file only once the new one is complete keeps it on any failure.
#ifdef _WIN32
    const bool replaced = ::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    const bool replaced = rename(partial.c_str(), path.c_str()) == 0;
#endif
    if (!replaced) {
        remove(partial.c_str());
        *error = path + ": cannot be written";
        return false;
    }
    return true;
}
