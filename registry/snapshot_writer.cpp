#include "registry/snapshot_writer.h"

#include "registry/diff_writers.h"

namespace vindra::registry {

void WriteSnapshot(RegistrySource& source, const std::vector<RootedKeyPath>& keys, RegFileWriter& file,
                   const std::function<void(const UnreadableItem&)>& onUnreadable) {
  class Writer final : public KeyTreeVisitor {
   public:
    Writer(RegFileWriter& file, const std::function<void(const UnreadableItem&)>& onUnreadable)
        : file_(file), onUnreadable_(onUnreadable) {}
    void Key(RootKey root, const std::string& path) override { file_.Key(FullKeyName(root, path)); }
    void Value(std::string_view name, std::uint32_t type, std::string_view data) override {
      file_.Value(name, type, data);
    }
    void Unreadable(const UnreadableItem& item) override {
      if (onUnreadable_) onUnreadable_(item);
    }

   private:
    RegFileWriter& file_;
    const std::function<void(const UnreadableItem&)>& onUnreadable_;
  };
  Writer writer(file, onUnreadable);
  for (const RootedKeyPath& key : keys) ReadKeyTree(source, key.root, key.path, writer);
}

}  // namespace vindra::registry
