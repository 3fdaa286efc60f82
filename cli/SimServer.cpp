#include "SimServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <toml++/toml.h>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "ExitCode.h"
#include "OpenFileLimit.h"

namespace pelmora::cli {

namespace {

// Created for the owner alone, since the inventory may hold the simulator's password; a file that
// was there keeps its place but loses any wider mode.
void WritePrivate(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool written = fd >= 0 && ::fchmod(fd, 0600) == 0;
  for (std::size_t done = 0; written && done < text.size();) {
    const auto n = ::write(fd, text.data() + done, text.size() - done);
    written = n > 0;
    done += written ? static_cast<std::size_t>(n) : 0;
  }
  if (fd >= 0 && ::close(fd) != 0) written = false;
  if (!written) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
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

// Hosts sim-1 to sim-N (zero-padded, so that they sort), in the group "sim". toml++ writes the
// text, so a password with quotes or control characters reads back as it was given.
void SimServer::WriteInventory() const {
  if (!invocation_.writeInventory) return;
  toml::table inventory;
  if (invocation_.simPassword) {
    inventory.insert("defaults", toml::table{{"password", *invocation_.simPassword}});
  }
  toml::table hosts;
  const std::size_t width = std::to_string(servers_.size()).size();
  for (std::size_t i = 0; i < servers_.size(); ++i) {
    std::string number = std::to_string(i + 1);
    number.insert(0, width - number.size(), '0');
    hosts.insert("sim-" + number,
                 toml::table{{"address", Bound(i).Describe()}, {"groups", toml::array{"sim"}}});
  }
  inventory.insert("hosts", std::move(hosts));
  std::ostringstream text;
  text << "# " << servers_.size() << " simulated print servers of pelmora sim\n\n"
       << inventory << '\n';
  WritePrivate(*invocation_.writeInventory, text.str());
}

}  // namespace pelmora::cli
