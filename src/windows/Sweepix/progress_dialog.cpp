#include "progress_dialog.h"

#include "resource.h"
#include "winui/application.h"

ProgressDialog::ProgressDialog(HWND parent)
    : winui::Dialog(IDD_PROGRESS, parent),
      m_hIcon(LoadIconA(winui::resourceInstance(), MAKEINTRESOURCEA(IDI_PROGRAM))) {}

bool ProgressDialog::OnInitDialog() {
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return true;
}

bool ProgressDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_PAINT:
        if (!IsIconic(hwnd()))
            return false; // the default painting
        OnPaint();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
        return true;
    default:
        return false;
    }
}

// Minimised: the program icon, centred in the client area.
void ProgressDialog::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd(), &paint);
    SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd(), &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(hwnd(), &paint);
}
