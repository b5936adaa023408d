// A small reader of INF registry sections by the ordinary INF rules, for tests
// that read the converter's output back: a backslash at the end of a line
// joins the next line, ";" outside quotes starts a comment, fields are split
// at commas outside quotes, a quoted field holds "" for one quote, unquoted
// fields lose their surrounding blanks. An entry's flag gives its type; its
// data fields are a string (0x1, 0x2), a number (0x4), strings (0x7) or
// hexadecimal bytes (0x3).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace vindra::registry::testing {

struct InfEntry {
  std::string section;  // "Software.AddReg", ...
  std::uint32_t flag = 0;
  std::string keyPath;
  bool isDefault = false;  // the name field is empty
  std::string name;
  std::vector<std::string> fields;  // the data fields, unquoted
  std::string commentBefore;        // the comment line directly before the entry, if any
  bool malformed = false;           // a data field that is no number or byte
  std::uint32_t number = 0;         // 0x4
  std::string bytes;                // 0x3
};

class InfReader {
 public:
  // `text`: lines separated by CR LF (or LF alone).
  static std::vector<InfEntry> Read(std::string_view text) {
    std::vector<InfEntry> entries;
    std::string section;
    std::string comment;
    for (const std::string& line : LogicalLines(text)) {
      const std::string_view t = Trim(line);
      if (t.empty()) continue;
      if (t.front() == ';') {
        comment.assign(t);
        continue;
      }
      if (t.front() == '[') {
        section.assign(t.substr(1, t.find(']') - 1));
        comment.clear();
        continue;
      }
      std::vector<Field> fields = Fields(t);
      InfEntry entry;
      entry.section = section;
      entry.commentBefore = comment;
      comment.clear();
      entry.flag = static_cast<std::uint32_t>(std::strtoul(fields[0].text.c_str(), nullptr, 0));
      if (fields.size() > 1) entry.keyPath = fields[1].text;
      if (fields.size() > 2) {
        entry.name = fields[2].text;
        entry.isDefault = entry.name.empty() && !fields[2].quoted;
      } else {
        entry.isDefault = true;
      }
      for (std::size_t i = 3; i < fields.size(); ++i) entry.fields.push_back(fields[i].text);
      ReadData(entry);
      entries.push_back(std::move(entry));
    }
    return entries;
  }

 private:
  struct Field {
    std::string text;
    bool quoted = false;
  };

  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }

  // Physical lines joined where one ends in a backslash outside quotes.
  static std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    bool quoted = false;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view physical = text.substr(start, end - start);
      if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
      for (char c : physical) quoted ^= (c == '"');
      const std::string_view trimmed = Trim(physical);
      if (!quoted && !trimmed.empty() && trimmed.back() == '\\') {
        current.append(trimmed.substr(0, trimmed.size() - 1));
      } else {
        current.append(physical);
        lines.push_back(std::move(current));
        current.clear();
        quoted = false;
      }
      start = end + 1;
    }
    return lines;
  }

  static std::vector<Field> Fields(std::string_view line) {
    std::vector<Field> fields(1);
    bool inQuotes = false;
    std::string pending;  // unquoted text of the current field
    auto endField = [&] {
      const std::string_view t = Trim(pending);
      fields.back().text.append(t);
      pending.clear();
    };
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (inQuotes) {
        if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          fields.back().text.push_back('"');
          ++i;
        } else if (c == '"') {
          inQuotes = false;
        } else {
          fields.back().text.push_back(c);
        }
      } else if (c == '"') {
        endField();
        inQuotes = true;
        fields.back().quoted = true;
      } else if (c == ',') {
        endField();
        fields.emplace_back();
      } else if (c == ';') {
        break;
      } else {
        pending.push_back(c);
      }
    }
    endField();
    return fields;
  }

  static void ReadData(InfEntry& entry) {
    if (entry.flag == 4) {
      char* end = nullptr;
      const std::string& text = entry.fields.empty() ? std::string() : entry.fields[0];
      entry.number = static_cast<std::uint32_t>(std::strtoul(text.c_str(), &end, 0));
      entry.malformed = entry.fields.size() != 1 || text.empty() || *end != '\0';
    } else if (entry.flag == 3) {
      for (const std::string& field : entry.fields) {
        char* end = nullptr;
        const unsigned long byte = std::strtoul(field.c_str(), &end, 16);
        if (field.empty() || field.size() > 2 || *end != '\0' || byte > 0xFF) entry.malformed = true;
        entry.bytes.push_back(static_cast<char>(byte));
      }
    } else if (entry.flag == 7 && entry.fields.size() == 1 && entry.fields[0].empty()) {
      // The entry ends with the comma after the name: a list without strings.
      entry.fields.clear();
    }
  }
};

}  // namespace vindra::registry::testing
