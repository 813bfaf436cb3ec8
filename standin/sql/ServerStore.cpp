// SPDX-License-Identifier: GPL-3.0-or-later
#include "standin/sql/ServerStore.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

#include "standin/sql/CatalogSchema.h"
#include "standin/sql/TextCase.h"

namespace pelvane::standin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMaster = "master";
constexpr const char* kFileSuffix = ".sqlite";

}  // namespace

bool IsValidDatabaseName(const std::string& name) {
  if (name.empty() || name.size() > 128) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '-' || c == '$' || c == '#' || c == '@' || u >= 0x80;
  });
}

std::string ServerNameForFolder(const std::string& folder) {
  std::string base = fs::path(folder).lexically_normal().filename().string();
  if (base.empty()) base = fs::path(folder).lexically_normal().parent_path().filename().string();
  std::string name;
  for (char c : base) {
    unsigned char u = static_cast<unsigned char>(c);
    name += std::isalnum(u) ? static_cast<char>(std::toupper(u)) : '_';
  }
  // A folder named by its port alone reads better with a prefix.
  bool digitsOnly = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
  return digitsOnly || name.empty() ? "STANDIN" + name : name;
}

ServerStore::ServerStore(std::string folder, SqliteHandle master)
    : folder_(std::move(folder)),
      serverName_(ServerNameForFolder(folder_)),
      master_(std::move(master)) {}

Result<std::shared_ptr<ServerStore>> ServerStore::Create(const std::string& folder,
                                                         const std::vector<std::string>& logins,
                                                         const std::vector<std::string>& databases,
                                                         bool spPassword) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return Status::Error("Cannot create folder " + folder + ": " + error.message());

  std::map<std::string, std::string> found;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const fs::path& path = entry.path();
    if (path.extension() == kFileSuffix && IsValidDatabaseName(path.stem().string()))
      found.emplace(LowerAscii(path.stem().string()), path.stem().string());
  }
  if (error) return Status::Error("Cannot read folder " + folder + ": " + error.message());

  std::string masterName = found.count(kMaster) ? found[kMaster] : kMaster;
  Result<SqliteHandle> master =
      OpenSqliteFile((fs::path(folder) / (masterName + kFileSuffix)).string());
  if (!master.ok()) return master.status();
  Status schema = ExecSql(master->get(), std::string(kCatalogSchema) + kLoginSchema);
  if (!schema.ok()) return Status::Error("Cannot prepare master: " + schema.message());

  std::shared_ptr<ServerStore> store(new ServerStore(folder, std::move(master).value()));
  store->databases_ = found;
  store->spPassword_ = spPassword;
  store->databases_[kMaster] = masterName;
  for (const std::string& name : databases) {
    Status added = store->AddDatabase(name);
    if (!added.ok()) return added;
  }
  for (const std::string& login : logins) {
    Status set = store->SetLogin(login);
    if (!set.ok()) return set;
  }
  return store;
}

Status ServerStore::AddDatabase(const std::string& name) {
  if (!IsValidDatabaseName(name)) return Status::Error("Invalid database name '" + name + "'.");
  std::string key = LowerAscii(name);
  if (!databases_.count(key)) databases_[key] = name;
  Result<SqliteHandle> db = OpenSqliteFile(PathOf(databases_[key]));
  if (!db.ok()) return db.status();
  Status schema = ExecSql(db->get(), kCatalogSchema);
  if (!schema.ok())
    return Status::Error("Cannot prepare database " + name + ": " + schema.message());
  return Status::Ok();
}

Status ServerStore::SetLogin(const std::string& nameAndPassword) {
  size_t colon = nameAndPassword.find(':');
  if (colon == std::string::npos || colon == 0)
    return Status::Error("A login is given as NAME:PASSWORD, not '" +
                         nameAndPassword.substr(0, colon) + "'.");
  std::string name = nameAndPassword.substr(0, colon);
  std::string password = nameAndPassword.substr(colon + 1);
  std::lock_guard<std::mutex> lock(mutex_);
  marks_.erase(name);
  for (auto [suffix, mark] :
       {std::pair<std::string, LoginResult>{":expired", LoginResult::kPasswordExpired},
        {":mustchange", LoginResult::kPasswordMustChange}}) {
    if (password.size() > suffix.size() &&
        password.compare(password.size() - suffix.size(), suffix.size(), suffix) == 0) {
      password.resize(password.size() - suffix.size());
      marks_[name] = mark;
    }
  }
  Result<StatementHandle> upsert = PrepareBound(
      master_.get(),
      "INSERT INTO standin_logins(name, password) VALUES(?1, ?2) "
      "ON CONFLICT(name) DO UPDATE SET name = excluded.name, password = excluded.password",
      {name, password});
  if (!upsert.ok()) return upsert.status();
  return StepToEnd(master_.get(), upsert->get());
}

std::string ServerStore::PathOf(const std::string& canonicalName) const {
  return (fs::path(folder_) / (canonicalName + kFileSuffix)).string();
}

std::optional<std::string> ServerStore::FindDatabase(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = databases_.find(LowerAscii(name.empty() ? kMaster : name));
  if (it == databases_.end()) return std::nullopt;
  return it->second;
}

Result<SqliteHandle> ServerStore::Connect(const std::string& canonicalName) const {
  return OpenSqliteFile(PathOf(canonicalName));
}

LoginResult ServerStore::CheckLogin(const std::string& login, const std::string& password,
                                    const std::string& database) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Result<std::optional<std::string>> stored =
        QueryText(master_.get(), "SELECT password FROM standin_logins WHERE name = ?1", {login});
    if (!stored.ok() || !stored.value() || *stored.value() != password)
      return LoginResult::kBadLogin;
    // The password is right but may not be used until it is changed.
    auto mark = marks_.find(login);
    if (mark != marks_.end()) return mark->second;
  }
  return FindDatabase(database) ? LoginResult::kAccepted : LoginResult::kUnknownDatabase;
}

LoginResult ServerStore::ChangePasswordAtLogin(const std::string& login,
                                               const std::string& oldPassword,
                                               const std::string& newPassword,
                                               const std::string& database) {
  RpcOutcome changed = ChangePassword(oldPassword, newPassword, login);
  if (changed.returnStatus != 0) return LoginResult::kBadLogin;
  return CheckLogin(login, newPassword, database);
}

RpcOutcome ServerStore::ChangePassword(const std::string& oldPassword,
                                       const std::string& newPassword, const std::string& login) {
  RpcOutcome outcome;
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // One statement compares and sets, so two concurrent changes cannot both succeed.
    Result<StatementHandle> update = PrepareBound(
        master_.get(), "UPDATE standin_logins SET password = ?1 WHERE name = ?2 AND password = ?3",
        {newPassword, login, oldPassword});
    if (update.ok() && StepToEnd(master_.get(), update->get()).ok())
      changed = sqlite3_changes(master_.get()) == 1;
  }
  if (changed) {
    std::lock_guard<std::mutex> lock(mutex_);
    marks_.erase(login);
    return outcome;
  }
  ErrorMessage error;
  error.number = 15211;
  error.severity = 16;
  error.text = "Old (current) password incorrect for user. The password was not changed.";
  error.procedure = "sp_password";
  outcome.events.push_back(error);
  outcome.returnStatus = 1;
  return outcome;
}

}  // namespace pelvane::standin
