// `vyrmatrix package [PATH]`: loads the component package and reports what it registers.
// Argv holds the arguments after "package" (Argv[0] is the first of them), Argc their number.
// Returns the exit status.
#pragma once

int RunPackageCommand(int argc, char** argv);
