// SPDX-License-Identifier: GPL-3.0-or-later
#include <ostream>

#include "cli/Command.h"

namespace pelvane::cli {

namespace {

int RunGet(CliContext& context, const Args& args) {
  if (args.positional().size() != 2) return Refuse(context, "usage: get SECTION KEY");
  context.out << context.store.GetINIValue(args.positional()[0], args.positional()[1]) << '\n';
  return kExitOk;
}

int RunSet(CliContext& context, const Args& args) {
  if (args.positional().size() != 3) return Refuse(context, "usage: set SECTION KEY VALUE");
  const auto& p = args.positional();
  Status status = context.store.SaveINIValues(p[0], p[1], p[2]);
  if (!status) return Report(context, status);
  return kExitOk;
}

}  // namespace

std::vector<Command> SettingsCommands() {
  return {
      {"get",
       "print one value of the settings file",
       "usage: pelvanectl get SECTION KEY\n\n"
       "Prints the value as the program reads it: blanks around it removed, at most 255\n"
       "characters, and an empty line when the key is missing, blank or starts with \"?\".\n"
       "Section and key names are matched without regard to case.\n",
       {},
       RunGet},
      {"set",
       "write one value to the settings file",
       "usage: pelvanectl set SECTION KEY VALUE\n\n"
       "Writes the value, creating the file, the section and the key as needed. The file is\n"
       "replaced in one step, so it is never left half written. A value cannot hold a line\n"
       "break; multi-line texts are stored with the tokens vbChr13, vbChr10 and vbChr9.\n",
       {},
       RunSet},
  };
}

}  // namespace pelvane::cli
