// A host-side program's command line as UTF-8 text.
#ifndef QUORVANE_PLATFORM_PROGRAM_ARGUMENTS_H
#define QUORVANE_PLATFORM_PROGRAM_ARGUMENTS_H

#include <string>
#include <vector>

namespace qir::platform {

// The arguments after the program's name, each as UTF-8. Windows hands main its
// arguments in the ANSI code page, which cannot spell every file name, so there they
// are read from the system's UTF-16 command line instead (an unpaired surrogate
// becomes U+FFFD); elsewhere argv's bytes are taken as they are.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace qir::platform

#endif
