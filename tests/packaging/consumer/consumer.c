/* Links the installed module directly (no dlopen) and enciphers argv[2]
 * under the key argv[1]. Prints the ciphertext in hex on the first line,
 * then "round trip OK" once the decipherment gave the message back. */
#include <stdio.h>
#include <string.h>

#include <qor_enc1.h>

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: consumer KEY MESSAGE\n");
    return 2;
  }
  const int32_t length = (int32_t)strlen(argv[2]);
  const int32_t session = sCRYPT_Open();
  uint8_t *cipher = NULL;
  uint8_t *plain = NULL;
  int32_t cipher_length = 0;
  int32_t plain_length = 0;
  int ok = session != 0 && sCRYPT_InitialisePrivateKey(session, argv[1]) &&
           sCRYPT_EncryptData(session, (const uint8_t *)argv[2], length, &cipher, &cipher_length) &&
           sCRYPT_DecryptData(session, cipher, cipher_length, &plain, &plain_length);
  if (ok) {
    for (int32_t i = 0; i < cipher_length; ++i) printf("%02x", (unsigned)cipher[i]);
    printf("\n");
    ok = cipher_length == sCRYPT_GetEncryptedSize(length) && plain_length == cipher_length &&
         memcmp(plain, argv[2], (size_t)length) == 0;
  }
  if (cipher != NULL) sCRYPT_FreeBuffer(session, cipher);
  if (plain != NULL) sCRYPT_FreeBuffer(session, plain);
  if (session != 0) sCRYPT_Close(session);
  printf("round trip %s\n", ok ? "OK" : "FAILED");
  return ok ? 0 : 1;
}
