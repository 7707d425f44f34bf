// The program's standard input, output and error at start-up. A program
// started with one of them closed would get the first file it opens itself
// there (the display's socket, a browser process's), and whatever it starts
// would be handed that file as its standard stream. Called first thing by
// the real screen's entry point; owns nothing.
#pragma once

namespace quarrow {

// Opens the null device onto each of descriptors 0, 1 and 2 that is closed.
void OpenMissingStandardDescriptors();

} // namespace quarrow
