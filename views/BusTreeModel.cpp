#include "views/BusTreeModel.h"

#include "device/PciFunction.h"

#include <stdio.h>

#include <iterator>

namespace {

constexpr int kImageNone = 0;
constexpr int kImageSystemPeripheral = 3;
constexpr int kImageNetwork = 4;
constexpr int kImageDisplay = 5;
constexpr int kImageCommunication = 9;
constexpr int kImageStorage = 10;
constexpr int kImageFloppyOrDock = 11;
constexpr int kImageFirewire = 12;
constexpr int kImageInput = 14;
constexpr int kImageMemoryOrProcessor = 16;
constexpr int kImageAudio = 17;
constexpr int kImageUsb = 18;
constexpr int kImageVideo = 19;

// Image per base class 00h..0Ch; classes with subclass exceptions are handled in GetImageIndex.
const int kClassImages[] = {
    kImageNone,
    kImageStorage,
    kImageNetwork,
    kImageDisplay,
    kImageNone,
    kImageMemoryOrProcessor,
    CBusTreeModel::kImageBridge,
    kImageCommunication,
    kImageSystemPeripheral,
    kImageInput,
    kImageFloppyOrDock,
    kImageMemoryOrProcessor,
    kImageNone,
};

constexpr uint8_t kClassStorage = 0x01;
constexpr uint8_t kSubclassFloppy = 0x02;
constexpr uint8_t kClassMultimedia = 0x04;
constexpr uint8_t kSubclassVideo = 0x00;
constexpr uint8_t kSubclassAudio = 0x01;
constexpr uint8_t kClassSerialBus = 0x0C;
constexpr uint8_t kSubclassFirewire = 0x00;
constexpr uint8_t kSubclassUsb = 0x03;

} // namespace

void CBusTreeModel::Build(CPciFunction* root)
{
    m_items.clear();
    if (!root)
        return;
    if (!root->IsPlaceholder())
        InsertFunction(-1, root);
    // Outside segment 0 each segment is one root: bus 0's functions below it, then its root buses.
    int segmentItem = -1;
    uint16_t segment = 0;
    for (const CPciFunction::CRootBus& bus : root->m_rootBuses) {
        if (bus.segment != 0 && (segmentItem < 0 || bus.segment != segment)) {
            segment = bus.segment;
            segmentItem = AddItem(-1, FormatSegmentLabel(segment), kImageBridge, nullptr);
        }
        if (bus.segment != 0 && bus.bus == 0)
            InsertChildren(segmentItem, bus.functions);
        else
            InsertChildren(
                AddItem(bus.segment != 0 ? segmentItem : -1, FormatRootBusLabel(bus.bus), kImageBridge, nullptr),
                bus.functions);
    }
}

std::string CBusTreeModel::FormatSegmentLabel(uint16_t segment)
{
    char label[32];
    snprintf(label, sizeof label, "Segment %04X", unsigned(segment));
    return label;
}

// Bus 0 is a root bus only when it holds no host bridge: it is then the machine's first root.
std::string CBusTreeModel::FormatRootBusLabel(uint32_t bus)
{
    char label[32];
    snprintf(label, sizeof label, "%s %02Xh", bus == 0 ? "PCI Bus" : "Root Bus", unsigned(bus));
    return label;
}

int CBusTreeModel::AddItem(int parent, std::string label, int image, CPciFunction* function)
{
    CBusTreeItem item;
    item.depth = parent < 0 ? 0 : m_items[size_t(parent)].depth + 1;
    item.parent = parent;
    item.label = std::move(label);
    item.image = image;
    item.function = function;
    m_items.push_back(std::move(item));
    return int(m_items.size() - 1);
}

// Functions of one multi-function device share a group item below their bridge.
void CBusTreeModel::InsertFunction(int parent, CPciFunction* function)
{
    const int self = AddItem(
        parent, FormatFunctionLabel(*function),
        GetImageIndex(function->GetConfigByte(pci::kBaseClassOffset), function->GetConfigByte(pci::kSubclassOffset)),
        function);
    InsertChildren(self, function->m_children);
}

void CBusTreeModel::InsertChildren(int parent, const std::vector<std::unique_ptr<CPciFunction>>& children)
{
    int group = -1;
    uint32_t groupDevice = 0;
    for (const std::unique_ptr<CPciFunction>& child : children) {
        // An unreadable function 0 has no header type that could say its device has more.
        if (child->IsReadable() && child->IsMultiFunction() && child->m_function == 0) {
            group = AddItem(parent, FormatGroupLabel(child->m_bus, child->m_device, child->m_segment),
                            kImageMultiFunctionGroup, nullptr);
            groupDevice = child->m_device;
        }
        const bool inGroup = group >= 0 && child->m_device == groupDevice;
        InsertFunction(inGroup ? group : parent, child.get());
    }
}

std::string CBusTreeModel::FormatFunctionLabel(const CPciFunction& function)
{
    if (!function.IsReadable())
        return FormatAddress(function) + "   " + kUnreadableText;
    char prefix[96];
    snprintf(prefix, sizeof prefix, "   %s   (%x/%x) - ", function.IsBridge() ? "Bridge" : "Function",
             unsigned(function.GetVendorId()), unsigned(function.GetDeviceId()));
    return FormatAddress(function) + prefix + function.GetVendorName() + " / " + FormatDeviceName(function);
}

std::string CBusTreeModel::FormatDeviceName(const CPciFunction& function)
{
    std::string name = function.GetDeviceName();
    if (!name.empty())
        return name;
    char unknown[32];
    snprintf(unknown, sizeof unknown, "Device %04x", unsigned(function.GetDeviceId()));
    return unknown;
}

std::string CBusTreeModel::FormatAddress(const CPciFunction& function)
{
    return FormatAddress(function.m_segment, function.m_bus, function.m_device, function.m_function);
}

std::string CBusTreeModel::FormatAddress(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function)
{
    return CPciFunction::FormatAddress(segment, bus, device, function);
}

std::string CBusTreeModel::FormatGroupLabel(uint32_t bus, uint32_t device, uint16_t segment)
{
    // The address of its function 0 with "x" for the function number.
    std::string address = FormatAddress(segment, bus, device, 0);
    address.back() = 'x';
    return address + "   Multi Function Device";
}

int CBusTreeModel::GetImageIndex(uint8_t baseClass, uint8_t subclass)
{
    switch (baseClass) {
    case kClassStorage: return subclass == kSubclassFloppy ? kImageFloppyOrDock : kImageStorage;
    case kClassMultimedia:
        if (subclass == kSubclassVideo)
            return kImageVideo;
        return subclass == kSubclassAudio ? kImageAudio : kImageNone;
    case kClassSerialBus:
        if (subclass == kSubclassFirewire)
            return kImageFirewire;
        return subclass == kSubclassUsb ? kImageUsb : kImageNone;
    default: return baseClass < std::size(kClassImages) ? kClassImages[baseClass] : kImageNone;
    }
}
