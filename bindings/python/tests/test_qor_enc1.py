"""Tests of the ctypes binding against the built module.

QOR_ENC1_MODULE names the module to load; QOR_ENC1_HEADER the public header,
whose declarations the binding's signature table must cover.
"""

import os
import re
import unittest

import qor_enc1
from qor_enc1 import Module, QorError

MODULE = Module(os.environ["QOR_ENC1_MODULE"])

KEYS = [b"", b"k", b"correct horse", bytes(range(1, 256)), "ключ"]
LENGTHS = [0, 1, 7, 8, 9, 13, 16, 63, 64, 65, 1000]


def sample(length, seed=1):
    return bytes((i * 131 + seed * 17 + (i >> 8)) & 0xFF for i in range(length))


class SignatureTable(unittest.TestCase):
    def test_every_declared_entry_point_has_types(self):
        with open(os.environ["QOR_ENC1_HEADER"], encoding="utf-8") as header:
            declared = set(re.findall(r"QOR_CALL\s+(sCRYPT_\w+)\s*\(", header.read()))
        self.assertEqual(len(declared), 15)
        self.assertEqual(declared, set(MODULE.fn))
        for name, function in MODULE.fn.items():
            with self.subTest(name=name):
                self.assertIsNotNone(function.restype)
                self.assertIsNotNone(function.argtypes)


class RoundTrip(unittest.TestCase):
    def test_decrypt_undoes_encrypt(self):
        for key in KEYS:
            with MODULE.session(key) as session:
                for length in LENGTHS:
                    with self.subTest(key=key, length=length):
                        data = sample(length)
                        cipher = session.encrypt(data)
                        self.assertEqual(len(cipher), MODULE.encrypted_size(length))
                        self.assertEqual(session.decrypt(cipher, length=length), data)
                        padded = session.decrypt(cipher)
                        self.assertEqual(padded, data + bytes(len(cipher) - length))

    def test_same_key_same_ciphertext_in_every_session(self):
        data = sample(40)
        with MODULE.session(b"one") as a, MODULE.session(b"one") as b, MODULE.session(b"two") as c:
            self.assertEqual(a.encrypt(data), b.encrypt(data))
            self.assertNotEqual(a.encrypt(data), c.encrypt(data))
            # A new key replaces the old one for every later call.
            c.set_key(b"one")
            self.assertEqual(a.encrypt(data), c.encrypt(data))

    def test_pieces_give_the_same_result_as_one_call(self):
        data = sample(8 * 37 + 5)
        with MODULE.session(b"piecewise") as session:
            whole = session.encrypt(data)
            saved = qor_enc1._PIECE
            qor_enc1._PIECE = 16
            try:
                pieces = session.encrypt(data)
                back = session.decrypt(pieces, length=len(data))
            finally:
                qor_enc1._PIECE = saved
        self.assertEqual(pieces, whole)
        self.assertEqual(back, data)
        # Blocks are independent: each 8-byte block enciphers alone.
        with MODULE.session(b"piecewise") as session:
            self.assertEqual(session.encrypt(data[8:16]), whole[8:16])


class Ownership(unittest.TestCase):
    """Every buffer and session the module hands out goes back to it."""

    def test_every_output_buffer_is_freed_once(self):
        handed_out, freed = [], []
        originals = dict(MODULE.fn)

        def recording(name):
            def call(handle, data, length, output, out_length):
                result = originals[name](handle, data, length, output, out_length)
                handed_out.append(output._obj.value)
                return result
            return call

        def free(handle, buffer):
            result = originals["sCRYPT_FreeBuffer"](handle, buffer)
            freed.append((buffer.value, result))
            return result

        MODULE.fn["sCRYPT_EncryptData"] = recording("sCRYPT_EncryptData")
        MODULE.fn["sCRYPT_DecryptData"] = recording("sCRYPT_DecryptData")
        MODULE.fn["sCRYPT_FreeBuffer"] = free
        saved_piece = qor_enc1._PIECE
        qor_enc1._PIECE = 24
        try:
            with MODULE.session(b"owner") as session:
                for length in (0, 5, 24, 100):
                    session.decrypt(session.encrypt(sample(length)), length=length)
        finally:
            MODULE.fn.update(originals)
            qor_enc1._PIECE = saved_piece
        self.assertGreater(len(handed_out), 8)
        self.assertEqual(sorted(handed_out), sorted(address for address, _ in freed))
        self.assertTrue(all(result == 1 for _, result in freed))

    def test_closed_session_is_refused(self):
        session = MODULE.session(b"k")
        handle = session.handle
        session.close()
        session.close()  # a second close is harmless
        self.assertEqual(MODULE.fn["sCRYPT_Initialise"](handle), 0)
        with self.assertRaises(QorError):
            session.encrypt(b"data")


class BadArguments(unittest.TestCase):
    def test_rejected_before_reaching_the_module(self):
        with MODULE.session(b"k") as session:
            cases = [
                ("zero byte in key", lambda: session.set_key(b"abc\0def"), "offset 3"),
                ("zero byte in str key", lambda: MODULE.session("\0x"), "offset 0"),
                ("ciphertext of 13 bytes", lambda: session.decrypt(bytes(13)), "multiple of 8"),
                ("length past the data", lambda: session.decrypt(bytes(16), length=17), "outside"),
                ("negative length", lambda: session.decrypt(bytes(16), length=-1), "outside"),
            ]
            for name, call, message in cases:
                with self.subTest(name):
                    with self.assertRaisesRegex(ValueError, message):
                        call()
            # A refused key leaves the old one in place.
            self.assertEqual(session.encrypt(b"12345678"), MODULE.session(b"k").encrypt(b"12345678"))


if __name__ == "__main__":
    unittest.main()
