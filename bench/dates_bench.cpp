// Times the read of the dates taken of small JPEGs against exiv2's own command reading the
// same tag of the same files in one process, in turns, on folders of its own.
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "bench/pipeline_measure.h"
#include "bench/scratch_folder.h"
#include "core/list_order.h"
#include "core/preview.h"
#include "platform/linux_file_dates.h"

extern char** environ;

namespace tolvane::bench {

namespace {

constexpr double kTargetRatio = 0.7;
constexpr double kPreviewTargetRatio = 1.1;
constexpr const char* kBlankDate = "2000:01:01 00:00:00";

// The date of photo `number`: one second after another.
std::string DateOf(std::size_t number) {
  const std::size_t minutes = number / 60;
  char date[96];
  std::snprintf(date, sizeof date, "2020:01:%02zu %02zu:%02zu:%02zu", 1 + minutes / 1440, minutes / 60 % 24, minutes % 60,
                number % 60);
  return date;
}

// One small JPEG made by exiv2, with its date taken; each file is a copy with its own date.
std::string PhotoWithBlankDate() {
  auto image = Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg);
  Exiv2::ExifData exif;
  exif["Exif.Image.Make"] = "Tolvane";
  exif["Exif.Photo.DateTimeOriginal"] = kBlankDate;
  image->setExifData(exif);
  image->writeMetadata();
  Exiv2::BasicIo& io = image->io();
  io.seek(0, Exiv2::BasicIo::beg);
  const Exiv2::DataBuf bytes = io.read(static_cast<long>(io.size()));
  return std::string(reinterpret_cast<const char*>(bytes.pData_), static_cast<std::size_t>(bytes.size_));
}

std::vector<std::string> MakePhotos(const std::string& folder, std::size_t count) {
  const std::string blank = PhotoWithBlankDate();
  const std::size_t at = blank.find(kBlankDate);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    std::string photo = blank;
    photo.replace(at, std::char_traits<char>::length(kBlankDate), DateOf(count - i));
    names.push_back(CameraName(i + 1));
    std::ofstream(folder + "/" + names.back(), std::ios::binary) << photo;
  }
  return names;
}

// exiv2 -K Exif.Photo.DateTimeOriginal -Pv over every file, in one process, its output dropped.
double TimeExiv2(const std::string& folder, const std::vector<std::string>& names) {
  std::vector<std::string> arguments{"exiv2", "-K", "Exif.Photo.DateTimeOriginal", "-Pv"};
  for (const std::string& name : names) arguments.push_back(folder + "/" + name);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t child = 0;
  if (posix_spawnp(&child, "exiv2", &actions, nullptr, argv.data(), environ) != 0) {
    throw std::runtime_error("exiv2 cannot be started: install the exiv2 package");
  }
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds = SecondsBetween(start, Clock::now());
  posix_spawn_file_actions_destroy(&actions);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("exiv2 failed");
  return seconds;
}

// Tolvane's read of the dates taken; fails when a date is not the one the file was given.
double TimeTolvane(const std::string& folder, const std::vector<std::string>& names) {
  const std::vector<std::string_view> views(names.begin(), names.end());
  LinuxFileDates reader;
  DateReading reading;
  const Clock::time_point start = Clock::now();
  const auto dates = reader.Read(folder, views, DateKind::Taken, reading);
  const double seconds = SecondsBetween(start, Clock::now());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::time_t taken = (*dates)[i] ? static_cast<std::time_t>((*dates)[i]->seconds) : 0;
    std::tm local{};
    localtime_r(&taken, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
    if (text != DateOf(names.size() - i)) throw std::runtime_error("wrong date read for " + names[i] + ": " + text);
  }
  return seconds;
}

RenameList ListOf(const std::vector<std::string>& names) {
  RenameList list;
  for (const std::string& name : names) list.Add(name);
  return list;
}

// The ordering by date taken: the dates read, and the list's order worked out from them.
double TimeOrdering(const std::string& folder, const std::vector<std::string>& names) {
  const std::vector<std::string_view> views(names.begin(), names.end());
  const RenameList list = ListOf(names);
  LinuxFileDates reader;
  DateReading reading;
  const Clock::time_point start = Clock::now();
  const auto dates = reader.Read(folder, views, DateKind::Taken, reading);
  const ListOrder order = DateOrder(list, false, *dates);
  const double seconds = SecondsBetween(start, Clock::now());
  if (order.size() != names.size() || order.front() != names.size() - 1) throw std::runtime_error("wrong date order");
  return seconds;
}

// A preview whose prefix writes each file's date taken: the dates read for the names, and
// Simulate; fails when a name does not begin with its file's date.
double TimeDatedPreview(const std::string& folder, const std::vector<std::string>& names) {
  const std::vector<std::string_view> views(names.begin(), names.end());
  RenameList list = ListOf(names);
  Preview preview(list);
  const NamingFields fields{"{taken:YYYY:MM:DD hh:mm:ss}_", "", "1", "00000"};
  LinuxFileDates reader;
  DateReading reading;
  const Clock::time_point start = Clock::now();
  auto dates = reader.ReadNameDates(folder, views, NamingDates(fields).KindToRead(), reading);
  const EntryDates entryDates{std::move(*dates), EnglishMonthAbbreviations()};
  preview.Simulate(fields, &entryDates);
  const double seconds = SecondsBetween(start, Clock::now());
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (!list.Item(i + 1).Text.starts_with(DateOf(names.size() - i) + "_")) {
      throw std::runtime_error("wrong name previewed for " + names[i] + ": " + list.Item(i + 1).Text);
    }
  }
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Times Tolvane's `timed` against `reference`, `runs` times taking turns at going first, and
// prints each run and the ratio of the medians against `target`.
void TakeTurns(std::size_t runs, double target, const char* timedName, const std::function<double()>& timed,
               const char* referenceName, const std::function<double()>& reference) {
  std::vector<double> times;
  std::vector<double> references;
  for (std::size_t run = 0; run < runs; ++run) {
    if (run % 2 == 1) references.push_back(reference());
    times.push_back(timed());
    if (run % 2 == 0) references.push_back(reference());
    std::printf("  run %zu: %s %.3f s, %s %.3f s, ratio %.2f\n", run + 1, timedName, times.back(), referenceName,
                references.back(), times.back() / references.back());
  }
  const double ratio = Median(times) / Median(references);
  std::printf("  median: %s %.3f s, %s %.3f s, ratio %.2f (target <= %.1f: %s)\n", timedName, Median(times),
              referenceName, Median(references), ratio, target, ratio <= target ? "holds" : "MISSED");
}

int Run(std::size_t count, std::size_t runs, const std::string& parent) {
  const ScratchFolder folder(parent, "tolvane-dates-bench");
  const std::vector<std::string> names = MakePhotos(folder.Path(), count);
  std::printf("\ndates taken of %zu small JPEGs (%ju bytes each) in %s, %zu runs taking turns at going first:\n", count,
              static_cast<std::uintmax_t>(std::filesystem::file_size(folder.Path() + "/" + names.front())),
              folder.Path().c_str(), runs);
  TakeTurns(
      runs, kTargetRatio, "Tolvane", [&] { return TimeTolvane(folder.Path(), names); },
      "exiv2 -K Exif.Photo.DateTimeOriginal -Pv", [&] { return TimeExiv2(folder.Path(), names); });
  std::printf("\na preview with {taken:YYYY:MM:DD hh:mm:ss}_ of the same files against the ordering by date taken:\n");
  TakeTurns(
      runs, kPreviewTargetRatio, "preview", [&] { return TimeDatedPreview(folder.Path(), names); }, "ordering",
      [&] { return TimeOrdering(folder.Path(), names); });
  return 0;
}

}  // namespace

}  // namespace tolvane::bench

int main(int argc, char** argv) {
  std::size_t count = 10'000;
  std::size_t runs = 5;
  std::string parent = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--n") {
      count = std::stoul(argv[i + 1]);
    } else if (option == "--runs") {
      runs = std::stoul(argv[i + 1]);
    } else if (option == "--parent") {
      parent = argv[i + 1];
    } else {
      std::cerr << "usage: tolvane_dates_bench [--n N] [--runs R] [--parent DIR]\n";
      return 2;
    }
  }
  try {
    return tolvane::bench::Run(count, std::max<std::size_t>(runs, 1), parent);
  } catch (const std::exception& error) {
    std::cerr << "tolvane_dates_bench: " << error.what() << "\n";
    return 1;
  }
}
