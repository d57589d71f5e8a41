/* A library that exports only some of the module's entry points: qorcrypt
 * must refuse it and name the first one missing. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t sCRYPT_Open(void);
__attribute__((visibility("default"))) int32_t sCRYPT_Open(void) { return 1; }
