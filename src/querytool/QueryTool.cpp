// SPDX-License-Identifier: GPL-3.0-or-later
#include "querytool/QueryTool.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <utility>

#include "freetds/EncryptionChecks.h"
#include "freetds/FreeTdsConfig.h"
#include "freetds/TdsServerName.h"
#include "querytool/BatchDeadline.h"
#include "querytool/BatchRunner.h"
#include "querytool/BatchSplitter.h"
#include "querytool/CommandLine.h"
#include "querytool/DbLibConnection.h"
#include "querytool/OutputFile.h"
#include "querytool/RunReport.h"
#include "querytool/ScriptText.h"
#include "querytool/ServerAddress.h"
#include "querytool/StallWatch.h"
#include "settings/FileIo.h"

namespace pelvane::querytool {
namespace {

/// The script's bytes; anything but a regular, readable file is refused with a clear reason.
Result<std::string> ReadScript(const std::string& path) {
  Result<settings::FileContent> content = settings::ReadFileBytes(path);
  if (!content)
    return Status::Error("Cannot read the script file " + path + ": " + content.status().message());
  return std::move(content).value().bytes;
}

/// Refuses an output file that is the script itself: creating it would empty the script.
Status CheckOutputIsNotTheScript(const Options& options) {
  struct stat script {
  }, output{};
  if (::stat(options.scriptPath.c_str(), &script) != 0 ||
      ::stat(options.outputPath.c_str(), &output) != 0)
    return Status::Ok();
  if (script.st_dev == output.st_dev && script.st_ino == output.st_ino) {
    return Status::Error("The output file " + options.outputPath + " is the script file " +
                         options.scriptPath + "; writing it would destroy the script.");
  }
  return Status::Ok();
}

/// A failure that ends the run: into the output file, and onto stderr together with the
/// server's reason, which the file already holds as the server's own message.
int Fail(OutputFile& output, std::ostream& err, const std::string& message,
         const std::string& serverReason = "") {
  output.Line(message);
  output.Flush();
  err << "isqlw: " << message << (serverReason.empty() ? "" : " ") << serverReason << "\n";
  return kExitFailure;
}

// How long our own look at a server's certificate may take after db-lib gave up on it.
constexpr std::chrono::seconds kCertificateLookLimit(5);

/// The private FreeTDS configuration FREETDSCONF names for this process: in memory where the
/// system allows, else a file in a folder of its own.
struct PrivateConfig {
  std::optional<freetds::MemoryConfigFile> memory;
  std::optional<freetds::FreeTdsConfigFile> file;
};

/// The server as a section of a private FreeTDS configuration that carries its encryption
/// settings, named by FREETDSCONF for this process; the configuration goes with `config`.
Result<std::string> ConfiguredServer(const std::string& listed,
                                     const freetds::TdsServerName& address,
                                     const engine::SqlEncryption& encryption,
                                     PrivateConfig& config) {
  std::string path;
  Result<std::string> section = Status::Error("");
  if (Result<freetds::MemoryConfigFile> memory =
          freetds::MemoryConfigFile::Create(address, encryption, listed)) {
    config.memory.emplace(std::move(memory).value());
    path = config.memory->path();
    section = config.memory->section();
  } else {
    Result<freetds::FreeTdsConfigFile> made = freetds::FreeTdsConfigFile::Create();
    if (!made) return made.status();
    config.file.emplace(std::move(made).value());
    path = config.file->path();
    section = config.file->Section(address, encryption, listed);
  }
  if (!section) return section.status();
  // Still one thread: the checks on a second connection start with the first batch.
  if (::setenv("FREETDSCONF", path.c_str(), 1) != 0)
    return Status::Error("Cannot name the FreeTDS configuration in FREETDSCONF.");
  return section;
}

int RunScript(const Options& options, const std::string& script, OutputFile& output,
              std::ostream& err) {
  const std::vector<std::string> batches = SplitBatches(DecodeScript(script));

  // A named instance is asked of its SQL Browser first, so that the private configuration
  // holds its port and db-lib never runs its own, far longer, browser loop.
  Result<std::string> connectable =
      ConnectableServerName(options.server, std::chrono::seconds(options.browserTimeoutSeconds));
  if (!connectable) return Fail(output, err, connectable.status().message());
  Result<freetds::TdsServerName> address = freetds::ParseTdsServerName(*connectable);
  if (!address) return Fail(output, err, address.status().message());
  const int loginSeconds = ConnectRequest{}.loginTimeoutSeconds;
  if (auto stop = freetds::CheckBeforeConnecting(options.server, *address, options.encryption,
                                                 std::chrono::seconds(loginSeconds)))
    return Fail(output, err, stop->error.message);
  PrivateConfig config;
  Result<std::string> server =
      ConfiguredServer(options.server, *address, options.encryption, config);
  if (!server) return Fail(output, err, server.status().message());

  DbLibrary library(options.queryTimeoutSeconds);
  if (!library.status()) return Fail(output, err, library.status().message());
  RunReport report(output);
  ConnectRequest request{*server, options.login, options.password, options.database};
  Result<DbConnection> connection = DbConnection::Open(request, report);
  if (!connection) {
    if (report.lastServerError().empty()) {
      if (auto why = freetds::ExplainFailedConnection(options.server, *address, options.encryption,
                                                      kCertificateLookLimit))
        return Fail(output, err, why->error.message);
    }
    return Fail(output, err,
                "Cannot connect to server " + options.server + ": " + connection.status().message(),
                report.lastServerError());
  }

  int checkAfterSeconds = options.checkAfterSeconds;
  for (const std::string& batch : batches) {
    BatchEnd end = BatchEnd::kCompleted;
    bool expired = false;
    bool stalled = false;
    {
      const int socket = dbiordesc(connection->get());
      BatchDeadline deadline(socket, options.queryTimeoutSeconds);
      StallWatch watch(socket, request, checkAfterSeconds, options.checkSeconds);
      end = RunBatch(connection.value(), batch, report);
      expired = deadline.expired();
      stalled = watch.stalled();
      if (watch.refused()) checkAfterSeconds = 0;  // a refused check would be refused again
    }
    if (end != BatchEnd::kConnectionLost && !expired && !stalled) continue;
    if (stalled && !expired) {
      Fail(output, err,
           "Server " + options.server + " did not answer a check on a second connection within " +
               std::to_string(options.checkSeconds) +
               " seconds while the batch waited; the batch was ended and the connection closed.");
      return kExitServerStalled;
    }
    if (report.timedOut() || expired) {
      Fail(output, err,
           "Query timeout expired: a batch ran longer than " +
               std::to_string(options.queryTimeoutSeconds) + " seconds on server " +
               options.server + "; it was ended and the connection closed.");
      return kExitTimedOut;
    }
    return Fail(output, err, "The connection to server " + options.server + " was lost.");
  }
  if (Status written = output.Flush(); !written) {
    err << "isqlw: " << written.message() << "\n";
    return kExitFailure;
  }
  return report.serverErrorSeen() ? kExitServerError : kExitSuccess;
}

}  // namespace

int RunQueryTool(const std::vector<std::string>& args,
                 const std::optional<std::string>& environmentPassword, std::ostream& out,
                 std::ostream& err) {
  Result<Options> options = ParseCommandLine(args, environmentPassword);
  if (!options) {
    err << "isqlw: " << options.status().message() << "\n"
        << "Try 'isqlw --help'.\n";
    return kExitFailure;
  }
  if (options->help) {
    out << HelpText();
    return kExitSuccess;
  }
  // Before the output file is created, which would empty it.
  if (Status same = CheckOutputIsNotTheScript(*options); !same) {
    err << "isqlw: " << same.message() << "\n";
    return kExitFailure;
  }
  Result<OutputFile> output = OutputFile::Create(options->outputPath);
  if (!output) {
    err << "isqlw: " << output.status().message() << "\n";
    return kExitFailure;
  }
  Result<std::string> script = ReadScript(options->scriptPath);
  if (!script) return Fail(output.value(), err, script.status().message());
  return RunScript(*options, *script, output.value(), err);
}

}  // namespace pelvane::querytool
