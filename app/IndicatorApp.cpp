#include "app/IndicatorApp.h"

#include "app/IndicatorDlg.h"

CIndicatorApp theApp;

BOOL CIndicatorApp::InitInstance()
{
    CIndicatorDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
