// What a Windows program under Wine reaches of the Linux host's PCI files, the
// assumptions the live machine rests on: sysfs and procfs read through the Z:
// drive, folders with colons list, missing paths fail with the codes below, and
// names with colons can be created (the fake trees of the tests need that).
// Nothing here writes to a device or reads a device's range.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kDevices[] = "Z:\\sys\\bus\\pci\\devices";

// The whole file, read to its end whatever size it reports; false when it does not open.
bool ReadAll(const std::string& path, std::string* bytes, DWORD* reportedSize, DWORD* error)
{
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    *error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    *reportedSize = GetFileSize(file, nullptr);
    char buffer[4096];
    DWORD got = 0;
    bytes->clear();
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) {
        bytes->append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

std::vector<std::string> ListFunctions(DWORD* attributes)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((std::string(kDevices) + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (entry.cFileName[0] != '.') {
            names.push_back(entry.cFileName);
            *attributes = entry.dwFileAttributes;
        }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

class HostFiles : public testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(kDevices) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "/sys/bus/pci/devices does not exist on this host";
        }
    }
};

TEST_F(HostFiles, SysfsAndProcfsReadThroughTheZDrive)
{
    DWORD attributes = 0;
    const std::vector<std::string> names = ListFunctions(&attributes);
    ASSERT_FALSE(names.empty()) << "the folder exists but lists nothing";
    // Entries are Linux's symbolic links: folders that are also reparse points.
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    std::string procList;
    DWORD size = 0;
    DWORD error = 0;
    const bool procfs = ReadAll("Z:\\proc\\bus\\pci\\devices", &procList, &size, &error);
    if (procfs) {
        EXPECT_EQ(size, 0u) << "procfs reports size 0, so it is read to its end";
        EXPECT_FALSE(procList.empty());
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::string config;
        ASSERT_TRUE(ReadAll(std::string(kDevices) + "\\" + name + "\\config", &config, &size, &error))
            << "error " << error;
        EXPECT_TRUE(size == 256 || size == 4096) << size;
        // Other users than root read 64 bytes whatever the size says.
        EXPECT_TRUE(config.size() == size || config.size() == 64) << config.size();
        std::printf("%s: config size %lu, %zu bytes read\n", name.c_str(), size, config.size());
        if (procfs && name.compare(0, 5, "0000:") == 0) {
            std::string proc;
            const std::string procName = "Z:\\proc\\bus\\pci\\" + name.substr(5, 2) + "\\" + name.substr(8);
            ASSERT_TRUE(ReadAll(procName, &proc, &size, &error)) << procName << ": error " << error;
            EXPECT_EQ(proc.substr(0, 64), config.substr(0, 64));
        }
    }
}

TEST_F(HostFiles, MissingPathsAndDeviceFilesFailWithTheseCodes)
{
    DWORD attributes = 0;
    const std::vector<std::string> names = ListFunctions(&attributes);
    ASSERT_FALSE(names.empty());
    const std::string function = std::string(kDevices) + "\\" + names.front();
    struct Case
    {
        const char* name;
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {"a function Linux does not list", std::string(kDevices) + "\\0000:ff:1f.7\\config", ERROR_PATH_NOT_FOUND},
        {"a file the function does not have", function + "\\no-such-file", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes;
        DWORD size = 0;
        DWORD error = 0;
        EXPECT_FALSE(ReadAll(c.path, &bytes, &size, &error));
        EXPECT_EQ(error, c.error);
    }
    // Device memory: Wine opens no /dev/mem; where Linux has no such file either the code is "not found".
    HANDLE memory = CreateFileA("Z:\\dev\\mem", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    const DWORD memoryError = memory == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    EXPECT_EQ(memory, INVALID_HANDLE_VALUE);
    if (memory != INVALID_HANDLE_VALUE) {
        CloseHandle(memory);
    }
    std::printf("Z:\\dev\\mem: error %lu\n", memoryError);
    // Which resourceN files open (never read: reading a device's range can change it).
    for (const std::string& name : names) {
        std::string resource;
        DWORD size = 0;
        DWORD error = 0;
        ReadAll(std::string(kDevices) + "\\" + name + "\\resource", &resource, &size, &error);
        unsigned long long start = 0, end = 0, flags = 0;
        const char* line = resource.c_str();
        for (int slot = 0; slot < 7 && *line; ++slot) {
            if (std::sscanf(line, "%llx %llx %llx", &start, &end, &flags) == 3 && end) {
                const std::string path = std::string(kDevices) + "\\" + name + "\\resource" + std::to_string(slot);
                HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
                std::printf("%s resource%d (%s): %s %lu\n", name.c_str(), slot, (flags & 0x100) ? "I/O" : "memory",
                            file == INVALID_HANDLE_VALUE ? "error" : "opens",
                            file == INVALID_HANDLE_VALUE ? GetLastError() : 0);
                if (file != INVALID_HANDLE_VALUE) {
                    CloseHandle(file);
                }
            }
            const char* next = std::strchr(line, '\n');
            line = next ? next + 1 : "";
        }
    }
}

TEST(HostNames, NamesWithColonsAreCreatedThroughTheZDrive)
{
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(sizeof(temp), temp), 0u);
    const std::string folder = std::string(temp) + "brisco-colons-" + std::to_string(GetCurrentProcessId());
    const std::string function = folder + "\\0000:00:01.0";
    const std::string file = function + "\\config";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
    EXPECT_TRUE(CreateDirectoryA(function.c_str(), nullptr)) << GetLastError();
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, "\x86\x80", 2, &written, nullptr));
    CloseHandle(handle);
    std::string bytes;
    DWORD size = 0;
    DWORD error = 0;
    EXPECT_TRUE(ReadAll(file, &bytes, &size, &error));
    EXPECT_EQ(bytes, "\x86\x80");
    DeleteFileA(file.c_str());
    RemoveDirectoryA(function.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
