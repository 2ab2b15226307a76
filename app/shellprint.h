// Printing from the command line: "-p FILE" and "--print-to FILE TARGET".
//
// The file is opened; direct print (ID_FILE_PRINT_DIRECT) goes to the first
// registered view, in the records' order, whose own command table handles it
// (the window layer's view base maps the print commands for every view, so
// only a view class that maps it itself counts as one that prints). That
// view's frame is made hidden through MCOpusDoc::GetViewFrame and given its
// initial update without being shown, so the view is attached and laid out
// as on screen. Then the document closes.
//
// While it runs, prompts go to standard error and take their default answer
// (nobody is there to ask), and print-to makes TARGET the program's printer.
// The reason for a failure is written to standard error.
//
// User-interface thread only.
#pragma once

class CCommandLineInfo;
class CWinApp;

// Prints `command.m_strFileName` as the command asks; answers the program's
// exit status: 0 when pages were printed, 1 otherwise (the file did not
// open, no view prints, the printer failed, print-to without a target).
int PrintFromShell(CWinApp& app, const CCommandLineInfo& command);
