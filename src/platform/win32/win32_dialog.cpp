// win32_dialog.cpp -- modal dialogs on Windows: the dialog resource of the template
// (compiled by windres from the same control table the SDL back-end draws), run with
// DialogBoxParam. The window procedure fills the list boxes and check boxes from the
// handler, reports selection changes, check boxes and buttons to it, and ends the dialog
// with the result of a button or with 0 on the close command. Escape (IDCANCEL) is left
// unhandled, so the dialog stays open.
//
// Test hook: with UMBRAVEL_DIALOG_REPORT=FILE in the environment, the dialog writes FILE
// once it is on the screen and again after every selection or check box change: its
// caption, its place and size, the screen's size, the focused control, and every list
// box's entries and selection and every check box's state as the controls hold them.
#include "platform/dialog.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/win32/win32_internal.h"

namespace platform {
namespace {

constexpr UINT kWriteReport = WM_APP + 1;

struct DialogContext {
    const DialogTemplate* dialog = nullptr;
    DialogHandler* handler = nullptr;
    std::map<int, std::vector<std::string>> shown;  // what each list box holds now
    std::string reportPath;
};

const DialogControl* FindControl(const DialogTemplate& dialog, int id) {
    if (id < 0) return nullptr;
    for (const DialogControl& c : dialog.controls)
        if (c.id == id) return &c;
    return nullptr;
}

// Brings every list box and check box in line with the handler: a list whose entries
// changed (a new renderer or device) is emptied and filled again, then the handler's
// selection is set.
void SyncControls(HWND hwnd, DialogContext& context) {
    for (const DialogControl& c : context.dialog->controls) {
        HWND control = GetDlgItem(hwnd, c.id);
        if (!control) continue;
        if (c.kind == DialogControl::List) {
            const std::vector<std::string>& items = context.handler->Items(c.id);
            std::vector<std::string>& shown = context.shown[c.id];
            if (shown != items) {
                SendMessageA(control, LB_RESETCONTENT, 0, 0);
                for (const std::string& item : items)
                    SendMessageA(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
                shown = items;
            }
            const int selection = context.handler->Selection(c.id);
            if (SendMessageA(control, LB_GETCURSEL, 0, 0) != selection)
                SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
        } else if (c.kind == DialogControl::Check) {
            CheckDlgButton(hwnd, c.id, context.handler->Checked(c.id) ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

// Reads the dialog back from its controls, not from the handler: the report shows what
// the user sees.
void WriteReport(HWND hwnd, const DialogContext& context) {
    std::string text;
    char line[512];
    GetWindowTextA(hwnd, line, sizeof line);
    text += std::string("caption ") + line + "\n";
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    std::snprintf(line, sizeof line, "window %ld %ld %ld %ld\nscreen %d %d\n", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, GetSystemMetrics(SM_CXSCREEN),
                  GetSystemMetrics(SM_CYSCREEN));
    text += line;
    // The middle of the close box, where the system draws the caption itself.
    std::snprintf(line, sizeof line, "closebox %ld %ld\n",
                  rect.right - GetSystemMetrics(SM_CXDLGFRAME) - GetSystemMetrics(SM_CXSIZE) / 2 - 2,
                  rect.top + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    text += line;
    HWND focus = GetFocus();
    std::snprintf(line, sizeof line, "focus %d\n", focus ? GetDlgCtrlID(focus) : 0);
    text += line;
    for (const DialogControl& c : context.dialog->controls) {
        HWND control = GetDlgItem(hwnd, c.id);
        if (!control) continue;
        if (c.kind == DialogControl::List) {
            const LRESULT count = SendMessageA(control, LB_GETCOUNT, 0, 0);
            std::snprintf(line, sizeof line, "list %d count %ld selected %ld\n", c.id, static_cast<long>(count),
                          static_cast<long>(SendMessageA(control, LB_GETCURSEL, 0, 0)));
            text += line;
            for (LRESULT i = 0; i < count; ++i) {
                const LRESULT length = SendMessageA(control, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
                std::string item(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
                SendMessageA(control, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
                item.resize(std::char_traits<char>::length(item.c_str()));
                text += "  " + item + "\n";
            }
        } else if (c.kind == DialogControl::Check) {
            std::snprintf(line, sizeof line, "check %d %d\n", c.id, IsDlgButtonChecked(hwnd, c.id) == BST_CHECKED);
            text += line;
        }
    }
    // Written aside and renamed, so a reader never sees half of it.
    const std::string partial = context.reportPath + ".partial";
    if (FILE* file = std::fopen(partial.c_str(), "wb")) {
        const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (std::fclose(file) == 0 && written)
            MoveFileExA(partial.c_str(), context.reportPath.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        context = reinterpret_cast<DialogContext*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        // Centred horizontally, at a third of the screen's height; the size stays.
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        // The program's icon in the title bar and the task bar too.
        HINSTANCE instance = GetModuleHandleA(nullptr);
        if (HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconResource)))
            SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        if (HANDLE icon = LoadImageA(instance, MAKEINTRESOURCEA(kProgramIconResource), IMAGE_ICON,
                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED))
            SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SyncControls(hwnd, *context);
        // The start button takes the keyboard focus (it is also the first tab stop, which
        // the system focuses when this message reports 1).
        if (HWND button = GetDlgItem(hwnd, context->dialog->defaultButton))
            SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
        if (!context->reportPath.empty()) PostMessageA(hwnd, kWriteReport, 0, 0);
        return TRUE;
    }
    case kWriteReport:
        // Posted: it arrives once the dialog is shown and its focus is set.
        if (context) WriteReport(hwnd, *context);
        return FALSE;
    case WM_COMMAND: {
        if (!context) return FALSE;
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        const DialogControl* control = FindControl(*context->dialog, id);
        if (!control) return FALSE;  // IDCANCEL from Escape among them: the dialog stays
        if (control->kind == DialogControl::List && code == LBN_SELCHANGE) {
            const auto selection = static_cast<int>(SendMessageA(reinterpret_cast<HWND>(lParam), LB_GETCURSEL, 0, 0));
            context->handler->OnSelect(id, selection);
            SyncControls(hwnd, *context);
            if (!context->reportPath.empty()) WriteReport(hwnd, *context);
        } else if (control->kind == DialogControl::Check && code == BN_CLICKED) {
            context->handler->OnCheck(id, IsDlgButtonChecked(hwnd, id) == BST_CHECKED);
            SyncControls(hwnd, *context);
            if (!context->reportPath.empty()) WriteReport(hwnd, *context);
        } else if (control->kind == DialogControl::Button && code == BN_CLICKED) {
            const int result = context->handler->OnCommand(id);
            if (result >= 0) EndDialog(hwnd, result);
        }
        return FALSE;
    }
    case WM_SYSCOMMAND:
        // The close box and the system menu's close item (Alt+F4).
        if ((wParam & 0xFFF0) == SC_CLOSE) EndDialog(hwnd, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int RunModalDialog(const DialogTemplate& dialog, DialogHandler& handler) {
    if (IsHeadless()) return kDialogUnavailable;
    DialogContext context;
    context.dialog = &dialog;
    context.handler = &handler;
    if (const char* report = std::getenv("UMBRAVEL_DIALOG_REPORT")) context.reportPath = report;
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog.resourceId), nullptr,
                                           DialogProc, reinterpret_cast<LPARAM>(&context));
    if (result == -1) {
        std::fprintf(stderr, "setup dialog: %s\n", Win32ErrorText("DialogBoxParam").c_str());
        return kDialogFailed;
    }
    return static_cast<int>(result);
}

}  // namespace platform
