// Every run of these tests gets a session bus of its own: the process starts
// itself again under dbus-run-session, which ends the bus with it.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <vector>

int main(int argc, char** argv) {
  if (!getenv("HALBRIN_PRIVATE_BUS")) {
    setenv("HALBRIN_PRIVATE_BUS", "1", 1);
    std::vector<char*> args{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("dbus-run-session", args.data());
    return 127;  // dbus-run-session is missing (dbus-bin)
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
