// The standard shell command that a program's command line asks for.
#pragma once
#include <windows.h>
#include <string>
#include "framework/Object.h"

class CCommandLineInfo : public CObject {
public:
    enum { FileNew, FileOpen, FileNothing };

    int m_nShellCommand = FileNew;
    std::string m_strFileName;
    BOOL m_bShowSplash = TRUE;

    // One argument: a flag (without its - or /) or a file name.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);
};
