// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "standin/sql/SqlTokens.h"

namespace pelvane::standin {

/// The alias given to select-list expressions without a name; the result set reports "".
constexpr const char* kUnnamedColumn = "standin:unnamed";

/// Turns one T-SQL statement (or expression) into SQLite text: [names], N'text', dbo.
/// prefixes, @@variables, GETDATE(), ISNULL, LEN, CONVERT, TOP n, (MAX), storage clauses,
/// string concatenation with + next to a literal.
std::string TranslateToSqlite(const std::vector<Token>& tokens);

/// Aliases the outer select list as SQL Server names its columns: "name = expr" becomes
/// "expr AS name", and expressions without a name get kUnnamedColumn.
std::vector<Token> NameSelectColumns(const std::vector<Token>& tokens);

/// In CREATE TABLE, an IDENTITY column becomes SQLite's INTEGER PRIMARY KEY.
std::vector<Token> TranslateIdentityColumns(const std::vector<Token>& tokens);

/// "name" quoted as an SQLite identifier.
std::string QuoteName(const std::string& name);
/// 'text' quoted as an SQLite string literal.
std::string QuoteString(const std::string& text);

/// Tokens [begin, end) of a statement as the name they write, e.g. "dbo.proc" for
/// [dbo].[proc]; end is advanced past the name.
std::string ReadObjectName(const std::vector<Token>& tokens, size_t& pos);

}  // namespace pelvane::standin
