// The application object: runs the hidden main dialog, and the program ends when it ends.
#pragma once

#include "windows/afx/Afx.h"

class CIndicatorApp : public CWinApp {
public:
    BOOL InitInstance() override;
};

extern CIndicatorApp theApp;
