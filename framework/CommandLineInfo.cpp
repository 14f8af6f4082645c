#include "framework/CommandLineInfo.h"

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL)
{
    if (bFlag) {
        // No flags are known; an unknown one is ignored like an empty argument.
        return;
    }
    if (m_strFileName.empty()) {
        m_strFileName = pszParam;
        m_nShellCommand = FileOpen;
    }
}
