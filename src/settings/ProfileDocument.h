// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/ProfileEncoding.h"
#include "settings/Status.h"

namespace pelvane::settings {

/// A settings file in profile format, held as its lines so that a rewrite keeps every line it
/// did not change byte for byte: comments, blank lines, lines it does not understand and each
/// line's own line end.
///
/// Rules: "[name]" starts a section; "key=value" inside a section is an entry. Section and key
/// names are matched without regard to (ASCII) case and with surrounding blanks ignored; the
/// first section and the first entry of a name win. Lines before the first section, lines
/// without "=", and lines starting with ";" or "#" are kept and ignored. A UTF-8 byte-order
/// mark is skipped and a UTF-16LE file (with its mark) is read as UTF-8 text; either is written
/// back as it came.
class ProfileDocument {
 public:
  /// An empty file.
  ProfileDocument();
  static ProfileDocument Parse(std::string_view bytes);

  /// The file's bytes as they are to be written.
  std::string Serialize() const;

  /// The stored value, blanks around it removed; nullopt when section or key is missing.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

  /// Replaces the first entry of that name, or adds one at the end of the section (creating
  /// the section at the end of the file). Refuses names and values that would break the
  /// line structure.
  Status Set(std::string_view section, std::string_view key, std::string_view value);

  /// Removes every section of that name with all its lines. Returns whether one was there.
  bool RemoveSection(std::string_view section);

  /// Appends one line at the end of the file.
  Status AppendLine(std::string_view text);

  /// The line end new lines get: the first one the file uses, or "\n" for a new file.
  const std::string& lineEnd() const { return lineEnd_; }

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" (last line without one)
  };
  struct Section {
    std::optional<Line> header;  // none for the lines before the first section
    std::string name;            // trimmed, as written
    std::vector<Line> lines;
    std::unordered_map<std::string, size_t> keys;  // lower-case key -> first line index
  };

  void Reindex();
  static void IndexKeys(Section& section);
  void EndLastLine();
  void AppendToFile(std::string text);
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;  // sections_[0] holds the lines before the first header
  std::unordered_map<std::string, size_t> sectionIndex_;  // lower-case name -> first section
  std::string lineEnd_ = "\n";
  ProfileEncoding encoding_ = ProfileEncoding::k8Bit;
  std::string tail_;  // the odd last byte of a UTF-16 file
};

/// Whether text can be written as a section name, key or value without changing the file's
/// structure; the error names what is wrong.
Status CheckSectionName(std::string_view name);
Status CheckKeyName(std::string_view key);
Status CheckValue(std::string_view value);

}  // namespace pelvane::settings
