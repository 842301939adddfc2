#include "bench/measured_child.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>

#include "platform/error.h"

namespace tolvane::bench {

namespace {

struct ChildReport {
  bool ok = false;
  PipelineMeasure measure;
  char error[512] = {};
};
static_assert(std::is_trivially_copyable_v<ChildReport>);

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM"), or 0 when it is not there.
long StatusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(key + ":")) return std::stol(line.substr(key.size() + 1)) * 1024;
  }
  return 0;
}

// Starts the peak of the resident set afresh at the present resident set (Linux 4.0 on).
void ResetPeakMemory() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

ChildReport RunMeasured(const std::function<PipelineMeasure()>& pipeline) {
  ChildReport report;
  try {
    ResetPeakMemory();
    const long start = StatusBytes("VmRSS");
    report.measure = pipeline();
    report.measure.peakBytes = StatusBytes("VmHWM") - start;
    report.ok = true;
  } catch (const std::exception& error) {
    std::strncpy(report.error, error.what(), sizeof report.error - 1);
  }
  return report;
}

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = write(fd, data, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    data += count;
    size -= static_cast<std::size_t>(count);
  }
}

std::size_t ReadAll(int fd, char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t count = read(fd, data + done, size - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    done += static_cast<std::size_t>(count);
  }
  return done;
}

}  // namespace

PipelineMeasure MeasureInChild(const std::function<PipelineMeasure()>& pipeline) {
  int channel[2];
  if (pipe(channel) != 0) throw Error::FromErrno(errno, "pipe");
  const pid_t child = fork();
  if (child < 0) throw Error::FromErrno(errno, "fork");
  if (child == 0) {
    close(channel[0]);
    const ChildReport report = RunMeasured(pipeline);
    WriteAll(channel[1], reinterpret_cast<const char*>(&report), sizeof report);
    _exit(0);
  }
  close(channel[1]);
  ChildReport report;
  const std::size_t received = ReadAll(channel[0], reinterpret_cast<char*>(&report), sizeof report);
  close(channel[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (received != sizeof report) throw Error(ErrorNumber::PathFileAccessError, "the measured run ended without a result");
  if (!report.ok) throw Error(ErrorNumber::PathFileAccessError, std::string("the measured run failed: ") + report.error);
  return report.measure;
}

}  // namespace tolvane::bench
