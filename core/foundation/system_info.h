#pragma once

// What the scripts may ask about the system and its user: the system and
// browser versions, user and computer names, and the processor id. Each
// answer is "" when the system cannot give it; none raises.

#include <map>
#include <string>
#include <string_view>

namespace halbrin {

// "%d.%d.%d.%s.%s": the kernel's major, minor and patch numbers (uname), the
// distribution's PRETTY_NAME and its ID (/etc/os-release, else
// /usr/lib/os-release; empty when neither is readable). Read once.
std::string WindowsVersionText();
// The same text from a kernel release ("6.1.0-18-amd64") and the text of an
// os-release file. Missing numbers count 0; the patch number keeps its low 16 bits.
std::string FormatWindowsVersionText(std::string_view kernelRelease, std::string_view osReleaseText);
// The KEY=value assignments of an os-release file, quotes and backslash
// escapes undone; comments and malformed lines skipped, a later key wins.
std::map<std::string, std::string> ParseOsRelease(std::string_view text);

// The version of the browser engine (WebKitGTK) the program was built with.
std::string GetIEVersionText();

// The effective user's login name (the password database, else $USER).
std::string GetUserNameText();
// The host name, however long.
std::string GetComputerNameText();

// 32 upper-case hex digits: the registers EAX, EBX, ECX and EDX of processor
// identification leaf 1, read now on the current core (zeros where the
// processor has no such instruction).
std::string ReadCpuIdText();
// `text` with characters 9 and 10 (the top byte of EBX, the initial APIC id
// of the core the read ran on) set to `replacement`, so the id is the same on
// every core; unchanged when shorter than 10 characters.
std::string MaskCpuIdText(std::string_view text, char replacement);
// The processor id read once for the process, masked with `replacement`
// (the client's "cpu" query passes '0').
std::string GetCpuIdText(char replacement);

}  // namespace halbrin
