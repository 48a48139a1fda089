#include <cstdio>
#include <string_view>

// Placeholder entry until start-up lands: it names the project folder given
// as use:FOLDER, so the set-up scripts can build and start the program.
int main(int argc, char** argv) {
  constexpr std::string_view kUsePrefix = "use:";
  std::string_view project;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with(kUsePrefix)) project = arg.substr(kUsePrefix.size());
  }
  std::puts("Halbrin Lite");
  if (project.empty())
    std::puts("No project given (start with use:FOLDER)");
  else
    std::printf("Project folder: %.*s\n", static_cast<int>(project.size()), project.data());
  return 0;
}
