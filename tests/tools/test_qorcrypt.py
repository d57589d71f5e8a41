"""Command-line tests of qorcrypt, checked against the module called directly
through the Python binding.

Environment: QORCRYPT (the program), QOR_ENC1_MODULE (the module),
QOR_PARTIAL_MODULE (a library lacking most entry points), and optionally
QOR_CHILD_ENV_* variables that replace the same-named variables for the
qorcrypt processes (so a sanitizer preload meant for this interpreter does
not reach them).
"""

import os
import pty
import select
import subprocess
import tempfile
import unittest

from qor_enc1 import Module

QORCRYPT = os.environ["QORCRYPT"]
MODULE_PATH = os.environ["QOR_ENC1_MODULE"]
PARTIAL_MODULE = os.environ["QOR_PARTIAL_MODULE"]
MODULE = Module(MODULE_PATH)

OK, FAILURE, USAGE, MODULE_ERROR = 0, 1, 2, 3


def child_environment(extra=None):
    env = dict(os.environ)
    for name, value in os.environ.items():
        if name.startswith("QOR_CHILD_ENV_"):
            target = name[len("QOR_CHILD_ENV_"):]
            if value:
                env[target] = value
            else:
                env.pop(target, None)
    env.update(extra or {})
    return env


def run(args, stdin=b"", env=None, stderr=subprocess.PIPE):
    return subprocess.run([QORCRYPT, "--module", MODULE_PATH, *args], input=stdin, stdout=subprocess.PIPE,
                          stderr=stderr, env=child_environment(env), timeout=60, check=False)


def sample(length, seed=0):
    return bytes((i * 167 + seed * 29 + (i >> 7)) & 0xFF for i in range(length))


def direct(key, data, decrypt=False):
    """One module call over the whole input, the reference for every case."""
    with MODULE.session(key) as session:
        return session.decrypt(data) if decrypt else session.encrypt(data)


class Workspace(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory()
        self.dir = self._dir.name

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def assertRan(self, result, status=OK):
        self.assertEqual(result.returncode, status, result.stderr.decode(errors="replace"))


class RoundTrip(Workspace):
    """Files and pipes, every key source: the ciphertext is the module's own
    and decrypt --length gives the plaintext back."""

    # (key source, key, plaintext length): every source and every kind of
    # length (empty, short, whole block, several chunks' worth) at least once.
    CASES = [
        ("text", b"passphrase", 0),
        ("text", b"passphrase", 13),
        ("env", b"from the environment", 1),
        ("file", b"file key with newline\n", 8),
        ("file", bytes(range(1, 200)), 4096 + 3),  # longer than the 72 bytes that count
    ]

    def key_args(self, source, key):
        if source == "text":
            return ["--key", key.decode()], None
        if source == "env":
            return ["--key-env", "QORCRYPT_TEST_KEY"], {"QORCRYPT_TEST_KEY": key.decode()}
        return ["--key-file", self.write("key", key)], None

    def test_files_and_pipes(self):
        for source, key, length in self.CASES:
            key_args, env = self.key_args(source, key)
            data = sample(length, seed=length)
            expected = direct(key, data)
            with self.subTest(source=source, key=key[:12], length=length, via="files"):
                self.write("plain", data)
                self.assertRan(run(["encrypt", *key_args, self.path("plain"), "-o", self.path("cipher")], env=env))
                self.assertEqual(self.read("cipher"), expected)
                self.assertRan(run(["decrypt", *key_args, "--length", str(length), self.path("cipher"),
                                    "--output", self.path("back")], env=env))
                self.assertEqual(self.read("back"), data)
            with self.subTest(source=source, key=key[:12], length=length, via="pipes"):
                encrypted = run(["encrypt", *key_args], stdin=data, env=env)
                self.assertRan(encrypted)
                self.assertEqual(encrypted.stdout, expected)
                # Without --length the zero fill of the last block comes too.
                padded = run(["decrypt", *key_args, "-"], stdin=encrypted.stdout, env=env)
                self.assertRan(padded)
                self.assertEqual(padded.stdout, direct(key, expected, decrypt=True))
                self.assertEqual(padded.stdout, data + bytes(len(expected) - length))

    def test_length_cuts_the_output(self):
        data = sample(21)
        cipher = direct(b"k", data)
        cipher_file = self.write("cipher", cipher)
        for length, via in [(0, "file"), (1, "pipe"), (20, "file"), (21, "pipe"), (24, "file")]:
            with self.subTest(length=length, via=via):
                args = ["decrypt", "--key", "k", "--length", str(length)]
                result = run(args + [cipher_file]) if via == "file" else run(args, stdin=cipher)
                self.assertRan(result)
                self.assertEqual(result.stdout, (data + bytes(3))[:length])


class Chunking(Workspace):
    """Chunked streaming equals one module call over the whole input."""

    def test_chunks_equal_one_call(self):
        key = b"chunk key"
        # Inputs shorter than, equal to, and a few chunks longer than a chunk,
        # ending on a block boundary or not.
        for chunk, length in [(8, 7), (8, 49), (16, 48), (24, 200), (24, 201), (1 << 20, 200)]:
            data = sample(length, seed=chunk)
            whole = direct(key, data)
            with self.subTest(chunk=chunk, length=length):
                encrypted = run(["encrypt", "--key", "chunk key", "--chunk-size", str(chunk)], stdin=data)
                self.assertRan(encrypted)
                self.assertEqual(encrypted.stdout, whole)
                self.write("cipher", whole)
                decrypted = run(["decrypt", "--key", "chunk key", "--chunk-size", str(chunk),
                                 "--length", str(length), self.path("cipher")])
                self.assertRan(decrypted)
                self.assertEqual(decrypted.stdout, data)

    def test_short_pipe_writes_still_fill_whole_chunks(self):
        # A writer that delivers 3 bytes at a time: a reader that took each
        # short read as a chunk would pad mid-stream and change the output.
        data = sample(100)
        with subprocess.Popen([QORCRYPT, "--module", MODULE_PATH, "encrypt", "--key", "k", "--chunk-size", "16"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=child_environment()) as process:
            for i in range(0, len(data), 3):
                process.stdin.write(data[i:i + 3])
                process.stdin.flush()
            process.stdin.close()
            out = process.stdout.read()
            err = process.stderr.read()
            self.assertEqual(process.wait(timeout=60), OK, err)
        self.assertEqual(out, direct(b"k", data))


class Failures(Workspace):
    """Bad input: a clear message naming the problem and a nonzero status."""

    def test_error_table(self):
        self.write("plain", sample(16))
        self.write("odd", sample(13))
        self.write("zero key", b"abcd\0ef")
        self.write("text", b"not a shared library")
        os.mkdir(self.path("folder"))
        missing = self.path("no such file")
        cases = [
            # (name, args, stdin, status, fragment of the message)
            ("missing input", ["encrypt", "--key", "k", missing], b"", FAILURE, "no such file"),
            ("input is a directory", ["encrypt", "--key", "k", self.path("folder")], b"", FAILURE, "directory"),
            ("missing key file", ["encrypt", "--key-file", missing, self.path("plain")], b"", FAILURE,
             "no such file"),
            ("zero byte in key file", ["encrypt", "--key-file", self.path("zero key")], b"x", FAILURE,
             "zero byte at offset 4"),
            ("unset key variable", ["encrypt", "--key-env", "QORCRYPT_UNSET_VARIABLE"], b"x", FAILURE,
             "QORCRYPT_UNSET_VARIABLE"),
            ("decrypt 13-byte file", ["decrypt", "--key", "k", self.path("odd")], b"", FAILURE,
             "13 bytes, not a multiple of 8"),
            ("decrypt 13 bytes from a pipe", ["decrypt", "--key", "k", "--chunk-size", "8"], sample(13), FAILURE,
             "13 bytes, not a multiple of 8"),
            ("length past the file", ["decrypt", "--key", "k", "--length", "17", self.path("plain")], b"",
             FAILURE, "--length 17"),
            ("length past the pipe", ["decrypt", "--key", "k", "--length", "17"], sample(16), FAILURE,
             "--length 17"),
            ("output directory missing", ["encrypt", "--key", "k", "-o", os.path.join(missing, "out")], b"x",
             FAILURE, "cannot create"),
            ("no key", ["encrypt"], b"x", USAGE, "no key"),
            ("two keys", ["encrypt", "--key", "a", "--key-env", "B"], b"x", USAGE, "only one"),
            ("no command", [], b"", USAGE, "no command"),
            ("unknown option", ["encrypt", "--key", "k", "--frobnicate"], b"", USAGE, "--frobnicate"),
            ("length for encrypt", ["encrypt", "--key", "k", "--length", "3"], b"", USAGE, "decrypt only"),
            ("length not a number", ["decrypt", "--key", "k", "--length", "-5"], b"", USAGE, "-5"),
            ("chunk not whole blocks", ["encrypt", "--key", "k", "--chunk-size", "12"], b"", USAGE, "multiple of 8"),
            ("module missing", ["--module", missing, "info"], b"", MODULE_ERROR, "does not exist"),
            ("module not a library", ["--module", self.path("text"), "info"], b"", MODULE_ERROR, "cannot load"),
            ("module lacks entry points", ["--module", PARTIAL_MODULE, "encrypt", "--key", "k"], b"x",
             MODULE_ERROR, "no entry point sCRYPT_Initialise"),
        ]
        for name, args, stdin, status, fragment in cases:
            with self.subTest(name):
                result = run(args, stdin=stdin)
                message = result.stderr.decode(errors="replace")
                self.assertEqual(result.returncode, status, message)
                self.assertIn(fragment.lower(), message.lower())
                self.assertTrue(message.startswith("qorcrypt: "), message)

    def test_failed_run_leaves_output_intact(self):
        self.write("odd", sample(13))
        self.write("plain", sample(40))
        self.write("zero key", b"\0")
        old = b"precious old contents"
        cases = [
            ("missing input", ["encrypt", "--key", "k", self.path("gone")], b""),
            ("zero byte in key", ["encrypt", "--key-file", self.path("zero key"), self.path("plain")], b""),
            ("odd file", ["decrypt", "--key", "k", self.path("odd")], b""),
            # Fails after two whole chunks are already in the temporary file.
            ("odd pipe", ["decrypt", "--key", "k", "--chunk-size", "8"], sample(21)),
            ("length past the pipe", ["decrypt", "--key", "k", "--chunk-size", "8", "--length", "41"],
             direct(b"k", sample(40))),
            ("partial module", ["--module", PARTIAL_MODULE, "encrypt", "--key", "k", self.path("plain")], b""),
        ]
        for name, args, stdin in cases:
            with self.subTest(name):
                self.write("out", old)
                before = sorted(os.listdir(self.dir))
                result = run([*args, "-o", self.path("out")], stdin=stdin)
                self.assertNotEqual(result.returncode, OK)
                self.assertEqual(self.read("out"), old)
                self.assertEqual(sorted(os.listdir(self.dir)), before)

    def test_success_replaces_output_and_keeps_its_mode(self):
        self.write("plain", sample(30))
        self.write("out", b"old")
        os.chmod(self.path("out"), 0o640)
        before = sorted(os.listdir(self.dir))
        self.assertRan(run(["encrypt", "--key", "k", self.path("plain"), "-o", self.path("out")]))
        self.assertEqual(self.read("out"), direct(b"k", sample(30)))
        self.assertEqual(os.stat(self.path("out")).st_mode & 0o777, 0o640)
        self.assertEqual(sorted(os.listdir(self.dir)), before)


class Reporting(Workspace):
    def test_info_matches_the_module(self):
        result = run(["info"])
        self.assertRan(result)
        fields = dict(line.split(":", 1) for line in result.stdout.decode().splitlines())
        fields = {name: value.strip() for name, value in fields.items()}
        name, version, class_code = MODULE.info()
        self.assertEqual(fields["algorithm"], name)
        self.assertEqual(float(fields["version"]), version)
        self.assertEqual(int(fields["class code"]), class_code)
        self.assertEqual(os.path.realpath(fields["module"]), os.path.realpath(MODULE_PATH))

    def test_progress_only_on_a_terminal(self):
        data = sample(4096)
        args = ["encrypt", "--key", "k", "--chunk-size", "64", "--progress-delay-ms", "0", "-o", self.path("out")]
        self.write("plain", data)
        piped = run([*args, self.path("plain")])
        self.assertRan(piped)
        self.assertEqual(piped.stderr, b"")

        master, slave = pty.openpty()
        try:
            shown = run([*args, self.path("plain")], stderr=slave)
            os.close(slave)
            slave = None
            screen = b""
            while select.select([master], [], [], 0.5)[0]:
                try:
                    piece = os.read(master, 4096)
                except OSError:
                    break
                if not piece:
                    break
                screen += piece
        finally:
            if slave is not None:
                os.close(slave)
            os.close(master)
        self.assertEqual(shown.returncode, OK, screen)
        self.assertIn(b"100%", screen)
        # The bar goes to the terminal only; the output is the plain result.
        self.assertEqual(self.read("out"), direct(b"k", data))


if __name__ == "__main__":
    unittest.main()
