#include "ui/frmScanRemains.h"

#include <algorithm>

#include "remains/remains.h"
#include "cleanup/cleanup.h"
#include "uninstall/leftoverSearch.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/frmDetails.h"
#include "ui/uiCommon.h"

namespace purgeon {

using remains::ScanNode;

namespace {

enum ControlId {
    IDC_SCANING = 100,
    IDC_SCANINFO,
    IDC_REGINFO_LABEL,
    IDC_REGINFO,
    IDC_FILES_LABEL,
    IDC_FILES,
    IDC_DELETE,
};

constexpr int kClientWidth = 563;
constexpr int kClientHeight = 453;
constexpr int kTreeIndent = 19;
constexpr int kCheckImageSize = 16;

// Designed places, in client pixels.
constexpr RECT kScaningRect{8, 12, 78, 28};
constexpr RECT kScanInfoRect{80, 12, 80 + 457, 12 + 29};
constexpr RECT kRegInfoLabelRect{8, 52, 400, 68};
constexpr RECT kRegInfoRect{8, 72, 8 + 545, 72 + 153};
constexpr RECT kFilesLabelRect{8, 234, 400, 250};
constexpr RECT kFilesRect{8, 254, 8 + 545, 254 + 155};
constexpr RECT kDeleteRect{359, 419, 359 + 89, 419 + 25};
constexpr RECT kCancelRect{464, 419, 464 + 89, 419 + 25};

// The state images: position 0 is never shown (state 0 means "no image"), then the unchecked,
// checked and partly checked boxes, drawn here so the window needs no bitmap resource.
HIMAGELIST MakeCheckImages() {
    constexpr int size = kCheckImageSize;
    constexpr COLORREF kTransparent = RGB(255, 0, 255);
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 4, 0);
    if (!images) return nullptr;
    WindowDc screen(nullptr);
    UniqueDc dc(CreateCompatibleDC(screen.get()));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), size * 4, size));
    if (!dc || !bitmap) return images;
    {
        SelectedObject bitmapIn(dc.get(), bitmap.get());
        UniqueBrush background(CreateSolidBrush(kTransparent));
        RECT all{0, 0, size * 4, size};
        FillRect(dc.get(), &all, background.get());

        UniquePen frame(CreatePen(PS_SOLID, 1, RGB(64, 64, 64)));
        UniquePen mark(CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
        UniqueBrush partly(CreateSolidBrush(RGB(128, 128, 128)));
        SelectedObject brushIn(dc.get(), GetStockObject(WHITE_BRUSH));
        {
            SelectedObject penIn(dc.get(), frame.get());
            for (int image = 1; image <= 3; ++image) {
                const int x = image * size;
                Rectangle(dc.get(), x + 2, 2, x + 15, 15);
            }
        }
        SelectedObject markIn(dc.get(), mark.get());
        const int checkX = 2 * size;
        MoveToEx(dc.get(), checkX + 4, 8, nullptr);
        LineTo(dc.get(), checkX + 7, 11);
        LineTo(dc.get(), checkX + 12, 5);
        RECT inner{3 * size + 5, 5, 3 * size + 12, 12};
        FillRect(dc.get(), &inner, partly.get());
    }  // the bitmap leaves the DC before the image list takes it

    ImageList_AddMasked(images, bitmap.get(), kTransparent);
    return images;
}

UINT StateBits(int state) {
    return INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state));
}

// Why the scan left a finding unchecked, as the tree shows it beside the finding.
std::wstring ReasonText(remains::UncheckedReason reason) {
    switch (reason) {
        case remains::UncheckedReason::StillInstalled: return LangText(IDS_SCANFORM_UNCHECKED_StillInstalled);
        case remains::UncheckedReason::CommonName: return LangText(IDS_SCANFORM_UNCHECKED_CommonName);
        case remains::UncheckedReason::WindowsKeys: return LangText(IDS_SCANFORM_UNCHECKED_WindowsKeys);
        case remains::UncheckedReason::OtherPlace: return LangText(IDS_SCANFORM_UNCHECKED_OtherPlace);
        case remains::UncheckedReason::OtherProgram: return LangText(IDS_SCANFORM_UNCHECKED_OtherProgram);
        default: return L"";
    }
}

// A program's node in a scan of several: its findings below it, its mark theirs.
ScanNode GroupNode(const std::wstring& caption, std::vector<ScanNode> findings) {
    ScanNode group;
    group.text = caption;
    group.children = std::move(findings);
    group.state = remains::RolledUpState(group.children);
    return group;
}

HTREEITEM AddItem(HWND tree, HTREEITEM parent, const ScanNode& node) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_STATE;
    const std::wstring reason = node.reasonText.empty() ? ReasonText(node.reason) : node.reasonText;
    const std::wstring shown = reason.empty() ? node.text : node.text + L"    (" + reason + L")";
    insert.item.pszText = const_cast<wchar_t*>(shown.c_str());
    insert.item.state = StateBits(node.state);
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    for (const ScanNode& child : node.children) AddItem(tree, item, child);
    return item;
}

void SetItemState(HWND tree, HTREEITEM item, int state) {
    TVITEMW change{};
    change.mask = TVIF_STATE;
    change.hItem = item;
    change.state = StateBits(state);
    change.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
}

// The marks of the model onto the items, which mirror it node for node.
void ShowNodeStates(HWND tree, HTREEITEM first, const std::vector<ScanNode>& nodes) {
    HTREEITEM item = first;
    for (const ScanNode& node : nodes) {
        if (!item) return;
        SetItemState(tree, item, node.state);
        ShowNodeStates(tree, TreeView_GetChild(tree, item), node.children);
        item = TreeView_GetNextSibling(tree, item);
    }
}

// The item's child indices from the top level, which is how the model addresses its nodes.
remains::NodePath PathOf(HWND tree, HTREEITEM item) {
    remains::NodePath path;
    while (item) {
        size_t index = 0;
        for (HTREEITEM sibling = TreeView_GetPrevSibling(tree, item); sibling;
             sibling = TreeView_GetPrevSibling(tree, sibling))
            ++index;
        path.insert(path.begin(), index);
        item = TreeView_GetParent(tree, item);
    }
    return path;
}

}  // namespace

TScanForm::~TScanForm() {
    DestroyFormWindow();  // the window goes before the images its trees use
}

void TScanForm::Run(HWND owner, HINSTANCE instance, const remains::ScanRequest& request) {
    TScanForm form;
    if (form.Create(owner, instance, request)) form.RunModal(owner);
}

void TScanForm::Run(HWND owner, HINSTANCE instance, std::vector<RemainsScanPart> parts) {
    TScanForm form;
    if (form.Create(owner, instance, std::move(parts))) form.RunModal(owner);
}

void TScanForm::RunLeftovers(HWND owner, HINSTANCE instance, LeftoverFind find) {
    TScanForm form;
    if (form.CreateLeftovers(owner, instance, std::move(find))) form.RunModal(owner);
}

bool TScanForm::CreateLeftovers(HWND owner, HINSTANCE instance, LeftoverFind find) {
    findLeftovers_ = std::move(find);
    return Create(owner, instance, remains::ScanRequest{});
}

bool TScanForm::Create(HWND owner, HINSTANCE instance, const remains::ScanRequest& request) {
    return Create(owner, instance, std::vector<RemainsScanPart>{{request.keyName, request}});
}

bool TScanForm::Create(HWND owner, HINSTANCE instance, std::vector<RemainsScanPart> parts) {
    parts_ = std::move(parts);
    scanned_ = scanning_ = false;
    keys_.clear();
    files_.clear();
    keyParts_.clear();
    fileParts_.clear();
    if (!ShowMessage) ShowMessage = ShowPlainMessage;
    if (BackupDir.empty()) {
        const std::wstring programDir =
            AppPaths.ProgramDir.empty() ? ExtractFilePath(ModuleFileName(nullptr)) : AppPaths.ProgramDir;
        BackupDir = cleanup::CleanupsFolderOf(programDir);
    }
    return CreateForm(owner, instance, kClassName, L"Scan Remains", kClientWidth, kClientHeight, FormSize::Client);
}

void TScanForm::OnTimer(UINT_PTR id) {
    if (id == kStartTimerId) StartScan();
}

void TScanForm::OnCommand(WORD id, WORD code, HWND control) {
    if (!ClickedOrKey(code, control)) return;
    switch (id) {
        case IDC_DELETE: PressDelete(); break;
        case IDCANCEL: btnCancelClick(); break;  // also Esc
    }
}

// The trees take a mouse press on a check box before the tree view's own click handling, which
// would otherwise track the mouse first.
LRESULT CALLBACK TScanForm::TreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
        TVHITTESTINFO hit{};
        hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        HTREEITEM item = TreeView_HitTest(tree, &hit);
        if (item && (hit.flags & TVHT_ONITEMSTATEICON)) {
            auto* self = reinterpret_cast<TScanForm*>(data);
            GuardedHandle(tree, [&]() -> LRESULT {
                self->ToggleItem(tree, item);
                return 0;
            });
            return 0;
        }
    }
    return DefSubclassProc(tree, message, wParam, lParam);
}

void TScanForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    LOGFONTW designed{};
    designed.lfHeight = -Scaled(11);
    designed.lfCharSet = DEFAULT_CHARSET;
    wcscpy(designed.lfFaceName, L"MS Sans Serif");
    font_.reset(CreateFontIndirectW(&designed));
    HFONT font = font_.get();

    lblScaning_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kScaningRect), IDC_SCANING, instance_, font);
    // Registry paths have no blanks to wrap at: they break where the line ends instead.
    lblScanInfo_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX | SS_EDITCONTROL, Scaled(kScanInfoRect), IDC_SCANINFO,
                               instance_, font);
    lblRegInfoLeft_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kRegInfoLabelRect), IDC_REGINFO_LABEL, instance_, font);
    const DWORD treeStyle = TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP;
    tvScanRegInfo_ = MakeControl(hwnd, WC_TREEVIEWW, treeStyle, Scaled(kRegInfoRect), IDC_REGINFO, instance_, font,
                                 WS_EX_CLIENTEDGE);
    lblFileLeft_ = MakeControl(hwnd, WC_STATICW, SS_NOPREFIX, Scaled(kFilesLabelRect), IDC_FILES_LABEL, instance_, font);
    tvScanFiles_ = MakeControl(hwnd, WC_TREEVIEWW, treeStyle, Scaled(kFilesRect), IDC_FILES, instance_, font, WS_EX_CLIENTEDGE);
    // Cancel comes first in the tab order.
    btnCancel_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kCancelRect), IDCANCEL,
                             instance_, font);
    btnDelete_ = MakeControl(hwnd, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, Scaled(kDeleteRect), IDC_DELETE,
                             instance_, font);

    checkImages_.reset(MakeCheckImages());
    for (HWND tree : {tvScanRegInfo_, tvScanFiles_}) {
        SendMessageW(tree, TVM_SETINDENT, Scaled(kTreeIndent), 0);
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(checkImages_.get()));
        SetWindowSubclass(tree, TreeProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    SetTimer(hwnd, kStartTimerId, kStartDelayMs, nullptr);
}

void TScanForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(findLeftovers_ ? IDS_SCANFORM_LeftoversTitle : IDS_SCANFORM_Title).c_str());
    SetWindowTextW(lblScaning_, LangText(IDS_SCANFORM_LABEL_Scaning).c_str());
    SetWindowTextW(lblRegInfoLeft_, LangText(IDS_SCANFORM_LABEL_RegInfoLeft).c_str());
    SetWindowTextW(lblFileLeft_, LangText(IDS_SCANFORM_LABEL_FilesLeft).c_str());
    SetWindowTextW(btnDelete_, LangText(IDS_SCANFORM_BUTTON_Delete).c_str());
    SetWindowTextW(btnCancel_, LangText(IDS_SCANFORM_BUTTON_Cancel).c_str());
}

void TScanForm::Tell(const std::wstring& text) {
    if (ShowMessage) ShowMessage(hwnd_.get(), text);
}

// Throttled by the scan, so the window repaints without slowing the walk.
void TScanForm::Progress(const std::wstring& path) {
    if (!hwnd_) return;
    SetWindowTextW(lblScanInfo_, path.c_str());
    PumpPending();
}

void TScanForm::StartScan() {
    HWND hwnd = hwnd_.get();
    if (!hwnd || scanning_ || scanned_) return;
    KillTimer(hwnd, kStartTimerId);  // one shot: no later tick may start it again
    scanning_ = true;
    EnableWindow(hwnd, FALSE);
    EnableWindow(btnDelete_, FALSE);
    EnableWindow(btnCancel_, FALSE);

    const remains::ScanProgress progress = [this](const std::wstring& path) { Progress(path); };
    try {
        if (findLeftovers_) {
            remains::LeftoverTrees(findLeftovers_(progress), uninstall::LeftoverScoredText, keys_, files_);
        } else {
            for (size_t part = 0; part < parts_.size(); ++part) {
                remains::ScanFindings findings = remains::ScanRemains(parts_[part].request, progress);
                if (!Grouped()) {
                    keys_ = std::move(findings.keys);
                    files_ = std::move(findings.files);
                    break;
                }
                if (!findings.keys.empty()) {
                    keys_.push_back(GroupNode(parts_[part].caption, std::move(findings.keys)));
                    keyParts_.push_back(part);
                }
                if (!findings.files.empty()) {
                    files_.push_back(GroupNode(parts_[part].caption, std::move(findings.files)));
                    fileParts_.push_back(part);
                }
                if (!hwnd_) break;
            }
        }
    } catch (...) {
        scanning_ = false;
        if (hwnd_) EnableWindow(hwnd_.get(), TRUE);
        throw;
    }
    scanning_ = false;
    scanned_ = true;
    if (!hwnd_) return;
    FillTree(tvScanRegInfo_);
    PumpPending();  // each fill costs a repaint; the window answers between them
    if (!hwnd_) return;
    FillTree(tvScanFiles_);
    EnableWindow(hwnd, TRUE);

    if (keys_.empty() && files_.empty()) {
        Tell(LangText(findLeftovers_ ? IDS_SCANFORM_MESSAGE_NoLeftovers : IDS_MESSAGEBOX_WARNING_Noremains));
        btnCancelClick();
        return;
    }
    EnableWindow(btnDelete_, TRUE);
    EnableWindow(btnCancel_, TRUE);
}

void TScanForm::PressDelete() {
    if (!hwnd_ || !scanned_) return;
    SetWindowTextW(lblScanInfo_, L"");
    // With findings listed and none checked, Delete would change nothing: saying it succeeded
    // would claim a clean-up that never happened.
    if ((!keys_.empty() || !files_.empty()) && !cleanup::AnyChecked(keys_) && !cleanup::AnyChecked(files_)) {
        Tell(LangText(IDS_SCANFORM_MESSAGE_NothingChecked));
        return;
    }
    if (Grouped()) {
        DeleteEachProgram();
        return;
    }
    const bool hadFiles = !files_.empty();
    const remains::ScanRequest& request = parts_.front().request;
    // The registry part is saved and the files set aside; without a backup nothing is deleted.
    if (findLeftovers_) {
        // The program nodes name nothing to take: their findings go as one clean-up, and what
        // stayed returns under its program.
        std::vector<ScanNode> keys = remains::UngroupedNodes(keys_), files = remains::UngroupedNodes(files_);
        lastCleanup_ = uninstall::CleanLeftovers(keys, files, BackupDir);
        if (lastCleanup_.ran) {
            remains::RegroupNodes(keys_, std::move(keys));
            remains::RegroupNodes(files_, std::move(files));
        }
    } else {
        lastCleanup_ = cleanup::CleanRemains(keys_, files_,
                                             {BackupDir, request.keyName, remains::CleanInstallLocation(request.installLocation)});
    }
    lastCleanups_ = {lastCleanup_};
    if (!lastCleanup_.ran) {
        Tell(cleanup::BackupFailedMessage(lastCleanup_.error));
        return;
    }
    // The trees keep what stayed, still checked, so another Delete can try again.
    FillTree(tvScanRegInfo_);
    FillTree(tvScanFiles_);
    // Registry findings alone are not reported when they all went; what stayed always is.
    if (hadFiles || !lastCleanup_.AllGone()) Tell(cleanup::CleanupMessage(lastCleanup_.Outcomes()));
}

// One clean-up per program, each with its own backup folder and manifest naming that program, so
// the Undo window lists and restores each on its own. A program whose backup cannot be written
// keeps all its findings; the others go on.
void TScanForm::DeleteEachProgram() {
    const bool hadFiles = !files_.empty();
    std::vector<cleanup::ItemOutcome> outcomes;
    std::wstring failures;
    lastCleanups_.clear();
    auto groupOf = [](std::vector<ScanNode>& groups, const std::vector<size_t>& parts, size_t part) -> ScanNode* {
        for (size_t i = 0; i < parts.size(); ++i)
            if (parts[i] == part) return &groups[i];
        return nullptr;
    };
    for (size_t part = 0; part < parts_.size(); ++part) {
        ScanNode* keyGroup = groupOf(keys_, keyParts_, part);
        ScanNode* fileGroup = groupOf(files_, fileParts_, part);
        std::vector<ScanNode> keys, files;
        if (keyGroup) keys = std::move(keyGroup->children);
        if (fileGroup) files = std::move(fileGroup->children);
        if (cleanup::AnyChecked(keys) || cleanup::AnyChecked(files)) {
            const remains::ScanRequest& request = parts_[part].request;
            cleanup::CleanupResult result = cleanup::CleanRemains(
                keys, files, {BackupDir, request.keyName, remains::CleanInstallLocation(request.installLocation)});
            if (result.ran) {
                const std::vector<cleanup::ItemOutcome> done = result.Outcomes();
                outcomes.insert(outcomes.end(), done.begin(), done.end());
            } else {
                failures += parts_[part].caption + L": " + cleanup::BackupFailedMessage(result.error) + L"\r\n";
            }
            lastCleanups_.push_back(std::move(result));
        }
        if (keyGroup) keyGroup->children = std::move(keys);
        if (fileGroup) fileGroup->children = std::move(files);
    }
    if (!lastCleanups_.empty()) lastCleanup_ = lastCleanups_.back();
    // A program whose findings all went leaves no node behind; the others show what stayed.
    for (auto [groups, parts] : {std::pair{&keys_, &keyParts_}, std::pair{&files_, &fileParts_}}) {
        for (size_t i = groups->size(); i-- > 0;) {
            ScanNode& group = (*groups)[i];
            if (group.children.empty()) {
                groups->erase(groups->begin() + static_cast<std::ptrdiff_t>(i));
                parts->erase(parts->begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                group.state = remains::RolledUpState(group.children);
            }
        }
    }
    FillTree(tvScanRegInfo_);
    FillTree(tvScanFiles_);
    const bool allGone = std::all_of(lastCleanups_.begin(), lastCleanups_.end(),
                                     [](const cleanup::CleanupResult& result) { return result.AllGone(); });
    std::wstring message = failures;
    if (!outcomes.empty() && (hadFiles || !allGone)) message += cleanup::CleanupMessage(outcomes);
    if (!message.empty()) Tell(message);
}

void TScanForm::ToggleItem(HWND tree, HTREEITEM item) {
    if (!item) return;
    std::vector<ScanNode>& model = ModelOf(tree);
    remains::ToggleNodeCheck(model, PathOf(tree, item));
    ShowStates(tree);
}

void TScanForm::btnCancelClick() {
    done_ = true;
    if (hwnd_) ShowWindow(hwnd_.get(), SW_HIDE);
}

std::vector<ScanNode>& TScanForm::ModelOf(HWND tree) {
    return tree == tvScanFiles_ ? files_ : keys_;
}

void TScanForm::FillTree(HWND tree) {
    // Drawn once at the end: a tree that repaints for every node it is given takes far longer,
    // and one that is visible when drawing comes back on lays itself out again (a tenth of a
    // second under Wine) before it paints.
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    for (const ScanNode& node : ModelOf(tree)) {
        HTREEITEM item = AddItem(tree, TVI_ROOT, node);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }
    const bool visible = IsWindowVisible(tree);
    if (visible) ShowWindow(tree, SW_HIDE);
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    if (visible) ShowWindow(tree, SW_SHOW);
    InvalidateRect(tree, nullptr, TRUE);
}

void TScanForm::ShowStates(HWND tree) {
    ShowNodeStates(tree, TreeView_GetRoot(tree), ModelOf(tree));
}

}  // namespace purgeon
