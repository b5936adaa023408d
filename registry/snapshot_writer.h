// A snapshot: registry keys with everything beneath them written into a
// registry file in the form of the system's registry editor, keys and values
// in the order the source lists them (as the editor's export does).
#pragma once

#include <functional>
#include <vector>

#include "registry/compact_registry_reader.h"
#include "registry/reg_file_writer.h"
#include "registry/registry_access.h"
#include "registry/root_key.h"

namespace vindra::registry {

// Writes each key of `keys` (its path spelled as given) that exists. What
// cannot be read goes to `onUnreadable` and is left out; the rest is written.
void WriteSnapshot(RegistrySource& source, const std::vector<RootedKeyPath>& keys, RegFileWriter& file,
                   const std::function<void(const UnreadableItem&)>& onUnreadable);

}  // namespace vindra::registry
