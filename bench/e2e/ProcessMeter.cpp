#include "ProcessMeter.h"

#include <unistd.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace pelmora::bench {

double ProcessMeter::CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ProcessMeter::CpuSecondsOf(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The command name is in parentheses and may hold blanks: count fields after its end.
  const auto nameEnd = stat.rfind(')');
  if (nameEnd == std::string::npos) return 0;
  std::istringstream fields(stat.substr(nameEnd + 2));
  std::string field;
  double ticks = 0;
  // Field 3 (state) is the first after the name; utime and stime are fields 14 and 15.
  for (int index = 3; index <= 15 && fields >> field; ++index) {
    if (index >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ProcessMeter::ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long sizePages = 0;
  long residentPages = 0;
  statm >> sizePages >> residentPages;
  return static_cast<double>(residentPages) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

}  // namespace pelmora::bench
