// The command line's standard streams where systems differ: whether a person
// sits at them, how they are set up for a run, and how an answer is read.
#pragma once

#include <string>

// Sets the standard streams up for a run: a closed standard output must not
// end the program (its writes fail instead, and the rows stop), and text goes
// out byte for byte, paths in the system's own encoding (Windows: no CR added
// before LF; a console is told to show the ANSI code page the paths are in).
void PrepareStandardStreams();
// Gives a console back the settings PrepareStandardStreams and
// ErrorShowsProgressBar changed; also done at exit. Nothing on POSIX.
void RestoreStandardStreams();
// Whether standard input is a terminal (console) that a person answers on.
bool InputIsTerminal();
// Whether standard error is a terminal that can show the progress bar, which
// is drawn with escape sequences (on Windows this turns them on).
bool ErrorShowsProgressBar();
// Sets standard input up for reading a list of paths from it: byte for
// byte (Windows: binary mode, so that neither CR LF nor Ctrl-Z is changed).
void PrepareInputForList();
// Reads one line of standard input without its line end. false at the end
// of input, or when Ctrl-C was pressed while it waited.
bool ReadAnswerLine(std::string& strLine);
