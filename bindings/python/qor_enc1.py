"""ctypes binding for the Qor_enc1 encryption module.

    from qor_enc1 import Module
    module = Module("/usr/local/lib/Qor_enc1.so")
    with module.session(b"my key") as session:
        ciphertext = session.encrypt(b"attack at dawn")
        plaintext = session.decrypt(ciphertext, length=14)

Every output buffer the module hands out is copied into a ``bytes`` object
and given back through sCRYPT_FreeBuffer before the call returns. The module
keeps no plaintext length: ``encrypt`` pads to a multiple of 8 with zero
bytes, and ``decrypt`` returns that padding unless ``length`` is given.
"""

import ctypes
import os

__all__ = ["Module", "Session", "QorError", "MAX_DATA_LENGTH", "BLOCK_SIZE"]

MAX_DATA_LENGTH = 2147483640  # QOR_ENC1_MAX_DATA_LENGTH in qor_enc1.h
BLOCK_SIZE = 8

# The largest piece handed to one data call. Blocks are independent, so any
# multiple of 8 gives the same result as one call; this keeps the module's
# copy of each piece small.
_PIECE = 1 << 24

_i32 = ctypes.c_int32
_p_i32 = ctypes.POINTER(ctypes.c_int32)
_p_double = ctypes.POINTER(ctypes.c_double)
# uint8_t ** as a pointer to a pointer-sized slot: c_void_p keeps the full
# address, where a default int result would cut it to 32 bits.
_p_buffer = ctypes.POINTER(ctypes.c_void_p)

# name: (restype, argtypes), following qor_enc1.h.
_SIGNATURES = {
    "sCRYPT_Open": (_i32, []),
    "sCRYPT_Initialise": (_i32, [_i32]),
    "sCRYPT_Close": (_i32, [_i32]),
    "sCRYPT_Final": (_i32, []),
    "sCRYPT_GetEncryptedSize": (_i32, [_i32]),
    "sCRYPT_GetAlgorithmInfo": (ctypes.c_void_p, [ctypes.c_char_p, _i32, _p_double, _p_i32]),
    "sCRYPT_InitialisePrivateKey": (_i32, [_i32, ctypes.c_char_p]),
    "sCRYPT_InitialiseSessionKey": (_i32, [_i32, ctypes.c_char_p]),
    "sCRYPT_GenerateSessionKey": (_i32, [_i32, _p_buffer, _p_i32]),
    "sCRYPT_GetPublicKey": (_i32, [_i32, _p_buffer, _p_i32]),
    "sCRYPT_EncryptSessionKey": (_i32, [_i32, ctypes.c_char_p, _i32, _p_buffer, _p_i32]),
    "sCRYPT_DecryptSessionKey": (_i32, [_i32, ctypes.c_char_p, _i32, _p_buffer, _p_i32]),
    "sCRYPT_EncryptData": (_i32, [_i32, ctypes.c_char_p, _i32, _p_buffer, _p_i32]),
    "sCRYPT_DecryptData": (_i32, [_i32, ctypes.c_char_p, _i32, _p_buffer, _p_i32]),
    "sCRYPT_FreeBuffer": (_i32, [_i32, ctypes.c_void_p]),
}

_MODULE_FILE = "Qor_enc1.dll" if os.name == "nt" else "Qor_enc1.so"


class QorError(RuntimeError):
    """The module refused a call (closed session, exhausted memory)."""


def _key_bytes(key):
    """A key as the module takes it: bytes without a zero byte (str is UTF-8)."""
    if isinstance(key, str):
        key = key.encode("utf-8")
    key = bytes(key)
    zero = key.find(b"\0")
    if zero >= 0:
        raise ValueError(f"key has a zero byte at offset {zero}; keys are zero-terminated strings")
    return key


class Module:
    """One loaded copy of the module.

    ``path`` defaults to the QOR_ENC1_MODULE environment variable, then to the
    bare file name, which the system's library search resolves.
    """

    def __init__(self, path=None):
        self.path = path or os.environ.get("QOR_ENC1_MODULE") or _MODULE_FILE
        self._lib = ctypes.CDLL(self.path)
        self.fn = {}
        for name, (restype, argtypes) in _SIGNATURES.items():
            function = getattr(self._lib, name)
            function.restype = restype
            function.argtypes = argtypes
            self.fn[name] = function

    def info(self):
        """(algorithm name, version, class code) as the module reports them."""
        name = ctypes.create_string_buffer(64)
        version = ctypes.c_double()
        class_code = ctypes.c_int32()
        self.fn["sCRYPT_GetAlgorithmInfo"](name, len(name), ctypes.byref(version), ctypes.byref(class_code))
        return name.value.decode("ascii"), version.value, class_code.value

    def encrypted_size(self, length):
        """The ciphertext length for a plaintext of ``length`` bytes."""
        return self.fn["sCRYPT_GetEncryptedSize"](length)

    def session(self, key=b""):
        """Opens a session with ``key`` as its private key."""
        return Session(self, key)


class Session:
    """An open session; close it (or use ``with``) to release it."""

    def __init__(self, module, key=b""):
        self._module = module
        self._fn = module.fn
        self.handle = self._fn["sCRYPT_Open"]()
        if self.handle == 0:
            raise QorError("the module could not open a session")
        try:
            self.set_key(key)
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        # Only a safety net: the module may already be gone at interpreter exit.
        try:
            self.close()
        except Exception:
            pass

    def close(self):
        """Closes the session; later calls raise QorError. Idempotent."""
        if self.handle:
            self._fn["sCRYPT_Close"](self.handle)
            self.handle = 0

    def set_key(self, key):
        """Sets the private key (bytes or str; no zero byte)."""
        key = _key_bytes(key)
        if not self._fn["sCRYPT_InitialisePrivateKey"](self.handle, key):
            raise QorError("the module did not accept the key (session closed?)")

    def encrypt(self, data):
        """The ciphertext of ``data``: len(data) rounded up to a multiple of 8."""
        return self._crypt("sCRYPT_EncryptData", bytes(data))

    def decrypt(self, data, length=None):
        """The decipherment of ``data``, cut to ``length`` bytes when given.

        ``data`` must be a multiple of 8 bytes long, as every ciphertext is.
        """
        data = bytes(data)
        if len(data) % BLOCK_SIZE:
            raise ValueError(f"ciphertext length {len(data)} is not a multiple of {BLOCK_SIZE}")
        plain = self._crypt("sCRYPT_DecryptData", data)
        if length is None:
            return plain
        if not 0 <= length <= len(plain):
            raise ValueError(f"length {length} is outside 0..{len(plain)}")
        return plain[:length]

    def _crypt(self, name, data):
        if not data:
            return self._call(name, data)
        return b"".join(self._call(name, data[i:i + _PIECE]) for i in range(0, len(data), _PIECE))

    def _call(self, name, data):
        output = ctypes.c_void_p()
        out_length = ctypes.c_int32()
        if not self._fn[name](self.handle, data, len(data), ctypes.byref(output), ctypes.byref(out_length)):
            raise QorError(f"{name} failed (session closed or memory exhausted)")
        try:
            return ctypes.string_at(output.value, out_length.value)
        finally:
            if not self._fn["sCRYPT_FreeBuffer"](self.handle, output):
                raise QorError("the module did not take its output buffer back")
