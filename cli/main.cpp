#include <iostream>
#include <string>
#include <vector>

#include "app/ferrolin.h"
#include "cli/options.h"
#include "platform/application.h"
#include "platform/console_ui.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CommandLine command;
  std::string error;
  if (!ParseCommandLine(args, command, error)) {
    std::cerr << "ferrolin: " << error << "\n" << UsageText();
    return 2;
  }
  if (command.help) {
    std::cout << UsageText();
    return 0;
  }
  if (command.version) {
    std::cout << "ferrolin " << Ferrolin::ShortVersion() << "\n";
    return 0;
  }
  platform::ConsoleUserInterface ui;
  if (command.items.empty()) ui.SetStartUpFooter(UsageText());
  platform::InstallSignalHandlers();
  return RunCommandLine(command, ui);
}
