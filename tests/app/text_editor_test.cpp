// The text area's editing model: key bindings, typing (double-byte pairs
// included), undo steps, word selection and edit-control selections.
#include "app/text_editor.h"

#include <gtest/gtest.h>

#include <string>

namespace vindra::app {
namespace {

// Puts `start` in the editor, the caret at its end, and types `typed` one byte
// at a time, as WM_CHAR messages deliver it.
void TypeAtEnd(TextEditor& e, const std::string& start, const std::string& typed) {
  e.Buffer().SetText(start);
  e.ResetToEnd();
  for (unsigned char byte : typed) e.TypeByte(byte);
}

TEST(TextEditorKeys, BindingsOfTheEditKeys) {
  using C = EditCommand;
  const struct {
    int key;
    bool shift, ctrl;
    KeyBinding expected;
  } cases[] = {
      {keys::kLeft, false, false, {C::CharLeft, C::None, false}},
      {keys::kRight, true, false, {C::CharRight, C::None, true}},
      {keys::kUp, true, true, {C::LineUp, C::None, true}},
      {keys::kPageDown, false, false, {C::PageDown, C::None, false}},
      {keys::kHome, false, false, {C::LineStart, C::None, false}},
      {keys::kHome, true, true, {C::TextStart, C::None, true}},
      {keys::kEnd, false, true, {C::TextEnd, C::None, false}},
      {keys::kDelete, false, false, {C::DeleteForward, C::None, false}},
      {keys::kDelete, true, false, {C::Copy, C::DeleteSelection, false}},  // Shift+Delete cuts
      {keys::kInsert, false, true, {C::Copy, C::None, false}},
      {keys::kInsert, true, false, {C::None, C::Paste, false}},
      {keys::kInsert, true, true, {C::Copy, C::Paste, false}},
      {'C', false, true, {C::Copy, C::None, false}},
      {'X', true, true, {C::Copy, C::DeleteSelection, false}},
      {'V', false, true, {C::Paste, C::None, false}},
      {'A', false, true, {C::SelectAll, C::None, false}},
      {'Z', false, true, {C::Undo, C::None, false}},
      {'A', true, false, {C::None, C::None, false}},  // letters without Ctrl are typing
      {'B', false, true, {C::None, C::None, false}},
  };
  for (const auto& c : cases) {
    const KeyBinding b = BindKey(c.key, c.shift, c.ctrl);
    EXPECT_EQ(b.first, c.expected.first) << c.key << " " << c.shift << c.ctrl;
    EXPECT_EQ(b.second, c.expected.second) << c.key << " " << c.shift << c.ctrl;
    EXPECT_EQ(b.extend, c.expected.extend) << c.key << " " << c.shift << c.ctrl;
  }
}

TEST(TextEditorTyping, TypedBytesBecomeText) {
  const struct {
    const char* name;
    std::string start, typed, expected;
  } cases[] = {
      {"plain", "", "ab", "ab"},
      {"Enter is CR LF", "a", "\rb", "a\r\nb"},
      {"tab kept", "", "\tx", "\tx"},
      {"control bytes and DEL ignored", "", std::string("a\x01\x1B\x7F", 4), "a"},
      {"double-byte pair", "", "\x95\x5C", "\x95\x5C"},  // 表 in two WM_CHARs
      {"pair with ASCII trail byte", "x", "\x83\x41", "x\x83\x41"},
      {"backspace removes a pair", "a\x95\x5C", "\b", "a"},
      {"backspace joins lines", "a\r\nb", "\b\b", "a"},
      {"backspace at the start", "", "\b", ""},
  };
  for (const auto& c : cases) {
    TextEditor e;
    TypeAtEnd(e, c.start, c.typed);
    EXPECT_EQ(e.Buffer().Text(), c.expected) << c.name;
  }
}

TEST(TextEditorTyping, LeadByteWaitsForItsTrailByteEvenAControlByte) {
  TextEditor e;
  EXPECT_FALSE(e.TypeByte(0x83));
  EXPECT_EQ(e.Buffer().Text(), "");
  EXPECT_FALSE(e.CanUndo());
  EXPECT_TRUE(e.TypeByte('\b'));  // taken as the trail byte, as the system delivers it
  EXPECT_EQ(e.Buffer().Text(), "\x83\b");
  EXPECT_FALSE(e.TypeByte(0x1B));  // ignored
  EXPECT_TRUE(e.TypeByte('\b'));  // a byte below 0x40 is no trail byte: one byte goes
  EXPECT_EQ(e.Buffer().Text(), "\x83");
  EXPECT_TRUE(e.TypeByte('\b'));
  EXPECT_EQ(e.Buffer().Text(), "");
  EXPECT_FALSE(e.TypeByte('\b'));  // nothing before the caret
}

TEST(TextEditorTyping, InputMethodCharacters) {
  TextEditor e;
  e.TypeInputMethodChar(0x835C);  // ソ
  e.TypeInputMethodChar('a');
  e.TypeInputMethodChar('\r');
  EXPECT_EQ(e.Buffer().Text(), "\x83\x5C" "a\r\n");
  EXPECT_EQ(e.Caret(), (TextPos{1, 0}));
}

TEST(TextEditorUndo, TypingMergesLineBreaksAndDeletionsDoNot) {
  const struct {
    const char* name;
    std::string start;
    std::string typed;
    int undos;
    std::string expected;
  } cases[] = {
      {"typing is one step", "x", "abc", 1, "x"},
      {"a line break starts a step", "", "ab\rcd", 1, "ab"},  // typing after it joins it
      {"the typing before the break", "", "ab\rcd", 2, ""},
      {"each backspace is a step", "abc", "\b\b", 1, "ab"},
      {"typing after a deletion is new", "abc", "\bX", 1, "ab"},
      {"more undos than steps", "abc", "d", 5, "abc"},
  };
  for (const auto& c : cases) {
    TextEditor e;
    TypeAtEnd(e, c.start, c.typed);
    for (int i = 0; i < c.undos; ++i) e.Undo();
    EXPECT_EQ(e.Buffer().Text(), c.expected) << c.name;
  }
}

TEST(TextEditorUndo, UndoRestoresAndSelectsTheReplacedText) {
  TextEditor e;
  e.Buffer().SetText("output\r\n");
  e.ResetToStart();
  EXPECT_FALSE(e.CanUndo());  // the program's text is not undone
  e.SelectOffsets(0, 6);
  e.ReplaceSelection("new");
  EXPECT_EQ(e.Buffer().Text(), "new\r\n");
  EXPECT_TRUE(e.Undo());
  EXPECT_EQ(e.Buffer().Text(), "output\r\n");
  EXPECT_EQ(e.SelectedText(), "output");
  EXPECT_FALSE(e.Undo());
}

TEST(TextEditorUndo, HistoryKeepsTheLastSteps) {
  TextEditor e;
  for (std::size_t i = 0; i < kUndoSteps + 5; ++i) {
    e.ReplaceSelection("\r\n");  // line breaks never merge
  }
  int undone = 0;
  while (e.Undo()) ++undone;
  EXPECT_EQ(undone, static_cast<int>(kUndoSteps));
  EXPECT_EQ(e.Buffer().LineCount(), 6u);
}

TEST(TextEditorSelection, DoubleClickSelectsTheWordBetweenBreaks) {
  const struct {
    std::string line;
    std::size_t col;
    std::string word;
  } cases[] = {
      {"0x1,\"Software\\Key\",\"Value\"", 7, "Software"},
      {"0x1,\"Software\\Key\",\"Value\"", 1, "0x1"},
      {"[Default.AddReg]", 3, "Default.AddReg"},
      {"a=b", 1, "a"},  // on a break: the word before it
      {"x \x95\x5C\x95\x5C y", 3, "\x95\x5C\x95\x5C"},  // a trail byte 0x5C is no backslash
      {"word", 4, "word"},  // after the line's end
  };
  for (const auto& c : cases) {
    TextEditor e;
    e.Buffer().SetText(c.line);
    e.SelectWordAt({0, c.col});
    EXPECT_EQ(e.SelectedText(), c.word) << c.line << " @" << c.col;
  }
}

TEST(TextEditorSelection, MovesCollapseOrExtendTheSelection) {
  TextEditor e;
  e.Buffer().SetText("ab\x95\x5C\r\ncd");
  e.SelectOffsets(1, 3);  // inside the pair: clamped to its start
  EXPECT_EQ(e.SelectedText(), "b");
  e.Apply(EditCommand::CharRight, false);  // to the selection's end
  EXPECT_EQ(e.Caret(), (TextPos{0, 2}));
  e.Apply(EditCommand::CharRight, true);
  EXPECT_EQ(e.SelectedText(), "\x95\x5C");
  e.Apply(EditCommand::CharLeft, false);  // to the selection's start
  EXPECT_EQ(e.Caret(), (TextPos{0, 2}));
  e.Apply(EditCommand::TextEnd, true);
  EXPECT_EQ(e.SelectedText(), "\x95\x5C\r\ncd");
  e.Apply(EditCommand::LineStart, false);
  EXPECT_EQ(e.Caret(), (TextPos{1, 0}));
  e.Apply(EditCommand::DeleteForward, false);
  EXPECT_EQ(e.Buffer().Text(), "ab\x95\x5C\r\nd");
  e.SelectOffsets(-1, 0);  // a negative start only drops the selection
  EXPECT_FALSE(e.HasSelection());
  e.SelectOffsets(2, -1);
  EXPECT_EQ(e.SelectedText(), "\x95\x5C\r\nd");
  e.Apply(EditCommand::SelectAll, false);
  EXPECT_EQ(e.SelectedText(), e.Buffer().Text());
}

TEST(TextEditorWordBreaks, PunctuationOfRegistryTextBreaksWords) {
  for (unsigned char c : std::string(" \t\",;=\\[]()<>{}|'`")) EXPECT_TRUE(IsWordBreak(c)) << c;
  for (unsigned char c : std::string("aZ09._-%:$\x95")) EXPECT_FALSE(IsWordBreak(c)) << c;
}

}  // namespace
}  // namespace vindra::app
