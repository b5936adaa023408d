#include "cli/command_output.h"

#include <cerrno>
#include <cstring>

namespace vindra::cli {

std::FILE* OutputDestination::Open(const std::string& outputFile) {
  if (outputFile.empty() || outputFile == "-") return context_.out;
  if (!file_.Open(outputFile)) {
    PrintFailure(command_, context_,
                 "cannot write " + ArgumentForTerminal(context_, outputFile) + ": " +
                     ForTerminal(context_, file_.ErrorText()));
    return nullptr;
  }
  outputFile_ = outputFile;
  return file_.Stream();
}

bool OutputDestination::Finish(bool written) {
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

void OutputDestination::Discard() {
  file_.Discard();
  PrintFailure(command_, context_, ArgumentForTerminal(context_, outputFile_) + " is left as it was");
}

bool CommandOutput::Open(const std::string& outputFile, const std::optional<std::string>& pluginName) {
  std::FILE* stream = destination_.Open(outputFile);
  if (stream == nullptr) return false;
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
  return destination_.Finish(stream_->Flush());
}

bool CommandOutput::Abandon() {
  if (!stream_) return true;
  if (destination_.ToStandardOutput()) return destination_.Finish(stream_->Flush());
  stream_->Clear();
  destination_.Discard();
  return true;
}

}  // namespace vindra::cli
