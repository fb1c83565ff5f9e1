#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class CProgress;

// Exit codes of tavcli.
enum ETavCliExit { kExitOk = 0, kExitRefused = 1, kExitUsage = 2 };

// Runs tavcli with its arguments (program name excluded); results go to out, messages that the
// GUI would show go to err with the same text. progress, when given, sees the reading, writing
// and printing of convert, report and print. Returns the exit code.
int RunTavCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              CProgress* progress = nullptr);

// Writes "tavcli: problem" and the usage lines of one command; returns kExitUsage.
int CommandUsageError(std::ostream& err, const std::string& problem, const char* usage);
// Reads text as a whole decimal number and nothing else (no blanks, no sign but '-').
bool ParseWholeNumber(const std::string& text, long long& out);
