#include "core/app/program_main.h"
#include "web/browser/web_process_init.h"

int main(int argc, char** argv) {
  // Before anything can make a JavaScriptCore context: pages would never load otherwise.
  halbrin::InitializeWebProcess();
  return halbrin::ProgramMain(argc, argv);
}
