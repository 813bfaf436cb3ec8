// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <ostream>

namespace pelvane {

/// Exit status of a program that ended on an error it did not expect.
constexpr int kExitInternalError = 1;

/// Runs a program's body so that no exception ends it uncaught (which would abort, and could
/// leave a core holding a password): the exception becomes one line on err and exit status 1.
template <class Body>
int RunGuarded(const char* program, std::ostream& err, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    try {
      err << program << ": internal error: " << error.what() << '\n' << std::flush;
    } catch (...) {
    }
  } catch (...) {
    try {
      err << program << ": internal error of an unknown kind\n" << std::flush;
    } catch (...) {
    }
  }
  return kExitInternalError;
}

}  // namespace pelvane
