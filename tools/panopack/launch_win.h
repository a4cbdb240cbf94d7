// What panopack.exe takes from Windows and shows there: its arguments, its
// console and message boxes. Text is UTF-8 on our side of these functions
// and UTF-16 on the system's.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name, from the UTF-16 command line.
std::vector<std::string> CommandLineArguments();

// Is the program alone on its console? Explorer gives a console program a
// console of its own; a shell shares its own.
bool ConsoleOfItsOwn();

// Does the path name an existing file (not a folder)?
bool IsExistingFile(const std::string& path);

enum class OutputStream { Out, Err };

// Text for the console as UTF-16, or as UTF-8 bytes to a file or a pipe.
void WriteOutput(OutputStream stream, const std::string& text);

// A message box titled panopack, with an error icon when failed.
void ShowMessage(const std::string& text, bool failed);
