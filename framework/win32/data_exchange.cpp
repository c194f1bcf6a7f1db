#include "framework/data_exchange.h"

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_hWndLastControl) {
        // WM_NEXTDLGCTL moves the focus as the dialog manager does, default button included.
        SendMessageW(m_pDlgWnd->m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_hWndLastControl),
                     TRUE);
        if (m_bEditLastControl)
            SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CUserException();
}
