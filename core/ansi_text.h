// Searching and rewriting 8-bit text in the ANSI code page (character
// lengths and letter case come from platform/text.h). Letter case is
// folded for ASCII letters only, and double-byte characters are stepped over
// whole, so a trail byte that happens to equal a backslash or a letter is never
// mistaken for one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace vindra {

// True when `text` begins with `prefix`, ASCII letters compared without regard to case.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

// `text` without leading and trailing bytes 0x00-0x20 (blanks and control characters).
std::string_view TrimBlanks(std::string_view text);

// Position of the first occurrence of `pattern` at or after `from` (a character
// boundary) that starts and ends on character boundaries, ASCII letters
// compared without regard to case; npos when there is none or `pattern` is empty.
std::size_t FindIgnoreCase(std::string_view text, std::string_view pattern, std::size_t from = 0);

// True when FindIgnoreCase would find `pattern`. Most texts lack some byte of
// the pattern that has no other case (a drive's colon, a backslash), which
// one library call rules out before the search.
bool ContainsIgnoreCase(std::string_view text, std::string_view pattern);

// Replaces the first occurrence (FindIgnoreCase) of `pattern`; true if one was replaced.
bool ReplaceFirstIgnoreCase(std::string& text, std::string_view pattern, std::string_view replacement);

// Replaces every occurrence, left to right, never rescanning inserted text.
// Returns the number of replacements.
std::size_t ReplaceAllIgnoreCase(std::string& text, std::string_view pattern, std::string_view replacement);

// True when `text` holds, at `end`, what may follow a whole folder name: the
// end of the text, a path separator (`\` or `/`) or one of `"`, `;`, `,`
// that separate paths in registry data.
bool IsFolderEnd(std::string_view text, std::size_t end);

// ReplaceAllIgnoreCase for a folder: only occurrences that are a whole folder,
// that is, followed by IsFolderEnd (or ending with a separator themselves), so
// C:\Program Files never matches inside C:\Program Files (x86).
std::size_t ReplaceAllFoldersIgnoreCase(std::string& text, std::string_view folder, std::string_view replacement);

// Appends `text` to `out` with every backslash-backslash pair made one backslash.
void AppendCollapsingBackslashPairs(std::string_view text, std::string& out);

// Appends `text` to `out` with every backslash that precedes a double quote removed.
void AppendUnescapingQuotes(std::string_view text, std::string& out);

// Appends `text` to `out` with every double quote doubled.
void AppendDoublingQuotes(std::string_view text, std::string& out);

}  // namespace vindra
