#include "ScaleStudy.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <latch>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ChildOutput.h"
#include "ProcessMeter.h"
#include "pelmora/frame/Global.h"
#include "pelmora/platform/Apartment.h"
#include "pelmora/transport/TelnetConnection.h"

namespace pelmora::bench {

namespace {

using Clock = std::chrono::steady_clock;

// What the sessions share: two gates and the window's end, written before the second opens.
struct Course {
  explicit Course(int sessions) : open(sessions + 1), go(1) {}
  std::latch open;  // every session connected (or failed), and the coordinator
  std::latch go;
  Clock::time_point deadline;
  std::atomic<long> commands{0};
  std::atomic<long> errors{0};
};

void RunSession(int port, Course& course) {
  bool arrived = false;
  try {
    const auto device =
        Global::CreatePelmoraT2Obj(std::make_shared<TelnetConnection>("127.0.0.1", port));
    device->Command("\r");  // opens the session
    arrived = true;
    course.open.count_down();
    course.go.wait();
    long completed = 0;
    while (true) {
      device->Command("\r");
      if (Clock::now() > course.deadline) break;
      ++completed;
    }
    course.commands += completed;
    Global::TeardownPrinterObj(device);
  } catch (const std::exception&) {
    ++course.errors;
    if (!arrived) course.open.count_down();
  }
}

std::string ToLine(const ScaleStudy::Outcome& o) {
  std::ostringstream line;
  line << o.sessions << ' ' << o.commands << ' ' << o.errors << ' ' << o.windowSeconds << ' '
       << o.rssBeforeKiB << ' ' << o.rssDuringKiB << ' ' << o.cpuSeconds << ' '
       << o.serverCpuSeconds;
  return line.str();
}

ScaleStudy::Outcome FromLine(const std::string& text) {
  ScaleStudy::Outcome o;
  std::istringstream line(text);
  line >> o.sessions >> o.commands >> o.errors >> o.windowSeconds >> o.rssBeforeKiB >>
      o.rssDuringKiB >> o.cpuSeconds >> o.serverCpuSeconds;
  if (!line) throw std::runtime_error("scale worker gave no result: " + text);
  return o;
}

}  // namespace

ScaleStudy::Outcome ScaleStudy::RunSessions(int sessions, int port, pid_t serverPid,
                                            std::chrono::milliseconds window) {
  Outcome outcome;
  outcome.sessions = sessions;
  outcome.rssBeforeKiB = ProcessMeter::ResidentKiB();
  Course course(sessions);
  std::vector<std::thread> threads;
  threads.reserve(std::size_t(sessions));
  for (int i = 0; i < sessions; ++i) threads.emplace_back(RunSession, port, std::ref(course));
  course.open.arrive_and_wait();

  const double cpuBefore = ProcessMeter::CpuSeconds();
  const double serverCpuBefore = ProcessMeter::CpuSecondsOf(serverPid);
  const auto start = Clock::now();
  course.deadline = start + window;
  course.go.count_down();
  std::this_thread::sleep_for(window / 2);
  outcome.rssDuringKiB = ProcessMeter::ResidentKiB();
  std::this_thread::sleep_until(course.deadline);
  outcome.cpuSeconds = ProcessMeter::CpuSeconds() - cpuBefore;
  outcome.serverCpuSeconds = ProcessMeter::CpuSecondsOf(serverPid) - serverCpuBefore;
  outcome.windowSeconds = std::chrono::duration<double>(window).count();
  for (auto& thread : threads) thread.join();
  outcome.commands = course.commands;
  outcome.errors = course.errors;
  return outcome;
}

int ScaleStudy::RunWorker(int sessions, int port, pid_t serverPid,
                          std::chrono::milliseconds window) {
  std::cout << ToLine(RunSessions(sessions, port, serverPid, window)) << std::endl;
  return 0;
}

ScaleStudy::Outcome ScaleStudy::Spawn(const std::string& program, int sessions, int port,
                                      pid_t serverPid, std::chrono::milliseconds window) {
  std::vector<std::string> args = {program,
                                   kWorkerFlag,
                                   std::to_string(sessions),
                                   std::to_string(port),
                                   std::to_string(serverPid),
                                   std::to_string(window.count())};
  const ChildOutput worker = ChildOutput::Start(std::move(args), "scale");
  const std::string text = worker.ReadToEnd();
  ::close(worker.fd);
  int status = 0;
  ::waitpid(worker.pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("scale worker for " + std::to_string(sessions) + " sessions failed");
  }
  return FromLine(text);
}

}  // namespace pelmora::bench
