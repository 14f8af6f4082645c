// The one document: owns the driver handle and the tree of PCI functions scanned through it,
// rebuilds that tree on request and tells the views.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "decode/JournalRecorder.h"
#include "decode/WriteJournal.h"
#include "device/PciFunction.h"
#include "framework/Document.h"
#include "decode/MachineComparison.h"
#include "views/BusRescanner.h"
#include "views/ComparisonSource.h"

class CBriscoDoc : public CDocument, public CBusRescanner, public CComparisonSource {
    DECLARE_DYNCREATE(CBriscoDoc)
public:
    static constexpr char kDriverDevicePath[] = "\\\\.\\briscodrvDevice";
    static constexpr char kFatalErrorCaption[] = "Brisco - Fatal Error!";
    static constexpr char kFatalErrorText[] =
        "Failed to open the kernel-mode driver 'briscodrv.sys'!\r\n\r\n"
        "Please make sure the driver is installed and started\r\nbefore restarting Brisco.";

    // Why the last scan shows no tree, in the status bar's words.
    static constexpr char kNoHostBridgeText[] = "No host bridge on bus 0";
    static constexpr char kDriverRefusedText[] = "The driver refused every request";
    static constexpr char kNoDriverText[] = "No driver: Brisco cannot read this machine";
    // Why the tree starts at bus 0 itself.
    static constexpr char kBusZeroRootText[] = "No host bridge on bus 0: bus 0 is shown as the root";

    CBriscoDoc();
    ~CBriscoDoc() override;

    // Deletes the current tree, scans every bus again and sends HINT_MODEL_REBUILT.
    // Does nothing when the driver could not be opened. While a question about a function
    // is open it only notes the request: RunPendingRescan carries it out later.
    void RescanBus() override;
    // Rescans if a rescan was put off and no question is open any more; true if it did.
    bool RunPendingRescan();
    // Without the driver there is nothing to scan: Refresh is not offered.
    bool CanRescan() const override { return HasDriver(); }

    bool HasDriver() const { return m_hDriver != INVALID_HANDLE_VALUE; }
    // Whether a scan also sweeps every bus that no bridge of bus 0 reaches; kept in the settings.
    bool IsScanningAllRootBuses() const { return m_allRootBuses; }
    void SetScanningAllRootBuses(bool on);
    // Whether a scan probes functions 1..7 of a device whose function 0 does not answer; kept in
    // the settings.
    bool IsProbingEveryFunction() const { return m_everyFunction; }
    void SetProbingEveryFunction(bool on);

    // Starts comparing with the image (false with a "file:line: ..." message when it does not
    // load; an earlier comparison then stays), or ends the comparison.
    bool CompareWithImage(const std::string& path, std::string* error);
    void ClearComparison();
    const CMachineComparison* GetComparison() const override;

    // "brisco-20261207-1929.txt": the name Save Machine Image proposes for a moment.
    static std::string ProposedImageName(const SYSTEMTIME& time);
    // The value that remembers the folder of the last image saved or compared with.
    static constexpr char kImageFolderValue[] = "ImageFolder";

    void OnSaveMachineImage();
    void OnCompareWithImage();
    void OnClearComparison();
    void OnUpdateClearComparison(CCmdUI* pCmdUI);
    void OnScanAllRootBuses();
    void OnUpdateScanAllRootBuses(CCmdUI* pCmdUI);
    void OnProbeEveryFunction();
    void OnUpdateProbeEveryFunction(CCmdUI* pCmdUI);
    void OnSaveWriteJournal();
    void OnOpenLastJournal();
    void OnUpdateOpenLastJournal(CCmdUI* pCmdUI);
    CPciFunction* GetRoot() const { return m_pRoot.get(); }

    // The journal of every write this process makes, appended to its own file as it grows, and
    // the recorder that every tree the document builds reports its writes to.
    CWriteJournal& GetWriteJournal() { return *m_journal; }
    CJournalRecorder& GetJournalRecorder() { return *m_recorder; }
    // Takes journal entry index back on the current tree and refreshes the views; status
    // receives the status bar text. False when nothing was written.
    bool UndoJournalEntry(size_t index, std::string* status);
    // Undo Write: takes back the last write not yet undone; false with why when there is none.
    bool UndoLastWrite(std::string* status);
    bool CanUndoWrite() const;
    // The journal an earlier session of Brisco left without its end mark, found at start;
    // empty when every earlier one ended cleanly.
    const std::string& GetUncleanJournal() const { return m_uncleanJournal; }
    // Whether the start says so: once per such journal, and only when it holds a write.
    bool ShouldAnnounceUncleanJournal() const { return m_announceUnclean && m_scanFailure.empty(); }
    // The value that remembers the last unclean journal announced.
    static constexpr char kAnnouncedJournalValue[] = "AnnouncedJournal";
    // The status bar text that says so at start, until the first other message replaces it.
    static constexpr char kUncleanText[] =
        "An earlier Brisco session did not end cleanly; Options > Open Last Journal... shows its writes";
    // The program name journal files of the window begin with.
    static constexpr char kJournalPrefix[] = "brisco";
    // Empty unless the last scan failed or found no host bridge, or there is no driver: the status bar's words for it.
    const std::string& GetScanFailure() const { return m_scanFailure; }

protected:
    // Opens the given device instead of the driver's; lets tests start without a driver.
    explicit CBriscoDoc(const char* devicePath);

    DECLARE_MESSAGE_MAP()

private:
    // Creates this process's journal file, after finding any earlier one left unclean.
    void OpenJournal();
    // Asks the frame to show its idle text again, which says what the scan or comparison found.
    static void UpdateStatusText();
    // Asks for an image file, starting in the folder used last (else the documents folder);
    // Save proposes a name of the moment. The folder chosen is remembered.
    static bool PromptImagePath(bool save, std::string* path);

    HANDLE m_hDriver = INVALID_HANDLE_VALUE;
    std::unique_ptr<CPciFunction> m_pRoot;
    std::string m_scanFailure;
    bool m_allRootBuses = false;
    bool m_everyFunction = false;
    bool m_rescanPending = false;
    // How many buses the last complete scan went through: the next scan's progress counts to it.
    uint32_t m_lastBusCount = 0;
    CMachineComparison m_comparison;
    std::unique_ptr<CWriteJournal> m_journal;
    std::unique_ptr<CJournalRecorder> m_recorder;
    std::string m_uncleanJournal;
    bool m_announceUnclean = false;
};
