// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/ports/SqlClient.h"

namespace pelvane::engine {

/// One server's Simple Script result.
struct ServerQueryResult {
  std::string server;
  QueryResult result;
};

/// A table of the merged grid: "Server" and the result's column names, then one row per result
/// row with its server's name first. A section after the first carries a note saying why it
/// stands apart.
struct GridSection {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  std::string note;
};

struct MergedGrid {
  std::vector<GridSection> sections;
};

/// The results in list order as one grid: the first server with rows sets the column names,
/// every server with the same names (in order, letter case included) adds its rows to that
/// section, and a server whose names differ gets a section of its own. Servers without rows
/// (as in the log: no result table, a failure or an empty table) add nothing.
MergedGrid MergeQueryResults(const std::vector<ServerQueryResult>& results);

/// The grid as RFC 4180 CSV: each section's header record and rows, sections parted by an
/// empty line.
std::string MergedGridToCsv(const MergedGrid& grid);

/// The CSV text of MergedGridToCsv built as rows arrive, from servers side by side in any
/// order: per server only its column names and its rows as CSV text are kept, never the
/// values one by one. Safe to call from any thread.
class MergedCsvBuilder {
 public:
  /// The servers in list order; they are named by their 0-based index below.
  explicit MergedCsvBuilder(std::vector<std::string> servers);

  /// The server's result table begins (a server without one adds nothing).
  void Columns(size_t server, const std::vector<std::string>& names);
  /// One row of the server's table, cut or filled to its columns.
  void Row(size_t server, const std::vector<std::string>& values);

  /// The whole text, as MergedGridToCsv gives it for the same results; the builder is empty
  /// afterwards.
  std::string TakeText();

 private:
  struct Part {
    std::vector<std::string> columns;
    std::string rows;  // CSV records, each with the server's name first
    bool any = false;  // at least one row
  };

  std::mutex mutex_;
  std::vector<std::string> servers_;
  std::vector<Part> parts_;
};

/// One section as the clipboard takes it: cells parted by tabs, lines ended by line feeds, the
/// header first. Tabs and line breaks inside a cell become blanks.
std::string GridSectionToTabText(const GridSection& section);

}  // namespace pelvane::engine
