#include "core/rename_report.h"

#include <functional>

#include "core/log_folder.h"
#include "core/name_escape.h"
#include "core/plain_reason.h"
#include "platform/date_format.h"

namespace tolvane {

namespace {

// Calls its argument with the old and the new name of every line of the report.
using EntryWalk = std::function<void(const std::function<void(std::string_view, std::string_view)>&)>;

// Opens a file in the desktop's default application for its type.
constexpr const char* kOpener = "xdg-open";

std::string ReportPath(const std::string& logFolder, const DateTime& stamp, const MonthNames& months) {
  return logFolder + "/Report_" + FormatDateTime(stamp, "DDMMYYYYhhmmss", months) + ".txt";
}

Error ReportNotWritten(const Error& cause, const std::string& path, const std::string& logFolder) {
  return {cause.Number(),
          "The report could not be written to " + path + ": " + PlainReason(cause, logFolder) + "."};
}

std::string EditorNotStarted(const Error& cause, const std::string& path) {
  const bool noOpener = cause.Number() == ErrorNumber::FileNotFound;
  const std::string reason = noOpener ? std::string(kOpener) + " is not installed" : cause.Description();
  return "The report was written to " + path + ", but it could not be opened in a text editor: " + reason +
         ". Open it from that folder yourself.";
}

// The renames are done and the report is stored, so an editor that does not start is a
// warning, not an error; the box offers the report's folder in the file manager instead.
void SayEditorNotStarted(Platform platform, const Error& cause, const std::string& path,
                         const std::string& logFolder) {
  const ChoiceBox box{EditorNotStarted(cause, path), "Tolvane", {"OK", "Open &Folder"}, 0, 0, true};
  if (platform.window.AskChoice(box) != 1) return;
  platform.window.RunLongWork([&] { platform.system.LaunchProgram({kOpener, logFolder}); });
}

void WriteEntryLines(LineWriter& writer, const EntryWalk& walkEntries) {
  std::string line;
  walkEntries([&](std::string_view oldName, std::string_view newName) {
    line.clear();
    AppendEscapedName(line, oldName);
    line += " -> ";
    AppendEscapedName(line, newName);
    writer.WriteLine(line);
  });
}

std::string ClosingLine(const Error* stop) {
  return stop ? "Process stopped: " + EscapedName(stop->Description()) : "Process Completed, Thank you";
}

// The steps every report takes; only its entries and its closing line differ.
// Gives the report's path.
std::string WriteReportFile(Platform platform, const EntryWalk& walkEntries, const std::string& closingLine,
                            const ReportWritten& written, const std::string& subject = {}) {
  SystemServices& system = platform.system;
  const MonthNames months = system.MonthAbbreviations();
  const DateTime fileStamp = system.CurrentDateTime();
  const std::string logFolder = ChooseLogFolder(platform);
  const std::string path = ReportPath(logFolder, fileStamp, months);
  try {
    const std::unique_ptr<LineWriter> writer = platform.files.OpenForAppend(path);
    const DateTime headerStamp = system.CurrentDateTime();
    writer->WriteLine("Tolvane Report Date & Time : " + FormatDateTime(headerStamp, "DD-MMM-YYYY hh:mm:ss", months));
    if (!subject.empty()) writer->WriteLine(EscapedName(subject));
    writer->WriteLine("Old File Name -> New File Name ");
    WriteEntryLines(*writer, walkEntries);
    writer->WriteLine(closingLine);
    writer->Close();
  } catch (const Error& error) {
    throw ReportNotWritten(error, path, logFolder);
  }
  if (written) written();
  platform.window.YieldToEvents();
  try {
    // The launch watches the opener's start for a while; the window paints meanwhile.
    platform.window.RunLongWork([&] { system.LaunchProgram({kOpener, path}); });
  } catch (const Error& error) {
    SayEditorNotStarted(platform, error, path, logFolder);
  }
  return path;
}

}  // namespace

void WriteReport(const RenameList& list, Platform platform, const ReportWritten& written, const std::string& subject) {
  const auto everyEntry = [&list](const std::function<void(std::string_view, std::string_view)>& write) {
    const RenameList::Position count = list.Count();
    for (RenameList::Position position = 1; position <= count; ++position) {
      const RenameEntry& entry = list.Item(position);
      write(entry.Tag, entry.Text);
    }
  };
  WriteReportFile(platform, everyEntry, ClosingLine(nullptr), written, subject);
}

void WriteReport(const RenameList& list, Platform platform, const StoppedCommit& stopped,
                 const ReportWritten& written, const std::string& subject) {
  const auto renamedEntries = [&](const std::function<void(std::string_view, std::string_view)>& write) {
    for (const RenameList::Position position : stopped.renamed) write(list.Item(position).Tag, list.Item(position).Text);
  };
  WriteReportFile(platform, renamedEntries, ClosingLine(&stopped.error), written, subject);
}

std::string WriteReport(const std::vector<NameMove>& renames, Platform platform, const Error* stop,
                        const ReportWritten& written) {
  const auto everyRename = [&renames](const std::function<void(std::string_view, std::string_view)>& write) {
    for (const NameMove& rename : renames) write(rename.from, rename.to);
  };
  return WriteReportFile(platform, everyRename, ClosingLine(stop), written);
}

}  // namespace tolvane
