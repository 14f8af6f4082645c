// Helpers of the link label tests: a temporary handler for HTML files in the prefix's
// registry, and the log that the stand-in browser writes.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Points HKCR\.htm at a test class with the given open command (an empty command: the class
// key exists without a value), or removes every HTML handler (no command); the destructor
// puts back what was there. A value left behind by a crashed run counts as absent. Test
// programs of other builds that share the prefix wait for each other's overrides to end.
class CHtmlHandlerOverride {
public:
    static constexpr char kClassName[] = "Brisco.LinkLabelTest";

    explicit CHtmlHandlerOverride(const std::optional<std::string>& command);
    ~CHtmlHandlerOverride();
    CHtmlHandlerOverride(const CHtmlHandlerOverride&) = delete;
    CHtmlHandlerOverride& operator=(const CHtmlHandlerOverride&) = delete;

private:
    void SetClassValue(const std::string& value);
    static void DeleteTestClass();

    HANDLE m_hLock = nullptr;
    bool m_hadKey = false;
    std::optional<std::string> m_oldValue;
};

// The stand-in browser's log, emptied on construction and removed on destruction.
class CLinkLog {
public:
    CLinkLog();
    ~CLinkLog();
    CLinkLog(const CLinkLog&) = delete;
    CLinkLog& operator=(const CLinkLog&) = delete;

    // The lines logged so far, after waiting up to timeoutMs for at least count of them.
    std::vector<std::string> WaitForLines(size_t count, DWORD timeoutMs = 10000) const;

private:
    std::string m_path;
};

// The full path of the stand-in browser (next to the test program) in double quotes.
std::string QuotedLoggerPath();
// The colours of the pixels of a window's client area as its own painting draws them.
std::vector<COLORREF> PaintedPixels(HWND hWnd);
