#include "registry/key_exporter.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/inf_format.h"
#include "registry/key_walk.h"

namespace vindra::registry {
namespace {

bool StartsWithUpperAscii(std::string_view text, std::string_view upperPrefix) {
  if (text.size() < upperPrefix.size()) return false;
  for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != upperPrefix[i]) return false;
  }
  return true;
}

// Splits at CR, LF or CR LF; a break at the very end starts no further string.
std::vector<std::string_view> SplitStrings(std::string_view text) {
  std::vector<std::string_view> strings;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    strings.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) strings.push_back(text.substr(start));
  return strings;
}

class KeyExport {
 public:
  KeyExport(OutputList& output, RegistrySource& source, RootKey root, const ConversionOptions& options)
      : output_(output), source_(source), root_(root), options_(options) {}

  void Key(const std::string& registryPath) {
    const std::string outputPath = ExportOutputPath(root_, registryPath, options_.ForceControlSet001);
    output_.Add(FormatKeyEntry(outputPath));
    const std::vector<std::string> names = SortedValueNames(source_, root_, registryPath);
    if (names.empty()) return;
    const std::unique_ptr<RegistryAccess> key = source_.CreateAccess();
    key->SetRoot(root_);
    for (const std::string& name : names) {
      // Each value is looked up afresh: the key may have gone since the listing.
      if (!key->OpenKeyReadOnly(registryPath)) continue;
      Value(*key, outputPath, name);
      key->CloseKey();
    }
  }

 private:
  void Value(RegistryAccess& key, const std::string& outputPath, const std::string& name) {
    // One query gives both the type and the size; a failed query counts as
    // type 0 with no data.
    const ValueInfo info = key.QueryValueInfo(name);
    const std::uint32_t type = info.ok ? info.type : 0;
    const std::uint32_t size = info.ok ? info.size : 0;
    const bool isDefault = name.empty();
    switch (type) {
      case kRegSz:
      case kRegExpandSz: {
        const std::string text = key.ReadString(name);
        output_.Add(FormatValueEntry(type, outputPath, name, QuoteText(SubstitutePaths(text, options_)), isDefault));
        break;
      }
      case kRegDword:
        output_.Add(FormatValueEntry(type, outputPath, name, FormatDwordData(key.ReadInteger(name)), isDefault));
        break;
      case kRegMultiSz:
        output_.Add(FormatValueEntry(type, outputPath, name, MultiString(key, name, size), isDefault));
        break;
      default:
        Binary(key, outputPath, name, type, size);
        break;
    }
  }

  std::string MultiString(RegistryAccess& key, const std::string& name, std::uint32_t size) {
    if (size <= 2) return MultiStringField(nullptr, 0, options_);
    // Two zero bytes beyond the capacity of the read always end the scan.
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 2, 0);
    const std::uint32_t read = key.ReadRawData(name, buffer.data(), size);
    return MultiStringField(buffer.data(), std::min(read, size), options_);
  }

  void Binary(RegistryAccess& key, const std::string& outputPath, const std::string& name, std::uint32_t type,
              std::uint32_t size) {
    std::string bytes;
    if (size != 0) {
      std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 1, 0);
      const std::uint32_t read = key.ReadBinaryData(name, buffer.data(), size + 1);
      // Only the bytes actually read: a value that vanished after the size
      // query gives an entry without bytes, never stale buffer contents.
      bytes = FormatHexByteList(buffer.data(), std::min(read, size));
    }
    if (type != kRegBinary) output_.Add(ReplacementComment(type));
    std::string entry = FormatValueEntry(kRegBinary, outputPath, name, bytes, name.empty());
    if (bytes.empty()) entry.pop_back();  // no byte list, no comma before it
    output_.Add(entry);
  }

  OutputList& output_;
  RegistrySource& source_;
  RootKey root_;
  const ConversionOptions& options_;
};

}  // namespace

std::string ExportOutputPath(RootKey root, std::string_view registryPath, bool forceControlSet001) {
  std::string path;
  if (root == kHkeyClassesRoot) {
    path.append("Classes\\").append(registryPath);
  } else if (root == kHkeyLocalMachine && StartsWithUpperAscii(registryPath, "SOFTWARE\\")) {
    path.assign(registryPath.substr(9));
  } else if (root == kHkeyLocalMachine && StartsWithUpperAscii(registryPath, "SYSTEM\\")) {
    path.assign(registryPath.substr(7));
  } else {
    path.assign(registryPath);
  }
  return forceControlSet001 ? RewriteControlSet(path) : path;
}

std::string MultiStringField(const unsigned char* data, std::size_t size, const ConversionOptions& options) {
  std::string text;
  if (size > 0) {
    // Each zero byte becomes a line break; two zeros in a row end the list.
    std::string scanned(reinterpret_cast<const char*>(data), size);
    for (std::size_t i = 0; i < scanned.size(); ++i) {
      if (scanned[i] != '\0') continue;
      scanned[i] = '\r';
      if (i + 1 >= scanned.size() || scanned[i + 1] == '\0') break;
    }
    text = scanned.substr(0, scanned.find('\0'));
  }
  std::string field;
  bool first = true;
  for (std::string_view s : SplitStrings(text)) {
    if (!first) field.push_back(',');
    first = false;
    field += QuoteText(s);
  }
  field = SubstitutePaths(field, options);
  return field.empty() ? "\"\"" : field;
}

void RegistryKeyExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options) {
  KeyExport exporter(output, source, root, options);
  WalkKeyTree(source, root, keyPath, [&](const std::string& path) { exporter.Key(path); });
}

}  // namespace vindra::registry
