// A dialog built from a dialog template of the program's resources, shown
// modally (DoModal) or modeless (Create), whose messages reach virtual handlers.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

class Dialog {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr);
    // Destroys a modeless window that is still open.
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Shows the dialog modally; answers the code passed to EndDialog (IDOK,
    // IDCANCEL, ...), or -1 when the template could not be loaded.
    INT_PTR DoModal();
    // Creates the dialog modeless (shown when its template says visible);
    // false when the window could not be created.
    bool Create(HWND parent = nullptr);
    void DestroyWindow();

    HWND hwnd() const { return hwnd_; }
    UINT templateId() const { return templateId_; }
    HWND GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    // Ends a modal dialog with `result`.
    void EndDialog(INT_PTR result);

protected:
    // Called when the window exists and before it is shown; answer true to let
    // the system set the focus.
    virtual bool OnInitDialog() { return true; }
    // The Enter key or the IDOK button; ends a modal dialog with IDOK.
    virtual void OnOK();
    // Esc, the close box or the IDCANCEL button; ends a modal dialog with
    // IDCANCEL, destroys a modeless one.
    virtual void OnCancel();
    // Any other message. Answer true when handled, with `result` as the
    // message's answer; false leaves it to the default dialog processing.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

} // namespace winui
