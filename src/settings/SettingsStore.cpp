// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include <chrono>
#include <utility>

#include "settings/FileLock.h"
#include "settings/ProfileText.h"

namespace pelvane::settings {

namespace {
// Another writer can slip in between our read and our rename; an edit is then applied again
// to the newer file, a few times at most.
constexpr int kEditAttempts = 5;

// File times advance in clock ticks of up to 10 ms, so a file changed in place within a tick of
// our read could keep its stamp. Such a recent stamp is not trusted; the file is read again.
constexpr long long kTimestampGranularityNs = 20'000'000;

long long WallClockNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

long long MtimeNs(const FileStamp& stamp) {
  return stamp.mtimeSec * 1'000'000'000LL + stamp.mtimeNsec;
}
}  // namespace

bool IsReadWhole(const std::string& section, const std::string& key) {
  // Stored passwords: a 128-character password scrambles to more than 255 characters.
  if (EqualsIgnoringCase(key, "Password") || EqualsIgnoringCase(key, "CopyToPW")) return true;
  // Multi-line texts of the editors and the Vesk SQL dialog: a cut list or query is lost data.
  static constexpr std::pair<const char*, const char*> kWholeTexts[] = {{"SimpleScript", "Script"},
                                                                        {"Append", "AppendText"},
                                                                        {"Script", "ScriptPath"},
                                                                        {"CopyTo", "CopyFile"}};
  for (const auto& [wholeSection, wholeKey] : kWholeTexts)
    if (EqualsIgnoringCase(section, wholeSection) && EqualsIgnoringCase(key, wholeKey)) return true;
  return false;
}

Status CheckReadsBack(const std::string& section, const std::string& key, std::string_view value,
                      const std::string& what) {
  std::string_view trimmed = TrimBlanks(value);
  if (!trimmed.empty() && trimmed.front() == '?') {
    return Status::Error(what +
                             " cannot begin with \"?\": the settings file reads such a value "
                             "as empty.",
                         kInvalidArgument);
  }
  if (trimmed.size() > kMaxValueLength && !IsReadWhole(section, key)) {
    return Status::Error(what + " is " + std::to_string(trimmed.size()) +
                             " characters long; the settings file reads back at most " +
                             std::to_string(kMaxValueLength) + ".",
                         kInvalidArgument);
  }
  return Status::Ok();
}

std::string ReadValue(const ProfileDocument& doc, const std::string& section,
                      const std::string& key) {
  std::optional<std::string_view> found = doc.Find(section, key);
  if (!found) return std::string();
  std::string_view value = IsReadWhole(section, key) ? *found : found->substr(0, kMaxValueLength);
  if (TrimBlanks(value).empty() || value.front() == '?') return std::string();
  return std::string(value);
}

std::string GetINIValue(const std::string& section, const std::string& key,
                        const std::string& file) {
  return SettingsStore(file).GetINIValue(section, key);
}

SettingsStore::SettingsStore(std::string file)
    : file_(std::move(file)), lockPatience_(kSettingsLockPatience) {}

SettingsStore::Loaded SettingsStore::LoadLocked() const {
  FileStamp now = StampOf(file_);
  bool settled = MtimeNs(cachedStamp_) + kTimestampGranularityNs < cachedReadNs_;
  if (cached_ && now == cachedStamp_ && (settled || !now.exists))
    return Loaded{cached_, Status::Ok()};
  long long readNs = WallClockNs();
  if (!now.exists) {
    cached_ = std::make_shared<const ProfileDocument>();
    cachedStamp_ = now;
    cachedReadNs_ = readNs;
    return Loaded{cached_, Status::Ok()};
  }
  Result<FileContent> content = ReadFileBytes(file_);
  if (!content) {
    cached_.reset();
    return Loaded{std::make_shared<const ProfileDocument>(), content.status()};
  }
  cached_ = std::make_shared<const ProfileDocument>(ProfileDocument::Parse(content->bytes));
  cachedStamp_ = content->stamp;
  cachedReadNs_ = readNs;
  return Loaded{cached_, Status::Ok()};
}

std::shared_ptr<const ProfileDocument> SettingsStore::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return LoadLocked().doc;
}

std::string SettingsStore::GetINIValue(const std::string& section, const std::string& key) const {
  return ReadValue(*Snapshot(), section, key);
}

Status SettingsStore::CheckReadable() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return LoadLocked().status;
}

Status SettingsStore::Edit(const std::function<Status(ProfileDocument&)>& edit) {
  return EditWithin(lockPatience_, edit);
}

Status SettingsStore::EditWithin(std::chrono::milliseconds patience,
                                 const std::function<Status(ProfileDocument&)>& edit) {
  std::lock_guard<std::mutex> lock(mutex_);
  // The file lock serialises writers across processes: read, change and rename happen with
  // no other writer in between, so no writer's change is lost.
  Result<FileLock> fileLock = FileLock::Acquire(WriteTarget(file_), patience);
  if (!fileLock) return fileLock.status();
  RemoveStaleTemporaries(file_);
  // The stamp check stays for writers that do not take the lock (a hand edit).
  for (int attempt = 0; attempt < kEditAttempts; ++attempt) {
    Loaded loaded = LoadLocked();
    if (!loaded.status) return loaded.status;  // never replace a file we could not read
    FileStamp readStamp = cachedStamp_;
    ProfileDocument doc = *loaded.doc;
    if (Status s = edit(doc); !s) return s;
    std::string bytes = doc.Serialize();
    if (bytes == loaded.doc->Serialize()) return Status::Ok();
    if (StampOf(file_) != readStamp) continue;
    Result<FileStamp> written = ReplaceFileAtomically(file_, bytes);
    if (!written) return written.status();
    cached_ = std::make_shared<const ProfileDocument>(std::move(doc));
    cachedStamp_ = *written;
    cachedReadNs_ = WallClockNs();
    return Status::Ok();
  }
  return Status::Error("cannot write " + file_ + ": it keeps changing under another writer", 75);
}

Status SettingsStore::SaveINIValues(const std::string& section, const std::string& key,
                                    const std::string& value) {
  return Edit([&](ProfileDocument& doc) { return doc.Set(section, key, value); });
}

Status SettingsStore::SaveINIValuesWithoutWaiting(const std::string& section,
                                                  const std::string& key,
                                                  const std::string& value) {
  return EditWithin(std::chrono::milliseconds(0),
                    [&](ProfileDocument& doc) { return doc.Set(section, key, value); });
}

Status SettingsStore::DeleteSection(const std::string& section) {
  return Edit([&](ProfileDocument& doc) {
    doc.RemoveSection(section);
    return Status::Ok();
  });
}

}  // namespace pelvane::settings
