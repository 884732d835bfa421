// The agreement dialog: shows a text file and asks the user to accept
// (IDOK) or decline (IDCANCEL) it.
#pragma once

#include "winui/dialog.h"

#include <string>

class LicenseDialog : public winui::Dialog {
public:
    explicit LicenseDialog(const std::string& textFile, HWND parent = nullptr);
    ~LicenseDialog() override = default;

protected:
    bool OnInitDialog() override;

private:
    HWND m_pTextEdit = nullptr; // edit control 1008, owned by the dialog
    std::string m_sTextFile;
};
