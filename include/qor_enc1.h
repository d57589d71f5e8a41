/*
 * qor_enc1.h - the interface of the Qor_enc1 encryption module.
 *
 * A host loads the module (Qor_enc1.dll on Windows, Qor_enc1.so on Linux)
 * and calls the fifteen sCRYPT_ entry points below, either linked directly or
 * through pointers resolved by name (GetProcAddress / dlsym); the
 * sCRYPT_..._fn typedefs give the pointer types.
 *
 * The cipher is a Blowfish variant: 16 rounds and the published S-boxes, but
 * the P-array starts at zero instead of at the digits of pi, and data blocks
 * are read as two little-endian 32-bit halves. It does NOT interoperate with
 * standard Blowfish, and published Blowfish test vectors do not apply.
 *
 * Ciphertext format: a run of 8-byte blocks, each enciphered on its own under
 * the session's key (ECB: equal plaintext blocks give equal ciphertext
 * blocks). The last block is filled up with zero bytes. There is no header and
 * no length field: the host keeps the plaintext length itself.
 *
 * Not constant-time: like every table-driven Blowfish, the S-box look-ups are
 * indexed by secret data.
 *
 * Conventions for every entry point:
 *  - Handles are positive 32-bit numbers issued 1, 2, 3, ... and never reused
 *    while the module stays loaded. 0 and negative numbers are never valid.
 *  - Results of type int32_t are success flags unless stated otherwise:
 *    nonzero for success, 0 for failure. Failure means an invalid handle, an
 *    argument outside the documented range, or exhausted memory; in each case
 *    the call has no effect beyond what its description says.
 *  - No C++ exception, signal or message ever leaves the module.
 *  - Every entry point may be called from several threads at once.
 *  - Output buffers: EncryptData and DecryptData allocate a new buffer for
 *    each successful call. It belongs to the host until the host passes it to
 *    sCRYPT_FreeBuffer (with any open handle). Never release it with free(),
 *    delete or another module's allocator. It is not tied to the session that
 *    made it: closing that session or calling sCRYPT_Final leaves it valid.
 *    Buffers never given back are released when the module is unloaded, and
 *    then no address it handed out stays valid.
 *  - Keys are zero-terminated byte strings: the bytes before the first zero
 *    byte, taken as they are (no character-set conversion). Only the first
 *    72 bytes take part, and the key length counts modulo 2^16 as a signed
 *    16-bit number: a key of 2^15 bytes or more may act as a much shorter
 *    key, or as its first byte alone.
 */
#ifndef QOR_ENC1_H
#define QOR_ENC1_H

#include <stdint.h>

#if defined(_WIN32)
#define QOR_CALL __cdecl
#else
#define QOR_CALL
#endif

/* On Windows the module-definition file alone makes the export table, names
 * and ordinals both: a dllexport here would export names of its own beside
 * it (with ordinals the linker picks, or decorated ones). */
#if defined(QOR_ENC1_BUILDING) && !defined(_WIN32)
#define QOR_API __attribute__((visibility("default")))
#else
#define QOR_API
#endif

/* Marks the results a host must not ignore: a handle, a key that may not
 * have been set, a buffer that may not have been produced. */
#if defined(__GNUC__) || defined(__clang__)
#define QOR_NODISCARD __attribute__((warn_unused_result))
#else
#define QOR_NODISCARD
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Largest length EncryptData and DecryptData accept: 2^31 - 8. */
#define QOR_ENC1_MAX_DATA_LENGTH 2147483640

/* ---- Sessions ----------------------------------------------------------- */

/* Opens a session with an empty private key and an empty session key.
 * Returns its handle (1, 2, 3, ... in order of opening), or 0 when no session
 * could be opened: memory exhausted, or all 2^31 - 1 handles issued. */
QOR_NODISCARD QOR_API int32_t QOR_CALL sCRYPT_Open(void);

/* Returns nonzero when handle names an open session, 0 otherwise. */
QOR_API int32_t QOR_CALL sCRYPT_Initialise(int32_t handle);

/* Closes the session: its keys are wiped and released, and its handle is
 * never valid again. Returns exactly 1 if a session was closed, 0 if handle
 * named none. Output buffers the session made stay valid. */
QOR_API int32_t QOR_CALL sCRYPT_Close(int32_t handle);

/* Closes every open session, as sCRYPT_Close does for each. Handle numbering
 * goes on from where it was. Always returns 0. */
QOR_API int32_t QOR_CALL sCRYPT_Final(void);

/* ---- Module information ------------------------------------------------- */

/* Returns the ciphertext length for a plaintext of `length` bytes: length
 * rounded up to a multiple of 8, computed on the 32-bit pattern as unsigned
 * with wrap-around (0 -> 0, 1..8 -> 8, 9 -> 16, 2^31-7 .. 2^31-1 -> the bit
 * pattern 0x80000000, -7..-1 -> 0). Valid data lengths are 0 to
 * QOR_ENC1_MAX_DATA_LENGTH, for which the result is never negative. */
QOR_API int32_t QOR_CALL sCRYPT_GetEncryptedSize(int32_t length);

/* Writes the algorithm name "Blowfish", the version 1.0 and the class code 2.
 *  name:      host buffer of nameSize bytes. For nameSize >= 1 it receives the
 *             first min(8, nameSize - 1) letters of "Blowfish" followed by
 *             zero bytes up to and including name[nameSize - 1], so it always
 *             holds a terminated string; 9 bytes or more hold the whole name.
 *             A null name or nameSize <= 0 writes no byte.
 *  version:   receives 1.0 unless null.
 *  classCode: receives 2 unless null.
 * Returns `name` as given. */
QOR_API char *QOR_CALL sCRYPT_GetAlgorithmInfo(char *name, int32_t nameSize,
                                               double *version,
                                               int32_t *classCode);

/* ---- Keys ----------------------------------------------------------------- */

/* Sets the session's private key, the key of every later EncryptData and
 * DecryptData call, to a copy of the zero-terminated byte string `key` (null
 * gives the empty key). The module keeps no reference to `key`; the old key is
 * wiped. Returns 0 for an invalid handle or exhausted memory, and then the
 * session's key is unchanged. A key is never handed back to the host. */
QOR_NODISCARD QOR_API int32_t QOR_CALL sCRYPT_InitialisePrivateKey(int32_t handle,
                                                     const char *key);

/* Stores a session key, as sCRYPT_InitialisePrivateKey does. The module never
 * uses it: it changes no output of any entry point. */
QOR_API int32_t QOR_CALL sCRYPT_InitialiseSessionKey(int32_t handle,
                                                     const char *key);

/* This module has no session keys to generate. For an open handle writes a
 * null pointer to *keyBuffer and 0 to *keyLength and returns nonzero; for an
 * invalid handle returns 0 and writes nothing. Nothing to release. A null
 * slot pointer is not written. */
QOR_API int32_t QOR_CALL sCRYPT_GenerateSessionKey(int32_t handle,
                                                   uint8_t **keyBuffer,
                                                   int32_t *keyLength);

/* This module has no public key. Always writes a null pointer to *keyBuffer
 * and 0 to *keyLength (null slot pointers are skipped), then returns nonzero
 * for an open handle and 0 for an invalid one. Nothing to release. */
QOR_API int32_t QOR_CALL sCRYPT_GetPublicKey(int32_t handle,
                                             uint8_t **keyBuffer,
                                             int32_t *keyLength);

/* One function under two names: the module does not encrypt session keys.
 * Always writes a null pointer to *outBuffer and 0 to *outLength (null slot
 * pointers are skipped), never reads inKey or inLength, then returns nonzero
 * for an open handle and 0 for an invalid one. Nothing to release. */
QOR_API int32_t QOR_CALL sCRYPT_EncryptSessionKey(int32_t handle,
                                                  const uint8_t *inKey,
                                                  int32_t inLength,
                                                  uint8_t **outBuffer,
                                                  int32_t *outLength);
QOR_API int32_t QOR_CALL sCRYPT_DecryptSessionKey(int32_t handle,
                                                  const uint8_t *inKey,
                                                  int32_t inLength,
                                                  uint8_t **outBuffer,
                                                  int32_t *outLength);

/* ---- Data ------------------------------------------------------------------ */

/* Enciphers `length` bytes of `input` under the session's private key.
 *  input:     `length` readable bytes; only read. May be null when length is 0.
 *  length:    0 to QOR_ENC1_MAX_DATA_LENGTH.
 *  output:    on success receives a new module-owned buffer of
 *             sCRYPT_GetEncryptedSize(length) bytes holding the ciphertext
 *             (non-null, also for length 0). Release it with
 *             sCRYPT_FreeBuffer.
 *  outLength: on success receives sCRYPT_GetEncryptedSize(length).
 * Returns nonzero on success. On failure (invalid handle, length out of
 * range, null input with length > 0, null slot pointer, exhausted memory)
 * returns 0, allocates nothing and leaves *output and *outLength as they
 * were. */
QOR_NODISCARD QOR_API int32_t QOR_CALL sCRYPT_EncryptData(int32_t handle,
                                            const uint8_t *input,
                                            int32_t length, uint8_t **output,
                                            int32_t *outLength);

/* Deciphers `length` bytes of `input` under the session's private key.
 * Arguments and failures as for sCRYPT_EncryptData. On success *output
 * receives a new module-owned buffer of length + 8 bytes; its first
 * RoundUp8(length) bytes are the decipherment of the input padded with zero
 * bytes to a whole block, the rest are zero. *outLength receives length with
 * its two low bits cleared (length - length % 4): for ciphertext, always a
 * multiple of 8, that is the length itself. The plaintext's true length is
 * the host's to keep; the tail of the last block holds the zero bytes that
 * filled it when it was enciphered. */
QOR_NODISCARD QOR_API int32_t QOR_CALL sCRYPT_DecryptData(int32_t handle,
                                            const uint8_t *input,
                                            int32_t length, uint8_t **output,
                                            int32_t *outLength);

/* Releases an output buffer of sCRYPT_EncryptData or sCRYPT_DecryptData.
 * Any open handle may release any such buffer. Returns 1 after the release;
 * returns 0 and releases nothing for an invalid handle, a null pointer, or an
 * address this module did not hand out or has released already. */
QOR_API int32_t QOR_CALL sCRYPT_FreeBuffer(int32_t handle, void *buffer);

/* ---- Pointer types for hosts that resolve the entry points by name --------- */

typedef int32_t(QOR_CALL *sCRYPT_Open_fn)(void);
typedef int32_t(QOR_CALL *sCRYPT_Initialise_fn)(int32_t);
typedef int32_t(QOR_CALL *sCRYPT_Close_fn)(int32_t);
typedef int32_t(QOR_CALL *sCRYPT_Final_fn)(void);
typedef int32_t(QOR_CALL *sCRYPT_GetEncryptedSize_fn)(int32_t);
typedef char *(QOR_CALL *sCRYPT_GetAlgorithmInfo_fn)(char *, int32_t, double *,
                                                     int32_t *);
typedef int32_t(QOR_CALL *sCRYPT_InitialisePrivateKey_fn)(int32_t,
                                                          const char *);
typedef int32_t(QOR_CALL *sCRYPT_InitialiseSessionKey_fn)(int32_t,
                                                          const char *);
typedef int32_t(QOR_CALL *sCRYPT_GenerateSessionKey_fn)(int32_t, uint8_t **,
                                                        int32_t *);
typedef int32_t(QOR_CALL *sCRYPT_GetPublicKey_fn)(int32_t, uint8_t **,
                                                  int32_t *);
typedef int32_t(QOR_CALL *sCRYPT_EncryptSessionKey_fn)(int32_t,
                                                       const uint8_t *, int32_t,
                                                       uint8_t **, int32_t *);
typedef sCRYPT_EncryptSessionKey_fn sCRYPT_DecryptSessionKey_fn;
typedef int32_t(QOR_CALL *sCRYPT_EncryptData_fn)(int32_t, const uint8_t *,
                                                 int32_t, uint8_t **,
                                                 int32_t *);
typedef sCRYPT_EncryptData_fn sCRYPT_DecryptData_fn;
typedef int32_t(QOR_CALL *sCRYPT_FreeBuffer_fn)(int32_t, void *);

#ifdef __cplusplus
}
#endif

#endif /* QOR_ENC1_H */
