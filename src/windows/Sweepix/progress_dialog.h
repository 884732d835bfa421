// The modeless progress dialog that names the clean-up step under way.
#pragma once

#include "winui/dialog.h"

class ProgressDialog : public winui::Dialog {
public:
    explicit ProgressDialog(HWND parent = nullptr);
    ~ProgressDialog() override = default;

    HICON icon() const { return m_hIcon; }

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnPaint();
    HICON OnQueryDragIcon() const { return m_hIcon; }

    HICON m_hIcon; // a shared resource icon: never destroyed
};
