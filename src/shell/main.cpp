// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program: the main window over the settings file beside the programs, or the one
// named with --settings.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "engine/ProgramState.h"
#include "platform/ProgramLocation.h"
#include "settings/SettingsStore.h"
#include "shell/DesktopIdentity.h"
#include "shell/InstanceBeacon.h"
#include "shell/MainWindow.h"
#include "shell/QtPrompter.h"
#include "shell/ShellPortsFactory.h"
#include "shell/SingleInstance.h"

namespace {

constexpr char kUsage[] =
    "usage: pelvane [--settings FILE]\n\n"
    "The Pelvane Tool: applies SQL scripts to many SQL Server servers from one window.\n\n"
    "  --settings FILE  use this settings file (one per team, say) instead of Pelvane.ZRQ\n"
    "                   beside the programs (or in ~/.config/pelvane when that folder is\n"
    "                   not writable or a system folder), the file pelvanectl uses too\n"
    "  --help           show this text\n\n"
    "One copy of the program runs per settings file.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string settingsFile;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (args[i] == "--settings" && i + 1 < args.size() && settingsFile.empty()) {
      settingsFile = args[++i];
      continue;
    }
    std::cerr << "pelvane: "
              << (args[i] == "--settings" ? "--settings needs one FILE"
                                          : "unknown argument " + args[i])
              << "\n"
              << kUsage;
    return 2;
  }
  if (settingsFile.empty()) settingsFile = pelvane::platform::DefaultSettingsFile();

  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the main window ends the program itself
  pelvane::shell::SetDesktopIdentity();
  pelvane::shell::QtPrompter prompter;

  // Decided before any setting is read, so a second copy changes nothing.
  pelvane::shell::SingleInstance instance(settingsFile);
  if (!instance.Acquired()) {
    // The running copy's window comes to the front; the message says where else to look.
    pelvane::shell::AskRunningCopyToShow(settingsFile);
    prompter.Message(pelvane::shell::kAlreadyRunningText);
    return 1;
  }

  pelvane::settings::SettingsStore store(settingsFile);
  pelvane::engine::ProgramState state = pelvane::engine::LoadProgramState(store, {});
  pelvane::shell::OwnedShellPorts ports;
  pelvane::shell::ShellContext context{store, state, ports.ports(), prompter,
                                       pelvane::platform::ProgramFolder()};
  pelvane::shell::MainWindow window(context);
  prompter.SetParent(&window);
  pelvane::shell::EndProgramOnExitRequest(window);
  pelvane::shell::InstanceBeacon beacon(settingsFile);
  pelvane::shell::ShowOnSecondStart(beacon, window);
  window.show();
  return app.exec();
}
