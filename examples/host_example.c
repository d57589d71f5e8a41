/*
 * A minimal host in plain C: loads the Qor_enc1 module by name at run time,
 * resolves the entry points it needs, enciphers a message, deciphers it
 * again and gives every buffer and the session back to the module.
 *
 *   host_example [MODULE]
 *
 * MODULE defaults to the bare file name, which the system's library search
 * (LD_LIBRARY_PATH, the run path, the system directories) resolves.
 */
#include <stdio.h>
#include <string.h>

#include "qor_enc1.h"

#if defined(_WIN32)
#include <windows.h>
#define MODULE_FILE "Qor_enc1.dll"
typedef HMODULE library_t;
static library_t open_library(const char *path) { return LoadLibraryA(path); }
static void *find_symbol(library_t lib, const char *name) {
  FARPROC address = GetProcAddress(lib, name);
  void *object;
  memcpy(&object, &address, sizeof object);
  return object;
}
static void close_library(library_t lib) { FreeLibrary(lib); }
static const char *load_error(void) { return "LoadLibrary failed"; }
#else
#include <dlfcn.h>
#define MODULE_FILE "Qor_enc1.so"
typedef void *library_t;
static library_t open_library(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void *find_symbol(library_t lib, const char *name) { return dlsym(lib, name); }
static void close_library(library_t lib) { dlclose(lib); }
static const char *load_error(void) { return dlerror(); }
#endif

struct entry_points {
  sCRYPT_Open_fn open;
  sCRYPT_Close_fn close;
  sCRYPT_InitialisePrivateKey_fn set_key;
  sCRYPT_EncryptData_fn encrypt;
  sCRYPT_DecryptData_fn decrypt;
  sCRYPT_FreeBuffer_fn free_buffer;
};

/* ISO C has no conversion between object and function pointers; copying the
 * bits is what POSIX guarantees to work for dlsym results. */
static int resolve(library_t lib, const char *name, void *slot, size_t size) {
  void *address = find_symbol(lib, name);
  if (address == NULL) {
    fprintf(stderr, "host_example: the module has no entry point %s\n", name);
    return 0;
  }
  memcpy(slot, &address, size);
  return 1;
}

#define RESOLVE(lib, name, field) resolve(lib, #name, &(field), sizeof(field))

static void print_hex(const char *label, const uint8_t *bytes, int32_t length) {
  printf("%s (%d bytes):", label, (int)length);
  for (int32_t i = 0; i < length; ++i) printf(" %02x", (unsigned)bytes[i]);
  printf("\n");
}

static int round_trip(const struct entry_points *fn) {
  static const char message[] = "Plain C host, loaded by name.";
  const int32_t length = (int32_t)(sizeof message - 1);
  int ok = 0;

  const int32_t session = fn->open();
  if (session == 0) {
    fprintf(stderr, "host_example: sCRYPT_Open failed\n");
    return 0;
  }
  uint8_t *cipher = NULL;
  int32_t cipher_length = 0;
  uint8_t *plain = NULL;
  int32_t plain_length = 0;
  if (!fn->set_key(session, "example key") ||
      !fn->encrypt(session, (const uint8_t *)message, length, &cipher, &cipher_length) ||
      !fn->decrypt(session, cipher, cipher_length, &plain, &plain_length)) {
    fprintf(stderr, "host_example: a module call failed\n");
  } else {
    print_hex("ciphertext", cipher, cipher_length);
    /* The ciphertext does not record the length: the host keeps it and cuts
     * the zero fill off the last block itself. */
    ok = cipher_length % 8 == 0 && cipher_length >= length && plain_length == cipher_length &&
         memcmp(plain, message, (size_t)length) == 0 && memcmp(cipher, message, (size_t)length) != 0;
    for (int32_t i = length; ok && i < plain_length; ++i) ok = plain[i] == 0;
    printf("plaintext  (%d of %d bytes): %.*s\n", (int)length, (int)plain_length, (int)length,
           (const char *)plain);
  }
  /* Buffers belong to the host until handed back through the module. */
  if (cipher != NULL && fn->free_buffer(session, cipher) != 1) ok = 0;
  if (plain != NULL && fn->free_buffer(session, plain) != 1) ok = 0;
  if (fn->close(session) != 1) ok = 0;
  return ok;
}

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : MODULE_FILE;
  library_t lib = open_library(path);
  if (lib == NULL) {
    fprintf(stderr, "host_example: cannot load %s: %s\n", path, load_error());
    return 2;
  }
  struct entry_points fn;
  int ok = RESOLVE(lib, sCRYPT_Open, fn.open) && RESOLVE(lib, sCRYPT_Close, fn.close) &&
           RESOLVE(lib, sCRYPT_InitialisePrivateKey, fn.set_key) &&
           RESOLVE(lib, sCRYPT_EncryptData, fn.encrypt) && RESOLVE(lib, sCRYPT_DecryptData, fn.decrypt) &&
           RESOLVE(lib, sCRYPT_FreeBuffer, fn.free_buffer);
  if (ok) ok = round_trip(&fn);
  close_library(lib);
  printf("round trip %s\n", ok ? "OK" : "FAILED");
  return ok ? 0 : 1;
}
