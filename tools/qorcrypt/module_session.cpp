#include "module_session.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tool_error.h"

namespace qorcrypt {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw ToolError(ExitStatus::kFailure, message); }

// Gives an output buffer back on paths that leave by exception; the normal
// path releases it explicitly so that a refusal can be reported.
struct ReturnToModule {
  const qor::host::EntryPoints* fn;
  std::int32_t handle;
  void operator()(std::uint8_t* buffer) const noexcept { fn->FreeBuffer(handle, buffer); }
};

}  // namespace

ModuleSession::ModuleSession(const qor::host::EntryPoints& fn, const SecretBytes& key) : m_fn(fn) {
  m_handle = m_fn.Open();
  if (m_handle == 0) Fail("the module could not open a session");
  // The module wants a zero-terminated string; the copy is wiped at once.
  std::vector<char> terminated(key.Size() + 1, '\0');
  std::copy(key.Data(), key.Data() + key.Size(), terminated.begin());
  const std::int32_t accepted = m_fn.InitialisePrivateKey(m_handle, terminated.data());
  WipeBytes(terminated.data(), terminated.size());
  if (accepted == 0) {
    m_fn.Close(m_handle);
    Fail("the module did not accept the key");
  }
}

ModuleSession::~ModuleSession() { m_fn.Close(m_handle); }

void ModuleSession::Transform(Direction direction, std::span<const std::uint8_t> data,
                              const std::function<void(std::span<const std::uint8_t>)>& consume) {
  const auto length = static_cast<std::int32_t>(data.size());
  const auto call = direction == Direction::kEncrypt ? m_fn.EncryptData : m_fn.DecryptData;
  std::uint8_t* output = nullptr;
  std::int32_t outLength = -1;
  if (call(m_handle, data.data(), length, &output, &outLength) == 0) {
    Fail(std::string("the module failed to ") + (direction == Direction::kEncrypt ? "encrypt " : "decrypt ") +
         std::to_string(data.size()) + " bytes (out of memory?)");
  }
  std::unique_ptr<std::uint8_t, ReturnToModule> owned(output, ReturnToModule{&m_fn, m_handle});
  // Whole blocks in give the same count out, and only the last chunk of an
  // encryption is partial; anything else means a module we do not understand.
  const std::int32_t expected = direction == Direction::kEncrypt ? m_fn.GetEncryptedSize(length) : length;
  if (output == nullptr || outLength != expected) {
    Fail("the module returned " + std::to_string(outLength) + " bytes for " + std::to_string(length) +
         ", expected " + std::to_string(expected));
  }
  consume(std::span<const std::uint8_t>(output, static_cast<std::size_t>(outLength)));
  if (m_fn.FreeBuffer(m_handle, owned.release()) == 0) Fail("the module did not take its output buffer back");
}

}  // namespace qorcrypt
