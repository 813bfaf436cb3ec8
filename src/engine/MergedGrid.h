#pragma once

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

/// One section as the clipboard takes it: cells parted by tabs, lines ended by line feeds, the
/// header first. Tabs and line breaks inside a cell become blanks.
std::string GridSectionToTabText(const GridSection& section);

}  // namespace pelvane::engine
