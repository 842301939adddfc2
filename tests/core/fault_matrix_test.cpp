// Every rename of a commit made to fail in turn, with each error a rename can meet, on real
// folders: afterwards every file is there once, under its old or its new name, no temporary
// name is left, and the message and the report say what was done.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "core/rename_order.h"
#include "tests/core/folder_check.h"

namespace tolvane::testing {
namespace {

struct Shape {
  const char* name;
  Batch batch;
  std::size_t spreadPositions;  // renames made to fail besides those around cycles; 0: every one
};

Batch TenFiles() {
  Batch batch;
  AddShifted(batch, "c", 1, 4, 1);
  AddCycle(batch, "r", 3);
  AddCycle(batch, "s", 2);
  AddShifted(batch, "x", 1, 1, 5);
  return Shuffled(batch, 10);
}

Batch ThousandFiles() {
  Batch batch;
  AddShifted(batch, "c", 1, 400, 1);
  AddShifted(batch, "k", 1, 300, 30);
  AddCycle(batch, "r", 200);
  for (int i = 0; i < 20; ++i) {
    AddCycle(batch, "s" + std::to_string(i) + "-", 2);
    AddCycle(batch, "t" + std::to_string(i) + "-", 3);
  }
  return Shuffled(batch, 1000);
}

const std::vector<Shape>& Shapes() {
  static const std::vector<Shape> shapes = [] {
    Batch one;
    AddShifted(one, "a", 1, 1, 1);
    Batch chain;
    AddShifted(chain, "c", 1, 2, 1);
    Batch swap;
    AddCycle(swap, "s", 2);
    return std::vector<Shape>{{"OneFile", one, 0},
                              {"TwoInAChain", chain, 0},
                              {"TwoSwapped", swap, 0},
                              {"TenMixed", TenFiles(), 0},
                              {"ThousandMixed", ThousandFiles(), 15}};
  }();
  return shapes;
}

struct ErrorKind {
  int number;
  const char* name;
};

void PrintTo(const ErrorKind& kind, std::ostream* out) { *out << kind.name; }

const ErrorKind kErrors[] = {{ENOENT, "ENOENT"}, {EACCES, "EACCES"}, {EEXIST, "EEXIST"},
                             {EXDEV, "EXDEV"},   {ENOSPC, "ENOSPC"}, {ENAMETOOLONG, "ENAMETOOLONG"},
                             {EROFS, "EROFS"}};

using RenameAsked = std::pair<std::string, std::string>;

std::string NameIn(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool IsTemporary(const std::string& path) { return NameIn(path).starts_with(kTemporaryPrefix); }

// The renames of an undisturbed commit of the batch, which must complete.
std::vector<RenameAsked> RenamesOfWholeCommit(const Batch& batch) {
  CommitScene scene;
  scene.Load(batch);
  std::vector<RenameAsked> asked;
  scene.files.FailRename(std::numeric_limits<std::size_t>::max(), EIO,
                         [&](const std::string& from, const std::string& to) {
                           // The last, the journal becoming the batch's record, is no file's.
                           if (from.starts_with(scene.folder.path() + "/")) asked.emplace_back(from, to);
                           return true;
                         });
  scene.Rename();
  BatchWhereabouts where;
  EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where));
  EXPECT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), static_cast<std::ptrdiff_t>(batch.size()));
  EXPECT_EQ(scene.LastPrompt(), "File rename completed");
  return asked;
}

// Every rename, or `spread` of them evenly spaced from the first to the last together with
// the edges of the first and the last cycle: going to the temporary name, the rename right
// after it, the last rename while the file waits, and coming back from it.
std::set<std::size_t> PositionsToFail(const std::vector<RenameAsked>& renames, std::size_t spread) {
  std::set<std::size_t> positions;
  const std::size_t count = renames.size();
  if (spread == 0 || spread >= count) {
    for (std::size_t position = 1; position <= count; ++position) positions.insert(position);
    return positions;
  }
  for (std::size_t i = 0; i < spread; ++i) positions.insert(1 + i * (count - 1) / (spread - 1));
  std::vector<std::size_t> temporarySteps;
  for (std::size_t position = 1; position <= count; ++position) {
    const auto& [from, to] = renames[position - 1];
    if (IsTemporary(from) || IsTemporary(to)) temporarySteps.push_back(position);
  }
  if (temporarySteps.size() >= 2) {
    positions.insert({temporarySteps.front(), temporarySteps.front() + 1, temporarySteps[1] - 1, temporarySteps[1],
                      temporarySteps.back() - 1, temporarySteps.back()});
  }
  return positions;
}

// The batch's file a rename of `path` belongs to, whether it stands under its old or its
// temporary name.
const BatchFile& FileRenamedFrom(const Batch& batch, const std::string& path) {
  std::string name = NameIn(path);
  if (IsTemporary(path)) name.erase(0, name.find('~') + 1);
  for (const BatchFile& file : batch) {
    if (file.oldName == name) return file;
  }
  throw std::runtime_error("no file of the batch is renamed from " + path);
}

class FaultMatrixTest : public ::testing::TestWithParam<std::tuple<std::size_t, ErrorKind>> {};

TEST_P(FaultMatrixTest, EveryFileKeepsItsOldOrNewNameAndTheUserIsToldWhatWasDone) {
  const Shape& shape = Shapes()[std::get<0>(GetParam())];
  const int errnum = std::get<1>(GetParam()).number;
  const std::vector<RenameAsked> renames = RenamesOfWholeCommit(shape.batch);
  for (const std::size_t position : PositionsToFail(renames, shape.spreadPositions)) {
    SCOPED_TRACE("rename " + std::to_string(position) + " of " + std::to_string(renames.size()) + " fails with " +
                 std::strerror(errnum));
    CommitScene scene;
    scene.Load(shape.batch);
    scene.files.FailRename(position, errnum);
    scene.Rename();
    ASSERT_FALSE(scene.files.failedPaths.empty());
    const std::string& failedPath = scene.files.failedPaths.front();
    BatchWhereabouts where;
    ASSERT_TRUE(EveryFileOnce(scene.folder.Contents(), shape.batch, where));
    ASSERT_TRUE(ToldTheStop(scene, shape.batch, where, FileRenamedFrom(shape.batch, failedPath),
                            Error::FromErrno(errnum, failedPath).Description()));
    // A stopped commit leaves the preview as it was.
    EXPECT_EQ(scene.preview.Flags(), (PreviewFlags{.simulate = false, .rename = true, .undo = true}));
  }
}

INSTANTIATE_TEST_SUITE_P(Batches, FaultMatrixTest,
                         ::testing::Combine(::testing::Range(std::size_t{0}, Shapes().size()),
                                            ::testing::ValuesIn(kErrors)),
                         [](const auto& instance) {
                           return std::string(Shapes()[std::get<0>(instance.param)].name) + "_" +
                                  std::get<1>(instance.param).name;
                         });

}  // namespace
}  // namespace tolvane::testing
