#include "cli/registry_file_output.h"

namespace vindra::cli {

bool RegistryFileOutput::Open(const std::string& outputFile) {
  std::FILE* stream = destination_.Open(outputFile);
  if (stream == nullptr) return false;
  writer_ = std::make_unique<registry::RegFileWriter>(stream);
  return true;
}

bool RegistryFileOutput::Finish() { return destination_.Finish(writer_->Finish()); }

}  // namespace vindra::cli
