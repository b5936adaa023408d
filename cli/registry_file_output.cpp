#include "cli/registry_file_output.h"

#include <cerrno>
#include <cstring>

namespace vindra::cli {

bool RegistryFileOutput::Open(const std::string& outputFile) {
  std::FILE* stream = context_.out;
  if (!outputFile.empty() && outputFile != "-") {
    if (!file_.Open(outputFile)) {
      PrintFailure(command_, context_,
                   "cannot write " + ArgumentForTerminal(context_, outputFile) + ": " +
                       ForTerminal(context_, file_.ErrorText()));
      return false;
    }
    outputFile_ = outputFile;
    stream = file_.Stream();
  }
  writer_ = std::make_unique<registry::RegFileWriter>(stream);
  return true;
}

bool RegistryFileOutput::Finish() {
  const bool written = writer_->Finish();
  if (outputFile_.empty()) {
    if (!written) PrintFailure(command_, context_, "the output could not be written");
    return written;
  }
  const std::string shownName = ArgumentForTerminal(context_, outputFile_);
  if (!written) {
    const std::string reason = std::strerror(errno);
    file_.Discard();
    PrintFailure(command_, context_,
                 shownName + " could not be written: " + ForTerminal(context_, reason) + "; it is left as it was");
    return false;
  }
  if (!file_.Commit()) {
    PrintFailure(command_, context_,
                 shownName + " could not be written: " + ForTerminal(context_, file_.ErrorText()) +
                     "; it is left as it was");
    return false;
  }
  return true;
}

}  // namespace vindra::cli
