#pragma once
// krdl-batch report: the file-name report of the program written as a PDF file.
//
//   krdl-batch report [--with-path] --pdf OUT.pdf [--list LIST]... [--] [FILE]...
//
// The lines are the files named and the ticked entries of each --list, in the order of the
// arguments, numbered from 1; the pages are those the program's "Print Preview" shows for the same lines.
// Exit code 0 when the file is written, 1 on a usage error or when a list file cannot be read
// or the PDF cannot be written.

// Runs the command on the program's arguments (argv[1] is "report"); returns the exit code.
int RunReportCommand(int argc, char** argv);
