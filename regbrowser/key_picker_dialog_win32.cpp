#include "regbrowser/key_picker_dialog_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/font_win32.h"

namespace vindra::regbrowser {
namespace {

// An empty in-memory dialog template; the controls are created in
// WM_INITDIALOG with pixel positions. No resource file is involved.
struct alignas(4) EmptyDialogTemplate {
  DLGTEMPLATE header;
  WORD menu = 0;
  WORD window_class = 0;
  WORD title = 0;
};

// Draws the two 16x16 images of the tree's image list side by side into a
// 32x16 bitmap with a magenta background (the mask colour): 0 a computer,
// 1 a yellow folder.
HBITMAP DrawTreeImages(HDC screen) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 16);
  HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  auto fill = [dc](int l, int t, int r, int b, COLORREF colour) {
    RECT rc = {l, t, r, b};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  };
  auto frame = [&fill](int l, int t, int r, int b, COLORREF colour) {
    fill(l, t, r, t + 1, colour);
    fill(l, b - 1, r, b, colour);
    fill(l, t, l + 1, b, colour);
    fill(r - 1, t, r, b, colour);
  };
  const COLORREF mask = RGB(255, 0, 255);
  fill(0, 0, 32, 16, mask);

  // Computer: a grey monitor with a blue screen on a stand.
  fill(1, 1, 15, 11, RGB(192, 192, 192));
  frame(1, 1, 15, 11, RGB(64, 64, 64));
  fill(3, 3, 13, 9, RGB(0, 64, 160));
  fill(4, 4, 8, 5, RGB(96, 160, 255));
  fill(7, 11, 9, 13, RGB(128, 128, 128));
  fill(3, 13, 13, 15, RGB(192, 192, 192));
  frame(3, 13, 13, 15, RGB(64, 64, 64));

  // Folder: a yellow body with a tab, darker outline.
  const int x = 16;
  fill(x + 1, 3, x + 7, 5, RGB(240, 200, 64));
  frame(x + 1, 3, x + 7, 5, RGB(150, 110, 0));
  fill(x + 1, 4, x + 15, 14, RGB(255, 220, 96));
  frame(x + 1, 4, x + 15, 14, RGB(150, 110, 0));
  fill(x + 2, 6, x + 14, 7, RGB(255, 240, 160));

  SelectObject(dc, old_bitmap);
  DeleteDC(dc);
  return bitmap;
}

HIMAGELIST CreateTreeImages(HWND reference) {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
  if (!images) return nullptr;
  HDC screen = GetDC(reference);
  HBITMAP bitmap = DrawTreeImages(screen);
  ReleaseDC(reference, screen);
  ImageList_AddMasked(images, bitmap, RGB(255, 0, 255));
  DeleteObject(bitmap);
  return images;
}

class KeyPickerWindow final : public KeyPickerDialog, private KeyPickerView {
 public:
  KeyPickerWindow(registry::RegistrySource& registry, HWND owner) : owner_(owner), picker_(registry, *this) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    EmptyDialogTemplate tmpl{};
    tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME;
    tmpl.header.cx = 200;
    tmpl.header.cy = 150;
    hwnd_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.header, owner_, &DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (!hwnd_ || !tree_) {
      Destroy();
      throw std::runtime_error("レジストリキーの選択ダイアログを作成できません");
    }
    picker_.AddRootKeys();
  }

  ~KeyPickerWindow() override { Destroy(); }

  KeyPicker& Picker() override { return picker_; }

  void SetWindowFont(const platform::FontDescription& font) override {
    HFONT created = platform::CreateFontFrom(font);
    if (!created) return;
    if (window_font_) DeleteObject(window_font_);
    window_font_ = created;
    for (HWND control : {label_, tree_, ok_, cancel_}) SendMessageA(control, WM_SETFONT, (WPARAM)window_font_, TRUE);
    FitLabel();
  }

  void SetTreeFont(const platform::FontDescription& font) override {
    HFONT created = platform::CreateFontFrom(font);
    if (!created) return;
    if (tree_font_) DeleteObject(tree_font_);
    tree_font_ = created;
    SendMessageA(tree_, WM_SETFONT, (WPARAM)tree_font_, TRUE);
  }

  void SetTitle(std::string_view title) override { SetWindowTextA(hwnd_, std::string(title).c_str()); }

  void SetCaption(std::string_view caption) override {
    SetWindowTextA(label_, std::string(caption).c_str());
    FitLabel();
  }

  bool ShowModal() override {
    result_ = 0;
    picker_.PrepareToShow();
    RethrowPendingError();
    const bool owner_was_enabled = owner_ && IsWindowEnabled(owner_);
    if (owner_was_enabled) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(tree_);
    MSG msg;
    while (result_ == 0) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the outer loop
        result_ = IDCANCEL;
        break;
      }
      if (got == -1) {
        result_ = IDCANCEL;
        break;
      }
      if (!IsDialogMessageA(hwnd_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    // Enable the owner before hiding, so that it gets the activation back.
    if (owner_was_enabled) EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    RethrowPendingError();
    return result_ == IDOK;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    KeyPickerWindow* self = nullptr;
    if (message == WM_INITDIALOG) {
      self = reinterpret_cast<KeyPickerWindow*>(lparam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, lparam);
      self->hwnd_ = hwnd;
    } else {
      self = reinterpret_cast<KeyPickerWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return FALSE;
    // Errors must not unwind through the system's window code: keep the
    // first one, close the dialog and rethrow it from ShowModal.
    try {
      return self->Handle(message, wparam, lparam);
    } catch (...) {
      if (!self->error_) self->error_ = std::current_exception();
      self->result_ = IDCANCEL;
      return FALSE;
    }
  }

  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case WM_INITDIALOG:
        CreateControls();
        return FALSE;  // focus is set when the dialog is shown
      case WM_SIZE:
        LayOut();
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
          // Enter reaches here even while OK is disabled; it does nothing then.
          if (picker_.OkEnabled()) result_ = IDOK;
          return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
          result_ = IDCANCEL;
          return TRUE;
        }
        return FALSE;
      case WM_CLOSE:
        result_ = IDCANCEL;
        return TRUE;
      case WM_SETCURSOR:
        if (wait_cursor_ && reinterpret_cast<HWND>(wparam) == tree_) {
          SetCursor(LoadCursor(nullptr, IDC_WAIT));
          SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
        return FALSE;
      case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lparam));
      default:
        return FALSE;
    }
  }

  INT_PTR OnNotify(const NMHDR& header) {
    if (header.hwndFrom != tree_) return FALSE;
    // NMTREEVIEWA and NMTREEVIEWW share their layout up to the item's lParam.
    const auto& tv = reinterpret_cast<const NMTREEVIEWA&>(header);
    switch (header.code) {
      case TVN_ITEMEXPANDINGA:
      case TVN_ITEMEXPANDINGW:
        if ((tv.action & TVE_EXPAND) && tv.itemNew.lParam)
          picker_.NodeExpanding(*reinterpret_cast<RegTreeNode*>(tv.itemNew.lParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, FALSE);  // the expansion always goes ahead
        return TRUE;
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW:
        picker_.SelectionChanged(tv.itemNew.hItem ? reinterpret_cast<RegTreeNode*>(tv.itemNew.lParam) : nullptr);
        return TRUE;
      case TVN_KEYDOWN:
        picker_.KeyPressed(GetKeyState(VK_SHIFT) < 0);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
      default:
        return FALSE;
    }
  }

  void CreateControls() {
    SetWindowTextA(hwnd_, kDesignedTitle);
    PlaceWindow();
    CreateChildren();
    window_font_ = platform::CreateFontFrom(kDesignedFont);
    for (HWND control : {label_, tree_, ok_, cancel_}) SendMessageA(control, WM_SETFONT, (WPARAM)window_font_, FALSE);
    if (tree_) {
      images_ = CreateTreeImages(hwnd_);
      TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
      TreeView_SetIndent(tree_, kTreeIndent);
    }
    // The controls stand at their designed positions in the client area the
    // window has now; resizing moves them relative to that.
    layout_.emplace(ClientSize());
  }

  // The designed outer size, centred on the screen; no minimise or maximise
  // entries in the system menu.
  void PlaceWindow() {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kDialogWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kDialogHeight) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, kDialogWidth, kDialogHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) {
      DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
      DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    }
  }

  void CreateChildren() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto child = [&](const char* cls, const char* text, DWORD style, DWORD ex_style, const PixelRect& r, int id) {
      return CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.Width(), r.Height(),
                             hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    label_ = child("STATIC", "", SS_LEFT, 0, kDesignedLabel, kCaptionLabelId);
    tree_ = child(WC_TREEVIEWA, "",
                  WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_TRACKSELECT, WS_EX_CLIENTEDGE,
                  kDesignedTree, kTreeViewId);
    ok_ = child("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON | WS_DISABLED, 0, kDesignedOk, IDOK);
    cancel_ = child("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, kDesignedCancel, IDCANCEL);
    SendMessageA(hwnd_, DM_SETDEFID, IDOK, 0);
  }

  PixelSize ClientSize() const {
    RECT client;
    GetClientRect(hwnd_, &client);
    return {static_cast<int>(client.right), static_cast<int>(client.bottom)};
  }

  void LayOut() {
    if (!layout_) return;
    const KeyPickerPlacement placement = layout_->At(ClientSize());
    HDWP batch = BeginDeferWindowPos(3);
    auto place = [&](HWND w, const PixelRect& r) {
      const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
      if (batch) batch = DeferWindowPos(batch, w, nullptr, r.left, r.top, r.Width(), r.Height(), flags);
    };
    place(tree_, placement.tree);
    place(ok_, placement.ok);
    place(cancel_, placement.cancel);
    if (batch) EndDeferWindowPos(batch);
  }

  // The label is sized to its text in its current font.
  void FitLabel() {
    const int length = GetWindowTextLengthA(label_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(label_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    HDC dc = GetDC(label_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label_, WM_GETFONT, 0, 0)));
    SIZE size = {0, 0};
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    if (!text.empty()) GetTextExtentPoint32A(dc, text.c_str(), length, &size);
    SelectObject(dc, old);
    ReleaseDC(label_, dc);
    SetWindowPos(label_, nullptr, 0, 0, size.cx, std::max<LONG>(size.cy, metrics.tmHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Destroy() {
    if (hwnd_) {
      // The tree reports deletions while it is destroyed; the picker must not
      // hear of them any more.
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      DestroyWindow(hwnd_);
      hwnd_ = nullptr;
    }
    if (images_) ImageList_Destroy(images_);
    if (window_font_) DeleteObject(window_font_);
    if (tree_font_) DeleteObject(tree_font_);
    images_ = nullptr;
    window_font_ = tree_font_ = nullptr;
  }

  void RethrowPendingError() {
    if (error_) {
      std::exception_ptr e = error_;
      error_ = nullptr;
      std::rethrow_exception(e);
    }
  }

  // KeyPickerView: the tree view mirrors the picker's nodes.
  void NodeAdded(RegTreeNode& node) override {
    TVINSERTSTRUCTA insert{};
    insert.hParent = node.parent ? static_cast<HTREEITEM>(node.parent->view_item) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(node.text.c_str());
    insert.item.iImage = node.image;
    insert.item.iSelectedImage = node.image;
    insert.item.lParam = reinterpret_cast<LPARAM>(&node);
    node.view_item = reinterpret_cast<void*>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }

  void RemovingChildren(RegTreeNode& node) override {
    HTREEITEM item = static_cast<HTREEITEM>(node.view_item);
    if (!item) return;
    while (HTREEITEM child = TreeView_GetChild(tree_, item)) {
      if (!TreeView_DeleteItem(tree_, child)) break;
    }
  }

  void NodeTextChanged(RegTreeNode& node) override {
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = static_cast<HTREEITEM>(node.view_item);
    item.pszText = const_cast<char*>(node.text.c_str());
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }

  void SelectNode(RegTreeNode& node) override {
    HTREEITEM item = static_cast<HTREEITEM>(node.view_item);
    TreeView_SelectItem(tree_, item);
    TreeView_EnsureVisible(tree_, item);
  }

  void SetOkEnabled(bool enabled) override { EnableWindow(ok_, enabled); }

  void SetWaitCursor(bool wait) override {
    wait_cursor_ = wait;
    POINT cursor;
    RECT tree_rect;
    if (GetCursorPos(&cursor) && GetWindowRect(tree_, &tree_rect) && PtInRect(&tree_rect, cursor) &&
        IsWindowVisible(tree_))
      SetCursor(LoadCursor(nullptr, wait ? IDC_WAIT : IDC_ARROW));
  }

  // Only painting is handled here: input dispatched in the middle of a fill
  // could start a second fill over the nodes being replaced.
  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      DispatchMessageA(&msg);
    }
  }

  void BeginUpdate() override {
    if (update_depth_++ == 0) SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  }

  void EndUpdate() override {
    if (--update_depth_ == 0) {
      SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(tree_, nullptr, TRUE);
    }
  }

  HWND owner_;
  HWND hwnd_ = nullptr;
  HWND label_ = nullptr;
  HWND tree_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HFONT window_font_ = nullptr;
  HFONT tree_font_ = nullptr;
  std::optional<KeyPickerLayout> layout_;  // set once the controls exist
  bool wait_cursor_ = false;
  int update_depth_ = 0;
  int result_ = 0;
  std::exception_ptr error_;
  KeyPicker picker_;
};

}  // namespace

std::unique_ptr<KeyPickerDialog> Win32KeyPickerDialogFactory::NewDialog() {
  return std::make_unique<KeyPickerWindow>(registry_, owner_);
}

}  // namespace vindra::regbrowser
