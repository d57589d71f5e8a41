#include "help.h"

#include <cstdio>

#include "install_layout.h"

namespace qorcrypt {

void PrintHelp() {
  std::fputs(
      R"(Usage: qorcrypt [OPTIONS] COMMAND [INPUT]

Enciphers and deciphers data with the Qor_enc1 module, which it loads at run
time exactly as any host does.

Commands:
  info               print the module's file, algorithm name, version and
                     class code
  encrypt [INPUT]    encipher INPUT ("-" or none: standard input)
  decrypt [INPUT]    decipher INPUT ("-" or none: standard input)

Options:
  -o, --output FILE  write to FILE instead of standard output ("-"). FILE is
                     written under a temporary name in its own directory and
                     renamed when complete; after a failure an existing FILE
                     is left as it was and no temporary file remains.
  --key-file FILE    the key is the bytes of FILE exactly as they stand, a
                     final newline included; a zero byte is an error
  --key-env NAME     the key is the value of the environment variable NAME
  --key TEXT         the key is TEXT. Other users of this machine can see it
                     in the process list: prefer --key-file or --key-env
  --length N         (decrypt) write only the first N bytes of the result
  --module PATH      load the module from PATH instead of searching for it
  --no-progress      never draw a progress bar
  -h, --help         show this help

Ciphertext carries no length: it is the plaintext filled up with zero bytes to
a multiple of 8 and enciphered block by block. Without --length, decrypt
writes the whole deciphered length, fill bytes included; keep the plaintext
length and pass it as --length N to get the exact plaintext back.

Decrypt refuses input whose length is not a multiple of 8: it cannot be
ciphertext of this module. Reading a file, it checks before writing anything;
reading standard input it finds out at the end, when the blocks before it may
already be on standard output (an output FILE is still left untouched).

Keys are byte strings without zero bytes. Only their first 72 bytes take part,
and a key of 32768 bytes or more acts as a much shorter key. One of
--key-file, --key-env and --key is required for encrypt and decrypt.

Without --module the module is searched next to this program, then in the
library directory of its installation ()" QORCRYPT_LIBDIR_FROM_BINDIR R"(), then where it was
built.

Input is processed in chunks of 1 MiB, so memory stays flat for any size. A
progress bar appears on standard error when that is a terminal and the work
takes longer than a second.

Exit status: 0 success; 1 input, output, key or data could not be used;
2 bad command line; 3 module not found, not loadable or missing an entry point.
)",
      stdout);
}

}  // namespace qorcrypt
