// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pelvane::standin {

/// Tables the stand-in keeps for itself in every database file; names starting with
/// "standin_" are hidden from the object views.
constexpr const char* kCatalogSchema =
    "CREATE TABLE IF NOT EXISTS standin_procedures ("
    " name TEXT PRIMARY KEY COLLATE NOCASE,"
    " body TEXT NOT NULL,"
    " line_offset INTEGER NOT NULL DEFAULT 0,"
    " created TEXT NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f','now','localtime')));";

/// Logins live in master only.
constexpr const char* kLoginSchema =
    "CREATE TABLE IF NOT EXISTS standin_logins ("
    " name TEXT PRIMARY KEY COLLATE NOCASE,"
    " password TEXT NOT NULL);";

}  // namespace pelvane::standin
