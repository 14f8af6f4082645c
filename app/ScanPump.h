// Keeps the window alive while the document scans: between the devices a scan probes it
// shows how far the scan has got in the status bar, lets the windows repaint and watches for
// Escape. Nothing else is dispatched meanwhile, so no command can act on the tree in the
// making or on the one it replaces, and the scan's requests stay those of a scan alone;
// other keys are held and queued again afterwards.
#pragma once
#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "device/PciFunction.h"

class CFrameWnd;

class CScanPump {
public:
    // The status line and the paints are kept to this rate, which is well above five a second.
    static constexpr DWORD kPumpIntervalMs = 50;

    // frame may be null (no window yet); a scan is cancellable by Escape only when cancellable.
    // previousBuses: how many buses the last scan found, the best guess of how many there are.
    CScanPump(CFrameWnd* frame, bool cancellable, uint32_t previousBuses);
    // Keys typed meanwhile go back to the queue, to act once the scan is over.
    ~CScanPump();
    CScanPump(const CScanPump&) = delete;
    CScanPump& operator=(const CScanPump&) = delete;

    // The scan's progress callback: false once Escape was pressed.
    bool Step(const CPciFunction::CScanProgress& progress);
    // "Scanning bus 12 of 200..."
    static std::string FormatProgress(const CPciFunction::CScanProgress& progress, uint32_t previousBuses);
    uint32_t GetBusesScanned() const { return m_busesScanned; }

private:
    void Pump();

    CFrameWnd* m_frame;
    bool m_cancellable;
    bool m_cancelled = false;
    uint32_t m_previousBuses;
    uint32_t m_busesScanned = 0;
    DWORD m_lastPump;
    std::string m_shown;
    std::vector<MSG> m_heldKeys;
};
