#pragma once
// The version and help options, answered on the terminal alone.

// Answers --version, --help and --help-all on the terminal and ends the program, before any
// window exists (so they work without a display). Returns when none of them was asked for; every
// other argument is left to the toolkit.
void AnswerInformationOptions(int argc, char** argv);
