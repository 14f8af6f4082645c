#pragma once
// Steps and texts that the walkthrough, long-use and fault tests share.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/BriscoProcess.h"

inline constexpr char kConfigSpaceTabText[] = "Configuration Space";
// A function's tabs end with these two, after its BAR tabs.
inline constexpr char kCapabilitiesTabText[] = "Capabilities";
inline constexpr char kSpaceHexTabText[] = "Hex";
inline constexpr int kTrailingTabCount = 2;
inline constexpr char kWarningCaption[] = "Warning";
inline constexpr char kBarWarningText[] =
    "Modifying the Memory or I/O range associated with a BAR might\n"
    "have device-dependent side-effects. Do you want to continue?";
inline constexpr char kProbeQuestionText[] =
    "To determine the BAR size the PCI Function must be probed which may\n"
    "have device-dependent side-effects. Do you want to continue?";
inline constexpr char kWriteDeviceTrace[] = "CPciFunction::WriteDeviceData";

// Down presses that reach an item of the BAR page's context menu from no selection.
inline constexpr int kHexadecimalItem = 1;
inline constexpr int kByteWidthItem = 2;
inline constexpr int kWordWidthItem = 3;
inline constexpr int kDwordWidthItem = 4;
inline constexpr int kPageRefreshItem = 5;

inline constexpr char kOptionsMenuKey = 'o';
inline constexpr char kHelpMenuKey = 'h';
// Options opens with Refresh, its first item, selected.
inline constexpr int kRefreshFromTop = 0;

// What a BAR grid shows in one unit width.
struct CUnitWidthCase {
    int downPresses;
    int unitColumns;
    const char* sample;
    const char* lastHeading;
};

inline constexpr CUnitWidthCase kUnitWidthCases[] = {
    {kDwordWidthItem, 4, "00000000h", "+0ch"},
    {kWordWidthItem, 8, "0000h", "+0eh"},
    {kByteWidthItem, 16, "00h", "+0fh"},
};

// Opens the menu with Alt+letter, moves down and presses Enter.
bool ChooseFromMenuBar(const CBriscoProcess& brisco, char letter, int downPresses, std::string* why);
// Clicks a tab and answers Yes to every question it raises; the questions are returned.
bool OpenTab(const CBriscoProcess& brisco, int tab, std::vector<CDialogSeen>* questions);
// Whether the selected function has a BAR tab (it is tab 1 then).
bool HasBarTab(const CBriscoProcess& brisco);
// The grid behind a "BAR n" tab.
HWND BarListOfTab(const CBriscoProcess& brisco, int tab);
// Checks the shape of a BAR grid in the byte width and hexadecimal display.
void ExpectByteGrid(const CBriscoProcess& brisco, HWND grid);
int FindRegisterRow(const CBriscoProcess& brisco, HWND list, const std::string& name);
bool HasLine(const std::vector<std::string>& lines, const std::string& text);
bool DialogHasText(HWND dialog, const std::string& text);
