#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "querytool/QueryTool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::string> environmentPassword;
  if (const char* password = std::getenv("SQLCMDPASSWORD")) environmentPassword = password;
  return pelvane::querytool::RunQueryTool(args, environmentPassword, std::cout, std::cerr);
}
