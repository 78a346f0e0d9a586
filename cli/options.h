// The command line: options become the application's own set-data events and the items
// one open-documents event, so a run from the command line goes through the same code as
// one started by a script.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/events.h"
#include "platform/ui.h"

struct CommandLine {
  std::string home;              // --home, else $HOME
  std::string thunderbird;       // --thunderbird-dir
  uint32_t systemVersion = 0x1040;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool anyOption = false;        // at least one option was given
  std::vector<std::string> items;
  // Set-data events in the order they are sent: property and value.
  std::vector<std::pair<platform::OSType, platform::Descriptor>> settings;
};

// Parses argv[1..]; false with error set on a usage error.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);
std::string UsageText();

// Runs the application as the command line asks, with the given interface; returns the
// exit status (0 done, 1 an output could not be written, 130 cancelled).
int RunCommandLine(const CommandLine& command, platform::UserInterface& ui, std::string* summaryOut = nullptr);
