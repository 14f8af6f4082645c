#pragma once
// An in-memory registry: case-insensitive keys with typed values, handed out
// through HKEY handles that keep their key alive after the tree changes.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "compat/windows.h"

class CCompatRegistry {
public:
    struct CValue
    {
        DWORD m_type = REG_NONE;
        std::vector<uint8_t> m_data;
    };

    CCompatRegistry();
    ~CCompatRegistry();

    // Test-side edits; missing keys on the path are created.
    void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                  const std::vector<uint8_t>& data);
    void CreateKey(HKEY root, const std::string& path);
    void DeleteKey(HKEY root, const std::string& path);

    LONG Open(HKEY key, LPCSTR subKey, REGSAM access, PHKEY result);
    LONG EnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars);
    LONG QueryValue(HKEY key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD dataBytes);
    LONG QueryDefaultText(HKEY key, LPCSTR subKey, LPSTR data, PLONG dataBytes);
    LONG Close(HKEY key);
    uint32_t OpenHandleCount() const { return uint32_t(m_handles.size()); }

private:
    struct CaseInsensitiveLess
    {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct CKey
    {
        std::map<std::string, std::shared_ptr<CKey>, CaseInsensitiveLess> m_subkeys;
        std::map<std::string, CValue, CaseInsensitiveLess> m_values;
    };
    struct CHandle
    {
        std::shared_ptr<CKey> m_key;
        REGSAM m_access;
    };

    std::shared_ptr<CKey> Root(HKEY root) const;
    // Resolves a predefined or open key; access is what the handle allows.
    std::shared_ptr<CKey> Resolve(HKEY key, REGSAM* access) const;
    static std::vector<std::string> SplitPath(const std::string& path);
    std::shared_ptr<CKey> Walk(std::shared_ptr<CKey> from, const std::string& path, bool create) const;

    std::shared_ptr<CKey> m_classesRoot;
    std::shared_ptr<CKey> m_currentUser;
    std::shared_ptr<CKey> m_localMachine;
    std::map<HKEY, std::unique_ptr<CHandle>> m_handles;
};
