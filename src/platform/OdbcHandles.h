// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace pelvane::platform {

/// Sole owner of one ODBC handle of type `kType`, freed when the owner goes.
template <SQLSMALLINT kType>
class OdbcHandle {
 public:
  OdbcHandle() = default;
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  OdbcHandle(OdbcHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~OdbcHandle() { Reset(); }

  /// Allocates a handle under `parent` (none for an environment).
  SQLRETURN Allocate(SQLHANDLE parent) {
    Reset();
    return SQLAllocHandle(kType, parent, &handle_);
  }

  void Reset() {
    if (handle_ != nullptr) SQLFreeHandle(kType, handle_);
    handle_ = nullptr;
  }

  SQLHANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  SQLHANDLE handle_ = nullptr;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

/// A connection handle that is disconnected before it is freed once a connect succeeded.
class ConnectionHandle {
 public:
  ConnectionHandle() = default;
  ConnectionHandle(const ConnectionHandle&) = delete;
  ConnectionHandle& operator=(const ConnectionHandle&) = delete;
  ConnectionHandle(ConnectionHandle&& other) noexcept
      : handle_(std::move(other.handle_)), connected_(std::exchange(other.connected_, false)) {}
  ConnectionHandle& operator=(ConnectionHandle&& other) noexcept {
    if (this != &other) {
      Disconnect();
      handle_ = std::move(other.handle_);
      connected_ = std::exchange(other.connected_, false);
    }
    return *this;
  }
  ~ConnectionHandle() { Disconnect(); }

  SQLRETURN Allocate(SQLHANDLE environment) { return handle_.Allocate(environment); }
  void MarkConnected() { connected_ = true; }
  void Disconnect() {
    if (connected_) SQLDisconnect(handle_.get());
    connected_ = false;
  }

  SQLHANDLE get() const { return handle_.get(); }
  bool connected() const { return connected_; }

 private:
  OdbcHandle<SQL_HANDLE_DBC> handle_;
  bool connected_ = false;
};

}  // namespace pelvane::platform
