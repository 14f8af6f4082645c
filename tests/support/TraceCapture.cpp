#include "tests/support/TraceCapture.h"

#include "framework/TestSeams.h"

CTraceCapture::CTraceCapture()
{
    CTestSeams::s_trace = [this](const std::string& text) { m_text += text; };
}

CTraceCapture::~CTraceCapture()
{
    CTestSeams::s_trace = nullptr;
}
