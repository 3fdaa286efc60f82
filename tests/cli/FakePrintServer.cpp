#include "FakePrintServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace pelmora::testing {

namespace {

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

FakePrintServer::FakePrintServer(Mode mode) : mode_(mode) {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listenFd_, 4) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      pipe(wakeFds_) != 0) {
    throw std::runtime_error("fake print server cannot listen");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

FakePrintServer::~FakePrintServer() {
  const char stop = 'x';
  (void)write(wakeFds_[1], &stop, 1);
  thread_.join();
  for (int fd : {listenFd_, wakeFds_[0], wakeFds_[1], clientFd_}) {
    if (fd >= 0) close(fd);
  }
}

void FakePrintServer::Answer(const std::string& line, const std::string& answer) {
  std::lock_guard lock(mutex_);
  answers_[line] = answer;
}

void FakePrintServer::SendUnsolicited(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (clientFd_ >= 0) WriteAll(clientFd_, text);
}

bool FakePrintServer::WaitForReceived(const std::string& text, std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return received_.find(text) != std::string::npos; });
}

bool FakePrintServer::WaitForClientClose(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return closedClients_ > 0; });
}

std::string FakePrintServer::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

void FakePrintServer::Serve() {
  for (;;) {
    const int client = clientFd_;
    pollfd fds[2] = {{wakeFds_[0], POLLIN, 0}, {client >= 0 ? client : listenFd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents != 0) return;
    if (fds[1].revents == 0) continue;
    if (client < 0) {
      const int accepted = accept(listenFd_, nullptr, nullptr);
      std::lock_guard lock(mutex_);
      clientFd_ = accepted;
      continue;
    }
    char buffer[4096];
    const ssize_t n = recv(client, buffer, sizeof buffer, 0);
    std::lock_guard lock(mutex_);
    if (n <= 0) {
      close(clientFd_);
      clientFd_ = -1;
      ++closedClients_;
      line_.clear();
    } else {
      Handle(buffer, static_cast<std::size_t>(n));
    }
    changed_.notify_all();
  }
}

// Called with the mutex held.
void FakePrintServer::Handle(const char* data, std::size_t size) {
  received_.append(data, size);
  if (mode_ == Mode::Silent) return;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') continue;
    if (data[i] != '\r') {
      line_ += data[i];
      continue;
    }
    std::string reply = line_ + "\r\n";
    if (const auto answer = answers_.find(line_); answer != answers_.end()) {
      reply += answer->second + "\r\n";
    }
    WriteAll(clientFd_, reply + "Local> ");
    line_.clear();
  }
}

}  // namespace pelmora::testing
