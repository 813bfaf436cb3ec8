#include "tools/ToolWindows.h"

namespace pelvane::tools {

// The administration dialogs are being built; until they land the menu items tell the user.
void OpenToolWindow(ToolWindow /*which*/, shell::ShellContext& context, QMdiArea& /*mdi*/) {
  context.prompter.Message("This window is not available in this build.");
}

}  // namespace pelvane::tools
