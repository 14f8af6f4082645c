#include "compat/CompatRegistry.h"
#include <cstring>
#include <strings.h>

namespace {

constexpr REGSAM kAllAccess = KEY_ALL_ACCESS | KEY_READ;

} // namespace

bool CCompatRegistry::CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

CCompatRegistry::CCompatRegistry()
    : m_classesRoot(std::make_shared<CKey>()),
      m_currentUser(std::make_shared<CKey>()),
      m_localMachine(std::make_shared<CKey>())
{
}

CCompatRegistry::~CCompatRegistry() = default;

std::shared_ptr<CCompatRegistry::CKey> CCompatRegistry::Root(HKEY root) const
{
    if (root == HKEY_LOCAL_MACHINE)
        return m_localMachine;
    if (root == HKEY_CLASSES_ROOT)
        return m_classesRoot;
    if (root == HKEY_CURRENT_USER)
        return m_currentUser;
    return nullptr;
}

std::shared_ptr<CCompatRegistry::CKey> CCompatRegistry::Resolve(HKEY key, REGSAM* access) const
{
    if (auto root = Root(key)) {
        *access = kAllAccess;
        return root;
    }
    auto it = m_handles.find(key);
    if (it == m_handles.end())
        return nullptr;
    *access = it->second->m_access;
    return it->second->m_key;
}

std::vector<std::string> CCompatRegistry::SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

std::shared_ptr<CCompatRegistry::CKey> CCompatRegistry::Walk(std::shared_ptr<CKey> from, const std::string& path,
                                                             bool create) const
{
    for (const std::string& part : SplitPath(path)) {
        auto it = from->m_subkeys.find(part);
        if (it == from->m_subkeys.end()) {
            if (!create)
                return nullptr;
            it = from->m_subkeys.emplace(part, std::make_shared<CKey>()).first;
        }
        from = it->second;
    }
    return from;
}

void CCompatRegistry::SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                               const std::vector<uint8_t>& data)
{
    auto key = Walk(Root(root), path, true);
    key->m_values[name] = CValue{type, data};
}

void CCompatRegistry::CreateKey(HKEY root, const std::string& path)
{
    Walk(Root(root), path, true);
}

void CCompatRegistry::DeleteKey(HKEY root, const std::string& path)
{
    auto parts = SplitPath(path);
    if (parts.empty())
        return;
    std::string last = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts)
        parentPath += p + "\\";
    if (auto parent = Walk(Root(root), parentPath, false))
        parent->m_subkeys.erase(last);
}

LONG CCompatRegistry::Open(HKEY key, LPCSTR subKey, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    REGSAM parentAccess;
    auto from = Resolve(key, &parentAccess);
    if (!from)
        return ERROR_INVALID_HANDLE;
    auto target = Walk(from, subKey ? subKey : "", false);
    if (!target)
        return ERROR_FILE_NOT_FOUND;
    auto handle = std::make_unique<CHandle>(CHandle{target, access});
    HKEY hkey = reinterpret_cast<HKEY>(handle.get());
    m_handles.emplace(hkey, std::move(handle));
    *result = hkey;
    return ERROR_SUCCESS;
}

LONG CCompatRegistry::EnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars)
{
    REGSAM access;
    auto k = Resolve(key, &access);
    if (!k)
        return ERROR_INVALID_HANDLE;
    if (!(access & KEY_ENUMERATE_SUB_KEYS))
        return ERROR_ACCESS_DENIED;
    if (!name || !nameChars)
        return ERROR_INVALID_PARAMETER;
    if (index >= k->m_subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = k->m_subkeys.begin();
    std::advance(it, index);
    const std::string& text = it->first;
    if (text.size() + 1 > *nameChars)
        return ERROR_MORE_DATA;
    std::memcpy(name, text.c_str(), text.size() + 1);
    *nameChars = DWORD(text.size());
    return ERROR_SUCCESS;
}

LONG CCompatRegistry::QueryValue(HKEY key, LPCSTR name, LPDWORD type, LPBYTE data, LPDWORD dataBytes)
{
    REGSAM access;
    auto k = Resolve(key, &access);
    if (!k)
        return ERROR_INVALID_HANDLE;
    if (!(access & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    if (data && !dataBytes)
        return ERROR_INVALID_PARAMETER;
    auto it = k->m_values.find(name ? name : "");
    if (it == k->m_values.end())
        return ERROR_FILE_NOT_FOUND;
    const CValue& value = it->second;
    if (type)
        *type = value.m_type;
    if (!dataBytes)
        return ERROR_SUCCESS;
    DWORD size = DWORD(value.m_data.size());
    if (data && *dataBytes < size) {
        *dataBytes = size;
        return ERROR_MORE_DATA;
    }
    if (data && size)
        std::memcpy(data, value.m_data.data(), size);
    *dataBytes = size;
    return ERROR_SUCCESS;
}

LONG CCompatRegistry::QueryDefaultText(HKEY key, LPCSTR subKey, LPSTR data, PLONG dataBytes)
{
    HKEY sub;
    LONG status = Open(key, subKey, KEY_QUERY_VALUE, &sub);
    if (status != ERROR_SUCCESS)
        return status;
    std::string text;
    REGSAM access;
    auto k = Resolve(sub, &access);
    auto it = k->m_values.find("");
    if (it != k->m_values.end() && (it->second.m_type == REG_SZ || it->second.m_type == REG_EXPAND_SZ))
        text.assign(it->second.m_data.begin(), it->second.m_data.end());
    Close(sub);
    if (text.empty() || text.back() != '\0')
        text.push_back('\0');
    if (!dataBytes)
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    LONG size = LONG(text.size());
    if (data && *dataBytes < size) {
        *dataBytes = size;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::memcpy(data, text.data(), text.size());
    *dataBytes = size;
    return ERROR_SUCCESS;
}

LONG CCompatRegistry::Close(HKEY key)
{
    if (Root(key))
        return ERROR_SUCCESS;
    return m_handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
