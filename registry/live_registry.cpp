#include "registry/win32_registry.h"

namespace vindra::registry {

bool HasLiveRegistry() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

}  // namespace vindra::registry
