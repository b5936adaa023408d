#include "registry/key_exporter.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/ansi_text.h"
#include "core/inf_format.h"
#include "core/registry_file_loader.h"
#include "registry/key_walk.h"
#include "registry/value_reading_access.h"

namespace vindra::registry {
namespace {

// The data field of a multi-string value from the first `size` bytes that
// the read returned ("" for a list without strings).
std::string MultiStringField(const unsigned char* data, std::size_t size, const ConversionOptions& options,
                             const MachinePaths& machinePaths) {
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
  // One string a line, by the line rule of registry files: CR, LF or CR LF
  // end a string, and a break at the very end starts no further one.
  std::string field;
  bool first = true;
  ForEachLine(text, [&](std::string_view s) {
    if (!first) field.push_back(',');
    first = false;
    field += QuoteText(s);
  });
  field = SubstitutePaths(field, options, machinePaths);
  return field.empty() ? "\"\"" : field;
}

void WriteBinaryEntry(OutputList& output, std::string_view outputPath, const std::string& name, std::uint32_t type,
                      const std::string& byteList) {
  if (type != kRegBinary) output.Add(ReplacementComment(type));
  std::string entry = FormatValueEntry(kRegBinary, outputPath, name, byteList, name.empty());
  if (byteList.empty()) entry.pop_back();  // no byte list, no comma before it
  output.Add(entry);
}

class KeyExport {
 public:
  KeyExport(OutputList& output, RootKey root, const ConversionOptions& options, SkipObserver* skipped)
      : output_(output), root_(root), options_(options), values_(options), skipped_(skipped) {}

  void Key(const std::string& registryPath, RegistryAccess* key) {
    const std::string outputPath = ExportOutputPath(root_, registryPath, options_.ForceControlSet001);
    output_.Add(FormatKeyEntry(outputPath));
    if (!key) return;
    // The key stays open from one value to the next. A value that cannot be
    // queried is looked up again through a fresh open, which tells a key that
    // has gone (the value is skipped) from a value that has gone (written as
    // an empty REG_NONE value): the results of opening the key for each value.
    bool open = true;
    for (const std::string& name : SortedValueNames(*key)) {
      if (!open && !(open = key->OpenKeyReadOnly(registryPath))) {
        Skip(SkipReason::ValueKeyCannotBeReopened, registryPath, name);
        continue;
      }
      ValueData data = key->QueryValueData(name);
      if (!data.info.ok) {
        if (!(open = key->OpenKeyReadOnly(registryPath))) {
          Skip(SkipReason::ValueKeyCannotBeReopened, registryPath, name);
          continue;
        }
        data = key->QueryValueData(name);
        if (!data.info.ok) {
          Skip(MayHaveLostCharacters(name) ? SkipReason::ValueNameOutsideCodePage : SkipReason::ValueCannotBeQueried,
               registryPath, name);
        }
      }
      values_.Write(output_, outputPath, name, data, key,
                    [&] { Skip(SkipReason::ValueDataCannotBeRead, registryPath, name); });
    }
  }

 private:
  void Skip(SkipReason reason, const std::string& registryPath, const std::string& name) {
    if (skipped_) skipped_->Skipped(reason, 0, SkippedKeyName(root_, registryPath), name);
  }

  OutputList& output_;
  RootKey root_;
  const ConversionOptions& options_;
  const ExportValueWriter values_;
  SkipObserver* skipped_;
};

}  // namespace

ExportValueWriter::ExportValueWriter(const ConversionOptions& options)
    : options_(options), machinePaths_(ReadMachinePaths(options)) {}

void ExportValueWriter::Write(OutputList& output, std::string_view outputPath, const std::string& name,
                              const ValueData& data, RegistryAccess* key,
                              const std::function<void()>& onDataUnread) const {
  // A failed query counts as type 0 with no data.
  const std::uint32_t type = data.info.ok ? data.info.type : 0;
  const std::uint32_t size = data.info.ok ? data.info.size : 0;
  const bool isDefault = name.empty();
  // With the data at hand from the query, each reader's result (and its
  // one possible error, a DWORD longer than four bytes) follows from the
  // bytes; otherwise the readers fetch it.
  const bool complete = data.complete || !data.info.ok || key == nullptr;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.bytes.data());
  switch (type) {
    case kRegSz:
    case kRegExpandSz: {
      const std::string text = complete ? data.bytes.substr(0, data.bytes.find('\0')) : key->ReadString(name);
      output.Add(FormatValueEntry(type, outputPath, name, QuoteText(SubstitutePaths(text, options_, machinePaths_)),
                                  isDefault));
      break;
    }
    case kRegDword: {
      std::uint32_t number = 0;
      if (!complete) {
        number = key->ReadInteger(name);
      } else if (size > 4) {
        throw RegistryError(ReadFailedMessage(name));
      } else {
        for (std::uint32_t i = 0; i < size && i < data.bytes.size(); ++i) {
          number |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
        }
      }
      output.Add(FormatValueEntry(type, outputPath, name, FormatDwordData(number), isDefault));
      break;
    }
    case kRegMultiSz: {
      // A list of two bytes or fewer is not read: it holds no string.
      const std::string field =
          complete ? MultiStringField(bytes, size > 2 ? std::min<std::size_t>(size, data.bytes.size()) : 0, options_,
                                      machinePaths_)
                   : MultiString(*key, name, size, onDataUnread);
      output.Add(FormatValueEntry(type, outputPath, name, field, isDefault));
      break;
    }
    default:
      WriteBinaryEntry(output, outputPath, name, type,
                       complete ? FormatHexByteList(bytes, std::min<std::size_t>(size, data.bytes.size()))
                                : ReadBinary(*key, name, size, onDataUnread));
      break;
  }
}

std::string ExportValueWriter::MultiString(RegistryAccess& key, const std::string& name, std::uint32_t size,
                                           const std::function<void()>& onDataUnread) const {
  if (size <= 2) return MultiStringField(nullptr, 0, options_, machinePaths_);
  // Two zero bytes beyond the capacity of the read always end the scan.
  std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 2, 0);
  const std::uint32_t read = key.ReadRawData(name, buffer.data(), size);
  if (read == 0 && onDataUnread) onDataUnread();
  return MultiStringField(buffer.data(), std::min(read, size), options_, machinePaths_);
}

// The byte list of a binary value too large for the query's buffer.
std::string ExportValueWriter::ReadBinary(RegistryAccess& key, const std::string& name, std::uint32_t size,
                                          const std::function<void()>& onDataUnread) const {
  if (size == 0) return {};
  std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 1, 0);
  const std::uint32_t read = key.ReadBinaryData(name, buffer.data(), size + 1);
  if (read < size && onDataUnread) onDataUnread();
  // Only the bytes actually read: a value that vanished after the size
  // query gives an entry without bytes, never stale buffer contents.
  return FormatHexByteList(buffer.data(), std::min(read, size));
}

std::string ExportOutputPath(RootKey root, std::string_view registryPath, bool forceControlSet001) {
  std::string path;
  if (root == kHkeyClassesRoot) {
    path.append("Classes\\").append(registryPath);
  } else if (root == kHkeyLocalMachine && StartsWithIgnoreCase(registryPath, "SOFTWARE\\")) {
    path.assign(registryPath.substr(9));
  } else if (root == kHkeyLocalMachine && StartsWithIgnoreCase(registryPath, "SYSTEM\\")) {
    path.assign(registryPath.substr(7));
  } else {
    path.assign(registryPath);
  }
  return forceControlSet001 ? RewriteControlSet(path) : path;
}

void RegistryKeyExporter(OutputList& output, RegistrySource& source, RootKey root, std::string_view keyPath,
                         const ConversionOptions& options, SkipObserver* skipped) {
  KeyExport exporter(output, root, options, skipped);
  WalkKeyTree(
      source, root, keyPath, [&](const std::string& path, RegistryAccess* key) { exporter.Key(path, key); }, skipped);
}

}  // namespace vindra::registry
