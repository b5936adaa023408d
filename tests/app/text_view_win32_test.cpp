// The output area's text control under Wine: the edit-control messages other programs
// use, typing (double-byte characters included), deleting and the clipboard.
#include "app/text_view_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace vindra::app {
namespace {

class TextViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    hwnd_ = TextView::Create(parent_, 10, WS_VSCROLL | WS_HSCROLL, 0, messages_);
    MoveWindow(hwnd_, 0, 0, 380, 260, FALSE);
    SetFocus(hwnd_);
  }
  void TearDown() override { DestroyWindow(parent_); }
  std::string Text() {
    std::string s(static_cast<std::size_t>(SendMessageA(hwnd_, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    s.resize(static_cast<std::size_t>(SendMessageA(hwnd_, WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
    return s;
  }
  void Type(const std::string& bytes) {
    for (unsigned char c : bytes) SendMessageA(hwnd_, WM_CHAR, c, 0);
  }
  void Key(WPARAM vk) { SendMessageA(hwnd_, WM_KEYDOWN, vk, 0); }

  MessageTable messages_;
  HWND parent_ = nullptr, hwnd_ = nullptr;
};

TEST_F(TextViewTest, EditMessagesMatchTheEditControl) {
  SetWindowTextA(hwnd_, "abc\r\ndef\r\n");
  EXPECT_EQ(SendMessageA(hwnd_, EM_GETLINECOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageA(hwnd_, EM_LINEINDEX, 1, 0), 5);
  EXPECT_EQ(SendMessageA(hwnd_, EM_LINEINDEX, 3, 0), -1);
  EXPECT_EQ(SendMessageA(hwnd_, EM_LINELENGTH, 5, 0), 3);
  EXPECT_EQ(SendMessageA(hwnd_, EM_LINELENGTH, 10, 0), 0);  // the empty last line
  SendMessageA(hwnd_, EM_SETSEL, 1, 7);
  DWORD start = 0, end = 0;
  SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 7u);
  SendMessageA(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("X\r\nY"));
  EXPECT_EQ(Text(), "aX\r\nYf\r\n");
  SendMessageA(hwnd_, EM_SETSEL, 0, -1);
  SendMessageA(hwnd_, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(), "");
  char small[4];
  SetWindowTextA(hwnd_, "123456");
  EXPECT_EQ(SendMessageA(hwnd_, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 3);
  EXPECT_STREQ(small, "123");
}

TEST_F(TextViewTest, TypingDeletingAndDoubleByteCharacters) {
  Type("ab");
  Type("\x95\x5C");  // 表 arrives as two WM_CHARs
  Type("\r");
  Type("c");
  EXPECT_EQ(Text(), "ab\x95\x5C\r\nc");
  Type("\b\b");  // c, then the line break
  EXPECT_EQ(Text(), "ab\x95\x5C");
  Type("\b");  // the whole double-byte character
  EXPECT_EQ(Text(), "ab");
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Text(), "b");
  Key(VK_END);
  SendMessageA(hwnd_, WM_IME_CHAR, 0x835C, 0);  // ソ from an input method
  EXPECT_EQ(Text(), "b\x83\x5C");
  Key(VK_LEFT);
  Type("x");
  EXPECT_EQ(Text(), "bx\x83\x5C");
}

TEST_F(TextViewTest, CopyAndPasteThroughTheClipboard) {
  SetWindowTextA(hwnd_, "one\r\ntwo");
  SendMessageA(hwnd_, EM_SETSEL, 2, 6);
  SendMessageA(hwnd_, WM_COPY, 0, 0);
  SendMessageA(hwnd_, EM_SETSEL, 8, 8);
  SendMessageA(hwnd_, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(), "one\r\ntwoe\r\nt");
  SendMessageA(hwnd_, EM_SETSEL, 0, 3);
  SendMessageA(hwnd_, WM_CUT, 0, 0);
  EXPECT_EQ(Text(), "\r\ntwoe\r\nt");
}

TEST_F(TextViewTest, UndoTakesBackTypingAndDeletionsButNotTheProgramsText) {
  SetWindowTextA(hwnd_, "output\r\n");
  EXPECT_FALSE(SendMessageA(hwnd_, EM_CANUNDO, 0, 0));
  SendMessageA(hwnd_, EM_SETSEL, 0, 6);
  Type("\b");  // delete the selection
  Type("new");
  EXPECT_EQ(Text(), "new\r\n");
  EXPECT_TRUE(SendMessageA(hwnd_, EM_UNDO, 0, 0));  // the typing, as one step
  EXPECT_EQ(Text(), "\r\n");
  EXPECT_TRUE(SendMessageA(hwnd_, EM_UNDO, 0, 0));  // the deletion
  EXPECT_EQ(Text(), "output\r\n");
  EXPECT_FALSE(SendMessageA(hwnd_, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(), "output\r\n");
}

}  // namespace
}  // namespace vindra::app
