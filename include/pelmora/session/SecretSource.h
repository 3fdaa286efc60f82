#pragma once

#include <string>

namespace pelmora {

// Where a secret (a login password) comes from: the text itself, an environment variable, or a
// file, so that it need not stand on a command line or in a file that many can read.
struct SecretSource {
  enum class From { Literal, Env, File };
  From from = From::Literal;
  std::string value;  // the text, the variable's name or the file's path

  static SecretSource Literal(std::string text) { return {From::Literal, std::move(text)}; }
  static SecretSource Env(std::string name) { return {From::Env, std::move(name)}; }
  static SecretSource File(std::string path) { return {From::File, std::move(path)}; }

  // The secret. A file must be a regular file of at most 1 MiB; one line end (LF or CR LF) at
  // its end is not part of the secret. Throws TargetError naming the variable or the
  // file, never the secret.
  std::string Resolve() const;
};

}  // namespace pelmora
