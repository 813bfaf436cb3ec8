#pragma once

#include <string>
#include <vector>

namespace pelvane::querytool {

/// Splits a script into the batches sent to the server, one at a time. A separator is a line
/// holding only GO (any case, blanks around it). A GO line inside a block comment or a quoted
/// text that spans lines is part of it: splitting there would hand the server two broken
/// halves. Batches keep their text as written; blank batches are dropped.
std::vector<std::string> SplitBatches(const std::string& script);

}  // namespace pelvane::querytool
