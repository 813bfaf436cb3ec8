// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ProfileDocument.h"

#include <algorithm>
#include <utility>

#include "settings/ProfileText.h"
#include "settings/SettingsStore.h"

namespace pelvane::settings {

namespace {

enum class LineKind { kOther, kHeader, kEntry };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // entry value, trimmed
};

ParsedLine ParseLine(std::string_view text) {
  ParsedLine parsed;
  std::string_view t = TrimBlanks(text);
  if (t.empty() || t.front() == ';' || t.front() == '#') return parsed;
  if (t.front() == '[') {
    size_t close = t.rfind(']');
    if (close == std::string_view::npos) return parsed;
    parsed.kind = LineKind::kHeader;
    parsed.name = TrimBlanks(t.substr(1, close - 1));
    return parsed;
  }
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return parsed;
  std::string_view key = TrimBlanks(t.substr(0, eq));
  if (key.empty()) return parsed;
  parsed.kind = LineKind::kEntry;
  parsed.name = key;
  parsed.value = TrimBlanks(t.substr(eq + 1));
  return parsed;
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

Status CheckSectionName(std::string_view name) {
  if (TrimBlanks(name).empty())
    return Status::Error("A section name must not be empty.", kInvalidArgument);
  if (HasLineBreakOrNul(name))
    return Status::Error("A section name must not contain a line break or a NUL byte.",
                         kInvalidArgument);
  return Status::Ok();
}

Status CheckKeyName(std::string_view key) {
  std::string_view t = TrimBlanks(key);
  if (t.empty()) return Status::Error("A key name must not be empty.", kInvalidArgument);
  if (HasLineBreakOrNul(key))
    return Status::Error("A key name must not contain a line break or a NUL byte.",
                         kInvalidArgument);
  if (t.find('=') != std::string_view::npos)
    return Status::Error("A key name must not contain \"=\".", kInvalidArgument);
  if (t.front() == '[' || t.front() == ';' || t.front() == '#')
    return Status::Error("A key name must not start with \"[\", \";\" or \"#\".", kInvalidArgument);
  return Status::Ok();
}

Status CheckValue(std::string_view value) {
  if (HasLineBreakOrNul(value))
    return Status::Error("A value must not contain a line break or a NUL byte.", kInvalidArgument);
  return Status::Ok();
}

// sections_[0] always exists, also in a document that was never parsed: every index skips it.
ProfileDocument::ProfileDocument() : sections_(1) {}

ProfileDocument ProfileDocument::Parse(std::string_view fileBytes) {
  ProfileDocument doc;
  DecodedProfile decoded = DecodeProfile(fileBytes);
  doc.encoding_ = decoded.encoding;
  doc.tail_ = std::move(decoded.tail);
  const std::string_view bytes = decoded.text;
  bool lineEndSeen = false;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(bytes.substr(pos));
      pos = bytes.size();
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.end = "\r";
      }
    } else {
      size_t textEnd = (nl > pos && bytes[nl - 1] == '\r') ? nl - 1 : nl;
      line.text = std::string(bytes.substr(pos, textEnd - pos));
      line.end = std::string(bytes.substr(textEnd, nl + 1 - textEnd));
      pos = nl + 1;
      if (!lineEndSeen) {
        doc.lineEnd_ = line.end;
        lineEndSeen = true;
      }
    }
    ParsedLine parsed = ParseLine(line.text);
    if (parsed.kind == LineKind::kHeader) {
      Section section;
      section.name = std::string(parsed.name);
      section.header = std::move(line);
      doc.sections_.push_back(std::move(section));
    } else {
      doc.sections_.back().lines.push_back(std::move(line));
    }
  }
  doc.Reindex();
  return doc;
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  for (const Section& section : sections_) {
    if (section.header) out.append(section.header->text).append(section.header->end);
    for (const Line& line : section.lines) out.append(line.text).append(line.end);
  }
  // A file is written back in the encoding it was read in, never as a mix.
  return EncodeProfile(encoding_, out, tail_);
}

void ProfileDocument::IndexKeys(Section& section) {
  section.keys.clear();
  for (size_t i = 0; i < section.lines.size(); ++i) {
    ParsedLine parsed = ParseLine(section.lines[i].text);
    if (parsed.kind == LineKind::kEntry) section.keys.emplace(AsciiLower(parsed.name), i);
  }
}

void ProfileDocument::Reindex() {
  sectionIndex_.clear();
  for (size_t i = 1; i < sections_.size(); ++i) {
    sectionIndex_.emplace(AsciiLower(sections_[i].name), i);
    IndexKeys(sections_[i]);
  }
}

const ProfileDocument::Section* ProfileDocument::FindSection(std::string_view name) const {
  auto it = sectionIndex_.find(AsciiLower(TrimBlanks(name)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

ProfileDocument::Section* ProfileDocument::FindSection(std::string_view name) {
  auto it = sectionIndex_.find(AsciiLower(TrimBlanks(name)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string_view> ProfileDocument::Find(std::string_view section,
                                                      std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  auto it = s->keys.find(AsciiLower(TrimBlanks(key)));
  if (it == s->keys.end()) return std::nullopt;
  std::string_view value = ParseLine(s->lines[it->second].text).value;
  // Text after a NUL byte is not part of the value, as with any C-string reader.
  value = value.substr(0, value.find('\0'));
  return TrimBlanks(value);
}

void ProfileDocument::EndLastLine() {
  // Only the file's last line can lack a line end; it gets one before anything follows it.
  for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
    Line* last = !it->lines.empty() ? &it->lines.back() : (it->header ? &*it->header : nullptr);
    if (last == nullptr) continue;
    if (last->end.empty() || last->end == "\r") last->end = lineEnd_;
    return;
  }
}

void ProfileDocument::AppendToFile(std::string text) {
  EndLastLine();
  sections_.back().lines.push_back(Line{std::move(text), lineEnd_});
}

Status ProfileDocument::Set(std::string_view section, std::string_view key,
                            std::string_view value) {
  if (Status s = CheckSectionName(section); !s) return s;
  if (Status s = CheckKeyName(key); !s) return s;
  if (Status s = CheckValue(value); !s) return s;
  if (!HoldsExactly(encoding_, section) || !HoldsExactly(encoding_, key) ||
      !HoldsExactly(encoding_, value)) {
    return Status::Error(
        "This settings file is in UTF-16; a name or value that is not UTF-8 text cannot be "
        "stored in it unchanged.",
        kInvalidArgument);
  }
  // A value that would read back otherwise is refused here, whoever writes it.
  if (Status s = CheckReadsBack(std::string(section), std::string(key), value,
                                "The value of " + std::string(TrimBlanks(key)) + " in [" +
                                    std::string(TrimBlanks(section)) + "]");
      !s)
    return s;

  std::string entry = std::string(TrimBlanks(key)) + "=" + std::string(value);
  Section* s = FindSection(section);
  if (s != nullptr) {
    auto it = s->keys.find(AsciiLower(TrimBlanks(key)));
    if (it != s->keys.end()) {
      // The line keeps its own spelling of the key; only the value is replaced.
      std::string& text = s->lines[it->second].text;
      text.replace(text.find('=') + 1, std::string::npos, value);
      return Status::Ok();
    }
    // New entries go after the section's last entry, ahead of any blank lines that close it.
    size_t insertAt = 0;
    for (const auto& [name, index] : s->keys) insertAt = std::max(insertAt, index + 1);
    if (insertAt == s->lines.size() && s == &sections_.back()) {
      AppendToFile(std::move(entry));
    } else {
      s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                      Line{std::move(entry), lineEnd_});
    }
    IndexKeys(*s);
    return Status::Ok();
  }

  EndLastLine();
  Section added;
  added.name = std::string(TrimBlanks(section));
  added.header = Line{"[" + added.name + "]", lineEnd_};
  added.lines.push_back(Line{std::move(entry), lineEnd_});
  sections_.push_back(std::move(added));
  sectionIndex_.emplace(AsciiLower(sections_.back().name), sections_.size() - 1);
  IndexKeys(sections_.back());
  return Status::Ok();
}

bool ProfileDocument::RemoveSection(std::string_view section) {
  std::string wanted = AsciiLower(TrimBlanks(section));
  size_t before = sections_.size();
  for (size_t i = sections_.size(); i-- > 1;) {
    if (AsciiLower(sections_[i].name) == wanted)
      sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (sections_.size() == before) return false;
  Reindex();
  return true;
}

Status ProfileDocument::AppendLine(std::string_view text) {
  if (HasLineBreakOrNul(text))
    return Status::Error("A line must not contain a line break or a NUL byte.", kInvalidArgument);
  AppendToFile(std::string(text));
  if (sections_.size() > 1) IndexKeys(sections_.back());
  return Status::Ok();
}

}  // namespace pelvane::settings
