// "ポート接続": picks the LED's COM port.
#pragma once

#include "windows/afx/Afx.h"
#include "windows/res/resource.h"

class CPortDlg : public CDialog {
public:
    CPortDlg() : CDialog(IDD_PORT_DIALOG) {}

    int m_nPortIndex = -1;  // combo index i is COM(i + 1)

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_CBIndex(pDX, IDC_PORT_COMBO, m_nPortIndex);
    }
};
