#include "windows/app/PortListDlg.h"

#include "windows/res/resource.h"

#include <utility>

CPortListDlg::CPortListDlg(UINT nIDTemplate, CComPortList ports)
    : CDialog(nIDTemplate), m_ports(std::move(ports))
{
}

BOOL CPortListDlg::OnInitDialog()
{
    // The template's items are COM1 to COM20, the list's first twenty.
    const int nTemplateItems = static_cast<int>(SendDlgItemMessage(IDC_PORT_COMBO, CB_GETCOUNT));
    for (int i = nTemplateItems; i < m_ports.Count(); ++i)
        SendDlgItemMessage(IDC_PORT_COMBO, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(m_ports.LabelAt(i).c_str()));
    CDialog::OnInitDialog();
    ShowDeviceName();
    return TRUE;
}

void CPortListDlg::DoDataExchange(CDataExchange* pDX)
{
    int nIndex = m_ports.IndexOf(m_strPort);
    DDX_CBIndex(pDX, IDC_PORT_COMBO, nIndex);
    if (pDX->m_bSaveAndValidate)
        m_strPort = m_ports.PortAt(nIndex);
}

INT_PTR CPortListDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_PORT_COMBO &&
        HIWORD(wParam) == CBN_SELCHANGE)
        ShowDeviceName();
    return CDialog::WindowProc(message, wParam, lParam);
}

void CPortListDlg::ShowDeviceName()
{
    const int nIndex = static_cast<int>(SendDlgItemMessage(IDC_PORT_COMBO, CB_GETCURSEL));
    ::SetDlgItemTextW(m_hWnd, IDC_PORT_NAME, m_ports.DeviceNameAt(nIndex).c_str());
}
