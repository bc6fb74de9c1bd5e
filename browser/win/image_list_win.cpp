// The list dialog keeps its model in a record on the caller's stack (window word DWLP_USER);
// the list box shows the model and is made again from it after every operation. Operations
// mark themselves running, so that the messages the link dispatches while it waits cannot
// start a second one.
#include "browser/win/image_list_win.h"

#include <string>
#include <vector>

#include "base/messages.h"
#include "base/prompts.h"
#include "browser/win/status_dialogs.h"
#include "link/session/camera_tools.h"
#include "link/session/transfer.h"
#include "res/resource.h"

namespace {

// --- transfer path ----------------------------------------------------------------------------

struct PathRecord {
    CameraSession* s = nullptr;
    bool from_list = false;
};

enum PathAnswer { kPathOk = IDOK, kPathStop = IDCANCEL };

void ShowFolder(HWND dlg, const std::string& folder) {
    HWND field = GetDlgItem(dlg, IDC_DIR_PATH);
    SetWindowTextA(field, folder.c_str());
    const int end = GetWindowTextLengthA(field);
    SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(end), end);
}

INT_PTR CALLBACK PathProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* r = reinterpret_cast<PathRecord*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(r));
        ShowFolder(dlg, r->s->transfer.folder);
        PlaceDialog(dlg);
        return TRUE;
    }
    auto* r = reinterpret_cast<PathRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (!r || msg != WM_COMMAND) return FALSE;
    switch (LOWORD(wp)) {
        case IDOK:
            EndDialog(dlg, kPathOk);
            return TRUE;
        case IDCANCEL:
            if (r->from_list && AskYesNo(kAskCancelTransferPath) != kBoxYes) return TRUE;
            EndDialog(dlg, kPathStop);
            return TRUE;
        case IDC_DIR_BROWSE: {
            HWND saved = CurrentCameraWindow();
            SetCurrentCameraWindow(dlg);
            const bool chosen = ChooseTransferFolder(*r->s);
            SetCurrentCameraWindow(saved);
            if (chosen) {
                ShowFolder(dlg, r->s->transfer.folder);
            } else if (!r->from_list) {
                EndDialog(dlg, kPathStop);  // the browser's chooser Cancel ends the command
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// Where the files may go: not onto a CD-ROM, and only into a folder that is there. A network
// drive is taken as it is.
bool DestinationUsable(const std::string& folder) {
    std::string root;
    if (folder.size() >= 2 && folder[1] == ':') root = folder.substr(0, 2) + "\\";
    const UINT type = root.empty() ? DRIVE_UNKNOWN : GetDriveTypeA(root.c_str());
    if (type == DRIVE_REMOTE) return true;
    if (type == DRIVE_CDROM) {
        ShowError(kMsgCannotCopyDir);
        return false;
    }
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowError(kMsgNotReady);
        return false;
    }
    return true;
}

// --- the list ---------------------------------------------------------------------------------

struct ListRecord {
    CameraSession* s = nullptr;
    ImageListModel list;
    bool running = false;
    LinkError result = kLinkOk;
};

HWND g_list_dialog = nullptr;

ListRecord* RecordOf(HWND dlg) {
    return reinterpret_cast<ListRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

void Enable(HWND dlg, int id, bool on) {
    EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE);
}

void EnableCommands(HWND dlg, bool on) {
    Enable(dlg, IDC_LIST_TRANSFER, on);
    Enable(dlg, IDC_LIST_PREVIEW, on);
    Enable(dlg, IDC_LIST_DELETE, on);
}

// Makes the list box show the model: its lines and their selection.
void ShowModel(HWND dlg, const ImageListModel& list) {
    HWND box = GetDlgItem(dlg, IDC_IMAGE_LIST);
    SendMessageA(box, WM_SETREDRAW, FALSE, 0);
    SendMessageA(box, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < list.lines.size(); ++i) {
        SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.lines[i].c_str()));
        if (i < list.selected.size() && list.selected[i])
            SendMessageA(box, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    }
    SendMessageA(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

// The user's selection into the model.
void TakeSelection(HWND dlg, ImageListModel* list) {
    HWND box = GetDlgItem(dlg, IDC_IMAGE_LIST);
    for (size_t i = 0; i < list->selected.size(); ++i)
        SelectLine(list, static_cast<int>(i),
                   SendMessageA(box, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0);
}

void Close(HWND dlg, ListRecord& r) {
    if (g_list_dialog == dlg) g_list_dialog = nullptr;
    EndDialog(dlg, r.result == kLinkOk ? IDOK : IDCANCEL);
}

void Transfer(HWND dlg, ListRecord& r) {
    std::vector<int> images;
    for (int line : SelectedLines(r.list)) images.push_back(line + 1);
    if (images.empty()) return;
    if (ChooseTransferDestination(*r.s, dlg, static_cast<int>(images.size()), true) !=
        DestinationChoice::kChosen) {
        ShowModel(dlg, r.list);  // a Cancel may have cleared the selection
        return;
    }
    const LinkError code = TransferSelected(*r.s, images);
    DeselectAll(&r.list);
    ShowModel(dlg, r.list);
    if (code != kLinkOk) {
        r.result = code;
        Close(dlg, r);
    }
}

void Preview(HWND dlg, ListRecord& r) {
    const LinkError code = PreviewSelected(*r.s, &r.list);
    if (code != kLinkOk) {
        r.result = code;
        Close(dlg, r);
    }
}

void Delete(HWND dlg, ListRecord& r) {
    LinkError code = kLinkOk;
    if (r.list.select_all) {
        if (AskYesNo(kAskDeleteAll) == kBoxYes) {
            code = DeleteSelectedAll(*r.s, &r.list);
        } else {
            DeselectAll(&r.list);
        }
    } else {
        code = DeleteSelectedAsking(*r.s, &r.list);
    }
    r.list.select_all = false;
    ShowModel(dlg, r.list);
    if (code != kLinkOk) {
        r.result = code;
        Close(dlg, r);
    } else if (r.list.lines.empty()) {
        Close(dlg, r);
    }
}

INT_PTR CALLBACK ListProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* r = reinterpret_cast<ListRecord*>(lp);
        SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(r));
        g_list_dialog = dlg;
        SetCurrentCameraWindow(dlg);
        EnableCommands(dlg, false);
        SendMessageA(dlg, DM_SETDEFID, IDC_LIST_EXIT, 0);
        r->s->transfer.no_album_yet = true;
        BuildImageList(*r->s, &r->list);
        ShowModel(dlg, r->list);
        PlaceDialog(dlg);
        SetFocus(GetDlgItem(dlg, IDC_LIST_EXIT));
        return FALSE;  // the focus is set
    }
    ListRecord* r = RecordOf(dlg);
    if (!r || msg != WM_COMMAND) return FALSE;
    const int id = LOWORD(wp);
    if (id == IDC_IMAGE_LIST) {
        if (HIWORD(wp) == LBN_SELCHANGE && !r->running) {
            TakeSelection(dlg, &r->list);
            EnableCommands(dlg, true);
        }
        return TRUE;
    }
    if (r->running) return TRUE;  // one operation at a time
    r->running = true;
    switch (id) {
        case IDC_LIST_SELECT_ALL:
            EnableCommands(dlg, ToggleSelectAll(&r->list));
            ShowModel(dlg, r->list);
            break;
        case IDC_LIST_TRANSFER:
            TakeSelection(dlg, &r->list);
            Transfer(dlg, *r);
            break;
        case IDC_LIST_PREVIEW:
            if (!r->list.select_all) TakeSelection(dlg, &r->list);
            Preview(dlg, *r);
            break;
        case IDC_LIST_DELETE:
            if (!r->list.select_all) TakeSelection(dlg, &r->list);
            Delete(dlg, *r);
            break;
        case IDC_LIST_EXIT:
        case IDCANCEL:
            Close(dlg, *r);
            break;
        default:
            break;
    }
    r->running = false;
    return TRUE;
}

}  // namespace

DestinationChoice ChooseTransferDestination(CameraSession& s, HWND owner, int count,
                                            bool from_list) {
    for (;;) {
        if (!ChooseTransferFolder(s)) return DestinationChoice::kCancelled;
        PathRecord record;
        record.s = &s;
        record.from_list = from_list;
        const INT_PTR answer = DialogBoxParamA(DialogInstance(), "StatusDir", owner, PathProc,
                                               reinterpret_cast<LPARAM>(&record));
        if (answer == -1) {
            ShowError(kMsgUnexpected);
            return DestinationChoice::kCancelled;
        }
        if (answer != kPathOk) return DestinationChoice::kCancelled;
        if (!from_list && !DestinationUsable(s.transfer.folder)) continue;
        if (CheckFolderRoom(s, count)) return DestinationChoice::kChosen;
    }
}

LinkError RunImageListDialog(CameraSession& s, HWND owner) {
    ListRecord record;
    record.s = &s;
    HWND saved = CurrentCameraWindow();
    const INT_PTR answer = DialogBoxParamA(DialogInstance(), "MemReq", owner, ListProc,
                                           reinterpret_cast<LPARAM>(&record));
    g_list_dialog = nullptr;
    SetCurrentCameraWindow(saved);
    if (answer == -1) {
        ShowError(kMsgUnexpected);
        return kLinkFailed;
    }
    return record.result;
}

HWND ImageListWindow() {
    return g_list_dialog;
}

const ImageListModel* ImageListModelOf(HWND dlg) {
    const ListRecord* r = dlg ? RecordOf(dlg) : nullptr;
    return r ? &r->list : nullptr;
}

void ShowListLineSelected(int line) {
    HWND dlg = g_list_dialog;
    ListRecord* r = dlg ? RecordOf(dlg) : nullptr;
    if (!r) return;
    ShowModel(dlg, r->list);  // lines a delete renumbered
    SendMessageA(GetDlgItem(dlg, IDC_IMAGE_LIST), LB_SETSEL, TRUE, line);
}
