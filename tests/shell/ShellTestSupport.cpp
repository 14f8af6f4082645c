#include "tests/shell/ShellTestSupport.h"

namespace {

constexpr int kMaxText = 512;

}  // namespace

std::string WindowText(HWND hWnd)
{
    char text[kMaxText] = {};
    ::GetWindowTextA(hWnd, text, kMaxText);
    return text;
}
