#include "core/app/program_main.h"

#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>

#include "core/app/application_ex.h"
#include "core/app/command_line.h"
#include "core/app/hand_over.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "core/app/single_instance.h"
#include "core/app/stop_signals.h"
#include "core/foundation/logger.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {
namespace {

bool HasSwitch(std::initializer_list<std::string_view> names) {
  const auto& args = CommandLine::Args();
  for (std::size_t i = 1; i < args.size(); ++i)
    for (std::string_view name : names)
      if (platform::SameText(args[i], name)) return true;
  return false;
}

// The sender's arguments with a relative file: path made absolute, so the
// running instance (with another current folder) finds the same file.
std::vector<std::string> HandOverArguments() {
  std::vector<std::string> args = CommandLine::Args();
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string& arg = args[i];
    if (arg.size() > 5 && platform::SameText(std::string_view(arg).substr(0, 5), "file:")) {
      std::filesystem::path path(arg.substr(5));
      if (path.is_relative()) arg = arg.substr(0, 5) + (std::filesystem::current_path() / path).lexically_normal().string();
    }
  }
  return args;
}

std::string DescribeMessage(const InstanceMessage& message) {
  switch (message.kind) {
    case InstanceMessage::Kind::Activate: return "Activation requested";
    case InstanceMessage::Kind::HandOver: {
      std::string text = "Command line handed over:";
      for (std::size_t i = 1; i < message.args.size(); ++i) text += " [" + message.args[i] + "]";
      return text;
    }
    case InstanceMessage::Kind::StateQuery: return "State query";
  }
  return {};
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    default: return "a signal";
  }
}

// Runs the main loop until the process is told to stop.
void RunMainLoop() {
  platform::GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  auto quit = [](gpointer data) -> gboolean {
    g_main_loop_quit(static_cast<GMainLoop*>(data));
    return G_SOURCE_CONTINUE;  // removed below, once the loop has ended
  };
  const guint term = g_unix_signal_add(SIGTERM, quit, loop.get());
  const guint interrupt = g_unix_signal_add(SIGINT, quit, loop.get());
  g_main_loop_run(loop.get());
  g_source_remove(term);
  g_source_remove(interrupt);
}

}  // namespace

bool StartedAsAutomationServer() { return HasSwitch({"/automation", "-automation", "/embedding", "-embedding"}); }

int ProgramMain(int argc, char** argv) {
  CommandLine::Set(std::vector<std::string>(argv, argv + argc));
  InitProjectInfo(ProjectInfo());
  if (HasSwitch({"/regserver", "/unregserver", "-regserver", "-unregserver"})) return 0;

  if (StartedAsAutomationServer()) {
    // A bare automation server: no project is loaded.
    std::unique_ptr<TLogger> log = OpenApplicationLog("");
    log->WriteEntry("ProgramMain", "Started as automation server");
    RunMainLoop();
    return 0;
  }

  const std::string id = ResolveProject();
  InstanceMessage handOver;
  handOver.kind = InstanceMessage::Kind::HandOver;
  handOver.folder = ProjectInfo().folder;
  handOver.args = HandOverArguments();
  InstanceStart start;
  try {
    start = StartOrHandOver(id, handOver);
  } catch (const platform::Exception& e) {
    std::cerr << ProgramTitle << ": " << e.what() << '\n';
    return 1;
  }
  // Handed over, or a first instance that does not answer: no reason to stay.
  if (!start.server) return kExitAlreadyRunning;
  InstanceServer& instance = *start.server;

  // The application object opens the project's log and runs the project.
  TApplicationEx& app = *GetApplicationEx();
  // A stop request ends the loop; one that a running script keeps from being
  // answered still leaves the log's last line and no socket behind.
  StopSignalWatch stopSignals([&app] { app.Terminate(); },
                              [&app, &instance](int signal, int code) {
                                app.Log("ProgramMain", "Stopped with exit code " + std::to_string(code) + " (" +
                                                           SignalName(signal) + " while a script ran)");
                                unlink(instance.SocketPath().c_str());
                              });
  const TProjectInfo& info = ProjectInfo();
  app.Log("ProgramMain", "Project \"" + info.name + "\" (" + info.product + " " + info.version + ") in \"" +
                             info.folder + "\", id " + info.id + ", start script \"" + info.script + "\"");
  std::error_code error;
  if (const std::string folder = ProjectInfoFolder(); !std::filesystem::exists(folder + "project.info", error))
    app.Log("ProgramMain", "No project.info in \"" + folder + "\": the project runs without name, product and version");
  for (const std::string& note : info.notes) app.Log("ProgramMain", note);
  instance.Serve(
      [&app](const InstanceMessage& message) {
        app.Log("ProgramMain", DescribeMessage(message));
        app.ProjectMessage(message);
      },
      [](const std::string& folder) {
        // An empty folder asks by id: the socket reached is this project's.
        return folder.empty() || ProjectIdOf(folder) == ProjectInfo().id ? ProjectInfo().state : -1;
      });

  ProjectInfo().state = PROJECT_STATE_LOADED;
  ProjectInfo().state = PROJECT_STATE_INTERACTIVE;
  // The loop runs while a main form exists.
  const int code = app.RunProject();
  stopSignals.BeginShutdown();
  // No later start may reach an instance that is shutting down: from here on
  // one becomes the first instance itself. What reached this one and was not
  // applied is recorded.
  std::vector<InstanceMessage> unapplied = TakeHandOvers();
  for (InstanceMessage& late : instance.Stop()) unapplied.push_back(std::move(late));
  for (const InstanceMessage& message : unapplied)
    app.Log("ProgramMain", "Not applied, the project has ended: " + DescribeMessage(message));
  app.Log("ProgramMain", "Stopped with exit code " + std::to_string(code));
  FreeApplicationEx();
  ReleaseApplicationProject();
  return code;
}

}  // namespace halbrin
