// Loads the built module by path, as a host does, and checks every entry
// point through pointers resolved by name. Portable: it runs on Linux and,
// cross-built, under Windows. Usage: host_conformance PATH-TO-MODULE
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cipher/known_answers.h"
#include "module_under_test.h"

namespace {

using qor::host::EntryPoints;
using qor::host::LoadedModule;
using Bytes = std::vector<std::uint8_t>;

// Each case gets a module of its own, loaded afresh, so handle numbering
// starts at 1 and no state leaks from one case into the next.
LoadedModule FreshModule() { return qor::check::LoadModuleUnderTest(); }

struct Output {
  std::int32_t result = 0;
  Bytes bytes;  // the whole output buffer
  std::int32_t reported = 0;
};

// Runs one data call and copies the whole buffer out (its size is known from
// the length given), then gives the buffer back.
Output Crypt(const EntryPoints& fn, sCRYPT_EncryptData_fn call, std::int32_t handle, const Bytes& input,
             std::size_t bufferSize) {
  Output out;
  std::uint8_t* buffer = nullptr;
  out.result = call(handle, input.data(), static_cast<std::int32_t>(input.size()), &buffer, &out.reported);
  if (out.result != 0 && buffer != nullptr) {
    out.bytes.assign(buffer, buffer + bufferSize);
    CHECK(fn.FreeBuffer(handle, buffer) == 1);
  }
  return out;
}

Output Encrypt(const EntryPoints& fn, std::int32_t handle, const Bytes& input) {
  return Crypt(fn, fn.EncryptData, handle, input, (input.size() + 7) / 8 * 8);
}

Output Decrypt(const EntryPoints& fn, std::int32_t handle, const Bytes& input) {
  return Crypt(fn, fn.DecryptData, handle, input, input.size() + 8);
}

Bytes Pattern(std::size_t size, unsigned seed = 1) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + seed * 17 + 5);
  return bytes;
}

std::int32_t OpenWithKey(const EntryPoints& fn, const char* key) {
  const std::int32_t handle = fn.Open();
  CHECK(handle > 0);
  CHECK(fn.InitialisePrivateKey(handle, key) != 0);
  return handle;
}

std::uint8_t* const kUntouched = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(0x5A5A5A5A));
constexpr std::int32_t kUntouchedLength = 0x7777;

TEST_CASE(HandlesAreIssuedInOrderAndNeverReused) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  CHECK(fn.Final() == 0);  // nothing open
  CHECK(fn.Open() == 1);
  CHECK(fn.Open() == 2);
  CHECK(fn.Open() == 3);
  CHECK(fn.Close(2) == 1);
  CHECK(fn.Close(2) == 0);
  CHECK(fn.Initialise(1) != 0);
  CHECK(fn.Initialise(2) == 0);
  CHECK(fn.Initialise(3) != 0);
  CHECK(fn.Open() == 4);
  CHECK(fn.Final() == 0);
  for (std::int32_t handle = 1; handle <= 4; ++handle) CHECK(fn.Initialise(handle) == 0);
  CHECK(fn.Open() == 5);
  CHECK(fn.Final() == 0);
  CHECK(fn.Final() == 0);
}

TEST_CASE(ReloadStartsAFreshModule) {
  {
    LoadedModule module = FreshModule();
    CHECK(module.Fn().Open() == 1);
    CHECK(module.Fn().InitialisePrivateKey(1, "left open") != 0);
    CHECK(module.Fn().Open() == 2);
    CHECK(Encrypt(module.Fn(), 1, Pattern(12)).result != 0);
    std::uint8_t* forgotten = nullptr;
    std::int32_t length = 0;
    const Bytes data = Pattern(20);
    CHECK(module.Fn().DecryptData(2, data.data(), 20, &forgotten, &length) != 0);
  }  // unloaded with two sessions open and a buffer never given back
  LoadedModule module = FreshModule();
  CHECK(module.Fn().Initialise(1) == 0);
  CHECK(module.Fn().Open() == 1);
}

TEST_CASE(TheTwoSessionKeyNamesShareOneFunction) {
  LoadedModule module = FreshModule();
  CHECK(module.Symbol("sCRYPT_EncryptSessionKey") != nullptr);
  CHECK(module.Symbol("sCRYPT_EncryptSessionKey") == module.Symbol("sCRYPT_DecryptSessionKey"));
}

TEST_CASE(EncryptedSizeRoundsUpOnTheUnsignedPattern) {
  struct Row {
    std::int32_t length;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {0, 0},           {1, 8},           {8, 8},           {9, 16},
      {13, 16},         {16, 16},         {INT32_MAX - 7, 0x7FFFFFF8u},
      {INT32_MAX - 6, 0x80000000u},       {INT32_MAX, 0x80000000u},
      {-1, 0},          {-7, 0},          {-8, 0xFFFFFFF8u}, {INT32_MIN, 0x80000000u},
  };
  LoadedModule module = FreshModule();
  for (const Row& row : rows) {
    qor::check::Trace() = "length " + std::to_string(row.length);
    CHECK(static_cast<std::uint32_t>(module.Fn().GetEncryptedSize(row.length)) == row.expected);
  }
}

TEST_CASE(AlgorithmInfoAlwaysLeavesATerminatedName) {
  struct Row {
    std::int32_t size;
    const char* expected;  // the string the buffer must read as
  };
  const Row rows[] = {{64, "Blowfish"}, {11, "Blowfish"}, {10, "Blowfish"}, {9, "Blowfish"},
                      {8, "Blowfis"},   {3, "Bl"},        {2, "B"},         {1, ""}};
  LoadedModule module = FreshModule();
  for (const Row& row : rows) {
    qor::check::Trace() = "size " + std::to_string(row.size);
    std::array<char, 80> buffer;
    buffer.fill('\xAA');
    double version = 0;
    std::int32_t classCode = 0;
    CHECK(module.Fn().GetAlgorithmInfo(buffer.data(), row.size, &version, &classCode) == buffer.data());
    const std::size_t letters = std::strlen(row.expected);
    CHECK(std::memcmp(buffer.data(), row.expected, letters) == 0);
    for (std::size_t i = letters; i < static_cast<std::size_t>(row.size); ++i) CHECK(buffer[i] == 0);
    for (std::size_t i = static_cast<std::size_t>(row.size); i < buffer.size(); ++i) CHECK(buffer[i] == '\xAA');
    CHECK(version == 1.0);
    CHECK(classCode == 2);
  }
  // Sizes that leave no room, and null outputs, write nothing.
  for (const std::int32_t size : {0, -1, INT32_MIN}) {
    char byte = '\xAA';
    CHECK(module.Fn().GetAlgorithmInfo(&byte, size, nullptr, nullptr) == &byte);
    CHECK(byte == '\xAA');
  }
  double version = 0;
  std::int32_t classCode = 0;
  CHECK(module.Fn().GetAlgorithmInfo(nullptr, 64, &version, &classCode) == nullptr);
  CHECK(version == 1.0 && classCode == 2);
}

// Every entry point that takes a handle, with each kind of invalid handle.
TEST_CASE(InvalidHandlesDoNothing) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t closed = fn.Open();
  const std::int32_t cleared = fn.Open();
  const std::int32_t live = fn.Open();
  CHECK(fn.Close(closed) == 1);
  CHECK(fn.Final() == 0);
  const std::int32_t owner = fn.Open();  // holds a buffer the invalid handles try to release
  std::uint8_t* buffer = nullptr;
  std::int32_t length = 0;
  const Bytes data = Pattern(8);
  CHECK(fn.EncryptData(owner, data.data(), 8, &buffer, &length) != 0);

  struct Row {
    const char* what;
    std::int32_t handle;
  };
  const Row rows[] = {{"zero", 0},     {"negative", -1},         {"most negative", INT32_MIN},
                      {"never issued", 1000}, {"closed", closed}, {"cleared by Final", cleared},
                      {"cleared, once live", live}};
  for (const Row& row : rows) {
    qor::check::Trace() = row.what;
    CHECK(fn.Initialise(row.handle) == 0);
    CHECK(fn.Close(row.handle) == 0);
    CHECK(fn.InitialisePrivateKey(row.handle, "key") == 0);
    CHECK(fn.InitialiseSessionKey(row.handle, "key") == 0);

    std::uint8_t* slot = kUntouched;
    std::int32_t slotLength = kUntouchedLength;
    CHECK(fn.GenerateSessionKey(row.handle, &slot, &slotLength) == 0);
    CHECK(slot == kUntouched && slotLength == kUntouchedLength);
    CHECK(fn.EncryptData(row.handle, data.data(), 8, &slot, &slotLength) == 0);
    CHECK(slot == kUntouched && slotLength == kUntouchedLength);
    CHECK(fn.DecryptData(row.handle, data.data(), 8, &slot, &slotLength) == 0);
    CHECK(slot == kUntouched && slotLength == kUntouchedLength);

    // These two clear their slots before looking the handle up.
    CHECK(fn.GetPublicKey(row.handle, &slot, &slotLength) == 0);
    CHECK(slot == nullptr && slotLength == 0);
    slot = kUntouched;
    slotLength = kUntouchedLength;
    CHECK(fn.EncryptSessionKey(row.handle, data.data(), 8, &slot, &slotLength) == 0);
    CHECK(slot == nullptr && slotLength == 0);

    CHECK(fn.FreeBuffer(row.handle, buffer) == 0);
  }
  qor::check::Trace().clear();
  CHECK(fn.FreeBuffer(owner, buffer) == 1);  // still allocated after all those attempts
  CHECK(fn.Open() == owner + 1);             // and no invalid call issued a handle
  fn.Final();
}

TEST_CASE(KeyMaterialEntryPointsGiveEmptyResults) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t handle = fn.Open();
  std::uint8_t* slot = kUntouched;
  std::int32_t length = kUntouchedLength;
  CHECK(fn.GenerateSessionKey(handle, &slot, &length) != 0);
  CHECK(slot == nullptr && length == 0);
  slot = kUntouched;
  length = kUntouchedLength;
  CHECK(fn.GetPublicKey(handle, &slot, &length) != 0);
  CHECK(slot == nullptr && length == 0);
  // The input is never read: a null key with any length is fine.
  for (const std::int32_t inLength : {0, 5, -1, INT32_MAX}) {
    for (const auto call : {fn.EncryptSessionKey, fn.DecryptSessionKey}) {
      slot = kUntouched;
      length = kUntouchedLength;
      CHECK(call(handle, nullptr, inLength, &slot, &length) != 0);
      CHECK(slot == nullptr && length == 0);
    }
  }
  // Null slots are skipped rather than written through.
  CHECK(fn.GetPublicKey(handle, nullptr, nullptr) != 0);
  CHECK(fn.GenerateSessionKey(handle, nullptr, nullptr) != 0);
  CHECK(fn.EncryptSessionKey(handle, nullptr, 0, nullptr, nullptr) != 0);
  fn.Final();
}

TEST_CASE(ThirteenBytesRoundTripWithZeroFill) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t handle = OpenWithKey(fn, "a private key");
  const Bytes plain = Pattern(13);
  const Output enciphered = Encrypt(fn, handle, plain);
  CHECK(enciphered.result != 0);
  CHECK(enciphered.reported == 16);
  const Output deciphered = Decrypt(fn, handle, enciphered.bytes);
  CHECK(deciphered.reported == 16);
  Bytes expected = plain;
  expected.resize(24, 0);  // three fill bytes, then the buffer's 8 extra bytes
  CHECK(deciphered.bytes == expected);
  fn.Final();
}

TEST_CASE(ReportedLengthsFollowTheInputLength) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t handle = OpenWithKey(fn, "lengths");
  for (std::int32_t length = 0; length <= 17; ++length) {
    qor::check::Trace() = "length " + std::to_string(length);
    const Bytes input = Pattern(static_cast<std::size_t>(length));
    const Output enciphered = Encrypt(fn, handle, input);
    CHECK(enciphered.result != 0);
    CHECK(enciphered.reported == fn.GetEncryptedSize(length));
    const Output deciphered = Decrypt(fn, handle, input);
    CHECK(deciphered.result != 0);
    CHECK(deciphered.reported == (length & ~3));
    // The decipherment of a partial last block depends on the input alone.
    CHECK(Decrypt(fn, handle, input).bytes == deciphered.bytes);
    const std::size_t rounded = static_cast<std::size_t>(fn.GetEncryptedSize(length));
    for (std::size_t i = rounded; i < deciphered.bytes.size(); ++i) CHECK(deciphered.bytes[i] == 0);
    if (length % 8 == 0) {
      Bytes padded = input;
      padded.resize(input.size() + 8, 0);
      CHECK(Decrypt(fn, handle, enciphered.bytes).bytes == padded);
    }
  }
  fn.Final();
}

TEST_CASE(OutputDependsOnlyOnKeyAndInput) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const Bytes plain = Pattern(40, 3);
  const Bytes hostCopy = plain;
  const std::int32_t first = OpenWithKey(fn, "same key");
  const std::int32_t other = OpenWithKey(fn, "another key");
  const std::int32_t second = OpenWithKey(fn, "same key");

  std::uint8_t* a = nullptr;
  std::uint8_t* b = nullptr;
  std::int32_t length = 0;
  CHECK(fn.EncryptData(first, plain.data(), 40, &a, &length) != 0);
  CHECK(Encrypt(fn, other, plain).result != 0);  // a different key in between
  CHECK(fn.EncryptData(second, plain.data(), 40, &b, &length) != 0);
  CHECK(a != b);
  CHECK(std::memcmp(a, b, 40) == 0);
  CHECK(Encrypt(fn, other, plain).bytes != Bytes(a, a + 40));
  CHECK(plain == hostCopy);  // the host's input is only read
  CHECK(fn.FreeBuffer(first, a) == 1);
  CHECK(fn.FreeBuffer(first, b) == 1);
  CHECK(Decrypt(fn, first, plain).result != 0);
  CHECK(plain == hostCopy);
  fn.Final();
}

TEST_CASE(KeysAreZeroTerminatedByteStrings) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const Bytes plain = Pattern(24, 9);
  auto cipherUnder = [&](const char* key, bool setKey) {
    const std::int32_t handle = fn.Open();
    if (setKey) CHECK(fn.InitialisePrivateKey(handle, key) != 0);
    Bytes out = Encrypt(fn, handle, plain).bytes;
    fn.Close(handle);
    return out;
  };
  const Bytes unset = cipherUnder(nullptr, false);
  CHECK(cipherUnder(nullptr, true) == unset);
  CHECK(cipherUnder("", true) == unset);
  CHECK(cipherUnder("abc\0def", true) == cipherUnder("abc", true));
  CHECK(cipherUnder("abc", true) != unset);
  CHECK(cipherUnder("\xC3\xA9\xFF\x80", true) != cipherUnder("\x43\x29\x7F\x01", true));

  // Only the low 16 bits of a key's length count, as a signed number: 2^16 + 3
  // bytes act as the first 3, and 2^15 bytes as the first byte alone.
  std::string huge(65536 + 3, 'q');
  huge.replace(0, 3, "xyz");
  CHECK(cipherUnder(huge.c_str(), true) == cipherUnder("xyz", true));
  huge.resize(32768);
  CHECK(cipherUnder(huge.c_str(), true) == cipherUnder("x", true));

  // A 20-byte key replaced by a 5-byte one leaves exactly the 5 bytes.
  const std::int32_t replaced = OpenWithKey(fn, "twenty bytes of key!");
  CHECK(fn.InitialisePrivateKey(replaced, "short") != 0);
  CHECK(Encrypt(fn, replaced, plain).bytes == cipherUnder("short", true));

  // The session copies the key: the host may overwrite its buffer at once.
  char hostKey[] = "volatile";
  const std::int32_t copied = OpenWithKey(fn, hostKey);
  std::memset(hostKey, 'x', sizeof hostKey - 1);
  CHECK(Encrypt(fn, copied, plain).bytes == cipherUnder("volatile", true));

  // The session key never reaches the cipher.
  const std::int32_t withSessionKey = OpenWithKey(fn, "volatile");
  CHECK(fn.InitialiseSessionKey(withSessionKey, "something else") != 0);
  CHECK(Encrypt(fn, withSessionKey, plain).bytes == cipherUnder("volatile", true));
  const Bytes cipher = Encrypt(fn, copied, plain).bytes;
  CHECK(Decrypt(fn, withSessionKey, cipher).bytes == Decrypt(fn, copied, cipher).bytes);
  fn.Final();
}

TEST_CASE(EmptyInputsGiveEmptyResults) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t handle = fn.Open();
  const Bytes one(1);
  for (const auto call : {fn.EncryptData, fn.DecryptData}) {
    for (const std::uint8_t* input : {static_cast<const std::uint8_t*>(nullptr), one.data()}) {
      std::uint8_t* buffer = nullptr;
      std::int32_t length = -1;
      CHECK(call(handle, input, 0, &buffer, &length) != 0);
      CHECK(buffer != nullptr);
      CHECK(length == 0);
      CHECK(fn.FreeBuffer(handle, buffer) == 1);
    }
  }
  fn.Final();
}

TEST_CASE(BadDataArgumentsAreRefused) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t handle = fn.Open();
  const Bytes data = Pattern(16);
  struct Row {
    const char* what;
    const std::uint8_t* input;
    std::int32_t length;
  };
  const Row rows[] = {
      {"negative length", data.data(), -1},
      {"most negative length", data.data(), INT32_MIN},
      {"length whose rounding overflows", data.data(), INT32_MAX - 6},
      {"largest length", data.data(), INT32_MAX},
      {"null input with a length", nullptr, 8},
  };
  for (const Row& row : rows) {
    for (const auto call : {fn.EncryptData, fn.DecryptData}) {
      qor::check::Trace() = row.what;
      std::uint8_t* slot = kUntouched;
      std::int32_t length = kUntouchedLength;
      CHECK(call(handle, row.input, row.length, &slot, &length) == 0);
      CHECK(slot == kUntouched && length == kUntouchedLength);
    }
  }
  qor::check::Trace() = "null output slots";
  std::uint8_t* slot = kUntouched;
  std::int32_t length = kUntouchedLength;
  for (const auto call : {fn.EncryptData, fn.DecryptData}) {
    CHECK(call(handle, data.data(), 16, nullptr, &length) == 0);
    CHECK(call(handle, data.data(), 16, &slot, nullptr) == 0);
    CHECK(slot == kUntouched && length == kUntouchedLength);
  }
  fn.Final();
}

TEST_CASE(FreeBufferReleasesOnlyLiveModuleBuffers) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  const std::int32_t maker = OpenWithKey(fn, "maker");
  const std::int32_t other = fn.Open();
  const Bytes plain = Pattern(21);
  std::uint8_t* kept = nullptr;
  std::uint8_t* released = nullptr;
  std::int32_t length = 0;
  CHECK(fn.EncryptData(maker, plain.data(), 21, &kept, &length) != 0);
  const Bytes copy(kept, kept + length);
  CHECK(fn.EncryptData(maker, plain.data(), 21, &released, &length) != 0);
  CHECK(fn.FreeBuffer(maker, released) == 1);

  int onStack = 0;
  void* fromHost = std::malloc(16);
  const Bytes hostBytes(8);
  struct Row {
    const char* what;
    void* address;
  };
  const Row rows[] = {{"null", nullptr},
                      {"released already", released},
                      {"the host's stack", &onStack},
                      {"the host's heap", fromHost},
                      {"inside a module buffer", kept + 8},
                      {"the host's vector", const_cast<std::uint8_t*>(hostBytes.data())}};
  for (const Row& row : rows) {
    qor::check::Trace() = row.what;
    CHECK(fn.FreeBuffer(other, row.address) == 0);
  }
  std::free(fromHost);

  // Buffers outlive their session and sCRYPT_Final; any open handle frees them.
  CHECK(fn.Close(maker) == 1);
  CHECK(fn.Final() == 0);
  CHECK(Bytes(kept, kept + length) == copy);
  const std::int32_t later = fn.Open();
  CHECK(fn.FreeBuffer(later, kept) == 1);
  CHECK(fn.FreeBuffer(later, kept) == 0);
  fn.Final();
}

// Answers computed by an independent implementation, through the module's
// whole interface in both directions.
TEST_CASE(KnownAnswersThroughTheEntryPoints) {
  LoadedModule module = FreshModule();
  const EntryPoints& fn = module.Fn();
  for (const auto& row : qor::test::kCipherKnownAnswers) {
    qor::check::Trace() = row.name;
    const std::int32_t handle = OpenWithKey(fn, reinterpret_cast<const char*>(row.key));
    const Bytes plain(row.plaintext, row.plaintext + row.plaintextLength);
    const Bytes cipher(row.ciphertext, row.ciphertext + row.ciphertextLength);
    const Output enciphered = Encrypt(fn, handle, plain);
    CHECK(enciphered.reported == row.ciphertextLength);
    CHECK(enciphered.bytes == cipher);
    const Output deciphered = Decrypt(fn, handle, cipher);
    CHECK(deciphered.reported == row.ciphertextLength);
    Bytes padded = plain;
    padded.resize(cipher.size() + 8, 0);
    CHECK(deciphered.bytes == padded);
    CHECK(fn.Close(handle) == 1);
  }
}

}  // namespace

int main(int argc, char** argv) { return qor::check::RunAllOnModule(argc, argv); }
