#pragma once
// The user's settings, kept in HKEY_CURRENT_USER\Software\Velmora\Brisco: the main window's
// placement, the splitter position and the options of the Options menu.
#include <windows.h>

#include <string>

class CBriscoSettings {
public:
    static constexpr char kKeyPath[] = "Software\\Velmora\\Brisco";
    static constexpr char kPlacementValue[] = "WindowPlacement";
    static constexpr char kTreeHeightValue[] = "TreePaneHeight";

    // False when nothing (or something of another size) was saved.
    static bool LoadPlacement(WINDOWPLACEMENT* placement);
    static void SavePlacement(const WINDOWPLACEMENT& placement);
    static bool LoadNumber(const char* name, DWORD* value);
    static void SaveNumber(const char* name, DWORD value);
    // Texts such as a folder; empty when nothing was saved.
    static std::string LoadText(const char* name);
    static void SaveText(const char* name, const std::string& value);
    // Removes every setting; tests start from here, so none inherits another's.
    static void DeleteAll();

private:
    static bool Load(const char* name, void* data, DWORD size);
    static void Save(const char* name, DWORD type, const void* data, DWORD size);
};
