// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "settings/FileIo.h"
#include "settings/ProfileDocument.h"
#include "settings/Status.h"

namespace pelvane::settings {

/// The longest value a read returns; longer values are cut, as the original reader did.
constexpr size_t kMaxValueLength = 255;

/// Reads one value the way every setting is read: blanks around it removed, at most 255
/// characters (but see IsReadWhole), and empty when the key is missing or blank or its value starts
/// with "?". A file that is missing or cannot be read gives empty values.
std::string GetINIValue(const std::string& section, const std::string& key,
                        const std::string& file);

/// The settings file: reads and writes of single values, and edits of several values that land
/// in one atomic replacement of the file.
///
/// Edits in every process take an advisory lock beside the file, so concurrent writers never
/// lose each other's changes. Another process's change is seen at the next read: the parsed file is
/// reused only while the file's identity, size and modification time are unchanged. Writes replace
/// the file through a temporary file in the same folder, so a crash never leaves a truncated
/// settings file. Safe to use from several threads.
class SettingsStore {
 public:
  explicit SettingsStore(std::string file);

  const std::string& file() const { return file_; }

  /// As the free GetINIValue, against this store's file.
  std::string GetINIValue(const std::string& section, const std::string& key) const;

  /// Writes one value, creating the file, the section and the key as needed.
  Status SaveINIValues(const std::string& section, const std::string& key,
                       const std::string& value);

  /// The same, but only when no other writer holds the file at this moment: never waits.
  Status SaveINIValuesWithoutWaiting(const std::string& section, const std::string& key,
                                     const std::string& value);

  /// Removes a whole section with every key in it.
  Status DeleteSection(const std::string& section);

  /// Applies several changes to the current file and writes the result once. The edit sees the
  /// file as it is now; when it returns an error, nothing is written.
  Status Edit(const std::function<Status(ProfileDocument&)>& edit);

  /// Why the file cannot be read (a folder, a pipe, no permission); Ok when it can be read
  /// or does not exist yet.
  Status CheckReadable() const;

  /// How long an edit waits for another process's edit to finish before it gives up.
  void SetLockPatience(std::chrono::milliseconds patience) { lockPatience_ = patience; }

  /// The file as it is now, parsed; an empty document when it is missing or unreadable.
  std::shared_ptr<const ProfileDocument> Snapshot() const;

 private:
  struct Loaded {
    std::shared_ptr<const ProfileDocument> doc;
    Status status = Status::Ok();  // why the file could not be read, if it could not
  };

  Loaded LoadLocked() const;
  Status EditWithin(std::chrono::milliseconds patience,
                    const std::function<Status(ProfileDocument&)>& edit);

  std::string file_;
  mutable std::mutex mutex_;
  mutable std::shared_ptr<const ProfileDocument> cached_;
  mutable FileStamp cachedStamp_;
  mutable long long cachedReadNs_ = 0;  // wall-clock time at which cached_ was read
  std::chrono::milliseconds lockPatience_;
};

/// True for the few keys whose values are read whole: stored passwords and the multi-line texts
/// of the run's inputs. Every other value is cut at kMaxValueLength.
bool IsReadWhole(const std::string& section, const std::string& key);

/// Whether a value stored under section/key reads back as it was written: refused when it
/// begins with "?" (it would read as empty) or is longer than the reader returns for that key.
/// `what` names the value in the message ("A server name").
Status CheckReadsBack(const std::string& section, const std::string& key, std::string_view value,
                      const std::string& what);

/// Reads a stored value as the original reader did, from a parsed file.
std::string ReadValue(const ProfileDocument& doc, const std::string& section,
                      const std::string& key);

}  // namespace pelvane::settings
