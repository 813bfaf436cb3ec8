#include "querytool/QueryTool.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "querytool/BatchRunner.h"
#include "querytool/BatchSplitter.h"
#include "querytool/CommandLine.h"
#include "querytool/DbLibConnection.h"
#include "querytool/OutputFile.h"
#include "querytool/RunReport.h"
#include "querytool/ScriptText.h"
#include "querytool/ServerAddress.h"

namespace pelvane::querytool {
namespace {

Result<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return Status::Error("Cannot read the script file " + path + ": " + std::strerror(errno));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Status::Error("Cannot read the script file " + path);
  return bytes;
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

int RunScript(const Options& options, OutputFile& output, std::ostream& err) {
  Result<std::string> bytes = ReadFileBytes(options.scriptPath);
  if (!bytes) return Fail(output, err, bytes.status().message());
  const std::vector<std::string> batches = SplitBatches(DecodeScript(*bytes));

  Result<std::string> server = DbLibServerName(options.server);
  if (!server) return Fail(output, err, server.status().message());

  DbLibrary library;
  if (!library.status()) return Fail(output, err, library.status().message());
  RunReport report(output);
  ConnectRequest request{*server, options.login, options.password, options.database};
  Result<DbConnection> connection = DbConnection::Open(request, report);
  if (!connection) {
    return Fail(output, err,
                "Cannot connect to server " + options.server + ": " + connection.status().message(),
                report.lastServerError());
  }

  for (const std::string& batch : batches) {
    if (RunBatch(connection.value(), batch, report) == BatchEnd::kConnectionLost)
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
  Result<OutputFile> output = OutputFile::Create(options->outputPath);
  if (!output) {
    err << "isqlw: " << output.status().message() << "\n";
    return kExitFailure;
  }
  return RunScript(*options, output.value(), err);
}

}  // namespace pelvane::querytool
