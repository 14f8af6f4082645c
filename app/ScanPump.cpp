#include "app/ScanPump.h"

#include <algorithm>

#include "framework/FrameWnd.h"

CScanPump::CScanPump(CFrameWnd* frame, bool cancellable, uint32_t previousBuses)
    : m_frame(frame),
      m_cancellable(cancellable),
      m_previousBuses(previousBuses),
      m_lastPump(::GetTickCount() - kPumpIntervalMs)
{
    // The first device already shows the line and hears a key pressed before the scan began.
}

CScanPump::~CScanPump()
{
    for (const MSG& key : m_heldKeys)
        ::PostMessageA(key.hwnd, key.message, key.wParam, key.lParam);
}

std::string CScanPump::FormatProgress(const CPciFunction::CScanProgress& progress, uint32_t previousBuses)
{
    const uint32_t total = std::max({progress.busesKnown, progress.busesScanned, previousBuses});
    return "Scanning bus " + std::to_string(progress.busesScanned) + " of " + std::to_string(total) + "...";
}

bool CScanPump::Step(const CPciFunction::CScanProgress& progress)
{
    m_busesScanned = progress.busesScanned;
    const DWORD now = ::GetTickCount();
    if (m_frame == nullptr || now - m_lastPump < kPumpIntervalMs)
        return !m_cancelled;
    m_lastPump = now;
    const std::string text = FormatProgress(progress, m_previousBuses);
    if (text != m_shown) {
        m_shown = text;
        m_frame->SetMessageText(text.c_str());
    }
    Pump();
    return !m_cancelled;
}

// Paints go through; keys are taken off the queue to find Escape, the others held for later;
// everything else waits in the queue for the scan to end.
void CScanPump::Pump()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && m_cancellable)
            m_cancelled = true;
        else
            m_heldKeys.push_back(message);
    }
    while (::PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
        ::DispatchMessageA(&message);
}
