#pragma once
// The installer's own log of a run, asked for with /LOG=FILE: plain text, one
// line per event (the options, each directory, file, shortcut and registry
// value made, each program run with its exit code, every error with its
// reason). Each line reaches the file as it is written, so that a run cut
// short still shows how far it came. Without an open log every call does
// nothing, so callers never need to ask first.
#include <string>
#include <string_view>

// Creates (or empties) the log; raises EInOutError when it cannot. Files are
// reached through Platform().
void RunLogOpen(const std::string& fileName);
void RunLogClose();
// Opens an existing log again at its end (after another process wrote to
// it); a log that cannot be opened stays closed.
void RunLogResume(const std::string& fileName);
bool RunLogActive();
// One line; line breaks inside the text (the "\r\r" of messages) become
// blanks. A line that cannot be written closes the log: the run goes on.
void RunLogLine(std::string_view text);
// "Error: " + what, then ": " + reason when there is one.
void RunLogError(std::string_view what, std::string_view reason = {});
