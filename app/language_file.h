// The optional language file beside the executable (an INI file in the ANSI
// code page) and the two lookups every reader of it uses. Nothing is cached:
// each lookup reads and parses the file afresh, so edits show at the next use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/font_description.h"

namespace vindra::app {

// `path` with the extension of its last component (the text from its last
// ".") replaced by `extension`, which is appended when the last component has
// none. DBCS-aware: a 0x5C trail byte is not a path separator.
std::string ReplaceFileExtension(std::string_view path, std::string_view extension);

// The executable's path with its extension replaced by ".rsl".
std::string LanguageFilePathFor(std::string_view executable_path);

// True when a regular file (not a directory) of that name exists right now.
bool LanguageFilePresent(const std::string& path);

// Pure INI lookup over file content. Returns no value when the section or the
// key is missing. Section and key names are compared without regard to ASCII
// letter case; the last section of a name is the one searched and the last
// occurrence of a key in it wins. A NUL byte ends the text.
std::optional<std::string> FindIniValue(std::string_view content, std::string_view section,
                                        std::string_view key);

// Converts an INI value to a 32-bit signed integer: "0x"/"0X" hexadecimal
// (when longer than two characters), "$" hexadecimal, or decimal with an
// optional sign. No value when the text is not such a number or out of range.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

// The value of `key` in `section` of the file, or `default_text` when the file,
// section or key is missing. A present key with an empty value gives "".
std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view default_text);

// ReadIniString converted by ParseIniInteger; `default_number` when the key is
// missing or the value does not convert.
std::int32_t ReadIniInteger(const std::string& file, std::string_view section, std::string_view key,
                            std::int32_t default_number);

// The key of the numbered text `number` of a section: "RS_001", "RS_002", ...
std::string NumberedKey(int number);

// The main window's texts the language file can replace, in the order of
// their keys in the file's "Form01" section.
enum class MainWindowText {
  FileMenu,
  ImportItem,
  ToolsMenu,
  HelpMenu,
  HelpTopicsItem,
  AboutItem,
  OpenFilter,  // the import dialog's filter
  ConvertAction,
  RegExpanderAction,
  AddSectionHeaderAction,
  CloseAction,
  ForceControlSet001Action,
  ReplaceMenu,
  ReplaceNothingAction,
  ReplaceWithFixedDriveAction,
  ReplaceWithVariablesAction,
};
inline constexpr int kMainWindowTextCount = 16;

// A main-window text from the language file; "" when the key is missing.
std::string ReadMainWindowText(const std::string& file, MainWindowText text);

// The about box's title from the language file; "" when the key is missing.
std::string ReadAboutBoxTitle(const std::string& file);

// The two font sections of the language file.
enum class LanguageFont {
  kWindow,  // "Font01": windows, buttons, status bar, picker dialog, about box
  kText,    // "Font02": the text area and the picker's tree
};

// Section name and designed face/size of a font slot.
std::string_view FontSectionName(LanguageFont font);
platform::FontDescription DesignedFont(LanguageFont font);

// Reads a font section: `Charset` first (default 128, low 8 bits used), then
// `Name` and `Size` with the designed defaults.
platform::FontDescription ReadFontDescription(const std::string& file, LanguageFont font);

// The font a window hands to the key picker: read from the language file when
// it is present, all zero (empty name: keep the designed font) when it is not.
platform::FontDescription LanguageFileFont(const std::string& file, LanguageFont font);

}  // namespace vindra::app
