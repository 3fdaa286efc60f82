// The tool's real targets beyond telnet's answers: the simulated print server's shell on a
// serial line (a pseudo-terminal pair), unusable serial paths, and a connect that the command's
// own time limit cuts short.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "ToolProcess.h"
#include "endtoend/PtyPrintServer.h"

namespace pelmora::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Targets, ToolRunsGetSetShowAndReportsShellErrorsOverASerialLine) {
  PtyPrintServer device(std::make_shared<PrintServerState>());
  const std::vector<std::string> line{"--serial", device.Path()};
  auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), line.begin(), line.end());
    return ToolProcess::Run(arguments);
  };
  EXPECT_EQ(run({"get", "ssid"}).out, "PrintNet\n");
  const ToolResult set = run({"set", "ssid", "Serial-Net"});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(run({"get", "ssid"}).out, "Serial-Net\n");
  EXPECT_EQ(run({"show", "version"}).out,
            "ProductName: Pelmora T2 Wireless Print Server\nFirmwareVersion: 6.02 (2006-03-14)\n"
            "BootVersion: 1.10\n");
  const ToolResult refused = run({"cmd", "SH NW NONSENSE"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "error 9998 (Command): Device reported error: Unknown command\n");
}

TEST(Targets, SerialPathThatIsMissingOrNoTerminalGivesTheConnectionErrorNamingIt) {
  const std::string plainFile =
      ::testing::TempDir() + "pelmora-not-a-tty" + std::to_string(getpid());
  std::fclose(std::fopen(plainFile.c_str(), "w"));
  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{"/nonexistent/ttyS9", "No such file or directory"},
        {plainFile, "Inappropriate ioctl for device"}}) {
    const ToolResult result = ToolProcess::Run({"--serial", path, "get", "ssid"});
    EXPECT_EQ(result.status, 1) << path;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "error 3007 (Connection): " + path + ": " + reason + "\n");
  }
  std::remove(plainFile.c_str());
}

// A listener with backlog 0 whose one place is taken drops further connection requests: the
// connect neither succeeds nor fails.
TEST(Targets, CommandTimeLimitShorterThanTheConnectLimitBoundsTheConnect) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int filler = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string endpoint = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  const auto started = Clock::now();
  const ToolResult result =
      ToolProcess::Run({"--host", endpoint, "--timeout", "300", "get", "ssid"});
  const auto took = Clock::now() - started;
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "error 3002 (Connection): " + endpoint + ": connect timed out after 300 ms\n");
  // Far below the 5 s connect limit, with room for a loaded machine.
  EXPECT_LT(took, 2500ms);
  close(filler);
  close(listener);
}

}  // namespace
}  // namespace pelmora::testing
