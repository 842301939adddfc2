#include "core/rename_report.h"

#include <cerrno>
#include <functional>

#include "core/log_folder.h"
#include "core/name_escape.h"
#include "platform/date_format.h"

namespace tolvane {

namespace {

using EntryWalk = std::function<void(const std::function<void(const RenameEntry&)>&)>;

// Opens a file in the desktop's default application for its type.
constexpr const char* kOpener = "xdg-open";

std::string ReportPath(const std::string& logFolder, const DateTime& stamp, const MonthNames& months) {
  return logFolder + "/Report_" + FormatDateTime(stamp, "DDMMYYYYhhmmss", months) + ".txt";
}

std::string PlainReason(const Error& cause, const std::string& logFolder) {
  switch (static_cast<ErrorNumber>(cause.Number())) {
    case ErrorNumber::FileNotFound:
    case ErrorNumber::PathNotFound:
      if (cause.SystemErrno() == ENOTDIR) return logFolder + " is a file, not a folder";
      return "the folder " + logFolder + " does not exist";
    case ErrorNumber::PermissionDenied: return "Tolvane is not allowed to write there";
    case ErrorNumber::DiskFull: return "the disk is full";
    default: return cause.Description();
  }
}

Error ReportNotWritten(const Error& cause, const std::string& path, const std::string& logFolder) {
  return {static_cast<ErrorNumber>(cause.Number()),
          "The report could not be written to " + path + ": " + PlainReason(cause, logFolder) + "."};
}

Error EditorNotStarted(const Error& cause, const std::string& path) {
  const bool noOpener = cause.Number() == static_cast<int>(ErrorNumber::FileNotFound);
  const std::string reason = noOpener ? std::string(kOpener) + " is not installed" : cause.Description();
  return {static_cast<ErrorNumber>(cause.Number()), "The report was written to " + path +
                                                        ", but it could not be opened in a text editor: " + reason +
                                                        ". Open it from that folder yourself."};
}

void WriteEntryLines(LineWriter& writer, const EntryWalk& walkEntries) {
  std::string line;
  walkEntries([&](const RenameEntry& entry) {
    line.clear();
    AppendEscapedName(line, entry.Tag);
    line += " -> ";
    AppendEscapedName(line, entry.Text);
    writer.WriteLine(line);
  });
}

// The steps every report takes; only its entries and its closing line differ.
void WriteReportFile(Platform platform, const EntryWalk& walkEntries, const std::string& closingLine) {
  SystemServices& system = platform.system;
  const MonthNames months = system.MonthAbbreviations();
  const DateTime fileStamp = system.CurrentDateTime();
  const std::string logFolder = ChooseLogFolder(platform);
  const std::string path = ReportPath(logFolder, fileStamp, months);
  try {
    const std::unique_ptr<LineWriter> writer = platform.files.OpenForAppend(path);
    const DateTime headerStamp = system.CurrentDateTime();
    writer->WriteLine("Tolvane Report Date & Time : " + FormatDateTime(headerStamp, "DD-MMM-YYYY hh:mm:ss", months));
    writer->WriteLine("Old File Name -> New File Name ");
    WriteEntryLines(*writer, walkEntries);
    writer->WriteLine(closingLine);
    writer->Close();
  } catch (const Error& error) {
    throw ReportNotWritten(error, path, logFolder);
  }
  platform.window.YieldToEvents();
  try {
    // The launch watches the opener's start for a while; the window paints meanwhile.
    platform.window.RunLongWork([&] { system.LaunchProgram({kOpener, path}); });
  } catch (const Error& error) {
    throw EditorNotStarted(error, path);
  }
}

}  // namespace

void WriteReport(const RenameList& list, Platform platform) {
  const auto everyEntry = [&list](const std::function<void(const RenameEntry&)>& write) {
    const RenameList::Position count = list.Count();
    for (RenameList::Position position = 1; position <= count; ++position) write(list.Item(position));
  };
  WriteReportFile(platform, everyEntry, "Process Completed, Thank you");
}

void WriteReport(const RenameList& list, Platform platform, const StoppedCommit& stopped) {
  const auto renamedEntries = [&](const std::function<void(const RenameEntry&)>& write) {
    for (const RenameList::Position position : stopped.renamed) write(list.Item(position));
  };
  WriteReportFile(platform, renamedEntries, "Process stopped: " + EscapedName(stopped.error.Description()));
}

}  // namespace tolvane
