#pragma once
// The items of the bus tree for a scanned machine, in display order: one per
// function, nested below its bridge, with a group item per multi-function device.
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

class CPciFunction;

struct CBusTreeItem
{
    int depth = 0;
    int parent = -1; // index of the parent item, -1 for the root
    std::string label;
    int image = 0;
    CPciFunction* function = nullptr; // borrowed; null for a multi-function group item
};

class CBusTreeModel {
public:
    static constexpr int kImageBridge = 1;
    static constexpr int kImageMultiFunctionGroup = 2;

    // Replaces the items by those of the tree below root; no items for a null root.
    void Build(CPciFunction* root);
    const std::vector<CBusTreeItem>& GetItems() const { return m_items; }

    // What a function that answered but could not be read shows after its address.
    static constexpr char kUnreadableText[] = "could not be read";

    static std::string FormatFunctionLabel(const CPciFunction& function);
    // The device's name, or "Device 0d57" as lspci says when the names file does not know it.
    static std::string FormatDeviceName(const CPciFunction& function);
    // "bus.device.function" in decimal, as every function label begins; outside segment 0 the
    // segment comes first in four hex digits ("0001:3.0.0").
    static std::string FormatAddress(const CPciFunction& function);
    static std::string FormatAddress(uint16_t segment, uint32_t bus, uint32_t device, uint32_t function);
    static std::string FormatGroupLabel(uint32_t bus, uint32_t device, uint16_t segment = 0);
    // The root item of a segment other than 0.
    static std::string FormatSegmentLabel(uint16_t segment);
    // A further root item for a bus that no bridge of bus 0 reaches.
    static std::string FormatRootBusLabel(uint32_t bus);
    static int GetImageIndex(uint8_t baseClass, uint8_t subclass);

private:
    void InsertFunction(int parent, CPciFunction* function);
    void InsertChildren(int parent, const std::vector<std::unique_ptr<CPciFunction>>& children);
    int AddItem(int parent, std::string label, int image, CPciFunction* function);

    std::vector<CBusTreeItem> m_items;
};
