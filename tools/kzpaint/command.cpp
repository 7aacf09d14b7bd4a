#include "tools/kzpaint/command.h"

#include <filesystem>
#include <new>

#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"
#include "kz/persistence/file_path.h"
#include "kz/vmem/virtual_memory.h"
#include "tools/kzpaint/archive_io.h"
#include "tools/kzpaint/convert.h"
#include "tools/kzpaint/demo.h"
#include "tools/kzpaint/errors.h"

namespace kzpaint {

void SetUpVirtualMemory(int budgetMiB, const std::string& swapFolder) {
  KzVirtualMemory* vm = kzGetVirtualMemory();
  if (vm->IsCreated()) return;
  const unsigned int budget = static_cast<unsigned int>(budgetMiB) << 20;
  if (swapFolder.empty()) {
    vm->Create(budget, nullptr);
    return;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(swapFolder, error)) {
    throw CommandError("--swap-dir " + swapFolder + ": no such folder");
  }
  KzFilePath folder = ToLibraryPath(swapFolder);
  vm->Create(budget, &folder);
}

int RunGuarded(Console& console, const std::function<int(std::string& step)>& body) {
  std::string step;
  try {
    const int status = body(step);
    console.EndProgress();
    return status;
  } catch (const KzException& e) {
    if (e.GetErrorCode() == kKzErrorAbort) {
      console.Error("cancelled");
      return kExitCancelled;
    }
    console.Error((step.empty() ? "" : step + ": ") + DescribeError(e));
  } catch (const std::bad_alloc&) {
    console.Error((step.empty() ? "" : step + ": ") + "out of memory");
  } catch (const std::exception& e) {
    console.Error(e.what());
  }
  return kExitFailure;
}

int RunCommand(const Options& options, Console& console) {
  switch (options.command) {
    case Command::kHelp:
      console.Out() << UsageText();
      return kExitOk;
    case Command::kVersion:
      console.Out() << "kzpaint " << KZPAINT_VERSION << '\n';
      return kExitOk;
    case Command::kDemo:
    case Command::kConvert:
      break;
  }
  return RunGuarded(console, [&](std::string& step) {
    step = "setting up the virtual memory";
    SetUpVirtualMemory(options.budgetMiB, options.swapFolder);
    return options.command == Command::kDemo ? RunDemo(options, console, step)
                                             : RunConvert(options, console, step);
  });
}

}  // namespace kzpaint
