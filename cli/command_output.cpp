#include "cli/command_output.h"

#include <cerrno>
#include <cstring>

namespace vindra::cli {

bool CommandOutput::Open(const std::string& outputFile, const std::optional<std::string>& pluginName) {
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
  stream_ = std::make_unique<StreamOutputList>(stream, encoding_);
  if (pluginName) {
    plugin_ = std::make_unique<PluginOutputList>(
        *stream_, PluginHeaderLines(*pluginName, std::string("Written by vindra-cli ") + kVersion));
  }
  return true;
}

OutputList& CommandOutput::Lines() {
  if (plugin_) return *plugin_;
  return *stream_;
}

bool CommandOutput::Finish() {
  if (plugin_) plugin_->Finish();
  const bool written = stream_->Flush();
  if (outputFile_.empty()) {
    if (!written) PrintFailure(command_, context_, "the output could not be written");
    return written;
  }
  const std::string shownName = ArgumentForTerminal(context_, outputFile_);
  if (!written) {
    // The reason of the failed write, before anything else can change errno.
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

bool CommandOutput::Abandon() {
  if (!stream_) return true;
  if (outputFile_.empty()) {
    const bool written = stream_->Flush();
    if (!written) PrintFailure(command_, context_, "the output could not be written");
    return written;
  }
  stream_->Clear();
  file_.Discard();
  PrintFailure(command_, context_, ArgumentForTerminal(context_, outputFile_) + " is left as it was");
  return true;
}

}  // namespace vindra::cli
