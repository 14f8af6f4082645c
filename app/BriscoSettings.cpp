#include "app/BriscoSettings.h"

namespace {

// Closes a key on every path out.
class CSettingsKey {
public:
    explicit CSettingsKey(bool create)
    {
        const LONG result = create ? ::RegCreateKeyExA(HKEY_CURRENT_USER, CBriscoSettings::kKeyPath, 0, nullptr, 0,
                                                       KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr)
                                   : ::RegOpenKeyExA(HKEY_CURRENT_USER, CBriscoSettings::kKeyPath, 0, KEY_READ, &m_key);
        if (result != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~CSettingsKey()
    {
        if (m_key != nullptr)
            ::RegCloseKey(m_key);
    }
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool CBriscoSettings::Load(const char* name, void* data, DWORD size)
{
    CSettingsKey key(false);
    if (key.Get() == nullptr)
        return false;
    DWORD read = size;
    return ::RegQueryValueExA(key.Get(), name, nullptr, nullptr, static_cast<BYTE*>(data), &read) == ERROR_SUCCESS &&
        read == size;
}

void CBriscoSettings::Save(const char* name, DWORD type, const void* data, DWORD size)
{
    CSettingsKey key(true);
    if (key.Get() != nullptr)
        ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

std::string CBriscoSettings::LoadText(const char* name)
{
    CSettingsKey key(false);
    char text[MAX_PATH * 4] = {};
    DWORD read = sizeof text - 1;
    DWORD type = 0;
    if (key.Get() == nullptr ||
        ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &read) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return text;
}

void CBriscoSettings::SaveText(const char* name, const std::string& value)
{
    Save(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool CBriscoSettings::LoadPlacement(WINDOWPLACEMENT* placement)
{
    WINDOWPLACEMENT saved = {};
    if (!Load(kPlacementValue, &saved, sizeof saved) || saved.length != sizeof saved)
        return false;
    *placement = saved;
    return true;
}

void CBriscoSettings::SavePlacement(const WINDOWPLACEMENT& placement)
{
    Save(kPlacementValue, REG_BINARY, &placement, sizeof placement);
}

bool CBriscoSettings::LoadNumber(const char* name, DWORD* value)
{
    return Load(name, value, sizeof *value);
}

void CBriscoSettings::SaveNumber(const char* name, DWORD value)
{
    Save(name, REG_DWORD, &value, sizeof value);
}

void CBriscoSettings::DeleteAll()
{
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
}
