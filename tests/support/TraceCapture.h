#pragma once
#include <string>

// Collects the text that reaches the framework's debugger-output seam while it lives.
class CTraceCapture {
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    const std::string& Text() const { return m_text; }
    // Forgets what came so far, so that a check sees only the traces of the step after it.
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};
