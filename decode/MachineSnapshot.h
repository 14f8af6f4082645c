#pragma once
// Saves the machine as Brisco reads it through the driver as a machine image: every function
// of the tree (and of its further root buses) with its configuration bytes (4 KiB where it
// has them), the BAR sizes it knows and whether it has a plug-and-play record, so the image
// loads back as the same machine, here or on another computer.
#include <string>

class CPciFunction;

class CMachineSnapshot {
public:
    // Writes beside the path and then replaces it, so a failed save keeps the old file; false
    // with a message naming the file when it cannot be written.
    static bool Save(const CPciFunction* root, const std::string& path, std::string* error);
    // The image text itself.
    static std::string Text(const CPciFunction* root);
};
