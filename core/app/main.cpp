#include "core/app/program_main.h"

int main(int argc, char** argv) { return halbrin::ProgramMain(argc, argv); }
