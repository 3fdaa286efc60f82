#include "SimServer.h"

#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "ExitCode.h"
#include "OpenFileLimit.h"

namespace pelmora::cli {

namespace {

std::string TomlString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

int SimServer::Run(SignalWatcher& watcher) {
  const auto& asked = invocation_.target;
  if (asked.port != 0 && asked.port + invocation_.simCount - 1 > 65535) {
    std::cerr << "pelmora: " << invocation_.simCount << " servers from port " << asked.port
              << " run past port 65535\n";
    return ExitCode::kUsageError;
  }
  OpenFileLimit::RaiseToMaximum();
  asio::io_context loop(1);
  const int status = Serve(loop, watcher);
  // The servers' sockets and timers belong to the loop: they go first.
  servers_.clear();
  return status;
}

int SimServer::Serve(asio::io_context& loop, SignalWatcher& watcher) {
  auto stopAll = [this] {
    for (auto& server : servers_) server->Stop();
  };
  try {
    StartServers(loop);
    WriteInventory();
  } catch (const std::runtime_error& error) {
    std::cerr << "pelmora: " << error.what() << '\n';
    stopAll();
    loop.run();  // the cancelled operations end
    return 1;
  }
  // Taken over before the line is printed: whoever reads it may stop the servers at once. A
  // signal that came earlier is acted on here.
  watcher.OnSignal([&loop, &stopAll] { asio::post(loop, stopAll); });
  std::cout << ListeningLine() << std::endl;
  loop.run();
  watcher.OnSignal(nullptr);
  return 0;
}

void SimServer::StartServers(asio::io_context& loop) {
  for (std::size_t i = 0; i < invocation_.simCount; ++i) {
    TelnetShellServer::Options options;
    options.host = invocation_.target.host;
    options.port = static_cast<std::uint16_t>(
        invocation_.target.port == 0 ? 0 : invocation_.target.port + static_cast<int>(i));
    options.password = invocation_.simPassword;
    options.loop = &loop;
    servers_.push_back(std::make_unique<TelnetShellServer>(options));
    servers_.back()->Start();
  }
}

Target SimServer::Bound(std::size_t index) const {
  Target bound = invocation_.target;
  bound.port = servers_[index]->Port();
  return bound;
}

std::string SimServer::ListeningLine() const {
  if (servers_.size() == 1) {
    return "pelmora sim listening on " + Bound(0).Describe() + " (telnet); Ctrl-C stops";
  }
  std::string line = "pelmora sim: " + std::to_string(servers_.size()) +
                     " print servers listening on " + Bound(0).Describe();
  if (invocation_.target.port != 0) {
    line += " to " + Bound(servers_.size() - 1).Describe();
  } else {
    for (std::size_t i = 1; i < servers_.size(); ++i) line += ", " + Bound(i).Describe();
  }
  return line + " (telnet); Ctrl-C stops";
}

// Hosts sim-1 to sim-N (zero-padded, so that they sort), in the group "sim".
void SimServer::WriteInventory() const {
  if (!invocation_.writeInventory) return;
  std::ofstream file(*invocation_.writeInventory, std::ios::trunc);
  file << "# " << servers_.size() << " simulated print servers of pelmora sim\n";
  if (invocation_.simPassword) {
    file << "\n[defaults]\npassword = " << TomlString(*invocation_.simPassword) << "\n";
  }
  const std::size_t width = std::to_string(servers_.size()).size();
  for (std::size_t i = 0; i < servers_.size(); ++i) {
    std::string number = std::to_string(i + 1);
    number.insert(0, width - number.size(), '0');
    file << "\n[hosts.sim-" << number << "]\naddress = \"" << Bound(i).Describe()
         << "\"\ngroups = [\"sim\"]\n";
  }
  file.flush();
  if (!file) throw std::runtime_error("cannot write " + *invocation_.writeInventory);
}

}  // namespace pelmora::cli
