#include "core/batch_check.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tolvane {

void PrintTo(const BatchProblem& problem, std::ostream* out) {
  *out << "{" << problem.position << ", kind " << static_cast<int>(problem.kind) << "}";
}

bool operator==(const BatchProblem& a, const BatchProblem& b) { return a.position == b.position && a.kind == b.kind; }

namespace {

struct Entry {
  std::string tag;
  std::string text;
};

RenameList ListOf(const std::vector<Entry>& entries) {
  RenameList list;
  for (const Entry& entry : entries) list.Add(entry.text).Tag = entry.tag;
  return list;
}

std::vector<FolderItem> Files(const std::vector<std::string>& names) {
  std::vector<FolderItem> items;
  for (const std::string& name : names) items.push_back({name, FolderItemKind::File});
  return items;
}

struct Case {
  const char* what;
  std::vector<FolderItem> folder;
  std::vector<Entry> entries;
  std::vector<BatchProblem> expected;
};

TEST(CheckBatchTest, FindsEveryProblemOfTheBatch) {
  using enum ProblemKind;
  const std::string name255(255, 'x');
  const std::string name256(256, 'x');
  std::vector<FolderItem> withFolder = Files({"a"});
  withFolder.push_back({"dir", FolderItemKind::Directory});
  withFolder.push_back({"fifo", FolderItemKind::Other});
  const std::vector<Case> cases{
      {"a plain batch", Files({"a", "b"}), {{"a", "1"}, {"b", "2"}}, {}},
      {"chain and swap", Files({"a", "b", "c"}), {{"a", "b"}, {"b", "c"}, {"c", "a"}}, {}},
      {"unchanged names", Files({"a"}), {{"a", "a"}}, {}},
      {"entries without a preview are not checked", Files({}), {{"", "gone"}, {"", "x/y"}}, {}},
      {"a new name of 255 bytes", Files({"a"}), {{"a", name255}}, {}},
      {"missing file", Files({"b"}), {{"a", "1"}, {"b", "2"}}, {{1, FileMissing}}},
      {"a folder or a special item in place of the file", withFolder,
       {{"dir", "1"}, {"fifo", "2"}, {"a", "3"}}, {{1, NotAFile}, {2, NotAFile}}},
      {"invalid new names", Files({"a", "b", "c", "d", "e", "f"}),
       {{"a", ""}, {"b", "."}, {"c", ".."}, {"d", "x/y"}, {"e", std::string("x\0y", 3)}, {"f", name256}},
       {{1, InvalidName}, {2, InvalidName}, {3, InvalidName}, {4, InvalidName}, {5, InvalidName}, {6, InvalidName}}},
      {"two entries with one new name", Files({"a", "b", "c"}),
       {{"a", "x"}, {"b", "y"}, {"c", "x"}}, {{1, DuplicateName}, {3, DuplicateName}}},
      {"a new name that another entry keeps", Files({"a", "b"}),
       {{"a", "a"}, {"b", "a"}}, {{1, DuplicateName}, {2, DuplicateName}}},
      {"a new name held outside the batch", withFolder,
       {{"a", "dir"}}, {{1, NameTaken}}},
      {"a new name held by an entry that is not previewed", Files({"a", "b"}),
       {{"a", "b"}, {"", "b"}}, {{1, NameTaken}}},
      {"one file renamed twice", Files({"a"}),
       {{"a", "x"}, {"a", "y"}}, {{1, SameFileTwice}, {2, SameFileTwice}}},
      {"the first failing check is the one reported", Files({"b", "c"}),
       {{"a", "a/b"}, {"b", "c/"}, {"c", "z"}, {"b", "z"}}, {{1, FileMissing}, {2, InvalidName}, {3, DuplicateName},
                                                            {4, DuplicateName}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CheckBatch(ListOf(c.entries), c.folder), c.expected);
  }
}

// A folder whose volume answers to the names given, besides its items' own: FAT's short names.
class VolumeAnswering final : public OpenedFolder {
 public:
  explicit VolumeAnswering(std::set<std::string> names) : names_(std::move(names)) {}
  void RenameFile(std::string_view, std::string_view) override { throw Error::Overflow(); }
  VolumeRules Rules(const std::vector<FolderItem>&) override { return {}; }
  bool Holds(std::string_view name) override { return names_.contains(std::string(name)); }
  std::vector<FolderItem> ReadItems() override { throw Error::Overflow(); }
  bool SameFile(std::string_view, std::string_view) override { throw Error::Overflow(); }
  void DropSecondName(std::string_view, std::string_view) override { throw Error::Overflow(); }
  FileIdentity Identity() override { throw Error::Overflow(); }
  std::optional<FileIdentity> Identify(std::string_view) override { throw Error::Overflow(); }
  void Sync() override { throw Error::Overflow(); }
  std::unique_ptr<FolderWatch> Watch() override { return nullptr; }

 private:
  std::set<std::string> names_;
};

TEST(CheckBatchTest, FindsTheProblemsOfTheFoldersVolume) {
  using enum ProblemKind;
  const VolumeRules exact;
  const VolumeRules exfat{true, NameRules::Unicode};
  const VolumeRules kernelExfat{true, NameRules::Fat, CaseTable::Exfat};
  const VolumeRules fat{true, NameRules::Fat};
  const VolumeRules fusefat{true, NameRules::FuseFat};
  const VolumeRules share{false, NameRules::WindowsShare};
  // UTF-16 code units, not bytes, are what these volumes count.
  const auto repeated = [](std::string_view character, int times) {
    std::string name;
    for (int i = 0; i < times; ++i) name += character;
    return name;
  };
  const std::string e255 = repeated("\xC3\xA9", 255);
  const std::string e256 = repeated("\xC3\xA9", 256);
  // Four bytes and two code units each.
  const std::string faces255 = repeated("\xF0\x9F\x98\x80", 127) + "a";
  const std::string faces256 = repeated("\xF0\x9F\x98\x80", 128);
  struct VolumeCase {
    const char* what;
    VolumeRules rules;
    Case batch;
  };
  const std::vector<VolumeCase> cases{
      {"a chain only the volume sees", exfat,
       {"", Files({"b.jpg", "IMG_01.JPG", "IMG_02.JPG"}),
        {{"b.jpg", "img_01.jpg"}, {"IMG_01.JPG", "img_02.JPG"}, {"IMG_02.JPG", "img_03.JPG"}}, {}}},
      {"a change of case alone", exfat, {"", Files({"IMG.JPG"}), {{"IMG.JPG", "img.jpg"}}, {}}},
      {"a name held in another case by a file that stays", exfat,
       {"", Files({"a", "KEEP.jpg"}), {{"a", "keep.jpg"}}, {{1, NameTaken}}}},
      {"... is free where case counts", exact, {"", Files({"a", "KEEP.jpg"}), {{"a", "keep.jpg"}}, {}}},
      {"new names equal under folding, Unicode's too", exfat,
       {"", Files({"a", "b", "c", "d"}), {{"a", "x"}, {"b", "X"}, {"c", "\xC3\x89t\xC3\xA9"}, {"d", "\xC3\xA9T\xC3\x89"}},
        {{1, DuplicateName}, {2, DuplicateName}, {3, DuplicateName}, {4, DuplicateName}}}},
      {"characters the volume refuses", share,
       {"", Files({"a", "b", "c", "d"}), {{"a", "a:b"}, {"b", "q?"}, {"c", "tab\t"}, {"d", "fine"}},
        {{1, RefusedName}, {2, RefusedName}, {3, RefusedName}}}},
      {"a dot or a space at the end, on FAT only", fat,
       {"", Files({"a", "b", "c"}), {{"a", "a."}, {"b", "b "}, {"c", ".c"}}, {{1, RefusedName}, {2, RefusedName}}}},
      {"... which exFAT's FUSE driver keeps", exfat, {"", Files({"a", "b"}), {{"a", "a."}, {"b", "b "}}, {}}},
      {"names too long in UTF-16 or not Unicode", exfat,
       {"", Files({"a", "b", "c", "d", "e"}),
        {{"a", e256}, {"b", "\xFF.jpg"}, {"c", e255}, {"d", faces256}, {"e", faces255}},
        {{1, RefusedName}, {2, RefusedName}, {4, RefusedName}}}},
      {"beyond ASCII and DEL, which fusefat would take the old name away for", fusefat,
       {"", Files({"a", "b", "c"}), {{"a", "\xC3\x89t\xC3\xA9"}, {"b", "a\x7F"}, {"c", "fine"}},
        {{1, RefusedName}, {2, RefusedName}}}},
      {"... which the kernel's FAT takes", fat,
       {"", Files({"a", "b"}), {{"a", "\xC3\x89t\xC3\xA9"}, {"b", "a\x7F"}}, {}}},
      {"exFAT's up-case table keeps \u0131 and i apart, and joins \u03C3 and \u03C2", kernelExfat,
       {"", Files({"a", "b", "c", "d"}), {{"a", "i"}, {"b", "\xC4\xB1"}, {"c", "\xCF\x83"}, {"d", "\xCF\x82"}},
        {{3, DuplicateName}, {4, DuplicateName}}}},
      {"... where Linux's own names count bytes", exact, {"", Files({"c"}), {{"c", e255}}, {{1, InvalidName}}}},
      {"a name the file keeps is not refused", fat, {"", Files({"a."}), {{"a.", "a."}}, {}}},
  };
  for (const VolumeCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CheckBatch(ListOf(c.batch.entries), c.batch.folder, c.rules), c.batch.expected);
  }
  // Only the volume knows a name FAT gives a long name's file in 8.3 form.
  VolumeAnswering fatFolder({"photog~1.jpg", "a"});
  const RenameList list = ListOf({{"a", "photog~1.jpg"}});
  EXPECT_EQ(CheckBatch(list, Files({"a", "photograph.jpg"}), fat, &fatFolder),
            (std::vector<BatchProblem>{{1, HeldOnVolume}}));
  EXPECT_EQ(CheckBatch(list, Files({"a", "photograph.jpg"}), exact, &fatFolder), std::vector<BatchProblem>{})
      << "the volume is asked only where it folds case";
}

// Each kind is told once, with its count and its first five names; each reason a volume
// refuses a name for is a kind of its own. A thousand problems of one kind stay one line.
TEST(DescribeProblemsTest, TellsEachKindOnceWithItsCountAndFirstNames) {
  std::vector<Entry> entries;
  std::vector<BatchProblem> problems;
  const auto add = [&](const std::string& oldName, const std::string& newName, ProblemKind kind,
                       std::optional<NameRefusal> refusal = std::nullopt) {
    entries.push_back({oldName, newName});
    problems.push_back({entries.size(), kind, refusal});
  };
  for (int i = 1; i <= 1007; ++i) add("IMG_" + std::to_string(i), "x" + std::to_string(i), ProblemKind::FileMissing);
  add("a", "a:1", ProblemKind::RefusedName, NameRefusal{NameRefusal::Cause::Character, ':'});
  add("b", "b*", ProblemKind::RefusedName, NameRefusal{NameRefusal::Cause::Character, '*'});
  add("c", "c:2", ProblemKind::RefusedName, NameRefusal{NameRefusal::Cause::Character, ':'});
  add("d", "keep", ProblemKind::NameTaken);
  EXPECT_EQ(DescribeProblems(ListOf(entries), problems),
            "Nothing was renamed, because of these problems:\n"
            "1007 files are no longer in the folder: \"IMG_1\", \"IMG_2\", \"IMG_3\", \"IMG_4\", \"IMG_5\", "
            "\u2026 and 1002 more. The folder may have been renamed already: Simulate makes a new preview.\n"
            "2 new names cannot be given (the volume of this folder does not allow ':' in a name): \"a:1\", \"c:2\".\n"
            "1 new name cannot be given (the volume of this folder does not allow '*' in a name): \"b*\".\n"
            "1 new name is held by an item of the folder that is not renamed: \"keep\".");
}

TEST(DescribeProblemsTest, SaysWhyANameIsInvalidAndKeepsLineBreaksOutOfTheLine) {
  const RenameList list = ListOf({{"a\nb", std::string(300, 'n')}, {"c\rd", "x/y"}, {"e", ".."}});
  EXPECT_EQ(DescribeProblem(list, {1, ProblemKind::InvalidName}),
            "\"a\\nb\" -> \"" + std::string(300, 'n') + "\": the new name is longer than 255 bytes");
  EXPECT_EQ(DescribeProblem(list, {2, ProblemKind::InvalidName}), "\"c\\rd\" -> \"x/y\": the new name holds a \"/\"");
  EXPECT_EQ(DescribeProblem(list, {3, ProblemKind::InvalidName}),
            "\"e\" -> \"..\": \".\" and \"..\" cannot be file names");
  EXPECT_EQ(DescribeProblem(list, {1, ProblemKind::RefusedName, NameRefusal{NameRefusal::Cause::Character, ':'}}),
            "\"a\\nb\" -> \"" + std::string(300, 'n') + "\": the volume of this folder does not allow ':' in a name");
  EXPECT_EQ(DescribeProblems(list, {{2, ProblemKind::FileMissing}}),
            "Nothing was renamed, because of these problems:\n"
            "1 file is no longer in the folder: \"c\\rd\". The folder may have been renamed already: Simulate makes a "
            "new preview.");
}

}  // namespace
}  // namespace tolvane
