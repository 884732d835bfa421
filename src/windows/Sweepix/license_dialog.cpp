#include "license_dialog.h"

#include "agreement_text.h"
#include "resource.h"

LicenseDialog::LicenseDialog(const std::string& textFile, HWND parent)
    : winui::Dialog(IDD_LICENSE, parent), m_sTextFile(textFile) {}

bool LicenseDialog::OnInitDialog() {
    m_pTextEdit = GetDlgItem(IDC_LICENSE_TEXT);
    if (m_pTextEdit)
        SetWindowTextA(m_pTextEdit, readAgreementText(m_sTextFile).c_str());
    return true;
}
