#include "winui/dialog.h"

#include "winui/application.h"

#include <vector>

namespace winui {

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
    if (hwnd_ && !modal_)
        ::DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal() {
    modal_ = true;
    INT_PTR result = DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(templateId_), parent_,
                                     dialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool Dialog::Create(HWND parent) {
    if (hwnd_)
        return false;
    modal_ = false;
    if (parent)
        parent_ = parent;
    return CreateDialogParamA(resourceInstance(), MAKEINTRESOURCEA(templateId_), parent_,
                              dialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::DestroyWindow() {
    if (hwnd_ && !modal_)
        ::DestroyWindow(hwnd_);
}

HWND Dialog::GetDlgItem(int id) const {
    return hwnd_ ? ::GetDlgItem(hwnd_, id) : nullptr;
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
    if (hwnd_)
        ::SetDlgItemTextA(hwnd_, id, text.c_str());
}

std::string Dialog::GetDlgItemText(int id) const {
    HWND item = GetDlgItem(id);
    if (!item)
        return {};
    int length = GetWindowTextLengthA(item);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(item, text.data(), length + 1);
    return std::string(text.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void Dialog::EndDialog(INT_PTR result) {
    if (hwnd_ && modal_)
        ::EndDialog(hwnd_, result);
}

void Dialog::OnOK() {
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    if (modal_)
        EndDialog(IDCANCEL);
    else
        DestroyWindow();
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    INT_PTR answer = self->dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return answer;
}

INT_PTR Dialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (!OnMessage(message, wParam, lParam, result))
        return FALSE;
    // These messages answer through the procedure's own return value; the
    // others through the dialog's message result.
    switch (message) {
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

} // namespace winui
