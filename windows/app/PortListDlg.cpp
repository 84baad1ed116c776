#include "windows/app/PortListDlg.h"

#include "core/Platform.h"
#include "core/Texts.h"
#include "windows/res/resource.h"

#include <utility>

namespace {

// The mark of the configured port while its adapter is not plugged in.
std::wstring MarkedUnplugged(const std::wstring& strText)
{
    return texts::Fill(sys::LocalText(texts::kPortNotPresent).c_str(), strText);
}

}  // namespace

CPortListDlg::CPortListDlg(UINT nIDTemplate, CComPortList ports)
    : CDialog(nIDTemplate), m_ports(std::move(ports))
{
}

BOOL CPortListDlg::OnInitDialog()
{
    // The template's items are COM1 to COM20, the list's first twenty.
    const int nTemplateItems = static_cast<int>(SendDlgItemMessage(IDC_PORT_COMBO, CB_GETCOUNT));
    for (int i = nTemplateItems; i < m_ports.Count(); ++i) {
        const std::wstring strPort = m_ports.PortAt(i);
        const std::wstring strLabel = m_ports.IsUnpluggedAt(i) ? MarkedUnplugged(strPort) : strPort;
        SendDlgItemMessage(IDC_PORT_COMBO, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(strLabel.c_str()));
    }
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
    std::wstring strName = m_ports.DeviceNameAt(nIndex);
    // The line under the list has the room that the narrow list lacks for the whole mark.
    if (m_ports.IsUnpluggedAt(nIndex))
        strName = MarkedUnplugged(strName.empty() ? m_ports.PortAt(nIndex) : strName);
    ::SetDlgItemTextW(m_hWnd, IDC_PORT_NAME, strName.c_str());
}
