#include "platform/PosixProcessLauncher.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <string.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pelvane::platform {

namespace {

using engine::ProcessOutcome;

/// posix_spawn's file actions, destroyed with the object.
class SpawnFileActions {
 public:
  SpawnFileActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;

  bool ok() const { return ok_; }
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
};

/// Strings that outlive the spawn, and the null-terminated pointer table over them.
class CStringVector {
 public:
  void Add(std::string text) { texts_.push_back(std::move(text)); }
  char* const* Table() {
    pointers_.clear();
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
    return pointers_.data();
  }

 private:
  std::vector<std::string> texts_;
  std::vector<char*> pointers_;
};

/// The caller's environment with the additions; an addition replaces a variable of its name.
CStringVector ChildEnvironment(const std::vector<std::pair<std::string, std::string>>& additions) {
  CStringVector env;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string variable(*entry);
    std::string name = variable.substr(0, variable.find('='));
    bool replaced = false;
    for (const auto& added : additions) replaced = replaced || added.first == name;
    if (!replaced) env.Add(std::move(variable));
  }
  for (const auto& added : additions) env.Add(added.first + "=" + added.second);
  return env;
}

ProcessOutcome Failure(ProcessOutcome::Kind kind, const std::string& what, int error) {
  ProcessOutcome outcome;
  outcome.kind = kind;
  outcome.message = what + ": " + strerror(error);
  return outcome;
}

}  // namespace

ProcessOutcome PosixProcessLauncher::RunAndWait(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& environment) {
  SpawnFileActions actions;
  if (!actions.ok() || posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null",
                                                        O_RDONLY, 0) != 0) {
    return Failure(ProcessOutcome::Kind::kFailedToStart, program, ENOMEM);
  }
  CStringVector argv;
  argv.Add(program);
  for (const std::string& argument : arguments) argv.Add(argument);
  CStringVector envp = ChildEnvironment(environment);

  pid_t pid = 0;
  int started =
      posix_spawn(&pid, program.c_str(), actions.get(), nullptr, argv.Table(), envp.Table());
  if (started == ENOENT) return Failure(ProcessOutcome::Kind::kNotFound, program, started);
  if (started != 0) return Failure(ProcessOutcome::Kind::kFailedToStart, program, started);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return Failure(ProcessOutcome::Kind::kFailedToStart, program, errno);
  }
  ProcessOutcome outcome;
  if (WIFEXITED(status)) {
    outcome.kind = ProcessOutcome::Kind::kExited;
    outcome.exitCode = WEXITSTATUS(status);
  } else {
    outcome.kind = ProcessOutcome::Kind::kKilled;
    outcome.message = program + " ended by signal " + std::to_string(WTERMSIG(status));
  }
  return outcome;
}

}  // namespace pelvane::platform
