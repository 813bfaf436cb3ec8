// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "settings/Status.h"

namespace pelvane::settings {

/// What identifies one version of a file: a change by anyone alters at least one field.
struct FileStamp {
  bool exists = false;
  unsigned long long device = 0, inode = 0, size = 0;
  long long mtimeSec = 0, mtimeNsec = 0;
  bool operator==(const FileStamp& o) const;
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

struct FileContent {
  std::string bytes;
  FileStamp stamp;
};

/// A file named `name` in the folder of `path`; just `name` when the path names no folder.
std::string SiblingFile(const std::string& path, const std::string& name);

/// The stamp of the file as it is now; exists is false when there is no file of that name.
FileStamp StampOf(const std::string& path);

/// The whole file. A missing file is error 53 "File not found"; any other failure names the
/// file and the system's reason.
Result<FileContent> ReadFileBytes(const std::string& path);

/// Replaces the file with the given bytes through a temporary file in the same folder and a
/// rename, so readers see the old file or the new one, never a part. Keeps the file's mode and
/// owner, writes through a symbolic link to its target (as WriteTarget), and refuses a
/// read-only file. Returns the new file's stamp.
Result<FileStamp> ReplaceFileAtomically(const std::string& path, std::string_view bytes);

/// The same for files whose name a run or a window is given (reports, CSV exports), which may
/// lie in a folder that others write to: a symbolic link at the name is replaced by the new
/// file, never followed, and a file of another user's passes neither its mode nor its owner on.
Result<FileStamp> ReplaceFileAtName(const std::string& path, std::string_view bytes);

/// The file a write must replace: a symbolic link of our own (or root's) is followed so that
/// the link stays; another user's link is not followed, and is replaced itself.
std::string WriteTarget(const std::string& path);

/// Removes the temporary siblings that ReplaceFileAtomically leaves when its process is killed
/// between creating and renaming them. Call only while holding the file's lock, so that no
/// live writer's file is taken.
void RemoveStaleTemporaries(const std::string& path);

/// Appends bytes to a file, creating it when missing (mode 0600).
Status AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace pelvane::settings
