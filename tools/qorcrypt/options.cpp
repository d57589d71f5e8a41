#include "options.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "qor_enc1.h"
#include "tool_error.h"

namespace qorcrypt {
namespace {

[[noreturn]] void Usage(const std::string& message) { throw ToolError(ExitStatus::kUsage, message); }

std::uint64_t ParseCount(std::string_view option, std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [next, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || next != end) {
    Usage(std::string(option) + " needs a whole number of bytes, not '" + std::string(text) + "'");
  }
  return value;
}

// Walks argv; accepts "--name value" and "--name=value" for options that take
// a value, so each option's value has one place to come from.
class ArgumentCursor {
 public:
  ArgumentCursor(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

  bool Done() const noexcept { return m_index >= m_argc; }
  char* Current() const noexcept { return m_argv[m_index]; }
  void Advance() noexcept { ++m_index; }

  // For the current argument "--name" or "--name=value": returns the value,
  // consuming the next argument in the first form.
  char* TakeValue(std::string_view name) {
    char* argument = Current();
    char* equals = std::strchr(argument, '=');
    Advance();
    if (equals != nullptr) return equals + 1;
    if (Done()) Usage(std::string(name) + " needs a value");
    char* value = Current();
    Advance();
    return value;
  }

 private:
  int m_argc;
  char** m_argv;
  int m_index = 1;
};

// "--name" or "--name=..." for an option spelled `name`.
bool Is(std::string_view argument, std::string_view name) {
  return argument == name ||
         (argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=');
}

void SetKeySource(Options& options, KeySource source) {
  if (options.keySource != KeySource::kNone) Usage("give only one of --key-file, --key-env and --key");
  options.keySource = source;
}

Command ParseCommand(std::string_view word) {
  if (word == "info") return Command::kInfo;
  if (word == "encrypt") return Command::kEncrypt;
  if (word == "decrypt") return Command::kDecrypt;
  Usage("unknown command '" + std::string(word) + "' (expected info, encrypt or decrypt)");
}

void CheckCombination(const Options& options, bool outputGiven, std::size_t inputs) {
  const bool crypts = options.command == Command::kEncrypt || options.command == Command::kDecrypt;
  if (!crypts) {
    if (options.keySource != KeySource::kNone || outputGiven || inputs > 0) {
      Usage("info takes no key, input or output");
    }
  } else if (options.keySource == KeySource::kNone) {
    Usage("no key given: use --key-file FILE, --key-env NAME or --key TEXT");
  }
  if (options.length && options.command != Command::kDecrypt) Usage("--length applies to decrypt only");
  if (inputs > 1) Usage("more than one input file given");
}

}  // namespace

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::optional<Command> command;
  std::vector<std::string> positional;
  bool outputGiven = false;
  bool help = false;

  ArgumentCursor cursor(argc, argv);
  while (!cursor.Done()) {
    const std::string_view argument = cursor.Current();
    if (argument == "-h" || argument == "--help") {
      help = true;
      cursor.Advance();
    } else if (argument == "-o" || Is(argument, "--output")) {
      options.output = cursor.TakeValue("--output");
      outputGiven = true;
    } else if (Is(argument, "--module")) {
      options.modulePath = cursor.TakeValue("--module");
    } else if (Is(argument, "--key-file")) {
      SetKeySource(options, KeySource::kFile);
      options.keyArgument = cursor.TakeValue("--key-file");
    } else if (Is(argument, "--key-env")) {
      SetKeySource(options, KeySource::kEnvironment);
      options.keyArgument = cursor.TakeValue("--key-env");
    } else if (Is(argument, "--key")) {
      SetKeySource(options, KeySource::kText);
      options.keyText = cursor.TakeValue("--key");
    } else if (Is(argument, "--length")) {
      options.length = ParseCount("--length", cursor.TakeValue("--length"));
    } else if (argument == "--no-progress") {
      options.progress = false;
      cursor.Advance();
    } else if (Is(argument, "--chunk-size")) {
      // Not in --help: lets tests cross chunk boundaries with small inputs.
      const std::uint64_t size = ParseCount("--chunk-size", cursor.TakeValue("--chunk-size"));
      if (size == 0 || size % 8 != 0 || size > QOR_ENC1_MAX_DATA_LENGTH) {
        Usage("--chunk-size must be a positive multiple of 8 no larger than " +
              std::to_string(QOR_ENC1_MAX_DATA_LENGTH));
      }
      options.chunkSize = static_cast<std::size_t>(size);
    } else if (Is(argument, "--progress-delay-ms")) {
      // Not in --help: lets a test see the bar without waiting a second.
      options.progressDelay = std::chrono::milliseconds(
          ParseCount("--progress-delay-ms", cursor.TakeValue("--progress-delay-ms")));
    } else if (argument.size() > 1 && argument.front() == '-') {
      Usage("unknown option '" + std::string(argument) + "'");
    } else if (!command) {
      command = ParseCommand(argument);
      cursor.Advance();
    } else {
      positional.emplace_back(argument);
      cursor.Advance();
    }
  }

  if (help) return options;  // kHelp, whatever else was given
  if (!command) Usage("no command given (info, encrypt or decrypt)");
  options.command = *command;
  CheckCombination(options, outputGiven, positional.size());
  if (!positional.empty()) options.input = positional.front();
  return options;
}

}  // namespace qorcrypt
