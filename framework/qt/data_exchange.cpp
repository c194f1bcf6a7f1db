#include <QLineEdit>

#include "framework/data_exchange.h"

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_hWndLastControl) {
        m_hWndLastControl->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(m_hWndLastControl); edit && m_bEditLastControl)
            edit->selectAll();
    }
    throw CUserException();
}
