#include "platform/UnavailableNetwork.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "settings/ErrorNumbers.h"

namespace pelvane::platform {

namespace fs = std::filesystem;

namespace {

// The classic file error numbers, so that the steps tell the failures apart as they always did.
using error_number::kBadFileName;
using error_number::kFileAlreadyExists;
using error_number::kFileNotFound;
using error_number::kPathFileAccessError;
using error_number::kPathNotFound;

/// Only absolute paths of this machine can be written; a drive letter names nothing here.
Status CheckWritable(const std::string& path) {
  if (engine::IsNetworkPath(path)) {
    return Status::Error("Network folders are not available on this platform: " + path,
                         kBadFileName);
  }
  if (path.empty() || path[0] != '/')
    return Status::Error("Path not found: " + path, kPathNotFound);
  return Status::Ok();
}

Status RefusedWrite(const std::string& path, const std::string& reason) {
  const fs::path parent = fs::path(path).parent_path();
  std::error_code ignored;
  if (!fs::is_directory(parent, ignored)) {
    return Status::Error("Path not found: " + parent.string(), kPathNotFound);
  }
  return Status::Error("Path/File access error: " + path + " (" + reason + ")",
                       kPathFileAccessError);
}

}  // namespace

engine::NetworkShares::Connection UnavailableNetworkShares::Connect(const std::string&,
                                                                    const std::string&,
                                                                    const std::string&) {
  return {engine::connect_code::kNotSupported, ""};
}

bool UnavailableNetworkShares::Disconnect(const std::string&, bool) {
  return false;
}

Status UnavailableNetworkShares::CopyFile(const std::string& source, const std::string& destination,
                                          bool failIfExists) {
  if (Status writable = CheckWritable(destination); !writable) return writable;
  std::error_code error;
  if (!fs::is_regular_file(source, error)) {
    return Status::Error("File not found: " + source, kFileNotFound);
  }
  const fs::copy_options options =
      failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (fs::copy_file(source, destination, options, error)) return Status::Ok();
  if (error == std::errc::file_exists) {
    return Status::Error("File already exists: " + destination, kFileAlreadyExists);
  }
  return RefusedWrite(destination, error.message());
}

Status UnavailableNetworkShares::AppendText(const std::string& path, const std::string& text) {
  if (Status writable = CheckWritable(path); !writable) return writable;
  std::ofstream file(path, std::ios::binary | std::ios::app);
  if (!file) return RefusedWrite(path, "cannot be opened for appending");
  file << text << "\r\n";
  file.close();
  if (!file) return RefusedWrite(path, "cannot be written");
  return Status::Ok();
}

std::optional<engine::RemoteTime> UnavailableRemoteClock::CurrentTime(const std::string& machine) {
  if (!machine.empty()) return std::nullopt;
  engine::RemoteTime now;
  now.utc = std::time(nullptr);
  std::tm local{};
  localtime_r(&now.utc, &local);
  now.minutesWestOfUtc = static_cast<int>(-local.tm_gmtoff / 60);
  return now;
}

engine::ServiceState UnavailableServiceControl::QueryState(const std::string&, const std::string&) {
  return engine::ServiceState::kUnknown;
}

void UnavailableServiceControl::Start(const std::string&, const std::string&) {}

void UnavailableServiceControl::Stop(const std::string&, const std::string&) {}

}  // namespace pelvane::platform
