// Where the module lies relative to this program. The build defines these;
// the fallbacks keep a stand-alone compile working.
#pragma once

// The library directory as seen from the program's directory, e.g. "../lib".
#ifndef QORCRYPT_LIBDIR_FROM_BINDIR
#define QORCRYPT_LIBDIR_FROM_BINDIR "../lib"
#endif

// The module in the build tree this program was built in, or "" for none.
#ifndef QORCRYPT_BUILD_TREE_MODULE
#define QORCRYPT_BUILD_TREE_MODULE ""
#endif
