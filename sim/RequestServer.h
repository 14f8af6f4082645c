#pragma once
// The dispatch every source of the driver shares: one table gives each request's input rule,
// output size and handler, and the server checks a request against its row (lengths, the
// function address with its segment, the register, the range) before a source serves it.
#include "sim/MachineSource.h"
#include "sim/SimUtil.h"

#include <stdint.h>

// A request that passed its row's checks, with the fields the checks read from it.
struct CServedRequest
{
    const uint8_t* m_in;
    uint32_t m_inLength;
    uint8_t* m_out;
    uint32_t m_outLength;
    uint32_t* m_returned;
    // Requests that name a function.
    uint16_t m_segment;
    uint32_t m_bus;
    uint32_t m_device;
    uint32_t m_function;
    // Register requests.
    uint32_t m_offset;
    uint32_t m_size;
    // Range requests; m_wide: a 64-bit address (806h/807h).
    bool m_wide;
    uint8_t m_space;
    uint64_t m_address;
    uint32_t m_unit;
    uint32_t m_bytes;
    const uint8_t* m_data; // a range write's data
};

class CRequestServer : public CMachineSource {
public:
    // Checks the request against its row and hands it to the row's handler.
    uint32_t Dispatch(uint32_t code, const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength,
                      uint32_t* returned) final;

    // The PCI segments served, ascending; a request naming another is refused.
    uint32_t GetSegmentCount() const { return m_segments.Count(); }
    uint16_t GetSegment(uint32_t index) const { return m_segments[index]; }
    bool ServesSegment(uint16_t segment) const;

    // One row of the request table.
    enum class EInput : uint8_t {
        kExact,         // exactly m_inSize bytes
        kAtLeast,       // m_inSize bytes or more
        kRange,         // a range header of m_inSize bytes, exactly
        kRangeWithData, // a range header, then the length it declares (and the trailer of 805h)
    };
    enum class EOutput : uint8_t {
        kNone,
        kAtLeast,      // room for m_outSize bytes
        kRangeData,    // room for the length the range header declares
        kSourceAnswer, // room for the answer of 809h with every served segment
    };
    enum : uint8_t {
        kFunctionAddress = 1, // the input starts with a function address
        kRegister = 2,        // then a register offset and size
        kWideRange = 4,       // the range header carries a 64-bit address
        kSimulatorOnly = 8,   // served only by a source that takes the simulator's controls
    };
    using Handler = uint32_t (CRequestServer::*)(const CServedRequest& request);
    struct CRow
    {
        uint32_t m_code;
        EInput m_input;
        uint32_t m_inSize;
        uint8_t m_fields; // kFunctionAddress, kRegister, kWideRange, kSimulatorOnly
        EOutput m_output;
        uint32_t m_outSize;
        Handler m_handler;
    };
    // The table: nullptr when no row has the code.
    static const CRow* FindRow(uint32_t code);

protected:
    CRequestServer() = default;
    ~CRequestServer() override { m_segments.Release(); }

    // The segment list is the source's to fill; duplicates are kept once.
    bool AddSegment(uint16_t segment);
    void ClearSegments() { m_segments.Release(); }

    virtual uint32_t ServeProbe(const CServedRequest& request) = 0;
    // 802h (whole: false) and 808h.
    virtual uint32_t ServeReadSpace(const CServedRequest& request, bool whole) = 0;
    virtual uint32_t ServeReadConfig(const CServedRequest& request) = 0;
    virtual uint32_t ServeWriteConfig(const CServedRequest& request) = 0;
    virtual uint32_t ServeReadDevice(const CServedRequest& request) = 0;
    virtual uint32_t ServeWriteDevice(const CServedRequest& request) = 0;
    // The simulator's fault control, served where TakesSimulatorControls() says so.
    virtual bool TakesSimulatorControls() const { return false; }
    virtual uint32_t ServeSetFault(const CServedRequest& request);
    // What 809h says besides the segments: kSourceKindImage or kSourceKindLive, and whether writes are taken.
    virtual uint32_t SourceKind() const = 0;
    virtual bool TakesConfigWrites() const = 0;

private:
    uint32_t ServeConfigSpace(const CServedRequest& request) { return ServeReadSpace(request, false); }
    uint32_t ServeWholeSpace(const CServedRequest& request) { return ServeReadSpace(request, true); }
    uint32_t ServeDescribeSource(const CServedRequest& request);
    uint32_t CheckInput(const CRow& row, CServedRequest* request) const;
    uint32_t CheckOutput(const CRow& row, const CServedRequest& request) const;
    uint32_t CheckAddress(CServedRequest* request) const;
    static uint32_t CheckRegister(CServedRequest* request);
    static uint32_t CheckRange(CServedRequest* request);

    static const CRow s_rows[];
    CSimArray<uint16_t> m_segments;
};
