// Fills the main window's output area with exported lines, as a live-key export of a
// large tree does, and prints how long it takes: first lines added straight
// to the output area, then the whole Convert command over an in-memory registry of as
// many values (picker scripted, completion box answered). Usage:
//   vindra_output_area_benchmark [LINES]        (default 200000)
// Run it under Wine with a display (xvfb-run); see docs/app.md.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window_win32.h"
#include "benchmarks/bench_timing.h"
#include "registry/key_exporter.h"
#include "registry/memory_registry.h"
#include "registry/win32_registry.h"

namespace {

using vindra::bench::NowSeconds;

class NoDialogs final : public vindra::regbrowser::KeyPickerDialogFactory {
 public:
  std::unique_ptr<vindra::regbrowser::KeyPickerDialog> NewDialog() override { return nullptr; }
};

// Lines shaped like the key exporter's output: keys, strings, DWORDs, wrapped hex.
std::string ExportedLine(int i) {
  const std::string key = "Software\\Vindra Benchmark\\Key" + std::to_string(i / 20);
  switch (i % 20) {
    case 0: return "0x0,\"" + key + "\"";
    case 1: return "0x4,\"" + key + "\",\"Count\",0x" + std::to_string(i);
    case 2: return "0x3,\"" + key + "\",\"Blob\",00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f";
    default: return "0x1,\"" + key + "\",\"Value" + std::to_string(i) + "\",\"X:\\I386\\system32\\file" + std::to_string(i) + ".dll\"";
  }
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The picker's dialog, confirming HKEY_CURRENT_USER\Software\Bench at once.
class NoView final : public vindra::regbrowser::KeyPickerView {
 public:
  void NodeAdded(vindra::regbrowser::RegTreeNode&) override {}
  void RemovingChildren(vindra::regbrowser::RegTreeNode&) override {}
  void NodeTextChanged(vindra::regbrowser::RegTreeNode&) override {}
  void SelectNode(vindra::regbrowser::RegTreeNode&) override {}
  void SetOkEnabled(bool) override {}
  void SetWaitCursor(bool) override {}
  void ProcessMessages() override {}
};

class PickBench final : public vindra::regbrowser::KeyPickerDialog {
 public:
  explicit PickBench(vindra::registry::RegistrySource& r) : picker_(r, view_) {}
  vindra::regbrowser::KeyPicker& Picker() override { return picker_; }
  void SetWindowFont(const vindra::platform::FontDescription&) override {}
  void SetTreeFont(const vindra::platform::FontDescription&) override {}
  void SetTitle(std::string_view) override {}
  void SetCaption(std::string_view) override {}
  bool ShowModal() override {
    picker_.root = vindra::registry::kHkeyCurrentUser;
    picker_.section = "Software\\Bench\\";
    return true;
  }

 private:
  NoView view_;
  vindra::regbrowser::KeyPicker picker_;
};

class PickBenchFactory final : public vindra::regbrowser::KeyPickerDialogFactory {
 public:
  explicit PickBenchFactory(vindra::registry::RegistrySource& r) : r_(r) {}
  std::unique_ptr<vindra::regbrowser::KeyPickerDialog> NewDialog() override { return std::make_unique<PickBench>(r_); }

 private:
  vindra::registry::RegistrySource& r_;
};

LRESULT CALLBACK CloseBoxes(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && GetDlgItem(reinterpret_cast<HWND>(wp), IDOK) != nullptr) {
    PostMessageA(reinterpret_cast<HWND>(wp), WM_COMMAND, IDOK, 0);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void ConvertCommand(int values) {
  vindra::registry::MemoryRegistry memory;
  const std::string dword("\x2A\0\0\0", 4);
  for (int i = 0; i < values; ++i) {
    const std::string key = "Software\\Bench\\Key" + std::to_string(i / 20);
    const std::string name = "Value" + std::to_string(i % 20);
    if (i % 20 == 1) {
      memory.SetValue(vindra::registry::kHkeyCurrentUser, key, name, 4, dword);
    } else {
      memory.SetValue(vindra::registry::kHkeyCurrentUser, key, name, 1,
                      std::string("C:\\Program Files\\Bench\\file") + std::to_string(i) + ".dll" + '\0');
    }
  }
  // The exporter alone, into a plain list.
  vindra::LineList list;
  const double e0 = NowSeconds();
  vindra::registry::RegistryKeyExporter(list, memory, vindra::registry::kHkeyCurrentUser, "Software\\Bench", {});
  const double e1 = NowSeconds();

  PickBenchFactory dialogs(memory);
  vindra::app::MessageTable messages;
  vindra::app::MainWindow window({memory, dialogs, messages, "C:\\no-such-dir\\Vindra.rsl", "C:\\Vindra.exe", {}, nullptr});
  window.Create();
  window.Show(SW_SHOWNOACTIVATE);
  Pump();
  HHOOK hook = SetWindowsHookExA(WH_CBT, CloseBoxes, nullptr, GetCurrentThreadId());
  const double c0 = NowSeconds();
  SendMessageA(window.Handle(), WM_COMMAND, vindra::app::kActionCommandBase + static_cast<int>(vindra::app::ActionId::Convert), 0);
  Pump();
  UpdateWindow(window.Output().Handle());
  const double c1 = NowSeconds();
  UnhookWindowsHookEx(hook);
  std::printf("Convert command over %d in-memory values: %zu lines\n", values, list.lines.size());
  std::printf("  exporter alone into a list: %.3f s\n", e1 - e0);
  std::printf("  whole command into the output area: %.3f s (lines in it: %lld)\n", c1 - c0,
              static_cast<long long>(SendMessageA(window.Output().Handle(), EM_GETLINECOUNT, 0, 0)));
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
  vindra::registry::Win32RegistrySource registry;
  NoDialogs dialogs;
  vindra::app::MessageTable messages;
  vindra::app::MainWindow window({registry, dialogs, messages, "C:\\no-such-dir\\Vindra.rsl", "C:\\Vindra.exe", {}, nullptr});
  if (window.Create() == nullptr) {
    std::fprintf(stderr, "cannot create the window (no display?)\n");
    return 1;
  }
  window.Show(SW_SHOWNOACTIVATE);
  Pump();
  vindra::app::OutputArea& output = window.Output();

  const double t0 = NowSeconds();
  output.SuspendRedraw();
  for (int i = 0; i < lines; ++i) output.Add(ExportedLine(i));
  const double t1 = NowSeconds();
  output.ResumeRedraw();
  const double t2 = NowSeconds();
  Pump();
  UpdateWindow(output.Handle());
  const double t3 = NowSeconds();

  const long long count = SendMessageA(output.Handle(), EM_GETLINECOUNT, 0, 0);
  std::printf("Output area fill: %d lines (%d bytes)\n", lines, GetWindowTextLengthA(output.Handle()));
  std::printf("  adds while suspended: %.3f s\n", t1 - t0);
  std::printf("  one update on resume: %.3f s\n", t2 - t1);
  std::printf("  first redraw:         %.3f s\n", t3 - t2);
  std::printf("  total:                %.3f s (target < 2 s)\n", t3 - t0);
  std::printf("  lines in the control: %lld\n", count);

  // Appending a second export after existing text goes the same way.
  const double t4 = NowSeconds();
  output.SuspendRedraw();
  for (int i = 0; i < lines / 10; ++i) output.Add(ExportedLine(i));
  output.ResumeRedraw();
  Pump();
  const double t5 = NowSeconds();
  std::printf("Append %d more lines after it: %.3f s\n", lines / 10, t5 - t4);
  ConvertCommand(lines);
  return count >= lines ? 0 : 2;
}
